#pragma once
// One QApplication for the whole test binary, and helpers to act inside a
// running modal dialog.
#include <functional>

#include "framework/dialog.h"
#include "framework/dialog_window.h"

// Exit code a test uses to end a dialog it left running.
inline constexpr int kEndedByTest = 77;

// Runs `body` inside the dialog's modal loop once its window is shown and active,
// then ends the dialog with kEndedByTest if it still runs. Returns DoModal's result.
INT_PTR RunModal(CDialog& dlg, const std::function<void(DialogWindow&)>& body);

// Processes events until `condition` holds or `timeoutMs` passes; the final answer.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 2000);

// True while `dlg` runs modally and has not been ended.
bool IsRunning(const CDialog& dlg);
