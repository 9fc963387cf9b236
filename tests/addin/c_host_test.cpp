// The example host written in C, run as a host author would run it: against the simulator with the
// script dialog, through a link, and against a module copy without language components for the
// error information.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "addin/addin_fixture.h"

namespace trv3::testing {
namespace {

// What the program printed on its standard output, and its exit code.
struct HostRun {
  std::string output;
  int exitCode;
};

HostRun runCHost(const std::string& module, const std::string& countryCode) {
  const std::string command = std::string(TRV3_C_HOST) + " '" + module + "' " + countryCode;
  FILE* pipe = popen(command.c_str(), "r");
  HostRun run{{}, -1};
  if (pipe == nullptr) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

using CHost = RegisteredAddin;

TEST_F(CHost, FetchesByVtableAndByInvokeWithTypedReferences) {
  const ConfirmedFetchSetup setup;
  const HostRun run = runCHost(TRV3_ADDIN_MODULE, "49");
  EXPECT_EQ(run.exitCode, 0);
  for (const char* line : {"countryCode 49: status 0x00000000\n",
                           "vtable getWaveform: status 0x00000000, WaveFormResult 1, 600 samples",
                           "Invoke getWaveform: status 0x00000000, WaveFormResult 1, 600 samples"})
    EXPECT_NE(run.output.find(line), std::string::npos) << line << " missing in:\n" << run.output;
}

// A host that loads the add-in through a link in a folder of its own: the language components
// are found beside the real library file.
TEST_F(CHost, ThroughALinkFindsTheLanguagesBesideTheAddin) {
  ScopedEnvironment userInterface("TRV3_UI", "script");
  ScopedEnvironment script("TRV3_UI_SCRIPT", "cancel");
  std::string pattern = (std::filesystem::temp_directory_path() / "trv3-host-XXXXXX").string();
  const std::filesystem::path folder = mkdtemp(pattern.data());
  const std::filesystem::path link = folder / "vlmWFRM_TRV3.so";
  std::filesystem::create_symlink(std::filesystem::canonical(TRV3_ADDIN_MODULE), link);
  const HostRun run = runCHost(link.string(), "33");
  std::filesystem::remove_all(folder);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("countryCode 33: status 0x00000000\n"), std::string::npos) << run.output;
}

using CHostWithoutLanguages = RegisteredAddinWithoutLanguages;

TEST_F(CHostWithoutLanguages, ReadsTheErrorInformationOfAFailedInvoke) {
  ScopedEnvironment userInterface("TRV3_UI", "script");
  ScopedEnvironment script("TRV3_UI_SCRIPT", "cancel");
  const HostRun run = runCHost((folder_ / "vlmWFRM_TRV3.so").string(), "33");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("countryCode 33: status 0x80040200\n  failed with 0x80040200, source "
                            "\"openlang\", description \"Did not find language\"\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Invoke getWaveform: status 0x00000000, WaveFormResult 2"),
            std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace trv3::testing
