#include "vxi11_links.h"

#include <algorithm>
#include <cctype>

#include "scpi_errors.h"

namespace trv3::sim::vxi11 {
namespace {

constexpr int64_t kLongestIdleWaitMs = 10000;

using Clock = std::chrono::steady_clock;

bool namesInstrument(std::string_view device) {
  constexpr std::string_view kPrefix = "inst";
  if (device.size() < kPrefix.size()) return false;
  return std::equal(kPrefix.begin(), kPrefix.end(), device.begin(), [](char a, char b) {
    return a == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

LinkTable::Created LinkTable::create(std::string_view device, int connection) {
  if (!namesInstrument(device)) return {kDeviceNotAccessible, 0};
  if (links_.size() >= kMostLinks) return {kOutOfResources, 0};
  const int32_t id = nextLink_++;
  links_.emplace(id, std::make_unique<Link>(instrument_, connection));
  return {kNoError, id};
}

LinkTable::Link* LinkTable::find(int32_t link) {
  const auto found = links_.find(link);
  if (found == links_.end() || found->second->lost) return nullptr;
  return found->second.get();
}

int32_t LinkTable::write(int32_t id, std::string_view data, bool end) {
  Link* link = find(id);
  if (!link) return kInvalidLink;
  if (link->incoming.size() + data.size() > kLongestMessage) {
    link->incoming.clear();
    link->session.reportError(kTooMuchData);
    return kNoError;
  }
  link->incoming.append(data);
  if (!end) return kNoError;

  const std::string message = std::move(link->incoming);
  link->incoming.clear();
  std::size_t start = 0;
  while (start < message.size() && !link->lost) {
    std::size_t stop = message.find('\n', start);
    if (stop == std::string::npos) stop = message.size();
    std::string_view line(message.data() + start, stop - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) runMessage(*link, line);
    start = stop + 1;
  }
  return kNoError;
}

void LinkTable::dropOutput(Link& link) {
  link.output.clear();
  link.outputRead = 0;
}

void LinkTable::runMessage(Link& link, std::string_view message) {
  if (hasOutput(link)) link.session.reportError(kQueryInterrupted);
  Response response = link.session.handleMessage(message);
  link.output = std::move(response.bytes);
  link.outputRead = 0;
  link.readyAt = Clock::now() + std::chrono::milliseconds(response.delayMs);
  link.dropAfterOutput = response.closeConnection;
  link.trickleMs = response.trickleMs;
  if (link.dropAfterOutput && link.output.empty()) link.lost = true;
}

LinkTable::ReadResult LinkTable::read(int32_t id, uint32_t requestSize, uint32_t ioTimeoutMs,
                                      std::optional<char> termChar) {
  Link* link = find(id);
  if (!link) return {kInvalidLink, 0, {}};
  if (!hasOutput(*link)) {
    stop_.waitFor(std::min<int64_t>(ioTimeoutMs, kLongestIdleWaitMs));
    return {kIoTimeout, 0, {}};
  }
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(link->readyAt - Clock::now());
  if (wait.count() > 0) {
    if (wait.count() > int64_t{ioTimeoutMs}) {
      stop_.waitFor(ioTimeoutMs);
      return {kIoTimeout, 0, {}};
    }
    if (stop_.waitFor(wait.count())) return {kIoTimeout, 0, {}};
  }

  ReadResult result;
  const std::string_view pending = std::string_view(link->output).substr(link->outputRead);
  std::size_t size = std::min<std::size_t>(link->trickleMs > 0 ? 1 : requestSize, pending.size());
  if (termChar) {
    const std::size_t found = pending.substr(0, size).find(*termChar);
    if (found != std::string_view::npos) {
      size = found + 1;
      result.reason |= kReasonTermChar;
    }
  }
  // A whole answer read at once, as a block usually is, changes hands without a copy.
  if (link->outputRead == 0 && size == link->output.size())
    result.data = std::move(link->output);
  else
    result.data = pending.substr(0, size);
  link->outputRead += size;
  if (link->trickleMs > 0) link->readyAt = Clock::now() + std::chrono::milliseconds(link->trickleMs);
  if (!hasOutput(*link)) {
    dropOutput(*link);
    if (link->dropAfterOutput) {
      link->lost = true;
    } else {
      result.reason |= kReasonEnd;
    }
  } else if (size == requestSize) {
    result.reason |= kReasonRequestCount;
  }
  return result;
}

int32_t LinkTable::clear(int32_t id) {
  Link* link = find(id);
  if (!link) return kInvalidLink;
  link->incoming.clear();
  dropOutput(*link);
  return kNoError;
}

int32_t LinkTable::destroy(int32_t id) {
  return links_.erase(id) > 0 ? kNoError : kInvalidLink;
}

void LinkTable::dropLinksOfClosedConnections(const std::vector<int>& openConnections) {
  std::erase_if(links_, [&](const auto& entry) {
    return std::find(openConnections.begin(), openConnections.end(), entry.second->connection) ==
           openConnections.end();
  });
}

int32_t LinkTable::check(int32_t id) { return find(id) ? kNoError : kInvalidLink; }

uint8_t LinkTable::statusByte(int32_t id) {
  const Link* link = find(id);
  return link && hasOutput(*link) ? 0x10 : 0x00;
}

}  // namespace trv3::sim::vxi11
