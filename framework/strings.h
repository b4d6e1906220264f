#pragma once
// Texts from the string table, and printf-style formatting of them.
#include <string>

#include "midi/win_types.h"

// The string numbered `id`; empty when the table has none.
std::string LoadStringResource(UINT id);

// printf-style formatting into a string of whatever length the result needs.
std::string FormatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
