// The host's own logic that needs no add-in: the action script, the axes and the output formats.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "dialog_script.h"
#include "plot_axes.h"
#include "waveform_outputs.h"
#include "waveform_plot.h"

namespace trv3::host {
namespace {

TEST(DialogScript, NoChoicesConfirmsTheRememberedOnes) { EXPECT_EQ(dialogScript({}), "ok"); }

TEST(DialogScript, ChoicesFollowTheOrderAPersonUses) {
  DialogChoices choices;
  choices.cancel = true;
  choices.acquireNew = true;
  choices.points = 500;
  choices.channel = 2;
  choices.address = "TCPIP::127.0.0.1::5025::SOCKET";
  EXPECT_EQ(dialogScript(choices),
            "tab 1;type TCPIP::127.0.0.1::5025::SOCKET;tab 0;channel 2;points 500;check;cancel");
  DialogChoices picked;
  picked.connect = 2;
  picked.channel = 1;
  // "&Close" of the connect dialog is its cmdOK.
  EXPECT_EQ(dialogScript(picked), "connect;pick 2;ok;channel 1;ok");
}

TEST(DialogScript, AnAddressThatWouldSplitTheScriptIsRefused) {
  EXPECT_FALSE(addressProblem("TCPIP0::scope.lan::inst0::INSTR"));
  EXPECT_TRUE(addressProblem("TCPIP::1.2.3.4::5025::SOCKET;ok"));
  EXPECT_TRUE(addressProblem("TCPIP::1.2.3.4\n::SOCKET"));
}

TEST(PlotAxes, TicksAreRoundAndCoverTheData) {
  const AxisTicks axis = niceAxis(-32768, 32767, 9);
  EXPECT_EQ(axis.step, 10000);
  EXPECT_EQ(axis.low, -40000);
  EXPECT_EQ(axis.high, 40000);
  ASSERT_EQ(axis.ticks.size(), 9u);
  EXPECT_EQ(axis.ticks[4], 0.0);
}

TEST(PlotAxes, ReversedNegativeRangeAndFractionalSteps) {
  const AxisTicks axis = niceAxis(0.0, -0.999, 11);
  EXPECT_DOUBLE_EQ(axis.step, 0.1);
  EXPECT_DOUBLE_EQ(axis.low, -1.0);
  EXPECT_EQ(axis.high, 0.0);
  EXPECT_LE(axis.ticks.size(), 11u);
  EXPECT_EQ(axis.ticks.back(), 0.0);  // exactly zero, not a rounding residue
}

TEST(PlotAxes, FlatOrMeaninglessRangesStillGiveAnAxis) {
  const AxisTicks flat = niceAxis(300, 300, 9);
  EXPECT_LT(flat.low, 300);
  EXPECT_GT(flat.high, 300);
  const AxisTicks zero = niceAxis(0, 0, 9);
  EXPECT_LT(zero.low, zero.high);
  const AxisTicks nan = niceAxis(0, std::nan(""), 9);
  EXPECT_LT(nan.low, nan.high);
  EXPECT_LE(nan.ticks.size(), 9u);
}

TEST(PlotAxes, TimeUnitKeepsLabelsShort) {
  EXPECT_EQ(timeUnitFor(0.0009990005).name, "µs");
  EXPECT_EQ(timeUnitFor(0.001).name, "ms");
  EXPECT_EQ(timeUnitFor(2.5).name, "s");
  EXPECT_EQ(timeUnitFor(-5e-8).name, "ns");
}

FetchOutcome deliveredWave() {
  FetchOutcome outcome;
  outcome.result = WaveformDelivered;
  outcome.wTime = 0.0009990005;
  outcome.codes = {-32767, 0, 32768, 254};
  return outcome;
}

TEST(WaveformOutputs, JsonCarriesTheWaveformOnlyWhenDelivered) {
  std::ostringstream delivered;
  writeJson(delivered, deliveredWave());
  const auto object = nlohmann::json::parse(delivered.str());
  EXPECT_EQ(object["result"], 1);
  EXPECT_EQ(object["count"], 4);
  EXPECT_EQ(object["wform"], nlohmann::json({-32767, 0, 32768, 254}));
  EXPECT_EQ(object["wTime"].get<double>(), 0.0009990005);  // full precision, exactly

  FetchOutcome none;
  none.wTime = 3.0;
  none.codes = {1, 2};
  std::ostringstream cancelled;
  writeJson(cancelled, none);
  EXPECT_EQ(cancelled.str(), "{\"result\":2}\n");
}

TEST(WaveformOutputs, SummaryGivesCountTimeAndRange) {
  std::ostringstream delivered;
  writeSummary(delivered, deliveredWave());
  EXPECT_EQ(delivered.str(),
            "WaveFormResult 1: waveform delivered\nsamples: 4\nwTime: 0.0009990005 s\n"
            "codes: -32767 to 32768\n");
  std::ostringstream none;
  writeSummary(none, FetchOutcome{});
  EXPECT_EQ(none.str(), "WaveFormResult 2: no waveform\n");
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("trv3-host-parts-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

using WaveformFiles = TempFolder;

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(WaveformFiles, CsvHasHeaderAndOneLinePerSample) {
  const auto file = folder_ / "wave.csv";
  OutputFile out(file);
  writeCsv(out, deliveredWave());
  out.commit();
  EXPECT_EQ(fileText(file), "index,code\n0,-32767\n1,0\n2,32768\n3,254\n");
  EXPECT_THROW(OutputFile(folder_ / "missing" / "wave.csv"), std::runtime_error);
}

// What the user had stays until the new file is complete; the file keeps its links and mode.
TEST_F(WaveformFiles, AFileIsReplacedWholeOrNotAtAll) {
  const auto kept = folder_ / "kept.csv";
  const auto link = folder_ / "link.csv";
  struct Case {
    const char* name;
    std::filesystem::path named, holder;
    bool commit;
    std::string expected;
  } cases[] = {
      {"abandoned", kept, kept, false, "old"},
      {"committed", kept, kept, true, "new"},
      {"through a link", link, kept, true, "new"},
  };
  for (const Case& c : cases) {
    std::ofstream(kept) << "old";
    std::filesystem::permissions(kept, std::filesystem::perms(0640));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(kept, link);
    {
      OutputFile out(c.named);
      out.write("new");
      EXPECT_EQ(fileText(c.holder), "old") << c.name;
      if (c.commit) out.commit();
    }
    EXPECT_EQ(fileText(c.holder), c.expected) << c.name;
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << c.name;
    EXPECT_EQ(std::filesystem::status(kept).permissions(), std::filesystem::perms(0640)) << c.name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 2) << c.name << ": a temporary file is left";
  }
}

// What is no plain file keeps what it is: a link to a file not made yet leads to it and stays; a
// pipe without a reader refuses at once, and one with a reader is written; the host's own standard
// output, redirected to a file with >>, is written through, so nothing printed there is lost.
TEST_F(WaveformFiles, WhatIsNoPlainFileKeepsWhatItIs) {
  const auto writeTo = [](const std::filesystem::path& file, std::string_view bytes) {
    OutputFile out(file);
    out.write(bytes);
    out.commit();
  };
  const auto link = folder_ / "link.csv";
  std::filesystem::create_symlink("later.csv", link);
  writeTo(link, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(fileText(folder_ / "later.csv"), "new");

  const auto pipe = folder_ / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_THROW(OutputFile{pipe}, std::runtime_error);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  writeTo(pipe, "through");
  char text[16] = {};
  EXPECT_EQ(::read(reader, text, sizeof text), 7);
  ::close(reader);

  const auto redirected = folder_ / "out.txt";
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  const int file = ::open(redirected.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  ::dup2(file, STDOUT_FILENO);
  ASSERT_EQ(::write(STDOUT_FILENO, "printed,", 8), 8);
  writeTo(redirected, "samples");
  ASSERT_EQ(::write(STDOUT_FILENO, ",more", 5), 5);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  ::close(file);
  EXPECT_EQ(fileText(redirected), "printed,samples,more");
}

TEST_F(WaveformFiles, PlotDrawsTheTraceInsideLabelledAxes) {
  FetchOutcome outcome;
  outcome.result = WaveformDelivered;
  outcome.wTime = 0.0009990005;
  for (int i = 0; i < 1000; ++i) outcome.codes.push_back(i < 500 ? -20000 : 20000);
  const auto file = folder_ / "wave.png";
  OutputFile out(file);
  plotWaveform(outcome, out);
  out.commit();

  QImage image(QString::fromStdString(file.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 1000);
  EXPECT_EQ(image.height(), 600);
  // The square wave's two levels: trace pixels in the left half high up, in the right half low.
  auto traceRows = [&](int column) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
      const QColor pixel = image.pixelColor(column, y);
      if (pixel.blue() > 150 && pixel.red() < 100) rows.push_back(y);
    }
    return rows;
  };
  const auto left = traceRows(250);
  const auto right = traceRows(800);
  ASSERT_FALSE(left.empty());
  ASSERT_FALSE(right.empty());
  EXPECT_GT(left.front(), right.front()) << "-20000 lies below 20000";
  // Tick labels and titles put dark text left of and below the plot area.
  int darkLeft = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 85; ++x) darkLeft += image.pixelColor(x, y).lightness() < 100;
  EXPECT_GT(darkLeft, 100);
}


}  // namespace
}  // namespace trv3::host
