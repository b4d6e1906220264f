#include "framework/dialog_window.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

#include "framework/dialog.h"
#include "framework/icon.h"

namespace {

bool HasTabStop(const QWidget* w) {
  return (w->property(kPropStyle).toUInt() & WS_TABSTOP) != 0;
}

// Asks the dialog how to colour a static control and applies the answer: text
// colour, and the returned brush (or an opaque background colour) behind it.
void ApplyCtlColor(QWidget* control, bool mayFill, QPainter* painter) {
  CDialog* dlg = DialogWindow::DialogOf(control);
  if (!dlg || !control->parentWidget()) return;
  CDC dc;
  CtlColorParams params{CWnd::FromHandlePermanent(control), CTLCOLOR_STATIC};
  const auto brush = reinterpret_cast<HBRUSH>(dlg->WindowProc(
      WM_CTLCOLOR, reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(&params)));

  QPalette pal = control->parentWidget()->palette();
  if (dc.HasTextColor()) pal.setColor(QPalette::WindowText, QColorFromColorRef(dc.GetTextColor()));
  bool fill = false;
  if (mayFill && brush) {
    pal.setColor(QPalette::Window, QColorFromColorRef(brush->color));
    fill = true;
  } else if (mayFill && dc.GetBkMode() == OPAQUE && dc.HasBkColor()) {
    pal.setColor(QPalette::Window, QColorFromColorRef(dc.GetBkColor()));
    fill = true;
  }
  // Changing these schedules one more paint, which then finds nothing to change.
  if (control->autoFillBackground() != fill) control->setAutoFillBackground(fill);
  if (!(pal == control->palette())) control->setPalette(pal);
  // This paint's background was laid before the answer was known.
  if (fill) painter->fillRect(control->rect(), pal.color(QPalette::Window));
}

void SendToDialog(QWidget* control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CDialog* dlg = DialogWindow::DialogOf(control)) dlg->WindowProc(message, wParam, lParam);
}

WPARAM CommandWParam(const QWidget* control, UINT code) {
  return MAKEWPARAM(static_cast<WORD>(control->property(kPropId).toInt()), static_cast<WORD>(code));
}

}  // namespace

DialogWindow::DialogWindow(CDialog* dialog, const DialogTemplate& tmpl, QWidget* parent)
    : QDialog(parent), m_dialog(dialog), m_template(tmpl) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
  if ((tmpl.style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
  if (tmpl.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (tmpl.style & WS_SYSMENU && tmpl.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
  if (tmpl.style & WS_SYSMENU && tmpl.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  setWindowFlags(flags);
  setWindowTitle(QString::fromLatin1(tmpl.caption ? tmpl.caption : ""));
  setSizeGripEnabled(false);
  setFont(TemplateFont(tmpl));
  m_units = BaseUnitsOfFont(font());
  const QRect client = DialogUnitsToPixels(m_units, 0, 0, tmpl.cx, tmpl.cy);
  setFixedSize(client.size());

  for (std::size_t i = 0; i < tmpl.itemCount; ++i) {
    m_controls.push_back(CreateControl(tmpl.items[i]));
  }

  // A static's mnemonic moves the focus to the next tab stop after it.
  for (std::size_t i = 0; i < m_controls.size(); ++i) {
    auto* label = dynamic_cast<StaticLabel*>(m_controls[i]);
    if (!label || (tmpl.items[i].style & SS_NOPREFIX)) continue;
    for (std::size_t j = i + 1; j < m_controls.size(); ++j) {
      if (HasTabStop(m_controls[j])) {
        label->setBuddy(m_controls[j]);
        break;
      }
    }
    label->SetControlText(label->property(kPropText).toString());
  }

  QWidget* previous = nullptr;
  for (QWidget* w : m_controls) {
    if (!(w->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }

  auto* sysMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  sysMenuKey->setContext(Qt::WindowShortcut);
  QObject::connect(sysMenuKey, &QShortcut::activated, this,
                   [this] { m_dialog->ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });
}

QWidget* DialogWindow::CreateControl(const DialogItemTemplate& item) {
  const QString caption = QString::fromLatin1(item.caption ? item.caption : "");
  const QString cls = QString::fromLatin1(item.className);
  QRect rect = DialogUnitsToPixels(m_units, item.x, item.y, item.cx, item.cy);
  QWidget* w = nullptr;
  bool input = true;  // takes focus and mouse input

  if (cls.compare(QLatin1String(kClassButton), Qt::CaseInsensitive) == 0 &&
      (item.style & BS_TYPEMASK) == BS_GROUPBOX) {
    auto* frame = new GroupFrame(this);
    frame->setTitle(caption);
    w = frame;
    input = false;
  } else if (cls.compare(QLatin1String(kClassButton), Qt::CaseInsensitive) == 0) {
    auto* button = new PushButton(item.style, this);
    if (!(item.style & BS_ICON)) button->setText(caption);
    button->setFlat((item.style & BS_FLAT) != 0);
    button->setAutoDefault(true);
    button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    if (item.style & BS_ICON) button->setIconSize(QSize(32, 32));
    QObject::connect(button, &QPushButton::clicked, this, [this, button] {
      m_dialog->WindowProc(WM_COMMAND, CommandWParam(button, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
    });
    w = button;
  } else if (cls.compare(QLatin1String(kClassStatic), Qt::CaseInsensitive) == 0) {
    auto* label = new StaticLabel(item.style, this);
    if ((item.style & SS_TYPEMASK) == SS_ICON) {
      if (HICON icon = LoadIcon(item.iconId)) {
        label->setProperty(kPropIcon, QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
        label->setPixmap(QIconFromHandle(icon).pixmap(QSize(32, 32), devicePixelRatioF()));
      }
    }
    w = label;
    input = false;
  } else if (cls.compare(QLatin1String(kClassComboBox), Qt::CaseInsensitive) == 0) {
    auto* combo = new QComboBox(this);
    combo->setEditable(false);
    // The template's height includes the dropped-down list.
    const int closedHeight = combo->sizeHint().height();
    const int rowHeight = fontMetrics().height() + 2;
    combo->setMaxVisibleItems(std::max(1, (rect.height() - closedHeight) / rowHeight));
    rect.setHeight(closedHeight);
    w = combo;
  } else if (cls.compare(QLatin1String(kClassTrackbar), Qt::CaseInsensitive) == 0) {
    w = new TrackbarSlider(item.style, this);
  } else {
    w = new QWidget(this);
    input = false;
  }

  w->setProperty(kPropId, item.id);
  w->setProperty(kPropStyle, static_cast<uint>(item.style));
  w->setProperty(kPropText, caption);
  w->setGeometry(rect);
  if (auto* label = dynamic_cast<StaticLabel*>(w); label && item.caption) {
    label->SetControlText(caption);
  }
  if (input) {
    w->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
  } else {
    w->setFocusPolicy(Qt::NoFocus);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  if (item.style & WS_DISABLED) w->setEnabled(false);
  if (!(item.style & WS_VISIBLE)) w->setVisible(false);
  return w;
}

QWidget* DialogWindow::control(int id) const {
  for (QWidget* w : m_controls) {
    if (w->property(kPropId).toInt() == id) return w;
  }
  return nullptr;
}

void DialogWindow::PlaceOnScreen(QWidget* owner) {
  const QRect origin = DialogUnitsToPixels(m_units, m_template.x, m_template.y, 0, 0);
  if (m_template.style & DS_CENTER) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // The whole window, frame included, once the frame is known.
    const QRect avail = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(avail.x() + (avail.width() - outer.width()) / 2,
         avail.y() + (avail.height() - outer.height()) / 2);
  } else if (owner) {
    // Template positions are relative to the owner's client area.
    move(owner->mapToGlobal(origin.topLeft()));
  } else {
    move(origin.topLeft());
  }
}

CDialog* DialogWindow::DialogOf(const QWidget* widget) {
  if (!widget) return nullptr;
  const auto* window = dynamic_cast<const DialogWindow*>(widget->window());
  return window ? window->m_dialog : nullptr;
}

void DialogWindow::SendCommand(int id, unsigned code, QWidget* control) {
  m_dialog->WindowProc(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code)),
                       reinterpret_cast<LPARAM>(control));
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  // The window ends only through EndDialog; the close box is a system command.
  event->ignore();
  m_dialog->WindowProc(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWindow::reject() { SendCommand(IDCANCEL, BN_CLICKED, nullptr); }

void DialogWindow::accept() { SendCommand(IDOK, BN_CLICKED, nullptr); }

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::NoModifier && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // The focused push button, else the default push button, else IDOK.
    if (auto* focused = dynamic_cast<PushButton*>(focusWidget()); focused && focused->isEnabled()) {
      focused->click();
      return;
    }
    for (QWidget* w : m_controls) {
      auto* button = dynamic_cast<PushButton*>(w);
      if (button && button->isDefault()) {
        if (button->isEnabled() && button->isVisible()) button->click();
        return;
      }
    }
    SendCommand(IDOK, BN_CLICKED, nullptr);
    return;
  }
  if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  event->ignore();
}

void DialogWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    UINT flags = MK_LBUTTON;
    if (event->buttons() & Qt::RightButton) flags |= MK_RBUTTON;
    if (event->modifiers() & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier) flags |= MK_CONTROL;
    const QPoint p = event->position().toPoint();
    m_dialog->WindowProc(WM_LBUTTONDOWN, flags,
                         MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(p.x())),
                                    static_cast<WORD>(static_cast<SHORT>(p.y()))));
  }
  QDialog::mousePressEvent(event);
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  m_dialog->ShowSystemMenu(event->globalPos());
}

void DialogWindow::paintEvent(QPaintEvent*) { m_dialog->WindowProc(WM_PAINT, 0, 0); }

StaticLabel::StaticLabel(std::uint32_t style, QWidget* parent) : QLabel(parent), m_style(style) {
  setTextFormat(Qt::PlainText);
  setMargin(0);
  setIndent(0);
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      setWordWrap(true);
      break;
    case SS_RIGHT:
      setAlignment(Qt::AlignRight | Qt::AlignTop);
      setWordWrap(true);
      break;
    case SS_ICON:
      setAlignment(Qt::AlignLeft | Qt::AlignTop);
      break;
    default:
      setAlignment(Qt::AlignLeft | Qt::AlignTop);
      setWordWrap(true);
      break;
  }
  if (style & SS_SUNKEN) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  }
}

void StaticLabel::SetControlText(const QString& text) {
  setProperty(kPropText, text);
  if ((m_style & SS_NOPREFIX) || buddy()) {
    setText(text);
  } else {
    setText(QString::fromStdString(CDialog::StripMnemonic(text.toStdString())));
  }
}

void StaticLabel::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    ApplyCtlColor(this, true, &painter);
  }
  QLabel::paintEvent(event);
}

GroupFrame::GroupFrame(QWidget* parent) : QGroupBox(parent) {}

void GroupFrame::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    ApplyCtlColor(this, false, &painter);
  }
  QGroupBox::paintEvent(event);
}

PushButton::PushButton(std::uint32_t style, QWidget* parent) : QPushButton(parent), m_style(style) {}

void PushButton::mouseDoubleClickEvent(QMouseEvent* event) {
  QPushButton::mouseDoubleClickEvent(event);
  if ((m_style & BS_NOTIFY) && event->button() == Qt::LeftButton) {
    SendToDialog(this, WM_COMMAND, CommandWParam(this, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(this));
  }
}

TrackbarSlider::TrackbarSlider(std::uint32_t style, QWidget* parent)
    : QSlider((style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent), m_style(style) {
  setRange(0, 100);
  setSingleStep(1);
  setPageStep(20);
  if (style & TBS_NOTICKS) {
    setTickPosition(QSlider::NoTicks);
  } else {
    setTickPosition((style & TBS_TOP) ? QSlider::TicksAbove : QSlider::TicksBelow);
  }
  setTickInterval((style & TBS_AUTOTICKS) ? m_ticFreq : maximum() - minimum());
  QObject::connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
    switch (action) {
      case SliderSingleStepAdd:
        Notify(TB_LINEDOWN);
        break;
      case SliderSingleStepSub:
        Notify(TB_LINEUP);
        break;
      case SliderPageStepAdd:
        Notify(TB_PAGEDOWN);
        break;
      case SliderPageStepSub:
        Notify(TB_PAGEUP);
        break;
      case SliderToMinimum:
        Notify(TB_TOP);
        break;
      case SliderToMaximum:
        Notify(TB_BOTTOM);
        break;
      case SliderMove:
        Notify(TB_THUMBTRACK);
        break;
      default:
        break;
    }
  });
}

void TrackbarSlider::setTicFreq(int freq) {
  m_ticFreq = freq;
  if (m_style & TBS_AUTOTICKS) setTickInterval(freq);
}

void TrackbarSlider::Notify(unsigned code) {
  // The position moves with the code only while the thumb is dragged.
  const bool carriesPos = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
  SendToDialog(this, WM_HSCROLL,
               MAKEWPARAM(static_cast<WORD>(code),
                          static_cast<WORD>(carriesPos ? sliderPosition() : 0)),
               reinterpret_cast<LPARAM>(CWnd::FromHandlePermanent(this)));
}

void TrackbarSlider::mouseReleaseEvent(QMouseEvent* event) {
  const bool dragging = isSliderDown();
  QSlider::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (dragging) Notify(TB_THUMBPOSITION);
  Notify(TB_ENDTRACK);
}

void TrackbarSlider::keyReleaseEvent(QKeyEvent* event) {
  QSlider::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      Notify(TB_ENDTRACK);
      break;
    default:
      break;
  }
}
