// The peak resident memory of a fetch's transfer when the instrument sends more than was asked for
// (its whole record): the preamble, the block of one-byte points widened into the host's array,
// and the conversion in place. The instrument is a child process of its own, so that its copy of the
// block does not count. Usage: fetch_memory_probe POINTS_SENT POINTS_ASKED.
// Prints {"points", "peak_bytes"} as JSON.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "acquisition/MWaveFormModule.h"
#include "block_fixtures.h"
#include "loopback_server.h"
#include "shared/MGlobal.h"

namespace {

using trv3::io::testing::LoopbackServer;
using trv3::io::testing::ServerConnection;

// Runs in the child: answers the preamble and the data queries with a record of `points` points,
// whatever was asked, and tells the parent its port through the pipe.
[[noreturn]] void serveRecord(size_t points, int portPipe) {
  char preamble[128];
  std::snprintf(preamble, sizeof preamble,
                "+0,+0,+%zu,+1,+5.00000000E-08,-5.00000000E-04,+0,+3.12500000E-03,+0.00000000E+00,+128\n",
                points);
  std::string codes(points, '\0');
  for (size_t i = 0; i < points; ++i) codes[i] = static_cast<char>((i * 7 + 10) % 256);
  const std::string block = trv3::io::testing::definiteBlock(codes) + "\n";
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "waveform:preamble?") connection.send(preamble);
      if (*command == "waveform:data?") connection.send(block);
    }
  });
  const uint16_t port = server.port();
  if (::write(portPipe, &port, sizeof port) != sizeof port) std::_Exit(1);
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fetch_memory_probe POINTS_SENT POINTS_ASKED\n";
    return 1;
  }
  int portPipe[2];
  if (::pipe(portPipe) != 0) return 1;
  const pid_t instrument = ::fork();
  if (instrument == 0) serveRecord(std::stoul(argv[1]), portPipe[1]);
  uint16_t port = 0;
  if (instrument < 0 || ::read(portPipe[0], &port, sizeof port) != sizeof port) return 1;

  trv3::SessionState& state = trv3::MGlobal::state();
  state.setSourceLabel(" 1");
  state.setPointCount(trv3::com::Variant(static_cast<int32_t>(std::stol(argv[2]))));
  state.setAcquireNew(0);
  trv3::com::Variant wform;
  double wTime = 0;
  {
    const trv3::io::IoSessionRef session = trv3::io::IoResourceManager().Open(
        "TCPIP::127.0.0.1::" + std::to_string(port) + "::SOCKET", std::chrono::seconds(60));
    trv3::MWaveFormModule::TransferWaveform(*session, wform, wTime);
  }
  ::kill(instrument, SIGTERM);
  ::waitpid(instrument, nullptr, 0);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::cout << nlohmann::json{{"points", wform.int32Elements().size()},
                              {"peak_bytes", static_cast<int64_t>(usage.ru_maxrss) * 1024}}
            << "\n";
}
