#include "platform/discovery/usbtmc_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

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
  std::vector<Finding> discover() {
    UsbtmcSource source({root_ / "dev", root_ / "class"});
    std::vector<Finding> found;
    source.discover({std::chrono::steady_clock::now() + 30s, {}},
                    [&](Finding finding) { found.push_back(std::move(finding)); });
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

TEST_F(UsbtmcSourceTest, MissingDeviceFolderFindsNothing) {
  fs::remove_all(root_ / "dev");
  EXPECT_TRUE(discover().empty());
}

}  // namespace
}  // namespace trv3::discovery
