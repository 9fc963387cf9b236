// Sessions over the usbtmc transport, well-behaved and hostile devices alike played by a
// pseudo-terminal behind the device folder.
#include "platform/io/usbtmc_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
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

// A device node played by a pseudo-terminal in raw mode: the transport opens the slave side through
// a prepared device folder, and the test answers on the master side as the instrument.
class PtyDevice {
 public:
  PtyDevice() {
    master_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    require(master_.valid() && ::grantpt(master_.get()) == 0 && ::unlockpt(master_.get()) == 0,
            "no pseudo-terminal");
    const std::string slavePath = ::ptsname(master_.get());
    // Held open for the device's whole life, so that the raw mode stays and the transport's own
    // opening and closing never hang the terminal up.
    slave_ = UniqueFd(::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios mode{};
    require(slave_.valid() && ::tcgetattr(slave_.get(), &mode) == 0, "no slave side");
    ::cfmakeraw(&mode);
    require(::tcsetattr(slave_.get(), TCSANOW, &mode) == 0, "no raw mode");
    tree_.addNode("usbtmc0", slavePath);
    tree_.addClassEntry("usbtmc0", {"0957", "1796", "MY12345678"});
  }

  std::shared_ptr<MessageSession> openSession() {
    auto transport = UsbtmcTransport::open(parseResourceString(kAddress).usb, tree_.folders(), kAddress);
    return std::make_shared<MessageSession>(kAddress, std::move(transport), IoTrace{});
  }

  UsbtmcFolders folders() const { return tree_.folders(); }

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
    const ssize_t written = ::write(master_.get(), bytes.data(), bytes.size());
    require(written == static_cast<ssize_t>(bytes.size()), "answer not written");
  }

  // Waits until bytes sent by the instrument can be read on the node.
  void awaitDelivery() {
    pollfd entry{slave_.get(), POLLIN, 0};
    require(::poll(&entry, 1, 5000) == 1, "answer not delivered");
  }

  // What the driver's device clear does to a real instrument, which a terminal cannot be asked
  // for: whatever either side has not taken yet is gone.
  void clearBuffers() {
    ::tcflush(master_.get(), TCIFLUSH);
    ::tcflush(slave_.get(), TCIFLUSH);
  }

  // The device is unplugged: its node ends.
  void unplug() { master_.reset(); }

 private:
  static void require(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
  }

  FakeUsbtmcTree tree_;
  UniqueFd master_;
  UniqueFd slave_;
};

class UsbtmcTransportTest : public ::testing::Test {
 protected:
  PtyDevice device_;
};

TEST_F(UsbtmcTransportTest, QueryGoesOutAsOneMessageAndTheReplyComesBackWithoutItsNewline) {
  const auto session = device_.openSession();
  device_.answer("VELMORA,TRV30K2A,SN0001,03.10\r\n");
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
  EXPECT_EQ(device_.receivedMessage(), "*IDN?\n");
  session->WriteCommand(":WAVeform:FORMat BYTE");
  EXPECT_EQ(device_.receivedMessage(), ":WAVeform:FORMat BYTE\n");
}

TEST_F(UsbtmcTransportTest, BlockArrivesWholeOverManyReads) {
  const std::string data = everyCode(20000);
  std::thread instrument([&] {
    if (device_.receivedMessage() != ":WAVeform:DATA?\n") return;
    const std::string reply = definiteBlock(data) + "\n";
    for (size_t at = 0; at < reply.size(); at += 700)
      device_.answer(std::string_view(reply).substr(at, 700));
  });
  const auto session = device_.openSession();
  session->WriteCommand(":WAVeform:DATA?");
  VectorTarget target;
  session->ReadFormatted(target, "I1");
  instrument.join();
  EXPECT_EQ(target.values, codesOf(data));
}

TEST_F(UsbtmcTransportTest, SilentInstrumentTimesOutAndItsLateReplyNeverAnswersTheNextQuery) {
  const auto session = device_.openSession();
  session->SetTimeout(50ms);
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("A?"); }), status::Timeout);
  EXPECT_EQ(device_.receivedMessage(), "A?\n");
  device_.answer("late answer to A\n");
  device_.awaitDelivery();

  std::thread instrument([&] {
    if (device_.receivedMessage() == "B?\n") device_.answer("B\n");
  });
  session->SetTimeout(5s);
  EXPECT_EQ(session->QueryText("B?"), "B");
  instrument.join();
}

TEST_F(UsbtmcTransportTest, VanishedDeviceIsALostConnection) {
  const auto session = device_.openSession();
  device_.unplug();
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("*IDN?"); }), status::ConnectionLost);
}

TEST_F(UsbtmcTransportTest, DeviceThatIsNotAttachedIsNotFoundAndNamedByItsAddress) {
  const std::string address = "USB0::0x0957::0x1796::OTHER::INSTR";
  try {
    UsbtmcTransport::open(parseResourceString(address).usb, device_.folders(), address);
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), status::ResourceNotFound);
    EXPECT_EQ(error.description().find("resource not found"), 0u) << error.description();
    EXPECT_TRUE(error.description().ends_with("(" + address + ")")) << error.description();
  }
}

// A hostile device, one per row: every operation ends within the time-out and a wide margin with
// one error, a lying block header costs no memory beyond what arrived, and once the device behaves
// again (after its device clear) the same session's next query is answered; a device that vanished
// fails the next query too, and a device plugged in anew opens and answers.
TEST(UsbtmcHostileDevice, EachFaultEndsAsOneErrorAndTheNextQueryIsAnswered) {
  enum class Operation { Query, Block, LongCommand };
  struct Row {
    const char* name;
    Operation operation;
    // The device's part, on its own thread; `over` says that the session's operation has ended.
    std::function<void(PtyDevice&, const std::atomic<bool>& over)> behave;
    int32_t status;
    bool vanishes = false;
  };
  constexpr auto kTimeout = 300ms;
  constexpr auto kMargin = 4s;
  const std::vector<Row> rows = {
      {"never answers", Operation::Query,
       [](PtyDevice& device, const std::atomic<bool>&) { device.receivedMessage(); },
       status::Timeout},
      {"trickles its reply a byte at a time past the time-out", Operation::Query,
       [](PtyDevice& device, const std::atomic<bool>& over) {
         device.receivedMessage();
         // Longer than the time-out and its margin together, unless the session gives up first.
         for (int sent = 0; sent < 120 && !over; ++sent) {
           device.answer("x");
           std::this_thread::sleep_for(50ms);
         }
       },
       status::Timeout},
      {"stops after 100 bytes of a block that claims 16 MB", Operation::Block,
       [](PtyDevice& device, const std::atomic<bool>&) {
         device.receivedMessage();
         device.answer("#816000000" + std::string(100, 'x'));
       },
       status::Timeout},
      {"sends more than the longest reply taken", Operation::Query,
       [](PtyDevice& device, const std::atomic<bool>&) {
         device.receivedMessage();
         device.answer(std::string(3000, 'x') + "\n");
       },
       status::IoFailure},
      {"never takes the command", Operation::LongCommand,
       [](PtyDevice&, const std::atomic<bool>&) {}, status::Timeout},
      {"vanishes in the middle of a block", Operation::Block,
       [](PtyDevice& device, const std::atomic<bool>&) {
         device.receivedMessage();
         device.answer("#3100" + std::string(50, 'x'));
         std::this_thread::sleep_for(100ms);  // most often the session waits for the rest by now
         device.unplug();
       },
       status::ConnectionLost, true},
  };
  const auto nextQueryIsAnswered = [](PtyDevice& device, IoSession& session) {
    std::thread instrument([&] {
      if (device.receivedMessage() == "*IDN?\n") device.answer("VELMORA,TRV30K2A,SN0001,03.10\n");
    });
    session.SetTimeout(5s);
    std::string reply;
    const int32_t status = errorNumberOf([&] { reply = session.QueryText("*IDN?"); });
    instrument.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reply, "VELMORA,TRV30K2A,SN0001,03.10");
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PtyDevice device;
    const auto session = device.openSession();
    session->SetTimeout(kTimeout);
    session->SetLongestTextReply(1024);
    std::atomic<bool> over = false;
    std::thread instrument([&] { row.behave(device, over); });
    VectorTarget samples;
    const auto started = std::chrono::steady_clock::now();
    const int32_t status = errorNumberOf([&] {
      switch (row.operation) {
        case Operation::Query:
          session->QueryText("*IDN?");
          break;
        case Operation::Block:
          session->WriteCommand(":WAVeform:DATA?");
          samples.resize(100);
          session->ReadFormatted(samples, "I1");
          break;
        case Operation::LongCommand:
          // Far more than the terminal holds while nobody reads it.
          session->WriteCommand(":SYSTem:SETup " + std::string(size_t{1} << 20, 'x'));
          break;
      }
    });
    const auto elapsed = std::chrono::steady_clock::now() - started;
    over = true;
    instrument.join();
    EXPECT_EQ(status, row.status);
    EXPECT_LT(elapsed, kTimeout + kMargin);
    EXPECT_LT(samples.values.size(), size_t{1} << 20);

    if (row.vanishes) {
      EXPECT_EQ(errorNumberOf([&] { session->QueryText("*IDN?"); }), status::ConnectionLost);
      PtyDevice pluggedInAnew;
      nextQueryIsAnswered(pluggedInAnew, *pluggedInAnew.openSession());
    } else {
      device.clearBuffers();
      nextQueryIsAnswered(device, *session);
    }
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
