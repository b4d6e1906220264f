#include "support/x_display.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>

using namespace std::chrono_literals;

XDisplay::XDisplay() {
  for (int number = 90 + getpid() % 400; number < 1000 && !ok_; number += 7) {
    if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
        std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
      continue;
    }
    name_ = ":" + std::to_string(number);
    server_ = ChildProcess({"Xvfb", name_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    ok_ = WaitFor(
        [&] {
          return server_.Running() &&
                 std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number));
        },
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
