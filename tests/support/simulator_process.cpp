#include "support/simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>


namespace trv3::test {
namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 10000;

bool contains(const std::vector<std::string>& arguments, const std::string& option) {
  return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

// Waits for the child without blocking past the deadline; -1 when it is still running.
int waitWithin(pid_t pid, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

SimulatorProcess::SimulatorProcess(std::vector<std::string> arguments) {
  std::string pattern = (std::filesystem::temp_directory_path() / "trv3-sim-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  tempDir_ = pattern;

  const auto logOption = std::find(arguments.begin(), arguments.end(), "--log");
  if (logOption != arguments.end() && logOption + 1 != arguments.end()) {
    logPath_ = *(logOption + 1);
  } else {
    logPath_ = tempDir_ / "commands.log";
    arguments.insert(arguments.end(), {"--log", logPath_.string()});
  }

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv{TRV3_SIM_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> argvPointers;
  for (std::string& argument : argv) argvPointers.push_back(argument.data());
  argvPointers.push_back(nullptr);

  // The simulator ends with the test process, even when a test crashes or is killed on a
  // time-out, so that no orphan keeps a port or a pipe open.
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0 || ::dup2(pipeFds[1], STDOUT_FILENO) < 0)
      ::_exit(127);
    ::execv(TRV3_SIM_PATH, argvPointers.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  stdoutFd_ = pipeFds[0];
  if (pid_ < 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + std::string(TRV3_SIM_PATH));
  }

  try {
    socketResource_ = readLine(kStartTimeoutMs);
    if (contains(arguments, "--vxi11")) instrResource_ = readLine(kStartTimeoutMs);
  } catch (...) {
    terminate();
    std::filesystem::remove_all(tempDir_);
    ::close(stdoutFd_);
    throw;
  }
  // TCPIP::<host>::<port>::SOCKET
  const std::size_t hostStart = socketResource_.find("::") + 2;
  const std::size_t hostEnd = socketResource_.find("::", hostStart);
  host_ = socketResource_.substr(hostStart, hostEnd - hostStart);
  port_ = static_cast<uint16_t>(std::stoi(socketResource_.substr(hostEnd + 2)));
}

SimulatorProcess::~SimulatorProcess() {
  terminate();
  if (stdoutFd_ >= 0) ::close(stdoutFd_);
  std::error_code ignored;
  std::filesystem::remove_all(tempDir_, ignored);
}

std::string SimulatorProcess::readLine(int timeoutMs) {
  std::string line;
  for (;;) {
    pollfd fd{stdoutFd_, POLLIN, 0};
    if (::poll(&fd, 1, timeoutMs) <= 0) {
      throw std::runtime_error("trv3-sim printed no resource line in time");
    }
    char c = 0;
    if (::read(stdoutFd_, &c, 1) != 1) {
      throw std::runtime_error("trv3-sim ended before printing its resource line");
    }
    if (c == '\n') return line;
    line += c;
  }
}

std::vector<std::string> SimulatorProcess::loggedMessages() const {
  std::vector<std::string> messages;
  std::ifstream log(logPath_);
  for (std::string line; std::getline(log, line);) messages.push_back(line);
  return messages;
}

int SimulatorProcess::terminate() {
  if (pid_ < 0) return exitStatus_;
  ::kill(pid_, SIGTERM);
  exitStatus_ = waitWithin(pid_, kStopTimeoutMs);
  if (exitStatus_ < 0) {
    ::kill(pid_, SIGKILL);
    exitStatus_ = waitWithin(pid_, kStopTimeoutMs);
  }
  pid_ = -1;
  return exitStatus_;
}

}  // namespace trv3::test
