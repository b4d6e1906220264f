#pragma once
// The application object: the one per process, with the per-user profile
// store of 32-bit settings.
#include <string>

#include "midi/win_types.h"

class CWnd;

class CWinApp {
 public:
  // The application name is the application title from the string table.
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();

  // Names the organisation level of the profile store; the profile operations
  // work only after it.
  void SetRegistryKey(const char* lpszRegistryKey);

  // The entry as a 32-bit number: written signed or unsigned, it reads as the
  // same 32 bits. Missing, unreadable or not such an integer: nDefault.
  // Creates the store's folder when it does not exist.
  UINT GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault);
  // TRUE when the value reached the store. Other entries, including those
  // written meanwhile by other processes, are kept; a store that does not read
  // back cleanly is left untouched and the write fails.
  BOOL WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue);

  const char* m_pszAppName;
  CWnd* m_pMainWnd = nullptr;

 private:
  std::string m_strRegistryKey;
};

// The application object; nullptr before it is constructed and after it is destroyed.
CWinApp* AfxGetApp();
