#pragma once
// Message boxes. Every box goes through one replaceable function, so tests can
// record what would be shown instead of showing it.
#include <functional>
#include <string>

#include "midi/win_types.h"
#include "res/resource.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, UINT type)>;

// Makes `handler` show every box from now on and returns the one it replaces.
// An empty handler puts back the real box.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows `text` with the application title as caption; returns the button that
// closed the box (IDOK).
int AfxMessageBox(const std::string& text, UINT nType = MB_OK);
// As above, with the text of string nIDPrompt.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);
