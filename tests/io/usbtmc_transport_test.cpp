// Sessions over the usbtmc transport. A pseudo-terminal in raw mode plays the device node: the
// transport opens the slave side through the prepared device folder, and the test answers on the
// master side as the instrument.
#include "platform/io/usbtmc_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "block_fixtures.h"
#include "fake_usbtmc_tree.h"
#include "platform/io/io_status.h"
#include "platform/io/message_session.h"
#include "platform/io/unique_fd.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using namespace std::chrono_literals;
using testing::codesOf;
using testing::definiteBlock;
using testing::everyCode;
using testing::FakeUsbtmcTree;
using testing::VectorTarget;
using trv3::testing::errorNumberOf;

constexpr const char* kAddress = "USB0::0x0957::0x1796::MY12345678::INSTR";

class UsbtmcTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(master_.valid());
    ASSERT_EQ(::grantpt(master_.get()), 0);
    ASSERT_EQ(::unlockpt(master_.get()), 0);
    const std::string slavePath = ::ptsname(master_.get());
    // Held open for the whole test, so that the raw mode stays and the transport's own opening and
    // closing never hang the terminal up.
    slave_ = UniqueFd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(slave_.valid());
    termios mode{};
    ASSERT_EQ(::tcgetattr(slave_.get(), &mode), 0);
    ::cfmakeraw(&mode);
    ASSERT_EQ(::tcsetattr(slave_.get(), TCSANOW, &mode), 0);

    tree_.addNode("usbtmc0", slavePath);
    tree_.addClassEntry("usbtmc0", {"0957", "1796", "MY12345678"});
  }

  std::shared_ptr<MessageSession> openSession() {
    auto transport = UsbtmcTransport::open(parseResourceString(kAddress).usb, tree_.folders(), kAddress);
    return std::make_shared<MessageSession>(kAddress, std::move(transport), IoTrace{});
  }

  // What the instrument has received: everything up to and including the next newline, or what
  // came before the input stopped for a few seconds.
  std::string receivedMessage() {
    std::string message;
    char c = 0;
    pollfd entry{master_.get(), POLLIN, 0};
    while ((message.empty() || message.back() != '\n') && ::poll(&entry, 1, 5000) == 1 &&
           ::read(master_.get(), &c, 1) == 1)
      message += c;
    return message;
  }

  void answer(std::string_view bytes) {
    ASSERT_EQ(::write(master_.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Waits until bytes sent by the instrument can be read on the node.
  void awaitDelivery() {
    pollfd entry{slave_.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 5000), 1);
  }

  FakeUsbtmcTree tree_;
  UniqueFd master_;
  UniqueFd slave_;
};

TEST_F(UsbtmcTransportTest, QueryGoesOutAsOneMessageAndTheReplyComesBackWithoutItsNewline) {
  const auto session = openSession();
  answer("VELMORA,TRV30K2A,SN0001,03.10\r\n");
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
  EXPECT_EQ(receivedMessage(), "*IDN?\n");
  session->WriteCommand(":WAVeform:FORMat BYTE");
  EXPECT_EQ(receivedMessage(), ":WAVeform:FORMat BYTE\n");
}

TEST_F(UsbtmcTransportTest, BlockArrivesWholeOverManyReads) {
  const std::string data = everyCode(20000);
  std::thread instrument([&] {
    if (receivedMessage() != ":WAVeform:DATA?\n") return;
    const std::string reply = definiteBlock(data) + "\n";
    for (size_t at = 0; at < reply.size(); at += 700) answer(std::string_view(reply).substr(at, 700));
  });
  const auto session = openSession();
  session->WriteCommand(":WAVeform:DATA?");
  VectorTarget target;
  session->ReadFormatted(target, "I1");
  instrument.join();
  EXPECT_EQ(target.values, codesOf(data));
}

TEST_F(UsbtmcTransportTest, SilentInstrumentTimesOutAndItsLateReplyNeverAnswersTheNextQuery) {
  const auto session = openSession();
  session->SetTimeout(50ms);
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("A?"); }), status::Timeout);
  EXPECT_EQ(receivedMessage(), "A?\n");
  answer("late answer to A\n");
  awaitDelivery();

  std::thread instrument([&] {
    if (receivedMessage() == "B?\n") answer("B\n");
  });
  session->SetTimeout(5s);
  EXPECT_EQ(session->QueryText("B?"), "B");
  instrument.join();
}

TEST_F(UsbtmcTransportTest, VanishedDeviceIsALostConnection) {
  const auto session = openSession();
  master_.reset();
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("*IDN?"); }), status::ConnectionLost);
}

TEST_F(UsbtmcTransportTest, DeviceThatIsNotAttachedIsNotFoundAndNamedByItsAddress) {
  const std::string address = "USB0::0x0957::0x1796::OTHER::INSTR";
  try {
    UsbtmcTransport::open(parseResourceString(address).usb, tree_.folders(), address);
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), status::ResourceNotFound);
    EXPECT_EQ(error.description().find("resource not found"), 0u) << error.description();
    EXPECT_TRUE(error.description().ends_with("(" + address + ")")) << error.description();
  }
}

// A node that never runs dry, as /dev/zero stands in for one, cannot hold a query for the whole
// time-out: neither reading its endless reply nor clearing it before the next query.
TEST(UsbtmcNode, ANodeThatNeverRunsDryEndsEachQueryLongBeforeTheTimeOut) {
  FakeUsbtmcTree tree;
  tree.addNode("usbtmc0", "/dev/zero");
  tree.addClassEntry("usbtmc0", {"0957", "1796", "MY12345678"});
  MessageSession session(kAddress, UsbtmcTransport::open(parseResourceString(kAddress).usb, tree.folders(), kAddress),
                         IoTrace{});
  session.SetTimeout(10s);
  for (int query = 0; query < 2; ++query) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(errorNumberOf([&] { session.QueryText("*IDN?"); }), status::IoFailure) << query;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << query;
  }
}

TEST(UsbResourceManager, OpensUsbAddressesThroughTheUsbtmcDriverAndStillRefusesGpib) {
  // No device on this machine has this serial number, so the address leads to no node.
  const std::string address = "USB0::0x0957::0x1796::TRV3-NO-SUCH-SERIAL::INSTR";
  EXPECT_EQ(errorNumberOf([&] { IoResourceManager().Open(address); }), status::ResourceNotFound);
  EXPECT_EQ(errorNumberOf([] { IoResourceManager().Open("GPIB0::7::INSTR"); }),
            status::InterfaceNotAvailable);
}

}  // namespace
}  // namespace trv3::io
