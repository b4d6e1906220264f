#pragma once
// CWnd: a window or control, wrapping the QWidget that stands for it. Every
// operation on a CWnd that has no widget (not yet bound, or after its dialog
// ended) does nothing and returns the neutral value.
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "framework/gdi.h"
#include "framework/menu.h"
#include "framework/message_map.h"
#include "framework/win_defs.h"

class QTimer;

class CWnd {
 public:
  CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  HWND GetSafeHwnd() const { return m_hWnd.data(); }
  operator HWND() const { return GetSafeHwnd(); }
  // The CWnd bound to `hwnd` (the last attached), or nullptr.
  static CWnd* FromHandlePermanent(HWND hwnd);
  void Attach(HWND hwnd);
  HWND Detach();

  void SetWindowText(const char* text);
  void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
  std::string GetWindowText() const;
  int GetWindowText(char* buffer, int maxCount) const;
  int GetWindowTextLength() const { return static_cast<int>(GetWindowText().size()); }

  // Returns TRUE when the window was disabled before.
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  // Returns TRUE when the window was visible before.
  BOOL ShowWindow(int nCmdShow);
  int GetDlgCtrlID() const;
  void Invalidate(BOOL bErase = TRUE);
  void UpdateWindow();
  void GetClientRect(CRect* rect) const;
  BOOL IsIconic() const;
  void SetFocus();
  CWnd* GetDlgItem(int nID) const;

  // The font of the window; `font` must outlive its use.
  void SetFont(CFont* font, BOOL bRedraw = TRUE);
  // Caption icons: both sizes may be the same icon.
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const;

  // The system menu: the window's Close item, plus whatever is appended.
  // bRevert TRUE restores the original items and returns nullptr.
  CMenu* GetSystemMenu(BOOL bRevert);
  // Pops up the system menu at `globalPos` (Alt+Space, right-click on the background);
  // choosing an item delivers WM_SYSCOMMAND with its id.
  void ShowSystemMenu(const QPoint& globalPos);

  // A repeating window timer delivering WM_TIMER(nIDEvent) on the user-interface
  // thread until killed; setting an id again restarts it. Returns nIDEvent, 0 on failure.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  // Delivers a message at once: through the message map, then the default handling.
  // Also understands WM_SETICON, WM_ICONERASEBKGND.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Key messages before they reach the window; TRUE stops them. See CDialog.
  virtual BOOL PreTranslateMessage(MSG* pMsg);

  // The message pump's entry: map first, then the default handler.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  virtual const MessageMap* GetMessageMap() const;
  static const MessageMap* GetThisMessageMap();

  // Default handlers, run for messages that no map names. A derived class's
  // handler of the same name may call them as its base.
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnDestroy();
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnTimer(UINT_PTR nIDEvent);
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

  // What the close command does when nothing else handles it.
  virtual void OnClose();
  // WM_COMMAND that no map names; TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

 private:
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

  QPointer<QWidget> m_hWnd;
  std::unique_ptr<CMenu> m_sysMenu;
  std::map<UINT_PTR, QPointer<QTimer>> m_timers;
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
};

// The state of a key as of the input being handled: negative while it is down.
// Knows the modifiers VK_SHIFT, VK_CONTROL and VK_MENU.
SHORT GetKeyState(int nVirtKey);
