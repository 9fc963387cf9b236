#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "addin/waveform_interface.h"
#include "platform/com/guid.h"
#include "platform/settings/settings_store.h"
#include "support/temp_config_home.h"

namespace trv3::testing {
namespace {

struct ToolRun {
  int exitCode;
  std::string output;
};

// Runs trv3-regsvr with the arguments; it inherits the temporary config folder.
ToolRun runRegsvr(const std::string& arguments) {
  const std::string command = std::string(TRV3_REGSVR) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::optional<std::string> registeredLibrary() {
  return settings::QueryValue(
      "Software\\Classes\\CLSID\\" + com::guidToString(CLSID_CWaveForm) + "\\InprocServer32", "");
}

TEST(Regsvr, RegistersAndUnregistersTheAddin) {
  TempConfigHome home;
  ToolRun run = runRegsvr(TRV3_ADDIN_MODULE);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("DllRegisterServer"), std::string::npos);
  EXPECT_NE(run.output.find("succeeded"), std::string::npos);
  EXPECT_EQ(registeredLibrary(), std::filesystem::path(TRV3_ADDIN_MODULE).lexically_normal().string());

  run = runRegsvr(std::string("-u ") + TRV3_ADDIN_MODULE);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("DllUnregisterServer"), std::string::npos);
  EXPECT_EQ(registeredLibrary(), std::nullopt);
}

TEST(Regsvr, RefusesWhatItCannotRegisterWithExitCodeOne) {
  TempConfigHome home;
  ToolRun run = runRegsvr("");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("usage: trv3-regsvr [-u] FILE"), std::string::npos);

  run = runRegsvr("/nonexistent/library.so");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("no such library file"), std::string::npos);

  const auto notALibrary = home.folder() / "plain.txt";
  std::ofstream(notALibrary) << "text";
  run = runRegsvr(notALibrary.string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("cannot load"), std::string::npos);
  EXPECT_EQ(registeredLibrary(), std::nullopt);

  // A registry that cannot take the registration (a file where its folder should be) is named.
  std::ofstream(home.folder() / "velmora") << "in the way";
  run = runRegsvr(TRV3_ADDIN_MODULE);
  EXPECT_EQ(run.exitCode, 1);
  const std::string store = (home.folder() / "velmora" / "registry.json").string();
  EXPECT_NE(run.output.find("failed with 0x80040201 (per-user registry " + store + ")"), std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace trv3::testing
