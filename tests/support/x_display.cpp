#include "support/x_display.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;

namespace {

// The X server's lock file names the process that holds the display.
bool HoldsDisplay(int number, pid_t pid) {
  std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
  long holder = 0;
  return static_cast<bool>(lock >> holder) && holder == pid;
}

}  // namespace

XDisplay::XDisplay() {
  for (int number = 90 + getpid() % 400; number < 1000 && !ok_; number += 7) {
    if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
        std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
      continue;
    }
    name_ = ":" + std::to_string(number);
    // -noreset: by default the server resets whenever its last client leaves,
    // and a program connecting during that reset was seen to be refused.
    server_ = ChildProcess(
        {"Xvfb", name_, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
    // Another test may have taken the same number a moment ago: then this
    // server exits, and that server's socket must not be taken for ours.
    const auto up = [&] {
      return std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) &&
             HoldsDisplay(number, server_.Pid());
    };
    WaitFor([&] { return !server_.Running() || up(); }, 5000ms);
    // Ready only once a client has really been served.
    ok_ = server_.Running() && up() &&
          WaitFor([&] { return std::system(("xdpyinfo -display " + name_ + " >/dev/null 2>&1").c_str()) == 0; },
                  5000ms);
    if (!ok_) server_.Stop();
  }
}

std::string XDisplay::XDoTool(const std::string& args) const {
  return RunCommand("DISPLAY=" + name_ + " xdotool " + args + " 2>/dev/null");
}

std::string XDisplay::FindWindow(const std::string& title, int timeoutMs) const {
  std::string id;
  WaitFor(
      [&] {
        id = XDoTool("search --onlyvisible --name '^" + title + "$'");
        if (const auto nl = id.find('\n'); nl != std::string::npos) id.resize(nl);
        return !id.empty();
      },
      std::chrono::milliseconds(timeoutMs));
  return id;
}

bool XDisplay::Screenshot(const std::string& window, const std::string& pngPath) const {
  const std::string target = window.empty() ? "root" : window;
  return std::system(("DISPLAY=" + name_ + " import -window " + target + " " + pngPath +
                      " 2>/dev/null")
                         .c_str()) == 0;
}
