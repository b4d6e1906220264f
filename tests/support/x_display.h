#pragma once
// A private Xvfb display for end-to-end tests of real windows.
#include <string>

#include "support/child_process.h"

class XDisplay {
 public:
  XDisplay();  // starts Xvfb on a free display number; Ok() tells whether it came up
  bool Ok() const { return ok_; }
  const std::string& Name() const { return name_; }  // e.g. ":57"

  // xdotool against this display; returns its output.
  std::string XDoTool(const std::string& args) const;
  // The first visible window whose title is `title`, or "" after `timeoutMs`.
  std::string FindWindow(const std::string& title, int timeoutMs) const;
  // Saves a screenshot of a window (or the root) as PNG; true on success.
  bool Screenshot(const std::string& window, const std::string& pngPath) const;

 private:
  std::string name_;
  ChildProcess server_;
  bool ok_ = false;
};
