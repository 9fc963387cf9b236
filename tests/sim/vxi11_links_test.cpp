// The VXI-11 link semantics without the RPC layer: messages complete on END, answers read in
// chunks with END on the last, device clear, lost links and time-outs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "command_log.h"
#include "config.h"
#include "vxi11_links.h"

namespace trv3::sim::vxi11 {
namespace {

using ::testing::StartsWith;

constexpr uint32_t kNoWait = 0;
constexpr uint32_t kWholeAnswer = 1 << 20;
constexpr int kConnection = 7;

class LinkTableTest : public ::testing::Test {
 protected:
  explicit LinkTableTest(std::vector<FaultSpec> faults = {})
      : instrument_(buildInstrumentState({}), FaultBook(std::move(faults)), log_),
        links_(instrument_, stop_) {}

  int32_t open() {
    const auto created = links_.create("inst0", kConnection);
    EXPECT_EQ(created.error, kNoError);
    return created.link;
  }

  LinkTable::ReadResult readAll(int32_t link) {
    return links_.read(link, kWholeAnswer, kNoWait, std::nullopt);
  }

  CommandLog log_{""};
  Instrument instrument_;
  StopSignal stop_;
  LinkTable links_;
};

TEST_F(LinkTableTest, RunsAMessageOnlyWhenEndArrives) {
  const int32_t link = open();
  EXPECT_EQ(links_.write(link, "*ID", false), kNoError);
  EXPECT_EQ(readAll(link).error, kIoTimeout);  // nothing complete yet
  EXPECT_EQ(links_.write(link, "N?\n", true), kNoError);
  const auto answer = readAll(link);
  EXPECT_EQ(answer.error, kNoError);
  EXPECT_EQ(answer.reason, kReasonEnd);
  EXPECT_EQ(answer.data, "VELMORA,TRV30K4A,MY12345678,03.10.2026\n");
}

TEST_F(LinkTableTest, ReturnsPartialChunksWithoutEndUntilTheLast) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  const auto first = links_.read(link, 10, kNoWait, std::nullopt);
  EXPECT_EQ(first.data, "VELMORA,TR");
  EXPECT_EQ(first.reason, kReasonRequestCount);
  const auto second = links_.read(link, 10, kNoWait, std::nullopt);
  EXPECT_EQ(second.data, "V30K4A,MY1");
  const auto rest = readAll(link);
  EXPECT_EQ(rest.data, "2345678,03.10.2026\n");
  EXPECT_EQ(rest.reason, kReasonEnd);
}

TEST_F(LinkTableTest, StopsAtTheTerminationCharacterWhenAsked) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  const auto upToComma = links_.read(link, kWholeAnswer, kNoWait, ',');
  EXPECT_EQ(upToComma.data, "VELMORA,");
  EXPECT_EQ(upToComma.reason, kReasonTermChar);
  const auto toNewline = links_.read(link, kWholeAnswer, kNoWait, '\n');
  EXPECT_EQ(toNewline.data, "TRV30K4A,MY12345678,03.10.2026\n");
  EXPECT_EQ(toNewline.reason, kReasonTermChar | kReasonEnd);
}

TEST_F(LinkTableTest, DeviceClearDropsPendingInputAndOutput) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  links_.write(link, ":ACQ:TY", false);
  EXPECT_EQ(links_.statusByte(link), 0x10);
  EXPECT_EQ(links_.clear(link), kNoError);
  EXPECT_EQ(links_.statusByte(link), 0x00);
  links_.write(link, "*OPC?", true);
  EXPECT_EQ(readAll(link).data, "1\n");
}

TEST_F(LinkTableTest, DiscardsAnUnreadAnswerWhenANewMessageArrives) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  links_.write(link, ":SYST:ERR?", true);
  EXPECT_EQ(readAll(link).data, "-410,\"Query INTERRUPTED\"\n");
}

TEST_F(LinkTableTest, KeepsLinksApartAndForgetsDestroyedOnes) {
  const int32_t first = open();
  const int32_t second = open();
  EXPECT_NE(first, second);
  links_.write(first, ":NOSUCH", true);
  links_.write(second, ":SYST:ERR?", true);
  EXPECT_EQ(readAll(second).data, "+0,\"No error\"\n");
  EXPECT_EQ(links_.destroy(first), kNoError);
  EXPECT_EQ(links_.write(first, "*IDN?", true), kInvalidLink);
  EXPECT_EQ(links_.destroy(first), kInvalidLink);
  EXPECT_EQ(links_.create("gpib0,7", kConnection).error, kDeviceNotAccessible);
}

TEST_F(LinkTableTest, RefusesLinksBeyondItsLimit) {
  for (std::size_t i = 0; i < LinkTable::kMostLinks; ++i) open();
  EXPECT_EQ(links_.create("inst0", kConnection).error, kOutOfResources);
}

class FaultyLinkTest : public LinkTableTest {
 protected:
  FaultyLinkTest()
      : LinkTableTest({parseFaultSpec("*IDN?=close_after:8"), parseFaultSpec("*OPC?=delay:60000"),
                       parseFaultSpec(":ACQ:TYPE?=silent")}) {}
};

TEST_F(FaultyLinkTest, LosesTheLinkAfterACutAnswer) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  const auto cut = readAll(link);
  EXPECT_EQ(cut.data, "VELMORA,");
  EXPECT_EQ(cut.reason & kReasonEnd, 0);
  EXPECT_EQ(readAll(link).error, kInvalidLink);
  EXPECT_EQ(links_.destroy(link), kNoError);
}

TEST_F(FaultyLinkTest, TimesOutOnAnAnswerThatComesLaterThanTheClientWaits) {
  const int32_t link = open();
  links_.write(link, "*OPC?", true);
  EXPECT_EQ(readAll(link).error, kIoTimeout);
  links_.write(link, ":ACQ:TYPE?", true);  // replaces the late answer, which was never read
  EXPECT_EQ(readAll(link).error, kIoTimeout);
}

class SlowLinkTest : public LinkTableTest {
 protected:
  SlowLinkTest()
      : LinkTableTest({parseFaultSpec("*IDN?=trickle:30@1"), parseFaultSpec("*IDN?+1=no_newline@1")}) {}
};

TEST_F(SlowLinkTest, TricklesOneByteAReadAndEndsAnUnterminatedAnswerWithEnd) {
  const int32_t link = open();
  links_.write(link, "*IDN?", true);
  EXPECT_EQ(links_.read(link, kWholeAnswer, 1000, std::nullopt).data, "V");
  // The next byte is not there before the pause: a client waiting less times out.
  EXPECT_EQ(links_.read(link, kWholeAnswer, 1, std::nullopt).error, kIoTimeout);
  EXPECT_EQ(links_.read(link, kWholeAnswer, 1000, std::nullopt).data, "E");
  links_.write(link, "*IDN?", true);
  const auto unterminated = readAll(link);
  EXPECT_EQ(unterminated.data, "VELMORA,TRV30K4A,MY12345678,03.10.2026");
  EXPECT_EQ(unterminated.reason, kReasonEnd);
}

}  // namespace
}  // namespace trv3::sim::vxi11
