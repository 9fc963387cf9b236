// trv3-host end to end: the real executables, the add-in registered in a temporary per-user
// registry, the script backend playing the dialog, and the simulator as the oscilloscope.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "child_process.h"
#include "platform/settings/settings_store.h"
#include "support/simulator_process.h"
#include "support/temp_config_home.h"
#include "support/wayland_runtime_folder.h"

namespace trv3::host::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// With exactly one channel answering "ON" the series offers 100, 250, 500 and 1000 points.
const std::vector<std::string> OneChannelOn = {"--display", "1,0,0,0", "--display-words"};

constexpr const char* Application = "Velmora\\Quorvalis\\Arb Application";

// The commands of the transfer, which only a confirmed dialog leads to.
bool isTransferCommand(const std::string& message) {
  return message == ":Stop" || message.rfind("waveform:", 0) == 0 ||
         message.rfind(":WAVeform:", 0) == 0 || message == ":SINGLE";
}

// From the first transfer command on: what the fetch sent after the dialog.
std::vector<std::string> transferOf(const std::vector<std::string>& log) {
  auto first = std::find_if(log.begin(), log.end(), isTransferCommand);
  return {first, log.end()};
}

class HostEndToEnd : public ::testing::Test {
 protected:
  Environment environment() const {
    return {{"XDG_CONFIG_HOME", config_.folder().string()},
            {"TRV3_UI", "script"},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"TRV3_UI_SCRIPT", std::nullopt},
            {"ASAN_OPTIONS", withSanitizerLog("ASAN_OPTIONS")},
            {"UBSAN_OPTIONS", withSanitizerLog("UBSAN_OPTIONS")}};
  }

  // In a sanitized build the children's sanitizer output goes to files of their own, so that
  // stderr holds only what the programs say; a report there (not a summary of suppressions)
  // fails the test with its text.
  std::string withSanitizerLog(const char* variable) const {
    const char* options = std::getenv(variable);
    return std::string(options ? options : "") + (options && *options ? ":" : "") +
           "log_path=" + (config_.folder() / "sanitizer").string();
  }
  void expectNoSanitizerReport() const {
    for (const auto& entry : std::filesystem::directory_iterator(config_.folder())) {
      if (!entry.path().filename().string().starts_with("sanitizer")) continue;
      const std::string text = fileText(entry.path());
      if (text.find("ERROR: ") != std::string::npos || text.find("runtime error") != std::string::npos)
        ADD_FAILURE() << text;
    }
  }

  ChildResult host(std::vector<std::string> arguments, const Environment& changes = {}) const {
    arguments.insert(arguments.begin(), TRV3_HOST_PATH);
    Environment variables = environment();
    for (const auto& [name, value] : changes) variables[name] = value;
    ChildResult result = runChild(arguments, variables);
    EXPECT_FALSE(result.timedOut) << "trv3-host did not end";
    expectNoSanitizerReport();
    // The add-in's message boxes own the "message: " lines; everything else the host says is
    // marked as its own (or comes from the script backend).
    for (const auto& line : lines(result.err))
      EXPECT_TRUE(line.rfind("message: ", 0) == 0 || line.rfind("trv3-host: ", 0) == 0 ||
                  line.rfind("trv3: ", 0) == 0)
          << line;
    return result;
  }

  void registerAddin() const {
    const ChildResult result = runChild({TRV3_REGSVR_PATH, TRV3_ADDIN_PATH}, environment());
    ASSERT_EQ(result.exitStatus, 0) << result.out << result.err;
    expectNoSanitizerReport();
  }

  static std::vector<std::string> messages(const ChildResult& result) {
    std::vector<std::string> found;
    for (const auto& line : lines(result.err))
      if (line.rfind("message: ", 0) == 0) found.push_back(line);
    return found;
  }

  testing::TempConfigHome config_;
};

TEST_F(HostEndToEnd, UsageErrorsExitWithOne) {
  EXPECT_EQ(host({}).exitStatus, 1);
  EXPECT_EQ(host({"fetch", "--channel", "0"}).exitStatus, 1);
  EXPECT_EQ(host({"fetch", "--ui", "web"}).exitStatus, 1);
  EXPECT_EQ(host({"fetch", "--address", "TCPIP::127.0.0.1::1::SOCKET;cancel"}).exitStatus, 1);
  const ChildResult sameFile = host({"fetch", "--csv", "wave.out", "--plot", "./wave.out"});
  EXPECT_EQ(sameFile.exitStatus, 1);
  EXPECT_THAT(sameFile.err, HasSubstr("name the same file"));
  const ChildResult qtCancel = host({"fetch", "--ui", "qt", "--cancel"});  // offscreen platform
  EXPECT_EQ(qtCancel.exitStatus, 1);
  EXPECT_THAT(qtCancel.err, HasSubstr("--cancel is a scripted user action"));
  const ChildResult noDisplay = host({"fetch", "--ui", "qt"}, {{"DISPLAY", std::nullopt},
                                                               {"WAYLAND_DISPLAY", std::nullopt},
                                                               {"QT_QPA_PLATFORM", std::nullopt}});
  EXPECT_EQ(noDisplay.exitStatus, 1);
  EXPECT_THAT(noDisplay.err, HasSubstr("the Qt dialog needs a display"));
  const ChildResult help = host({"fetch", "--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_THAT(help.out, HasSubstr("--acquire-new"));
}

// A pipe left in place of the settings file: read without waiting, kept aside, the user told once
// in the add-in's own words, and the host goes on with fresh settings.
TEST_F(HostEndToEnd, APipeInPlaceOfTheSettingsFileNeverHoldsTheHost) {
  const std::filesystem::path store = config_.folder() / "velmora" / "registry.json";
  std::filesystem::create_directories(store.parent_path());
  ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0);
  const ChildResult info = host({"info", "--addin", TRV3_ADDIN_PATH});
  EXPECT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_THAT(info.err, HasSubstr("trv3: the settings file " + store.string() + " could not be read"));
  EXPECT_TRUE(std::filesystem::is_regular_file(store));
}

TEST_F(HostEndToEnd, UnregisteredClassNamesTheRegistrationCommand) {
  const ChildResult fetch = host({"fetch", "--json"});
  EXPECT_EQ(fetch.exitStatus, 1);
  EXPECT_THAT(fetch.err, HasSubstr("vlmWFRM_TRV3.CWaveForm is not registered"));
  EXPECT_THAT(fetch.err, HasSubstr(std::string("trv3-regsvr ") + TRV3_ADDIN_PATH));
  EXPECT_THAT(fetch.out, IsEmpty());

  // A library file given directly needs no registration.
  const ChildResult direct = host({"info", "--addin", TRV3_ADDIN_PATH});
  EXPECT_EQ(direct.exitStatus, 0) << direct.err;
  EXPECT_THAT(direct.out, HasSubstr("is not registered for this user"));
  EXPECT_THAT(direct.out, HasSubstr("CType: 6 (16-bit integer)"));
}

TEST_F(HostEndToEnd, RegistrationMakesTheClassAvailableByProgId) {
  registerAddin();
  const ChildResult info = host({"info", "--country", "49"});
  ASSERT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("CLSID {792C262D-BBA0-47C1-AE88-DCBFD63A7A87}"));
  EXPECT_THAT(info.out, HasSubstr(std::string("library ") + TRV3_ADDIN_PATH));
  EXPECT_THAT(info.out, HasSubstr("countryCode: 49"));
  EXPECT_THAT(info.out, HasSubstr("WaveFormResult: 1"));
  EXPECT_THAT(info.out, HasSubstr("ComponentID: "));
}

TEST_F(HostEndToEnd, FetchWithAnAddressDeliversTheWaveformAsJson) {
  registerAddin();
  trv3::test::SimulatorProcess simulator;
  const ChildResult fetch = host({"fetch", "--address", simulator.socketResource(), "--json"});
  ASSERT_EQ(fetch.exitStatus, 0) << fetch.err;
  EXPECT_THAT(messages(fetch), IsEmpty());

  const auto object = nlohmann::json::parse(fetch.out);
  EXPECT_EQ(object["result"], 1);
  const auto codes = object["wform"].get<std::vector<int32_t>>();
  EXPECT_EQ(object["count"].get<size_t>(), codes.size());
  EXPECT_EQ(codes.size(), 100u) << "the first entry of the points list";
  EXPECT_GT(object["wTime"].get<double>(), 0.0);
  EXPECT_TRUE(std::any_of(codes.begin(), codes.end(), [&](int32_t c) { return c != codes[0]; }));

  const auto log = simulator.loggedMessages();
  EXPECT_THAT(log, Contains("*idn?"));
  EXPECT_THAT(transferOf(log),
              ElementsAre(":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 100",
                          "waveform:source  Channel2", "waveform:format byte", "waveform:preamble?",
                          "waveform:data?"));
}

TEST_F(HostEndToEnd, ChannelPointsAndAcquireNewBecomeTheTransfer) {
  registerAddin();
  trv3::test::SimulatorProcess simulator(OneChannelOn);
  const ChildResult fetch = host({"fetch", "--address", simulator.socketResource(), "--channel",
                                  "1", "--points", "500", "--acquire-new", "--json"});
  ASSERT_EQ(fetch.exitStatus, 0) << fetch.err;
  const auto object = nlohmann::json::parse(fetch.out);
  EXPECT_EQ(object["count"], 500);
  EXPECT_THAT(transferOf(simulator.loggedMessages()),
              ElementsAre(":Stop", ":WAVeform:POINts:MODE RAW", "waveform:points 500",
                          "waveform:source  Channel1", ":SINGLE", "waveform:format byte",
                          "waveform:preamble?", "waveform:data?"));
}

// Any whole number that no entry holds is "not offered", zero and negative ones included.
TEST_F(HostEndToEnd, PointsNotOfferedEndWithCancel) {
  registerAddin();
  trv3::test::SimulatorProcess simulator(OneChannelOn);
  for (const std::string points : {"777", "0", "-5"}) {
    const ChildResult fetch =
        host({"fetch", "--address", simulator.socketResource(), "--points=" + points});
    EXPECT_EQ(fetch.exitStatus, 2) << points;
    EXPECT_THAT(fetch.err, HasSubstr("trv3: points " + points +
                                     " not offered; offered: 100, 250, 500, 1000"));
    EXPECT_THAT(fetch.out, HasSubstr("WaveFormResult 2"));
  }
  EXPECT_THAT(transferOf(simulator.loggedMessages()), IsEmpty());
}

TEST_F(HostEndToEnd, CsvAndPlotFilesHoldTheSamples) {
  registerAddin();
  trv3::test::SimulatorProcess simulator(OneChannelOn);
  const auto csv = config_.folder() / "wave.csv";
  const auto png = config_.folder() / "wave.png";
  const ChildResult fetch = host({"fetch", "--address", simulator.socketResource(), "--points",
                                  "250", "--csv", csv.string(), "--plot", png.string()});
  ASSERT_EQ(fetch.exitStatus, 0) << fetch.err;
  EXPECT_THAT(fetch.out, HasSubstr("WaveFormResult 1: waveform delivered"));
  EXPECT_THAT(fetch.out, HasSubstr("samples: 250"));
  EXPECT_THAT(fetch.out, HasSubstr("samples written to " + csv.string()));
  EXPECT_THAT(fetch.out, HasSubstr("plot written to " + png.string()));

  const auto rows = lines(fileText(csv));
  ASSERT_EQ(rows.size(), 251u);
  EXPECT_EQ(rows[0], "index,code");
  EXPECT_THAT(rows[1], StartsWith("0,"));
  EXPECT_THAT(rows[250], StartsWith("249,"));
  EXPECT_EQ(fileText(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(HostEndToEnd, SecondRunUsesTheRememberedChoices) {
  registerAddin();
  trv3::test::SimulatorProcess simulator(OneChannelOn);
  const ChildResult first =
      host({"fetch", "--address", simulator.socketResource(), "--channel", "1", "--points", "250"});
  ASSERT_EQ(first.exitStatus, 0) << first.err;
  const size_t firstRun = simulator.loggedMessages().size();

  const ChildResult info = host({"info"});
  EXPECT_THAT(info.out, HasSubstr("Addr: " + simulator.socketResource()));
  EXPECT_THAT(info.out, HasSubstr("Chan: 0"));
  EXPECT_THAT(info.out, HasSubstr("Cbo_Idx: 1"));

  const ChildResult second = host({"fetch", "--json"});
  ASSERT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_EQ(nlohmann::json::parse(second.out)["count"], 250);
  const auto log = simulator.loggedMessages();
  const std::vector<std::string> secondRun(log.begin() + static_cast<long>(firstRun), log.end());
  EXPECT_THAT(transferOf(secondRun), Contains("waveform:points 250"));
  EXPECT_THAT(transferOf(secondRun), Contains("waveform:source  Channel1"));
}

TEST_F(HostEndToEnd, ForeignMakerIsRefused) {
  registerAddin();
  trv3::test::SimulatorProcess simulator({"--maker", "OTHERCO"});
  const ChildResult fetch = host({"fetch", "--address", simulator.socketResource(), "--json"});
  EXPECT_EQ(fetch.exitStatus, 2);
  EXPECT_EQ(fetch.out, "{\"result\":2}\n");
  EXPECT_THAT(messages(fetch), Not(IsEmpty()));
  EXPECT_THAT(transferOf(simulator.loggedMessages()), IsEmpty());
}

TEST_F(HostEndToEnd, CancelSendsNoTransferCommand) {
  registerAddin();
  trv3::test::SimulatorProcess simulator;
  const ChildResult fetch =
      host({"fetch", "--address", simulator.socketResource(), "--cancel", "--json"});
  EXPECT_EQ(fetch.exitStatus, 2);
  EXPECT_EQ(fetch.out, "{\"result\":2}\n");
  EXPECT_THAT(messages(fetch), IsEmpty());
  const auto log = simulator.loggedMessages();
  EXPECT_THAT(log, Contains("*IDN?")) << "the dialog did open the instrument";
  EXPECT_THAT(transferOf(log), IsEmpty());
}

TEST_F(HostEndToEnd, RememberedInstrumentFailingItsSetUpLeavesTheDialogToATypedOne) {
  registerAddin();
  const struct {
    const char* fault;
    const char* message;
  } cases[] = {
      {"CHAN1:DISP?=silent", "message: The oscilloscope did not answer and has been disconnected: "},
      // A dropped connection brought no answer either.
      {"CHAN1:DISP?=close_after:0", "message: The oscilloscope did not answer and has been disconnected: "},
  };
  for (const auto& [fault, message] : cases) {
    SCOPED_TRACE(fault);
    trv3::test::SimulatorProcess failing({"--fault", fault});
    trv3::test::SimulatorProcess good;
    settings::SaveSetting(Application, "TRV3 series", "Addr", failing.socketResource());
    const ChildResult fetch =
        host({"fetch", "--address", good.socketResource(), "--json"}, {{"TRV3_IO_TIMEOUT_MS", "500"}});
    ASSERT_EQ(fetch.exitStatus, 0) << fetch.err;
    EXPECT_THAT(messages(fetch), ElementsAre(message + failing.socketResource()));
    EXPECT_EQ(nlohmann::json::parse(fetch.out)["result"], 1);
    EXPECT_THAT(transferOf(good.loggedMessages()), Contains("waveform:data?"));
    EXPECT_THAT(failing.loggedMessages(), Not(Contains(":Stop")));
  }
}

TEST_F(HostEndToEnd, QtDialogWithoutAScreenEndsAtOnceWithoutTraffic) {
  registerAddin();
  trv3::test::SimulatorProcess simulator;
  for (const Environment& noScreen : {Environment{{"QT_QPA_PLATFORM", "offscreen"}},
                                      Environment{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", std::nullopt}}}) {
    const ChildResult fetch = runChild({TRV3_HOST_PATH, "fetch", "--ui", "qt", "--address", simulator.socketResource()},
                                       [&] {
                                         Environment variables = environment();
                                         for (const auto& [name, value] : noScreen) variables[name] = value;
                                         return variables;
                                       }(),
                                       std::chrono::seconds(10));
    EXPECT_FALSE(fetch.timedOut);
    EXPECT_EQ(fetch.exitStatus, 1);
    EXPECT_THAT(fetch.err, HasSubstr("the Qt dialog needs a display"));
    EXPECT_THAT(fetch.out, IsEmpty());
  }
  EXPECT_THAT(simulator.loggedMessages(), IsEmpty());
}

// A listening socket on an X display's TCP port that nobody accepts from: connections complete and
// then wait for the server's answer forever.
struct SilentXServer {
  SilentXServer() {
    for (int number = 90; number < 100 && display.empty(); ++number) {
      fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(6000 + number)), {htonl(INADDR_LOOPBACK)}, {}};
      if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd, 8) == 0)
        display = "127.0.0.1:" + std::to_string(number);
      else
        close(fd);
    }
  }
  ~SilentXServer() { close(fd); }
  int fd = -1;
  std::string display;
};

// Where a screen seems there but no platform Qt would try can start, Qt would end the process.
// The add-in sees that and lets the script backend take the dialog (which cancels).
TEST_F(HostEndToEnd, AScreenNoQtPlatformCanReachNeverTakesTheHostDown) {
  registerAddin();
  const trv3::testing::WaylandRuntimeFolder runtime;
  const SilentXServer silentServer;
  ASSERT_FALSE(silentServer.display.empty());
  const struct {
    const char* setting;
    Environment changes;
    std::string why;
  } cases[] = {
      // Without a session type Qt tries X11 alone.
      {"a Wayland socket and no X server",
       {{"QT_QPA_PLATFORM", std::nullopt}, {"XDG_SESSION_TYPE", std::nullopt}},
       "(the X display (DISPLAY not set) cannot be reached)"},
      {"an X server that accepts and never answers",
       {{"QT_QPA_PLATFORM", std::nullopt}, {"XDG_SESSION_TYPE", std::nullopt}, {"DISPLAY", silentServer.display}},
       "(the X display " + silentServer.display + " does not answer)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    Environment changes{{"TRV3_UI", std::nullopt},
                        {"DISPLAY", std::nullopt},
                        {"XDG_RUNTIME_DIR", runtime.path()},
                        {"WAYLAND_DISPLAY", "wayland-0"}};
    for (const auto& [name, value] : c.changes) changes[name] = value;
    const ChildResult fetch = host({"fetch"}, changes);
    EXPECT_EQ(fetch.exitStatus, 2) << fetch.err;
    EXPECT_THAT(fetch.err, HasSubstr("user interface \"qt\" is not available " + c.why + "; using the script backend"));
  }
}

TEST_F(HostEndToEnd, OutputsThatCannotBeWrittenAreNeverReportedAsDelivered) {
  registerAddin();
  trv3::test::SimulatorProcess simulator;
  const auto missingFolder = (config_.folder() / "missing" / "wave.csv").string();
  // Found before the fetch: a usage error, and the instrument is never touched.
  for (const std::vector<std::string>& output : {std::vector<std::string>{"--csv", missingFolder},
                                                 std::vector<std::string>{"--plot", config_.folder().string()},
                                                 std::vector<std::string>{"--csv", ""}}) {
    std::vector<std::string> arguments{"fetch", "--address", simulator.socketResource(), "--json"};
    arguments.insert(arguments.end(), output.begin(), output.end());
    const ChildResult fetch = host(arguments);
    EXPECT_EQ(fetch.exitStatus, 1) << output[1];
    EXPECT_THAT(fetch.err, HasSubstr("cannot write " + output[1]));
    EXPECT_THAT(fetch.out, IsEmpty());
  }
  EXPECT_THAT(simulator.loggedMessages(), IsEmpty());

  // Failing only as it is written: the waveform came, but nothing claims it was delivered, and
  // every line on stderr is the host's own (checked by host()).
  for (const char* output : {"--csv", "--plot"}) {
    const ChildResult full = host({"fetch", "--address", simulator.socketResource(), output, "/dev/full"});
    EXPECT_EQ(full.exitStatus, 3) << output;
    EXPECT_THAT(full.err, HasSubstr("cannot write /dev/full: No space left on device; the waveform was fetched but not delivered"));
    EXPECT_THAT(full.out, IsEmpty());
  }
  // A waveform that cannot go into every file asked for goes into none: the samples the user had
  // stay.
  const auto kept = config_.folder() / "kept.csv";
  std::ofstream(kept) << "earlier samples\n";
  const ChildResult half =
      host({"fetch", "--address", simulator.socketResource(), "--csv", kept.string(), "--plot", "/dev/full"});
  EXPECT_EQ(half.exitStatus, 3);
  EXPECT_EQ(fileText(kept), "earlier samples\n");
}

// Standard output is a pipe whose reader has gone: the samples were not handed on, which the exit
// status says, instead of the host ending by SIGPIPE.
TEST_F(HostEndToEnd, StandardOutputWithoutAReaderIsReportedAsNotDelivered) {
  registerAddin();
  trv3::test::SimulatorProcess simulator;
  int readerGone[2];
  ASSERT_EQ(pipe(readerGone), 0);
  close(readerGone[0]);
  const std::string toPipe = "exec \"$0\" \"$@\" >&" + std::to_string(readerGone[1]);
  for (const std::vector<std::string>& output :
       {std::vector<std::string>{"--json"}, std::vector<std::string>{"--csv", "/dev/stdout"}}) {
    std::vector<std::string> command{"/bin/sh", "-c", toPipe, TRV3_HOST_PATH, "fetch", "--address",
                                     simulator.socketResource()};
    command.insert(command.end(), output.begin(), output.end());
    const ChildResult fetch = runChild(command, environment());
    EXPECT_EQ(fetch.exitStatus, 3) << output[0];
    EXPECT_THAT(fetch.err, HasSubstr("the waveform was fetched but not delivered")) << output[0];
  }
  close(readerGone[1]);
}

TEST_F(HostEndToEnd, DiscoverListsTheConfiguredInstrumentsAndConnectPicksOne) {
  registerAddin();
  trv3::test::SimulatorProcess supported;
  trv3::test::SimulatorProcess unsupported({"--model", "LX280A"});
  // A supported model of another maker, whose reply is not even UTF-8.
  trv3::test::SimulatorProcess foreign({"--idn", "ACME\xB5,TRV30K4A,SN9,1.0"});
  settings::SaveSetting(Application, "Discovery", "Addresses",
                        supported.socketResource() + ";" + unsupported.socketResource() + ";" +
                            foreign.socketResource());

  const ChildResult discover = host({"discover", "--json"});
  ASSERT_EQ(discover.exitStatus, 0) << discover.err;
  EXPECT_EQ(nlohmann::json::parse(discover.out),
            nlohmann::json::parse(R"([{"address": ")" + supported.socketResource() +
                                  R"(", "maker": "VELMORA", "model": "TRV30K4A", "supported": true},
                                      {"address": ")" + unsupported.socketResource() +
                                  R"(", "maker": "VELMORA", "model": "LX280A", "supported": false},
                                      {"address": ")" + foreign.socketResource() +
                                  R"(", "maker": "ACME\ufffd", "model": "TRV30K4A", "supported": false}])"));
  EXPECT_THAT(host({"discover"}).out, HasSubstr("2  " + unsupported.socketResource() + "  VELMORA LX280A  not supported"));

  const ChildResult first = host({"fetch", "--connect", "1", "--points", "300", "--json"});
  ASSERT_EQ(first.exitStatus, 0) << first.err;
  EXPECT_EQ(nlohmann::json::parse(first.out)["count"], 300);
  EXPECT_THAT(transferOf(supported.loggedMessages()), Contains("waveform:points 300"));

  const ChildResult second = host({"fetch", "--connect", "2"});
  EXPECT_EQ(second.exitStatus, 2);
  EXPECT_THAT(second.err, HasSubstr("trv3: instrument 2 cannot be picked"));
  EXPECT_THAT(transferOf(unsupported.loggedMessages()), IsEmpty());
}

TEST_F(HostEndToEnd, DemoScriptLeavesSamplesAndPlot) {
  const auto output = config_.folder() / "demo";
  Environment environment = this->environment();
  environment["TRV3_BUILD_DIR"] = TRV3_BINARY_DIR;
  environment["TRV3_DEMO_OUTPUT"] = output.string();
  const ChildResult demo = runChild({"bash", TRV3_SOURCE_DIR "/scripts/demo.sh"}, environment,
                                    std::chrono::seconds(120));
  ASSERT_FALSE(demo.timedOut);
  ASSERT_EQ(demo.exitStatus, 0) << demo.out << demo.err;
  EXPECT_THAT(demo.out, HasSubstr("WaveFormResult 1: waveform delivered"));
  EXPECT_GT(lines(fileText(output / "wave.csv")).size(), 100u);
  EXPECT_TRUE(std::filesystem::is_regular_file(output / "wave.png"));
}

}  // namespace
}  // namespace trv3::host::test
