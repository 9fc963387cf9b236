#include <gtest/gtest.h>

#include "fake_sources.h"
#include "platform/discovery/discovery_control.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {
namespace {

using namespace std::chrono_literals;

// Answers queries with the command it was asked, and remembers what was written.
class EchoSession : public io::IoSession {
 public:
  explicit EchoSession(std::string address) : address_(std::move(address)) {}
  std::string ResourceAddress() const override { return address_; }
  void WriteCommand(std::string_view command) override { written.emplace_back(command); }
  std::string QueryText(std::string_view command) override { return "echo " + std::string(command); }
  void ReadFormatted(std::string& target, std::string_view) override { target = "text"; }
  void ReadFormatted(std::vector<std::string>& target, std::string_view) override { target = {"a"}; }
  void ReadFormatted(std::span<double> target, std::string_view) override { target[0] = 1.5; }
  void ReadFormatted(io::Int32ArrayTarget& target, std::string_view) override { target.resize(3); }
  std::vector<std::string> written;

 private:
  std::string address_;
};

class SelectedInstrumentTest : public ::testing::Test {
 protected:
  // Picks the one instrument that the fake search finds.
  io::IoSessionRef pick(const std::string& address) {
    sources_.emplace(testing::sourcesOf(testing::ListedSource({{address, "VELMORA,TRV30K2A,1,2", 0}})));
    auto settings = std::make_shared<DiscoverySettings>();
    settings->setSupportedModelList(std::make_shared<ModelCollection>());
    settings->SupportedModelList()->Add("TRV30K2A", "TRV30K2A");
    control_.setSettings(settings);
    EXPECT_TRUE(control_.waitForSearch(30s));
    EXPECT_TRUE(control_.select(0));
    return settings->SelectedInstrument();
  }

  io::ScopedSessionOpener opener_{[this](std::string_view address) -> io::IoSessionRef {
    opened.emplace_back(address);
    if (failOpen) raise(-1073807343, "Insufficient location information", std::string(address));
    session = std::make_shared<EchoSession>(std::string(address));
    return session;
  }};
  std::optional<ScopedDiscoverySources> sources_;
  DiscoveryControl control_;

 public:
  std::vector<std::string> opened;
  bool failOpen = false;
  std::shared_ptr<EchoSession> session;
};

TEST_F(SelectedInstrumentTest, AddressIsKnownWithoutOpeningAnything) {
  const io::IoSessionRef picked = pick("GPIB::7");
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->ResourceAddress(), "GPIB::7");
  EXPECT_TRUE(opened.empty());
}

TEST_F(SelectedInstrumentTest, FirstOperationOpensTheSessionOnceAndForwards) {
  const io::IoSessionRef picked = pick("TCPIP::127.0.0.1::INSTR");
  picked->WriteCommand(":STOP");
  EXPECT_EQ(picked->QueryText("*IDN?"), "echo *IDN?");
  std::vector<std::string> fields;
  picked->ReadFormatted(fields, "K");
  EXPECT_EQ(fields, std::vector<std::string>{"a"});
  EXPECT_EQ(opened, std::vector<std::string>{"TCPIP::127.0.0.1::INSTR"});
  EXPECT_EQ(session->written, std::vector<std::string>{":STOP"});
}

TEST_F(SelectedInstrumentTest, FailedOpeningRaisesTheLibrarysErrorAndIsTriedAgain) {
  const io::IoSessionRef picked = pick("TCPIP::10.1.1.1::INSTR");
  failOpen = true;
  try {
    picked->QueryText("*IDN?");
    FAIL() << "the opening failure must reach the caller";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), -1073807343);
  }
  failOpen = false;
  EXPECT_EQ(picked->QueryText("*IDN?"), "echo *IDN?");
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(SelectedInstrumentTest, TimeOutGivenToTheInstrumentReachesItsSession) {
  const io::IoSessionRef picked = pick("TCPIP::127.0.0.1::INSTR");
  picked->SetTimeout(1234ms);
  picked->WriteCommand("*CLS");
  EXPECT_EQ(session->Timeout(), 1234ms);
}

}  // namespace
}  // namespace trv3::discovery
