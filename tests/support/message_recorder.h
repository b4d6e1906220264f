#pragma once
// Records every message box instead of showing it, for its lifetime.
#include <string>
#include <vector>

#include "framework/message_box.h"

class MessageRecorder {
 public:
  struct Box {
    std::string text;
    std::string caption;
    UINT type;
  };

  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  const std::vector<Box>& Boxes() const { return boxes_; }

 private:
  std::vector<Box> boxes_;
  MessageBoxHandler previous_;
};
