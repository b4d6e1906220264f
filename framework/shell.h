#pragma once
// Opening a document or web address with the desktop's default application.
#include <functional>

#include "framework/win_defs.h"

// Opens `lpFile` (a web address) in the default browser. Owner, verb, parameters,
// directory and show command are accepted and not used. Returns a value greater
// than 32 on success, SE_ERR_NOASSOC (31) on failure.
HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                        const char* lpParameters, const char* lpDirectory, int nShowCmd);

inline constexpr int SE_ERR_NOASSOC = 31;

// What actually opens an address; true on success. Tests install a recorder;
// the default uses QDesktopServices. Returns the previous opener.
using UrlOpener = std::function<bool(const char* url)>;
UrlOpener SetUrlOpener(UrlOpener opener);
