#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& extraEnv,
                           const std::string& logFile) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto name = entry.substr(0, entry.find('='));
    if (!extraEnv.count(name)) env.push_back(entry);
  }
  for (const auto& [name, value] : extraEnv) env.push_back(name + "=" + value);

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    if (!logFile.empty()) {
      const int out = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
      }
    }
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() { Stop(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), status_(other.status_) {
  other.pid_ = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = other.pid_;
    status_ = other.status_;
    other.pid_ = -1;
  }
  return *this;
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || status_) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return r == 0;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  WaitFor([this] { return !Running(); }, timeout);
  return status_;
}

void ChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

void ChildProcess::Stop() {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  if (!Wait(std::chrono::milliseconds(1000))) {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    Wait(std::chrono::milliseconds(1000));
  }
}

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  pclose(pipe);
  return output;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mossgate-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}
