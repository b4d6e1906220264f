#include "framework/wnd.h"

#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <unordered_map>
#include <vector>

#include "framework/dialog.h"
#include "framework/dialog_window.h"
#include "framework/icon.h"

namespace {

// Which CWnd objects stand for a widget; the last attached answers.
std::unordered_map<QWidget*, std::vector<CWnd*>>& Registry() {
  static auto* registry = new std::unordered_map<QWidget*, std::vector<CWnd*>>();
  return *registry;
}

}  // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() {
  for (auto& [id, timer] : m_timers) delete timer.data();
  Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  auto it = Registry().find(hwnd);
  return it == Registry().end() || it->second.empty() ? nullptr : it->second.back();
}

void CWnd::Attach(HWND hwnd) {
  Detach();
  m_hWnd = hwnd;
  if (hwnd) Registry()[hwnd].push_back(this);
}

HWND CWnd::Detach() {
  QWidget* old = m_hWnd.data();
  // The registry is keyed by address, so a widget already destroyed is still found.
  for (auto it = Registry().begin(); it != Registry().end();) {
    std::erase(it->second, this);
    it = it->second.empty() ? Registry().erase(it) : std::next(it);
  }
  m_hWnd = nullptr;
  return old;
}

void CWnd::SetWindowText(const char* text) {
  QWidget* w = GetSafeHwnd();
  if (!w) return;
  const QString s = QString::fromLatin1(text ? text : "");
  if (w->isWindow()) {
    w->setWindowTitle(s);
    return;
  }
  w->setProperty(kPropText, s);
  if (auto* label = dynamic_cast<StaticLabel*>(w)) {
    label->SetControlText(s);
  } else if (auto* button = dynamic_cast<QPushButton*>(w)) {
    if (!(w->property(kPropStyle).toUInt() & BS_ICON)) button->setText(s);
  } else if (auto* frame = dynamic_cast<QGroupBox*>(w)) {
    frame->setTitle(s);
  }
}

std::string CWnd::GetWindowText() const {
  const QWidget* w = GetSafeHwnd();
  if (!w) return {};
  if (w->isWindow()) return w->windowTitle().toLatin1().toStdString();
  return w->property(kPropText).toString().toLatin1().toStdString();
}

int CWnd::GetWindowText(char* buffer, int maxCount) const {
  if (!buffer || maxCount <= 0) return 0;
  const std::string text = GetWindowText();
  const int n = std::min(static_cast<int>(text.size()), maxCount - 1);
  text.copy(buffer, static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  QWidget* w = GetSafeHwnd();
  if (!w) return FALSE;
  const BOOL wasDisabled = w->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
  w->setEnabled(bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  const QWidget* w = GetSafeHwnd();
  return w && w->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
  const QWidget* w = GetSafeHwnd();
  return w && w->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  QWidget* w = GetSafeHwnd();
  if (!w) return FALSE;
  const BOOL wasVisible = w->isVisible() ? TRUE : FALSE;
  w->setVisible(nCmdShow != SW_HIDE);
  return wasVisible;
}

int CWnd::GetDlgCtrlID() const {
  const QWidget* w = GetSafeHwnd();
  return w ? w->property(kPropId).toInt() : 0;
}

void CWnd::Invalidate(BOOL) {
  if (QWidget* w = GetSafeHwnd()) w->update();
}

void CWnd::UpdateWindow() {
  if (QWidget* w = GetSafeHwnd()) w->repaint();
}

void CWnd::GetClientRect(CRect* rect) const {
  if (!rect) return;
  const QWidget* w = GetSafeHwnd();
  *rect = w ? CRect(0, 0, w->width(), w->height()) : CRect();
}

BOOL CWnd::IsIconic() const {
  const QWidget* w = GetSafeHwnd();
  return w && w->isWindow() && w->isMinimized() ? TRUE : FALSE;
}

void CWnd::SetFocus() {
  if (QWidget* w = GetSafeHwnd()) w->setFocus(Qt::OtherFocusReason);
}

CWnd* CWnd::GetDlgItem(int nID) const {
  const QWidget* w = GetSafeHwnd();
  if (!w) return nullptr;
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->property(kPropId).isValid() && child->property(kPropId).toInt() == nID) {
      return FromHandlePermanent(child);
    }
  }
  return nullptr;
}

void CWnd::SetFont(CFont* font, BOOL bRedraw) {
  QWidget* w = GetSafeHwnd();
  if (!w || !font || !font->IsCreated()) return;
  w->setFont(font->qfont());
  if (bRedraw) w->update();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
  HICON& slot = bBigIcon ? m_bigIcon : m_smallIcon;
  const HICON old = slot;
  slot = hIcon;
  if (QWidget* w = GetSafeHwnd()) {
    // Qt keeps one window icon with every size in it.
    w->setWindowIcon(QIconFromHandle(m_bigIcon ? m_bigIcon : m_smallIcon));
  }
  return old;
}

HICON CWnd::GetIcon(BOOL bBigIcon) const { return bBigIcon ? m_bigIcon : m_smallIcon; }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  if (bRevert || !m_sysMenu) {
    m_sysMenu = std::make_unique<CMenu>();
    m_sysMenu->AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
  }
  return bRevert ? nullptr : m_sysMenu.get();
}

void CWnd::ShowSystemMenu(const QPoint& globalPos) {
  QWidget* w = GetSafeHwnd();
  if (!w) return;
  auto* popup = new QMenu(w);
  popup->setAttribute(Qt::WA_DeleteOnClose);
  for (const CMenu::Item& item : GetSystemMenu(FALSE)->items()) {
    if (item.flags & MF_SEPARATOR) {
      popup->addSeparator();
      continue;
    }
    QAction* action = popup->addAction(QString::fromLatin1(item.text.c_str()));
    action->setData(item.id);
    action->setEnabled(!(item.flags & MF_GRAYED));
    const UINT id = item.id;
    QObject::connect(action, &QAction::triggered, w,
                     [this, id] { WindowProc(WM_SYSCOMMAND, id, 0); });
  }
  popup->popup(globalPos);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
  QWidget* w = GetSafeHwnd();
  if (!w || nIDEvent == 0) return 0;
  QPointer<QTimer>& timer = m_timers[nIDEvent];
  if (!timer) {
    timer = new QTimer(w);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.data(), &QTimer::timeout, w,
                     [this, nIDEvent] { WindowProc(WM_TIMER, nIDEvent, 0); });
  }
  timer->start(static_cast<int>(nElapse));
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  auto it = m_timers.find(nIDEvent);
  if (it == m_timers.end()) return FALSE;
  const bool existed = !it->second.isNull();
  delete it->second.data();
  m_timers.erase(it);
  return existed ? TRUE : FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

const MessageMap* CWnd::GetThisMessageMap() {
  static const MessageMap map{nullptr, {}};
  return &map;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry& entry : map->entries) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND &&
          (entry.code != HIWORD(wParam) || entry.id != static_cast<SHORT>(LOWORD(wParam)))) {
        continue;
      }
      return entry.call(this, wParam, lParam);
    }
  }
  return DefaultHandling(message, wParam, lParam);
}

LRESULT CWnd::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      OnSysCommand(static_cast<UINT>(wParam), lParam);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_CTLCOLOR: {
      const auto* params = reinterpret_cast<const CtlColorParams*>(lParam);
      return reinterpret_cast<LRESULT>(
          OnCtlColor(reinterpret_cast<CDC*>(wParam), params->control, params->ctlColor));
    }
    case WM_LBUTTONDOWN:
      OnLButtonDown(static_cast<UINT>(wParam),
                    CPoint(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                           static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lParam)))));
      return 0;
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_HSCROLL:
      OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<CScrollBar*>(lParam));
      return 0;
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_SETICON:
      return reinterpret_cast<LRESULT>(
          SetIcon(reinterpret_cast<HICON>(lParam), wParam == ICON_BIG ? TRUE : FALSE));
    default:
      return 0;
  }
}

void CWnd::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == SC_CLOSE) WindowProc(WM_CLOSE, 0, 0);
}

void CWnd::OnDestroy() {}
void CWnd::OnPaint() {}
HCURSOR CWnd::OnQueryDragIcon() { return nullptr; }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }
void CWnd::OnLButtonDown(UINT, CPoint) {}
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {}
void CWnd::OnClose() {}
BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
