#include "instrument/modUtility.h"

#include "instrument/instrument_session.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/ui/controls.h"
#include "shared/ModelTable.h"

namespace trv3::modUtility {

std::vector<std::string> splitList(std::string_view text) {
  std::vector<std::string> entries;
  if (text.empty()) return entries;
  size_t start = 0;
  for (size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',', start)) {
    entries.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  entries.emplace_back(text.substr(start));
  return entries;
}

int32_t modelChannelCount(const std::string& model) {
  const auto models = splitList(ModelTable::SupportedModels());
  const auto channels = splitList(ModelTable::ModelChannels());
  for (size_t i = 0; i < models.size(); ++i) {
    if (models[i] != model) continue;
    if (i >= channels.size()) raise(rt::SubscriptOutOfRange);
    return textToInt32(channels[i]);
  }
  return 2;
}

void fillChannelList(const io::IoSessionRef& session, ui::ComboBox& list, const std::string& model) {
  // Every failing statement is skipped and the next one runs.
  int32_t channels = 0;
  resumeNext([&] { channels = modelChannelCount(model); });
  std::vector<std::string> entries{" 1", " 2"};
  if (channels == 4) entries = {" 1", " 2", " 3", " 4"};
  if (session) DetermineChannelState(session, entries);
  resumeNext([&] { list.clear(); });
  for (const std::string& entry : entries) resumeNext([&] { list.addItem(entry); });
  resumeNext([&] {
    if (list.listIndex() == -1) list.setListIndex(0);
  });
}

namespace {

// The display query for an entry: a channel number (outside 1..4 counts as 1) or a pod name; none
// for an entry that is neither, which is then left as it is.
std::string displayQueryFor(const std::string& entry) {
  const std::string text = entry.empty() ? " 1" : entry;
  if (const auto number = parseNumeric(text)) {
    double channel = roundHalfEven(*number);
    if (channel < 1 || channel > 4) channel = 1;
    return "CHAN" + std::to_string(static_cast<int>(channel)) + ":DISP?";
  }
  const std::string upper = toUpperAscii(text);
  if (contains(upper, "POD1")) return "Pod1:Display?";
  if (contains(upper, "POD2")) return "Pod2:Display?";
  return {};
}

}  // namespace

void DetermineChannelState(const io::IoSessionRef& session, std::vector<std::string>& entries) {
  leaveQuietly([&] {
    for (std::string& entry : entries) {
      const std::string query = displayQueryFor(entry);
      if (query.empty()) continue;
      io::IoSession& instrument = sessionOf(session);
      instrument.WriteCommand(query);
      std::string answer;
      instrument.ReadFormatted(answer, "K");
      entry += textToBool(answer) ? " - On" : " - Off";
    }
  });
}

}  // namespace trv3::modUtility
