// trv3-sim: a simulated oscilloscope. Prints its resource strings, serves until SIGTERM or
// SIGINT, and exits 0.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>

#include "cli_options.h"
#include "command_log.h"
#include "instrument.h"
#include "socket_server.h"
#include "vxi11_service.h"

namespace {

// Blocked in every thread (they inherit the mask) and taken by sigwait in the main thread.
sigset_t terminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

int serve(const trv3::sim::SimulatorConfig& config) {
  using namespace trv3::sim;
  CommandLog log(config.logPath);
  Instrument instrument(buildInstrumentState(config), FaultBook(config.faults), log);

  SocketServer sockets(instrument, config.listen, config.clients);
  std::unique_ptr<Vxi11Service> vxi11;
  if (config.vxi11) {
    vxi11 = std::make_unique<Vxi11Service>(instrument, config.listen.host, config.portmapPort);
  }
  sockets.start();
  if (vxi11) vxi11->start();

  std::printf("TCPIP::%s::%u::SOCKET\n", config.listen.host.c_str(), unsigned{sockets.port()});
  if (vxi11) std::printf("TCPIP::%s::INSTR\n", config.listen.host.c_str());
  std::fflush(stdout);

  const sigset_t signals = terminationSignals();
  int signal = 0;
  sigwait(&signals, &signal);

  if (vxi11) vxi11->stop();
  sockets.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const sigset_t signals = terminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  const trv3::sim::CommandLine commandLine = trv3::sim::parseCommandLine(argc, argv);
  if (!commandLine.config) return commandLine.exitCode;
  try {
    return serve(*commandLine.config);
  } catch (const std::exception& error) {
    std::cerr << "trv3-sim: " << error.what() << "\n";
    return 1;
  }
}
