#include "platform/discovery/discovered_instrument.h"

#include "platform/runtime/errors.h"

namespace trv3::discovery {

DiscoveredInstrument::DiscoveredInstrument(std::string resourceAddress)
    : resourceAddress_(std::move(resourceAddress)) {}

io::IoSession& DiscoveredInstrument::session() {
  if (!session_) {
    io::IoSessionRef opened = io::IoResourceManager().Open(resourceAddress_, Timeout());
    // An opening that yields no session counts as a failed opening.
    if (!opened) raise(rt::ObjectRequired, {}, resourceAddress_);
    session_ = std::move(opened);
  }
  // The caller sets the time limit on this object; the open session must honour it.
  session_->SetTimeout(Timeout());
  return *session_;
}

void DiscoveredInstrument::WriteCommand(std::string_view command) { session().WriteCommand(command); }

std::string DiscoveredInstrument::QueryText(std::string_view command) {
  return session().QueryText(command);
}

void DiscoveredInstrument::ReadFormatted(std::string& target, std::string_view format) {
  session().ReadFormatted(target, format);
}

void DiscoveredInstrument::ReadFormatted(std::vector<std::string>& target, std::string_view format) {
  session().ReadFormatted(target, format);
}

void DiscoveredInstrument::ReadFormatted(std::span<double> target, std::string_view format) {
  session().ReadFormatted(target, format);
}

void DiscoveredInstrument::ReadFormatted(io::Int32ArrayTarget& target, std::string_view format) {
  session().ReadFormatted(target, format);
}

}  // namespace trv3::discovery
