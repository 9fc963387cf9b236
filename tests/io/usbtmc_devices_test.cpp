// The mapping between usbtmc device nodes and USB addresses, on a prepared sysfs tree.
#include "platform/io/usbtmc_devices.h"

#include <gtest/gtest.h>

#include "fake_usbtmc_tree.h"

namespace trv3::io {
namespace {

using testing::FakeUsbtmcTree;

UsbInstrumentId idOf(const char* address) { return parseResourceString(address).usb; }

std::vector<std::string> nodeNames(const std::vector<UsbtmcDevice>& devices) {
  std::vector<std::string> names;
  for (const UsbtmcDevice& device : devices) names.push_back(device.node.filename().string());
  return names;
}

TEST(UsbtmcDevices, ListsNodesWithAReadableIdentityInNodeOrder) {
  FakeUsbtmcTree tree;
  tree.addNode("usbtmc10");
  tree.addClassEntry("usbtmc10", {"1ab1", "04ce", "DS1ZA1234", "01"});
  tree.addNode("usbtmc2");
  tree.addClassEntry("usbtmc2", {"0957", "1796", "MY12345678"});
  tree.addNode("usbtmc3");  // no class entry
  tree.addClassEntry("usbtmc4", {"0957", "1796", "GONE"});  // no node
  tree.addNode("usbtmc5");
  tree.addClassEntry("usbtmc5", {"0957", "1796", ""});  // no serial number: no address names it
  tree.addNode("usbtmc6");
  tree.addClassEntry("usbtmc6", {"zz57", "1796", "S"});
  tree.addNode("usbtmcX");
  tree.addClassEntry("usbtmcX", {"0957", "1796", "S"});
  tree.addNode("usbtmc");
  tree.addNode("ttyUSB0");

  const std::vector<UsbtmcDevice> devices = listUsbtmcDevices(tree.folders());
  ASSERT_EQ(nodeNames(devices), (std::vector<std::string>{"usbtmc2", "usbtmc10"}));
  EXPECT_EQ(devices[0].node, tree.folders().devices / "usbtmc2");
  EXPECT_EQ(devices[0].id.vendorId, 0x0957);
  EXPECT_EQ(devices[0].id.productId, 0x1796);
  EXPECT_EQ(devices[0].id.serialNumber, "MY12345678");
  EXPECT_EQ(devices[0].id.interfaceNumber, 0);
  EXPECT_EQ(devices[1].id.vendorId, 0x1AB1);
  EXPECT_EQ(devices[1].id.productId, 0x04CE);
  EXPECT_EQ(devices[1].id.interfaceNumber, 1);
}

TEST(UsbtmcDevices, MissingFoldersListNothing) {
  EXPECT_TRUE(listUsbtmcDevices({"/nonexistent/dev", "/nonexistent/class"}).empty());
}

TEST(UsbtmcDevices, AddressFindsTheDeviceWithItsVendorProductSerialAndInterface) {
  FakeUsbtmcTree tree;
  tree.addNode("usbtmc0");
  tree.addClassEntry("usbtmc0", {"0957", "1796", "MY1"});
  tree.addNode("usbtmc1");
  tree.addClassEntry("usbtmc1", {"0957", "1796", "MY2", "02"});
  const UsbtmcFolders folders = tree.folders();
  const auto nodeFor = [&](const char* address) -> std::string {
    const auto device = findUsbtmcDevice(folders, idOf(address));
    return device ? device->node.filename().string() : "none";
  };

  EXPECT_EQ(nodeFor("USB0::0x0957::0x1796::MY1::INSTR"), "usbtmc0");
  EXPECT_EQ(nodeFor("usb::2391::6038::MY1"), "usbtmc0");
  EXPECT_EQ(nodeFor("USB::0X0957::0x1796::MY2::2::INSTR"), "usbtmc1");
  EXPECT_EQ(nodeFor("USB::0x0957::0x1796::MY2::INSTR"), "usbtmc1");
  EXPECT_EQ(nodeFor("USB::0x0957::0x1796::MY2::0::INSTR"), "none");
  EXPECT_EQ(nodeFor("USB::0x0957::0x1796::my1::INSTR"), "none");
  EXPECT_EQ(nodeFor("USB::0x0957::0x1797::MY1::INSTR"), "none");
  EXPECT_EQ(nodeFor("USB::0x0958::0x1796::MY1::INSTR"), "none");
}

TEST(UsbtmcDevices, ListedAddressLeadsBackToItsDevice) {
  FakeUsbtmcTree tree;
  tree.addNode("usbtmc0");
  tree.addClassEntry("usbtmc0", {"1ab1", "04ce", "DS1ZA1234"});
  const std::vector<UsbtmcDevice> devices = listUsbtmcDevices(tree.folders());
  ASSERT_EQ(devices.size(), 1u);
  const std::string address = usbResourceAddress(devices[0].id);
  EXPECT_EQ(address, "USB0::0x1AB1::0x04CE::DS1ZA1234::INSTR");
  const auto found = findUsbtmcDevice(tree.folders(), idOf(address.c_str()));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->node, devices[0].node);
}

}  // namespace
}  // namespace trv3::io
