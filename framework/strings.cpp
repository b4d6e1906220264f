#include "framework/strings.h"

#include <cstdarg>
#include <cstdio>

#include "res/string_table.h"

std::string LoadStringResource(UINT id) {
  const char* text = FindStringResource(id);
  return text != nullptr ? std::string(text) : std::string();
}

std::string FormatText(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, fmt, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    // The string's own terminator slot takes vsnprintf's NUL.
    std::vsnprintf(text.data(), text.size() + 1, fmt, args);
  }
  va_end(args);
  return text;
}
