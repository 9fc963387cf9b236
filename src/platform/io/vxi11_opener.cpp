#include "platform/io/vxi11_opener.h"

#include <atomic>

#include "platform/io/io_status.h"
#include "platform/runtime/loaded_library.h"
#include "platform/runtime/module_path.h"

namespace trv3::io {
namespace {

std::atomic<Vxi11Opener> chosenOpener{nullptr};

Vxi11Opener moduleBesideUs(const std::string& address) {
  // A failed load is tried again at the next address: the user may install what was missing.
  static const Vxi11Opener opener =
      loadVxi11Module(fileBesideModuleOf(reinterpret_cast<const void*>(&moduleBesideUs), Vxi11ModuleFileName),
                      address);
  return opener;
}

}  // namespace

Vxi11Opener loadVxi11Module(const std::filesystem::path& file, const std::string& address) {
  LoadedLibrary module(file);
  const auto opener = module.function<Vxi11Opener>(Vxi11ModuleEntryName);
  if (opener == nullptr)
    raiseIoError(status::InterfaceNotAvailable,
                 "VXI-11 instruments cannot be reached: the VXI-11 module cannot be loaded: " +
                     module.failure(),
                 address);
  return opener;
}

void setVxi11Opener(Vxi11Opener opener) { chosenOpener = opener; }

std::unique_ptr<ByteTransport> openVxi11Transport(const std::string& host,
                                                  const std::string& deviceName,
                                                  uint16_t portmapperPort, const Deadline& deadline,
                                                  const std::string& address) {
  Vxi11Opener opener = chosenOpener;
  if (opener == nullptr) opener = moduleBesideUs(address);
  return std::unique_ptr<ByteTransport>(opener(host, deviceName, portmapperPort, deadline, address));
}

}  // namespace trv3::io
