#include "support/x_display.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;

XDisplay::XDisplay() {
  // Xvfb picks a free display number itself and prints it once it accepts
  // clients (-displayfd): test programs starting at the same moment never
  // pick the same number, as they could when guessing free ones.
  char pattern[] = "/tmp/mossgate-xvfb-XXXXXX";
  const int fd = mkstemp(pattern);
  if (fd < 0) return;
  close(fd);
  const std::string log = pattern;
  server_ = ChildProcess({"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, log);
  WaitFor(
      [&] {
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
          if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
            name_ = ":" + line;
            return true;
          }
        }
        return !server_.Running();
      },
      5000ms);
  std::filesystem::remove(log);
  ok_ = !name_.empty() && server_.Running();
  if (!ok_) server_.Stop();
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
