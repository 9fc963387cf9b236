// Runs the oscilloscope simulator trv3-sim for a test: starts it with the given arguments, reads
// the resource strings it prints, keeps its command log in a private temporary folder, and ends
// it (SIGTERM, then SIGKILL if need be) when the object goes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trv3::test {

class SimulatorProcess {
 public:
  // Pass "--vxi11" among the arguments (not only in a --config file) to get instrResource().
  // Without "--log" among them, the log goes to logPath() in a temporary folder. Throws
  // std::runtime_error when the simulator does not start within 10 s.
  explicit SimulatorProcess(std::vector<std::string> arguments = {});
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  const std::string& socketResource() const { return socketResource_; }  // TCPIP::H::P::SOCKET
  const std::string& instrResource() const { return instrResource_; }    // TCPIP::H::INSTR or ""
  const std::string& host() const { return host_; }
  uint16_t port() const { return port_; }
  pid_t pid() const { return pid_; }

  const std::filesystem::path& logPath() const { return logPath_; }
  // The messages logged so far, one per entry, exactly as received.
  std::vector<std::string> loggedMessages() const;

  // Sends SIGTERM and waits (at most 10 s, then SIGKILL); the exit code, or 128 + the signal.
  int terminate();

 private:
  std::string readLine(int timeoutMs);

  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  std::filesystem::path tempDir_;
  std::filesystem::path logPath_;
  std::string socketResource_;
  std::string instrResource_;
  std::string host_;
  uint16_t port_ = 0;
  int exitStatus_ = -1;
};

}  // namespace trv3::test
