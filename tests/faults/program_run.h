#pragma once
// The real program on a private X display, with its own settings and runtime
// folders and a chosen audio server: started, driven with xdotool, listened to
// and watched until it ends.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/pulse_session.h"
#include "support/x_display.h"

inline constexpr const char* kMainTitle = "Mossgate BPM Checker";
inline constexpr const char* kBoxTitle = "Mossgate";
inline constexpr const char* kSettingsTitle = "About Mossgate BPM Checker";

struct ProgramOptions {
  std::string configHome;   // XDG_CONFIG_HOME
  std::string pulseServer;  // PULSE_SERVER, e.g. "unix:/tmp/x/native"
  // Put before the program's path, e.g. {"setpriv", ...}; with "sh -c SCRIPT"
  // the program's path is the script's $0.
  std::vector<std::string> wrapper;
};

// What a run of the program needs around it: a private X display, a private
// audio server and an empty settings folder.
struct ProgramSurroundings {
  XDisplay display;
  PulseSession pulse;
  TempDir home;

  // Why a test cannot run here, or "" when both servers came up.
  std::string Missing() const {
    if (!display.Ok()) return "Xvfb did not start";
    return pulse.Ok() ? "" : pulse.Error();
  }
  // Records what the server plays into `name` in its folder; the file's
  // path, or "" when the recorder did not start.
  std::string Record(const std::string& name) {
    const std::string path = pulse.Folder() + "/" + name;
    return pulse.StartRecording(path) ? path : "";
  }
  // The program with these folders and this server.
  ProgramOptions Options() const { return {home.Path(), pulse.ServerAddress(), {}}; }
};

class ProgramRun {
 public:
  // A program still running at destruction is stopped.
  ProgramRun(const XDisplay& display, const ProgramOptions& options);
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  pid_t Pid() const { return child_.Pid(); }
  bool Running() { return child_.Running(); }
  // The exit code once the program ended within `timeout`.
  std::optional<int> Wait(std::chrono::milliseconds timeout) { return child_.Wait(timeout); }
  // What the program printed, for failure messages.
  std::string Log() const;

  // The program's visible window titled `title`, or "" after the timeout.
  std::string Window(const std::string& title, std::chrono::milliseconds timeout) const;
  bool WindowGone(const std::string& title, std::chrono::milliseconds timeout) const;
  // Gives `window` the keyboard focus and types `keys`: xdotool key options
  // (e.g. --repeat) and key names.
  void Keys(const std::string& window, const std::string& keys) const;
  // The window still answers input: Alt+S opens the Settings and About
  // dialog, and Escape cancels it again, which writes nothing.
  bool Responds() const;

  // The program's threads, less Qt's idle pool, whose workers come and go on
  // their own.
  int Threads() const;

 private:
  const XDisplay& display_;
  TempDir runtime_;  // XDG_RUNTIME_DIR, removed after the program has stopped
  std::string logFile_;
  ChildProcess child_;
};

// xdotool on `display`, bounded in time; its output.
std::string XDo(const XDisplay& display, const std::string& args);

// Clicks found in a recording that is still being written, from `fromSecond`
// on, in frames from there; a click must start above `minimumLevel`.
std::vector<double> ClickOnsets(const std::string& recording, double fromSecond = 0,
                                double minimumLevel = 1e-3);
// Polls the recording until `count` clicks are in it after `fromSecond`.
bool WaitForClicks(const std::string& recording, std::size_t count, std::chrono::milliseconds timeout,
                   double fromSecond = 0);
// The length of a recording so far, in seconds.
double RecordedSeconds(const std::string& recording);
