#include "program_run.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/onsets.h"
#include "support/pulse_session.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::string> CommandLine(const ProgramOptions& options) {
  std::vector<std::string> argv = options.wrapper;
  argv.push_back(MOSSGATE_PROGRAM);
  return argv;
}

std::string FirstLine(std::string text) {
  if (const auto nl = text.find('\n'); nl != std::string::npos) text.resize(nl);
  return text;
}

}  // namespace

std::string XDo(const XDisplay& display, const std::string& args) {
  // A window that never takes the focus must not hang the test.
  return RunCommand("DISPLAY=" + display.Name() + " timeout 60 xdotool " + args + " 2>/dev/null");
}

ProgramRun::ProgramRun(const XDisplay& display, const ProgramOptions& options)
    : display_(display),
      logFile_(runtime_.Path() + "/program.log"),
      child_(CommandLine(options),
             {{"QT_QPA_PLATFORM", "xcb"},
              {"DISPLAY", display.Name()},
              {"PULSE_SERVER", options.pulseServer},
              {"XDG_CONFIG_HOME", options.configHome},
              {"XDG_RUNTIME_DIR", runtime_.Path()}},
             logFile_) {}

std::string ProgramRun::Log() const {
  std::ifstream in(logFile_);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ProgramRun::Window(const std::string& title, std::chrono::milliseconds timeout) const {
  std::string id;
  WaitFor(
      [&] {
        id = FirstLine(XDo(display_, "search --all --onlyvisible --pid " + std::to_string(Pid()) +
                                         " --name '^" + title + "$'"));
        return !id.empty();
      },
      timeout);
  return id;
}

bool ProgramRun::WindowGone(const std::string& title, std::chrono::milliseconds timeout) const {
  return WaitFor(
      [&] {
        return XDo(display_, "search --all --onlyvisible --pid " + std::to_string(Pid()) + " --name '^" +
                                 title + "$'")
            .empty();
      },
      timeout);
}

void ProgramRun::Keys(const std::string& window, const std::string& keys) const {
  XDo(display_, "windowfocus --sync " + window);
  XDo(display_, "key --clearmodifiers --delay 0 " + keys);
}

bool ProgramRun::Responds() const {
  const std::string main = Window(kMainTitle, 5000ms);
  if (main.empty()) return false;
  Keys(main, "alt+s");
  const std::string settings = Window(kSettingsTitle, 5000ms);
  if (settings.empty()) return false;
  Keys(settings, "Escape");
  return WindowGone(kSettingsTitle, 5000ms);
}

int ProgramRun::Threads() const {
  const std::string folder = "/proc/" + std::to_string(Pid()) + "/task";
  int count = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(folder, error)) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name != "Thread (pooled)") ++count;
  }
  return count;
}

std::vector<double> ClickOnsets(const std::string& recording, double fromSecond,
                                double minimumLevel) {
  std::vector<float> stereo = ReadRecording(recording);
  const auto skip = static_cast<std::size_t>(fromSecond * PulseSession::kSampleRate) *
                    PulseSession::kChannels;
  stereo.erase(stereo.begin(), stereo.begin() + static_cast<std::ptrdiff_t>(std::min(skip, stereo.size())));
  OnsetOptions options;
  options.sampleRate = PulseSession::kSampleRate;
  options.minimumLevel = minimumLevel;
  return FindOnsets(PeakOfChannels(stereo, PulseSession::kChannels), options);
}

bool WaitForClicks(const std::string& recording, std::size_t count, std::chrono::milliseconds timeout,
                   double fromSecond) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    if (ClickOnsets(recording, fromSecond).size() >= count) return true;
    std::this_thread::sleep_for(200ms);
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

double RecordedSeconds(const std::string& recording) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(recording, error);
  if (error) return 0;
  return static_cast<double>(bytes) / sizeof(float) / PulseSession::kChannels /
         PulseSession::kSampleRate;
}
