// `trv3-host discover`: the instruments the add-in's connect dialog would list, found the same way
// (configured addresses, the remembered one, usbtmc devices, and the network only when its search
// is switched on), in the same order, so that `fetch --connect N` picks entry N of this list.
#include <chrono>
#include <exception>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "addin_loader.h"
#include "dialogs/connect_settings.h"
#include "host_commands.h"
#include "platform/discovery/discovery_control.h"
#include "platform/runtime/module_path.h"
#include "shared/ModelTable.h"

namespace trv3::host {

namespace {

// The supported models are the add-in's: its model table lies beside its library file.
void loadAddinModelTable(const std::optional<std::filesystem::path>& addinFile) {
  if (const auto library = addinLibraryFile(addinFile))
    setAddinFolderOverride(std::filesystem::absolute(*library).parent_path());
  ModelTable::loadModelTable();
}

std::vector<discovery::FoundInstrument> search() {
  discovery::DiscoveryControl control;
  control.setSettings(connectDialogSettings());
  // The search ends by its own deadline; this bound only guards against one that never does.
  control.waitForSearch(std::chrono::minutes(1));
  return control.instruments();
}

void writeJson(const std::vector<discovery::FoundInstrument>& found) {
  auto list = nlohmann::ordered_json::array();
  for (const auto& instrument : found)
    list.push_back({{"address", instrument.resourceAddress},
                    {"maker", instrument.maker},
                    {"model", instrument.model},
                    {"supported", instrument.supported}});
  // An instrument's reply need not be UTF-8: what is not is replaced, and the others still listed.
  std::cout << list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// An instrument's text as the terminal may show it: control characters (an escape sequence in a
// reply, say) become "?".
std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

void writeList(const std::vector<discovery::FoundInstrument>& found) {
  if (found.empty()) std::cout << "no instrument found\n";
  for (size_t i = 0; i < found.size(); ++i)
    std::cout << i + 1 << "  " << printable(found[i].resourceAddress) << "  " << printable(found[i].maker) << ' '
              << printable(found[i].model) << "  " << (found[i].supported ? "supported" : "not supported") << '\n';
}

}  // namespace

int runDiscover(const DiscoverRequest& request) {
  try {
    loadAddinModelTable(request.addinFile);
    const auto found = search();
    request.json ? writeJson(found) : writeList(found);
  } catch (const std::exception& error) {
    std::cerr << "trv3-host: " << error.what() << '\n';
    return ExitFailure;
  }
  return std::cout.flush() ? ExitDelivered : ExitFailure;
}

}  // namespace trv3::host
