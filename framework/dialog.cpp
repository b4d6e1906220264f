#include "framework/dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <algorithm>
#include <optional>

#include "framework/dialog_window.h"
#include "framework/keys.h"

namespace {

std::vector<CDialog*>& Stack() {
  static auto* stack = new std::vector<CDialog*>();
  return *stack;
}

}  // namespace

// Sees every key press before Qt's shortcut map, mnemonics and widgets do, and
// lets the running dialog's PreTranslateMessage decide its fate (see dialog.h).
//
// A key press reaches the filter as a ShortcutOverride (sent to the focus widget
// before shortcuts are tried) and then as a KeyPress; both may travel up the
// parent chain, passing the filter once per widget. The decision is taken once,
// at the first of them, and applied to the rest.
class PreTranslateFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease) {
      m_pending.reset();
      m_current = nullptr;
      return false;
    }
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    CDialog* dlg = DialogWindow::DialogOf(widget);
    if (!dlg || std::find(Stack().begin(), Stack().end(), dlg) == Stack().end()) return false;
    auto* key = static_cast<QKeyEvent*>(event);

    if (event != m_current) {
      Decision decision;
      if (type == QEvent::KeyPress && m_pending && m_pending->Matches(*key)) {
        decision = m_pending->decision;
        m_pending.reset();
      } else {
        decision = Ask(dlg, widget, *key);
        m_pending.reset();
        if (type == QEvent::ShortcutOverride) m_pending = Pending{Signature(*key), decision};
      }
      m_current = event;
      m_currentDecision = decision;
    }
    if (m_currentDecision == Decision::Pass) return false;
    // Accepting the override keeps shortcuts and mnemonics off this key; the
    // KeyPress that follows is then swallowed here too.
    key->accept();
    return true;
  }

 private:
  enum class Decision { Handled, Swallow, Pass };
  struct KeySignature {
    int key;
    Qt::KeyboardModifiers modifiers;
    bool autoRepeat;
    bool operator==(const KeySignature&) const = default;
  };
  struct Pending {
    KeySignature signature;
    Decision decision;
    bool Matches(const QKeyEvent& e) const { return signature == Signature(e); }
  };

  static KeySignature Signature(const QKeyEvent& e) {
    return {e.key(), e.modifiers(), e.isAutoRepeat()};
  }

  static Decision Ask(CDialog* dlg, QWidget* receiver, const QKeyEvent& e) {
    MSG msg{};
    msg.hwnd = receiver;
    const Qt::KeyboardModifiers mods = e.modifiers();
    msg.message = (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) ? WM_SYSKEYDOWN
                                                                             : WM_KEYDOWN;
    msg.wParam = static_cast<WPARAM>(VirtualKeyFromQt(e.key(), mods));
    msg.lParam = static_cast<LPARAM>(1 | ((e.nativeScanCode() & 0xFF) << 16) |
                                     (e.isAutoRepeat() ? (1u << 30) : 0u));
    msg.time = static_cast<DWORD>(e.timestamp());
    dlg->m_bBasePreTranslateCalled = false;
    const BOOL result = dlg->PreTranslateMessage(&msg);
    if (result) return Decision::Handled;
    return dlg->m_bBasePreTranslateCalled ? Decision::Pass : Decision::Swallow;
  }

  std::optional<Pending> m_pending;
  const QEvent* m_current = nullptr;
  Decision m_currentDecision = Decision::Pass;
};

namespace {

PreTranslateFilter*& Filter() {
  static PreTranslateFilter* filter = nullptr;
  return filter;
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
  if (!pDX || !pDX->m_pDlgWnd || control.GetSafeHwnd()) return;
  QWidget* dlg = pDX->m_pDlgWnd->GetSafeHwnd();
  auto* window = dynamic_cast<DialogWindow*>(dlg);
  if (QWidget* w = window ? window->control(nIDC) : nullptr) control.Attach(w);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

const std::vector<CDialog*>& CDialog::ModalStack() { return Stack(); }

QFont CDialog::GetDialogFont() const {
  const QWidget* w = GetSafeHwnd();
  return w ? w->font() : QFont();
}

std::string CDialog::StripMnemonic(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

INT_PTR CDialog::DoModal() {
  const DialogTemplate* tmpl = FindDialogTemplate(m_nIDTemplate);
  if (!tmpl || !qApp) return -1;

  QWidget* owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  if (!owner && !Stack().empty()) owner = Stack().back()->GetSafeHwnd();
  auto* window = new DialogWindow(this, *tmpl, owner);
  window->setWindowModality(Qt::ApplicationModal);
  Attach(window);
  for (QWidget* control : window->controls()) {
    std::unique_ptr<CWnd> item;
    if (dynamic_cast<StaticLabel*>(control)) {
      item = std::make_unique<CStatic>();
    } else if (dynamic_cast<QComboBox*>(control)) {
      item = std::make_unique<CComboBox>();
    } else if (dynamic_cast<TrackbarSlider*>(control)) {
      item = std::make_unique<CSliderCtrl>();
    } else {
      item = std::make_unique<CButton>();
    }
    item->Attach(control);
    m_items.push_back(std::move(item));
  }

  m_nModalResult = -1;
  m_bEnded = false;
  Stack().push_back(this);
  if (!Filter()) {
    Filter() = new PreTranslateFilter();
    qApp->installEventFilter(Filter());
  }

  const BOOL focusFirst = OnInitDialog();
  if (!m_bEnded) {
    if (focusFirst) {
      for (QWidget* w : window->controls()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden()) {
          w->setFocus(Qt::TabFocusReason);
          break;
        }
      }
    }
    window->PlaceOnScreen(owner);
    window->show();
    window->PlaceOnScreen(owner);
    window->raise();
    window->activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    if (!m_bEnded) loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    window->hide();
  }

  WindowProc(WM_DESTROY, 0, 0);

  Stack().erase(std::find(Stack().begin(), Stack().end(), this));
  if (Stack().empty() && Filter()) {
    qApp->removeEventFilter(Filter());
    delete Filter();
    Filter() = nullptr;
  }
  // Members bound with DDX_Control and the template's own wrappers lose their widgets.
  for (QWidget* control : window->controls()) {
    while (CWnd* wnd = FromHandlePermanent(control)) wnd->Detach();
  }
  m_items.clear();
  Detach();
  delete window;
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEnded = true;
  if (m_loop) m_loop->exit(nResult);
}

BOOL CDialog::PreTranslateMessage(MSG*) {
  m_bBasePreTranslateCalled = true;
  return FALSE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnClose() {
  // A dialog's close command is its Cancel command.
  WindowProc(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDCANCEL), BN_CLICKED), 0);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (static_cast<SHORT>(LOWORD(wParam))) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}
