// The instrument the user picked, as the settings' SelectedInstrument hands it out: its address is
// known without any traffic, and the first I/O operation opens the session through the I/O
// library. A failed opening raises the library's error and is tried again on the next operation.
#pragma once

#include <string>

#include "platform/io/io_session.h"

namespace trv3::discovery {

class DiscoveredInstrument : public io::IoSession {
 public:
  explicit DiscoveredInstrument(std::string resourceAddress);

  std::string ResourceAddress() const override { return resourceAddress_; }
  void WriteCommand(std::string_view command) override;
  std::string QueryText(std::string_view command) override;
  void ReadFormatted(std::string& target, std::string_view format) override;
  void ReadFormatted(std::vector<std::string>& target, std::string_view format) override;
  void ReadFormatted(std::span<double> target, std::string_view format) override;
  void ReadFormatted(io::Int32ArrayTarget& target, std::string_view format) override;

 private:
  io::IoSession& session();

  std::string resourceAddress_;
  io::IoSessionRef session_;
};

}  // namespace trv3::discovery
