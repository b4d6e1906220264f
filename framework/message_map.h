#pragma once
// Message maps: an ordered table per window class naming, for each window message
// or button notification, the member that handles it. The framework looks a
// message up in the most derived class's table first, then in each base's; a
// message found nowhere gets the default handling (the CWnd member of that name,
// or CDialog's OnOK/OnCancel for the IDOK/IDCANCEL commands).
//
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_TIMER()
//     ON_BN_CLICKED(IDC_GO, &CMyDlg::OnGo)
//   END_MESSAGE_MAP()
#include <functional>
#include <vector>

#include "framework/win_defs.h"

class CWnd;
class CDC;
using CScrollBar = CWnd;  // a slider reports its movements as its own window

// What WM_CTLCOLOR carries in its lParam.
struct CtlColorParams {
  CWnd* control;
  UINT ctlColor;  // CTLCOLOR_STATIC, ...
};

struct MessageMapEntry {
  UINT message;  // WM_...; WM_COMMAND for button notifications
  UINT code;     // notification code, WM_COMMAND only
  int id;        // control id, WM_COMMAND only
  std::function<LRESULT(CWnd*, WPARAM, LPARAM)> call;

  template <class T>
  static MessageMapEntry SysCommand(void (T::*pfn)(UINT, LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
              (static_cast<T*>(w)->*pfn)(static_cast<UINT>(wp), lp);
              return 0;
            }};
  }
  template <class T>
  static MessageMapEntry Simple(UINT message, void (T::*pfn)()) {
    return {message, 0, 0, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
              (static_cast<T*>(w)->*pfn)();
              return 0;
            }};
  }
  template <class T>
  static MessageMapEntry QueryDragIcon(HCURSOR (T::*pfn)()) {
    return {WM_QUERYDRAGICON, 0, 0, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
              return reinterpret_cast<LRESULT>((static_cast<T*>(w)->*pfn)());
            }};
  }
  template <class T>
  static MessageMapEntry CtlColor(HBRUSH (T::*pfn)(CDC*, CWnd*, UINT)) {
    return {WM_CTLCOLOR, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
              const auto* params = reinterpret_cast<const CtlColorParams*>(lp);
              return reinterpret_cast<LRESULT>((static_cast<T*>(w)->*pfn)(
                  reinterpret_cast<CDC*>(wp), params->control, params->ctlColor));
            }};
  }
  template <class T>
  static MessageMapEntry LButtonDown(void (T::*pfn)(UINT, CPoint)) {
    return {WM_LBUTTONDOWN, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
              const CPoint pt(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp))),
                              static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))));
              (static_cast<T*>(w)->*pfn)(static_cast<UINT>(wp), pt);
              return 0;
            }};
  }
  template <class T>
  static MessageMapEntry Timer(void (T::*pfn)(UINT_PTR)) {
    return {WM_TIMER, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM) -> LRESULT {
              (static_cast<T*>(w)->*pfn)(static_cast<UINT_PTR>(wp));
              return 0;
            }};
  }
  template <class T>
  static MessageMapEntry HScroll(void (T::*pfn)(UINT, UINT, CScrollBar*)) {
    return {WM_HSCROLL, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
              (static_cast<T*>(w)->*pfn)(LOWORD(wp), HIWORD(wp), reinterpret_cast<CScrollBar*>(lp));
              return 0;
            }};
  }
  template <class T>
  static MessageMapEntry Command(UINT code, int id, void (T::*pfn)()) {
    return {WM_COMMAND, code, id, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
              (static_cast<T*>(w)->*pfn)();
              return 0;
            }};
  }
};

struct MessageMap {
  const MessageMap* (*base)();  // nullptr at the root
  std::vector<MessageMapEntry> entries;
};

#define DECLARE_MESSAGE_MAP()                        \
 protected:                                          \
  static const ::MessageMap* GetThisMessageMap();    \
  const ::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
  const ::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
  const ::MessageMap* theClass::GetThisMessageMap() {                                      \
    using ThisClass [[maybe_unused]] = theClass;                                           \
    using TheBaseClass = baseClass;                                                        \
    static const ::MessageMap map{&TheBaseClass::GetThisMessageMap, {

#define END_MESSAGE_MAP() \
  }                       \
  }                       \
  ;                       \
  return &map;            \
  }

#define ON_WM_SYSCOMMAND() ::MessageMapEntry::SysCommand<ThisClass>(&ThisClass::OnSysCommand),
#define ON_WM_DESTROY() ::MessageMapEntry::Simple<ThisClass>(WM_DESTROY, &ThisClass::OnDestroy),
#define ON_WM_PAINT() ::MessageMapEntry::Simple<ThisClass>(WM_PAINT, &ThisClass::OnPaint),
#define ON_WM_QUERYDRAGICON() \
  ::MessageMapEntry::QueryDragIcon<ThisClass>(&ThisClass::OnQueryDragIcon),
#define ON_WM_CTLCOLOR() ::MessageMapEntry::CtlColor<ThisClass>(&ThisClass::OnCtlColor),
#define ON_WM_LBUTTONDOWN() ::MessageMapEntry::LButtonDown<ThisClass>(&ThisClass::OnLButtonDown),
#define ON_WM_TIMER() ::MessageMapEntry::Timer<ThisClass>(&ThisClass::OnTimer),
#define ON_WM_HSCROLL() ::MessageMapEntry::HScroll<ThisClass>(&ThisClass::OnHScroll),
#define ON_BN_CLICKED(id, memberFxn) \
  ::MessageMapEntry::Command<ThisClass>(BN_CLICKED, (id), (memberFxn)),
#define ON_BN_DOUBLECLICKED(id, memberFxn) \
  ::MessageMapEntry::Command<ThisClass>(BN_DOUBLECLICKED, (id), (memberFxn)),
