#include "platform/io/resource_string.h"

#include <charconv>
#include <optional>
#include <vector>

#include "platform/io/io_status.h"
#include "platform/runtime/conversions.h"

namespace trv3::io {
namespace {

// One line per accepted form: the fields between the interface token and the resource class.
struct ResourceForm {
  std::string_view interfaceName;
  std::string_view resourceClass;
  bool classMayBeOmitted;
  size_t minFields;
  size_t maxFields;
  InterfaceKind kind;
};

constexpr ResourceForm kResourceForms[] = {
    {"TCPIP", "SOCKET", false, 2, 2, InterfaceKind::RawSocket},
    {"TCPIP", "INSTR", true, 1, 2, InterfaceKind::Vxi11},
    {"USB", "INSTR", true, 3, 4, InterfaceKind::Usb},
    {"GPIB", "INSTR", true, 1, 2, InterfaceKind::Gpib},
};

constexpr std::string_view kDefaultVxi11Device = "inst0";
constexpr uint32_t kMaxGpibAddress = 30;
constexpr uint32_t kMaxUsbId = 0xFFFF;
constexpr uint32_t kMaxUsbInterface = 0xFF;

[[noreturn]] void invalid(std::string_view text) {
  raiseIoError(status::InvalidResourceName, "invalid resource string", std::string(text));
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toUpperAscii(a) == toUpperAscii(b);
}

bool isResourceClass(std::string_view token) {
  for (const ResourceForm& form : kResourceForms)
    if (equalsNoCase(token, form.resourceClass)) return true;
  return false;
}

// Digits only, in the given base: no sign, no blanks.
std::optional<uint32_t> number(std::string_view text, int base) {
  uint32_t value = 0;
  if (text.empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<uint32_t> decimal(std::string_view text) { return number(text, 10); }

// A USB number: "0x" (any case) and hex digits, or decimal digits; at most `max`.
std::optional<uint32_t> usbNumber(std::string_view text, uint32_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto value = number(text, base);
  if (!value || *value > max) return std::nullopt;
  return value;
}

// Splits on "::"; a field that starts with "[" runs to its closing "]" first. Empty fields stay,
// so that the caller refuses them.
std::optional<std::vector<std::string_view>> splitTokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t start = 0;
  for (;;) {
    size_t searchFrom = start;
    if (start < text.size() && text[start] == '[') {
      const size_t close = text.find(']', start);
      if (close == std::string_view::npos) return std::nullopt;
      searchFrom = close;
    }
    const size_t separator = text.find("::", searchFrom);
    tokens.push_back(text.substr(start, separator - start));
    if (separator == std::string_view::npos) return tokens;
    start = separator + 2;
  }
}

// A host field: not empty; brackets are removed and must then enclose something.
std::optional<std::string> hostField(std::string_view field) {
  if (field.empty()) return std::nullopt;
  if (field.front() != '[') {
    if (field.find_first_of("[]") != std::string_view::npos) return std::nullopt;
    return std::string(field);
  }
  if (field.size() < 3 || field.back() != ']') return std::nullopt;
  return std::string(field.substr(1, field.size() - 2));
}

// Fills the kind-specific members; false when a field is out of its range.
bool readFields(const std::vector<std::string_view>& fields, ParsedResource& out) {
  switch (out.kind) {
    case InterfaceKind::RawSocket: {
      const auto host = hostField(fields[0]);
      const auto port = decimal(fields[1]);
      if (!host || !port || *port == 0 || *port > 65535) return false;
      out.host = *host;
      out.port = static_cast<uint16_t>(*port);
      return true;
    }
    case InterfaceKind::Vxi11: {
      const auto host = hostField(fields[0]);
      if (!host) return false;
      out.host = *host;
      out.deviceName = fields.size() > 1 ? std::string(fields[1]) : std::string(kDefaultVxi11Device);
      return true;
    }
    case InterfaceKind::Usb: {
      const auto vendor = usbNumber(fields[0], kMaxUsbId);
      const auto product = usbNumber(fields[1], kMaxUsbId);
      if (!vendor || !product) return false;
      out.usb.vendorId = static_cast<uint16_t>(*vendor);
      out.usb.productId = static_cast<uint16_t>(*product);
      out.usb.serialNumber = std::string(fields[2]);
      if (fields.size() > 3) {
        const auto interfaceNumber = usbNumber(fields[3], kMaxUsbInterface);
        if (!interfaceNumber) return false;
        out.usb.interfaceNumber = static_cast<uint8_t>(*interfaceNumber);
      }
      return true;
    }
    case InterfaceKind::Gpib:
      for (const auto field : fields) {
        const auto address = decimal(field);
        if (!address || *address > kMaxGpibAddress) return false;
      }
      return true;
  }
  return false;
}

}  // namespace

ParsedResource parseResourceString(std::string_view text) {
  const auto tokens = splitTokens(text);
  if (!tokens || tokens->size() < 2) invalid(text);
  const std::string_view first = tokens->front();
  const std::string_view last = tokens->back();

  for (const ResourceForm& form : kResourceForms) {
    const std::string_view name = first.substr(0, form.interfaceName.size());
    if (!equalsNoCase(name, form.interfaceName)) continue;
    const std::string_view boardText = first.substr(name.size());
    const auto board = boardText.empty() ? std::optional<uint32_t>{0} : decimal(boardText);
    if (!board) continue;

    // A class keyword at the end must be this form's; only some forms may leave it out.
    const bool classGiven = isResourceClass(last);
    if (classGiven ? !equalsNoCase(last, form.resourceClass) : !form.classMayBeOmitted) continue;
    const std::vector<std::string_view> fields(tokens->begin() + 1,
                                               tokens->end() - (classGiven ? 1 : 0));
    if (fields.size() < form.minFields || fields.size() > form.maxFields) continue;
    bool anyEmpty = false;
    for (const auto field : fields) anyEmpty = anyEmpty || field.empty();
    if (anyEmpty) continue;

    ParsedResource parsed;
    parsed.kind = form.kind;
    parsed.board = *board;
    if (readFields(fields, parsed)) return parsed;
  }
  invalid(text);
}

}  // namespace trv3::io
