// A device folder and a sysfs tree in a temporary folder, linked as the kernel links them: the
// class entry leads into the device tree, its "device" link to the USB interface, whose parent
// USB device holds vendor, product and serial number.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/io/usbtmc_devices.h"

namespace trv3::io::testing {

// The sysfs texts of one device; an empty text leaves its file out.
struct SysfsIdentity {
  std::string vendor;
  std::string product;
  std::string serial;
  std::string interfaceNumber = "00";
};

class FakeUsbtmcTree {
 public:
  FakeUsbtmcTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv3-usbtmc-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(root_ / "dev");
    std::filesystem::create_directories(root_ / "sys" / "class" / "usbmisc");
  }
  ~FakeUsbtmcTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  FakeUsbtmcTree(const FakeUsbtmcTree&) = delete;
  FakeUsbtmcTree& operator=(const FakeUsbtmcTree&) = delete;

  UsbtmcFolders folders() const { return {root_ / "dev", root_ / "sys" / "class" / "usbmisc"}; }

  void addClassEntry(const std::string& name, const SysfsIdentity& identity) {
    namespace fs = std::filesystem;
    const std::string bus = "usb" + std::to_string(++devices_);
    const fs::path usbDevice = root_ / "sys" / "devices" / bus / (bus + "-1");
    const fs::path usbInterface = usbDevice / (bus + "-1:1.0");
    const fs::path entry = usbInterface / "usbmisc" / name;
    fs::create_directories(entry);
    write(usbDevice / "idVendor", identity.vendor);
    write(usbDevice / "idProduct", identity.product);
    write(usbDevice / "serial", identity.serial);
    write(usbInterface / "bInterfaceNumber", identity.interfaceNumber);
    fs::create_directory_symlink("../..", entry / "device");
    fs::create_directory_symlink(fs::path("../../devices") / bus / (bus + "-1") /
                                     (bus + "-1:1.0") / "usbmisc" / name,
                                 root_ / "sys" / "class" / "usbmisc" / name);
  }

  // The device node: a link to the stand-in that the transport opens, or an empty file.
  void addNode(const std::string& name, const std::filesystem::path& target = {}) {
    if (target.empty())
      std::ofstream(root_ / "dev" / name);
    else
      std::filesystem::create_symlink(target, root_ / "dev" / name);
  }

 private:
  static void write(const std::filesystem::path& file, const std::string& text) {
    if (!text.empty()) std::ofstream(file) << text << "\n";
  }

  std::filesystem::path root_;
  int devices_ = 0;
};

}  // namespace trv3::io::testing
