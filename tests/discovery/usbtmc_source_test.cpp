#include "platform/discovery/usbtmc_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <vector>

namespace trv3::discovery {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A prepared device folder and class folder. A FIFO stands in for the device node: what the
// source writes to it comes back as the "reply".
class UsbtmcSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("usbtmc-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "dev");
    fs::create_directories(root_ / "class");
  }
  void TearDown() override { fs::remove_all(root_); }

  void addNode(const std::string& name) {
    ASSERT_EQ(::mkfifo((root_ / "dev" / name).c_str(), 0600), 0);
  }
  void addIdentity(const std::string& name, const std::string& vendor, const std::string& product,
                   const std::string& serial) {
    const fs::path entry = root_ / "class" / name;
    fs::create_directories(entry / "device");
    std::ofstream(entry / "idVendor") << vendor << "\n";
    std::ofstream(entry / "idProduct") << product << "\n";
    if (!serial.empty()) std::ofstream(entry / "serial") << serial << "\n";
  }
  std::vector<Finding> discover(std::chrono::milliseconds searchTime = 30s) {
    UsbtmcSource source({root_ / "dev", root_ / "class"});
    std::vector<Finding> found;
    std::mutex reported;
    source.discover({std::chrono::steady_clock::now() + searchTime, {}}, [&](Finding finding) {
      std::lock_guard lock(reported);
      found.push_back(std::move(finding));
    });
    return found;
  }

  fs::path root_;
};

TEST_F(UsbtmcSourceTest, ProbesOnlyUsbtmcNodesWithAnIdentity) {
  addNode("usbtmc0");
  addIdentity("usbtmc0", "0957", "1796", "MY1");
  addNode("usbtmc1");  // no identity: not even opened
  addNode("usbtmcX");
  addIdentity("usbtmcX", "0001", "0002", "S");
  const std::vector<Finding> found = discover();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].resourceAddress, "USB0::0x0957::0x1796::MY1::INSTR");
  EXPECT_EQ(found[0].idnReply, "*IDN?");
}

// Devices that never answer (terminals nobody types into) use up a probe's time each, side by
// side: the one that answers is still found within the search.
TEST_F(UsbtmcSourceTest, SilentDevicesLeaveTheOthersTheirTime) {
  std::vector<int> terminals;
  for (const char* name : {"usbtmc0", "usbtmc1"}) {
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    fs::create_symlink(::ptsname(terminal), root_ / "dev" / name);
    addIdentity(name, "0957", "1796", std::string("SILENT-") + name);
    terminals.push_back(terminal);
  }
  addNode("usbtmc2");
  addIdentity("usbtmc2", "0957", "1796", "MY2");
  const std::vector<Finding> found = discover(2s);
  for (const int terminal : terminals) ::close(terminal);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].resourceAddress, "USB0::0x0957::0x1796::MY2::INSTR");
}

TEST_F(UsbtmcSourceTest, MissingDeviceFolderFindsNothing) {
  fs::remove_all(root_ / "dev");
  EXPECT_TRUE(discover().empty());
}

}  // namespace
}  // namespace trv3::discovery
