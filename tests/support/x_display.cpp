#include "support/x_display.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;

namespace {

// The X server's lock file names the process that holds the display.
bool HoldsDisplay(const std::string& number, pid_t pid) {
  std::ifstream lock("/tmp/.X" + number + "-lock");
  long holder = 0;
  return static_cast<bool>(lock >> holder) && holder == pid;
}

}  // namespace

XDisplay::XDisplay() {
  // Xvfb picks a free display number itself and prints it once it accepts
  // clients (-displayfd). The number is taken only when this server holds its
  // lock: a stale socket or a server started at the same moment elsewhere
  // must never be taken for ours.
  for (int attempt = 0; attempt < 5 && !ok_; ++attempt) {
    char pattern[] = "/tmp/mossgate-xvfb-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) return;
    close(fd);
    const std::string log = pattern;
    server_ = ChildProcess(
        {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, log);
    std::string number;
    WaitFor(
        [&] {
          std::ifstream in(log);
          for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
              number = line;
              return true;
            }
          }
          return !server_.Running();
        },
        5000ms);
    std::filesystem::remove(log);
    ok_ = !number.empty() && server_.Running() &&
          WaitFor([&] { return HoldsDisplay(number, server_.Pid()); }, 2000ms);
    if (ok_) {
      name_ = ":" + number;
    } else {
      server_.Stop();
    }
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
