#include "support/message_recorder.h"

MessageRecorder::MessageRecorder()
    : previous_(SetMessageBoxHandler(
          [this](const std::string& text, const std::string& caption, UINT type) {
            boxes_.push_back({text, caption, type});
            return IDOK;
          })) {}

MessageRecorder::~MessageRecorder() { SetMessageBoxHandler(std::move(previous_)); }
