// The VXI-11 core channel's device links, independent of the RPC layer: each link is a client
// session whose messages arrive in pieces until END and whose answer is read in chunks.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "instrument.h"
#include "stop_signal.h"

namespace trv3::sim::vxi11 {

// Device_ErrorCode values.
enum Error : int32_t {
  kNoError = 0,
  kDeviceNotAccessible = 3,
  kInvalidLink = 4,
  kNotSupported = 8,
  kOutOfResources = 9,
  kIoTimeout = 15,
};

// Device_Flags bits and device_read reasons.
inline constexpr int32_t kEndFlag = 0x08;
inline constexpr int32_t kTermCharSetFlag = 0x80;
inline constexpr int32_t kReasonRequestCount = 1;
inline constexpr int32_t kReasonTermChar = 2;
inline constexpr int32_t kReasonEnd = 4;

inline constexpr uint32_t kLongestMessage = 1 << 20;  // also the maxRecvSize offered

class LinkTable {
 public:
  static constexpr std::size_t kMostLinks = 64;

  LinkTable(Instrument& instrument, StopSignal& stop) : instrument_(instrument), stop_(stop) {}

  struct Created {
    int32_t error;
    int32_t link;
  };
  // Devices are named "inst0", "inst1", ... (any name starting with "inst"). `connection`
  // names the client's connection (its socket), whose end ends the link too.
  Created create(std::string_view device, int connection);

  // Runs the collected message when `end` is set; a message holding several lines runs them in
  // order. A new message discards an answer not yet read ("Query INTERRUPTED").
  int32_t write(int32_t link, std::string_view data, bool end);

  struct ReadResult {
    int32_t error = kNoError;
    int32_t reason = 0;
    std::string data;
  };
  // Up to `requestSize` bytes of the answer, END with its last byte. Without an answer it waits
  // for the I/O timeout (at most 10 s, the service being single-threaded) and reports a timeout.
  ReadResult read(int32_t link, uint32_t requestSize, uint32_t ioTimeoutMs,
                  std::optional<char> termChar);

  // Drops the message being collected and the answer not yet read.
  int32_t clear(int32_t link);
  int32_t destroy(int32_t link);
  // Destroys the links of connections not in `openConnections`: a client that leaves without
  // destroy_link would otherwise hold its links, and after enough of them nobody could link.
  void dropLinksOfClosedConnections(const std::vector<int>& openConnections);
  // kNoError for a usable link.
  int32_t check(int32_t link);
  // Message available (0x10) while an answer waits.
  uint8_t statusByte(int32_t link);

 private:
  struct Link {
    Link(Instrument& instrument, int connection) : session(instrument), connection(connection) {}
    Session session;
    int connection;
    std::string incoming;
    std::string output;
    std::size_t outputRead = 0;  // bytes of `output` already read; long blocks are read in chunks
    std::chrono::steady_clock::time_point readyAt;  // a delayed answer is not there before
    bool dropAfterOutput = false;  // a fault cut the answer: the link dies once it is read
    int32_t trickleMs = 0;  // a trickled answer gives one byte per read, this far apart
    bool lost = false;
  };

  Link* find(int32_t link);
  static bool hasOutput(const Link& link) { return link.outputRead < link.output.size(); }
  static void dropOutput(Link& link);
  void runMessage(Link& link, std::string_view message);

  Instrument& instrument_;
  StopSignal& stop_;
  std::map<int32_t, std::unique_ptr<Link>> links_;
  int32_t nextLink_ = 0;
};

}  // namespace trv3::sim::vxi11
