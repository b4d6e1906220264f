#include "support/pulse_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The script prints the client's settings, which the object already knows.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

PulseSession::PulseSession() : script_(MOSSGATE_SOURCE_DIR "/scripts/pulse-session.sh") {
  char pattern[] = "/tmp/mossgate-pulse-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    error_ = "cannot make a temporary folder";
    return;
  }
  folder_ = pattern;
  ok_ = StartServer();
  if (!ok_) error_ = "the PulseAudio server did not start; see " + folder_ + "/pulseaudio.log";
}

bool PulseSession::StartServer() { return RunScript({script_, "start", folder_}); }

PulseSession::~PulseSession() {
  StopRecording();
  StopServer();
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

void PulseSession::UseForThisProcess() const { setenv("PULSE_SERVER", ServerAddress().c_str(), 1); }

bool PulseSession::StartRecording(const std::string& path) {
  if (!ok_ || recorder_ > 0) return false;
  recorder_ = Spawn({script_, "record", folder_, path});
  if (recorder_ <= 0) return false;
  // Recording has begun once the first samples are in the file.
  for (int i = 0; i < 500; ++i) {
    std::error_code ignored;
    if (std::filesystem::file_size(path, ignored) > 0 && !ignored) return true;
    if (waitpid(recorder_, nullptr, WNOHANG) == recorder_) break;
    usleep(10'000);
  }
  StopRecording();
  return false;
}

void PulseSession::StopRecording() {
  if (recorder_ <= 0) return;
  kill(recorder_, SIGINT);  // parec finishes the file on SIGINT
  Wait(recorder_);
  recorder_ = -1;
}

void PulseSession::StopServer() {
  if (!folder_.empty()) RunScript({script_, "stop", folder_});
}

bool PulseSession::RunScript(const std::vector<std::string>& arguments) {
  const pid_t pid = Spawn(arguments);
  return pid > 0 && Wait(pid) == 0;
}

std::vector<float> ReadRecording(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const auto bytes = static_cast<std::size_t>(in.tellg());
  std::vector<float> samples(bytes / sizeof(float));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
  return samples;
}
