#pragma once
// Starting and stopping the helper processes of end-to-end tests (X server,
// audio server, recorder, the program itself).
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
 public:
  ChildProcess() = default;
  // Starts argv[0] (looked up in PATH) with the current environment plus
  // `extraEnv`; stdout and stderr go to `logFile` when given.
  ChildProcess(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& extraEnv = {},
               const std::string& logFile = "");
  ~ChildProcess();  // SIGTERM, then SIGKILL after a second
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;

  bool Running();
  pid_t Pid() const { return pid_; }
  // The exit status (or 128 + signal) once the process ended within `timeout`.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  void Signal(int signal);
  void Stop();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);

// A private directory removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Polls `condition` until it holds or `timeout` passes.
template <class F>
bool WaitFor(F condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    struct timespec ts {0, 20'000'000};
    nanosleep(&ts, nullptr);
  }
  return condition();
}
