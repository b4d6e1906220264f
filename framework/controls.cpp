#include "framework/controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "framework/dialog_window.h"
#include "framework/icon.h"

namespace {

HICON IconProperty(const QWidget* w) {
  return w ? reinterpret_cast<HICON>(w->property(kPropIcon).value<quintptr>()) : nullptr;
}

void SetIconProperty(QWidget* w, HICON icon) {
  w->setProperty(kPropIcon, QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
}

}  // namespace

HICON CStatic::SetIcon(HICON hIcon) {
  auto* label = dynamic_cast<QLabel*>(GetSafeHwnd());
  if (!label) return nullptr;
  const HICON old = IconProperty(label);
  SetIconProperty(label, hIcon);
  label->setPixmap(QIconFromHandle(hIcon).pixmap(
      QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)), label->devicePixelRatioF()));
  return old;
}

HICON CStatic::GetIcon() const { return IconProperty(GetSafeHwnd()); }

HICON CButton::SetIcon(HICON hIcon) {
  auto* button = dynamic_cast<QPushButton*>(GetSafeHwnd());
  if (!button) return nullptr;
  const HICON old = IconProperty(button);
  SetIconProperty(button, hIcon);
  button->setIcon(QIconFromHandle(hIcon));
  button->setIconSize(QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
  return old;
}

HICON CButton::GetIcon() const { return IconProperty(GetSafeHwnd()); }

namespace {
QComboBox* Combo(const CWnd* wnd) { return dynamic_cast<QComboBox*>(wnd->GetSafeHwnd()); }
TrackbarSlider* Slider(const CWnd* wnd) { return dynamic_cast<TrackbarSlider*>(wnd->GetSafeHwnd()); }
}  // namespace

void CComboBox::ResetContent() {
  if (QComboBox* c = Combo(this)) c->clear();
}

int CComboBox::AddString(const char* text) {
  QComboBox* c = Combo(this);
  if (!c) return CB_ERR;
  const QString s = QString::fromLatin1(text ? text : "");
  int pos = c->count();
  if (c->property(kPropStyle).toUInt() & CBS_SORT) {
    pos = 0;
    while (pos < c->count() && QString::compare(c->itemText(pos), s, Qt::CaseInsensitive) <= 0) ++pos;
  }
  // Adding to an empty list must not select the new entry, as the classic list does not.
  const int selected = c->currentIndex();
  c->insertItem(pos, s);
  c->setCurrentIndex(selected < 0 ? -1 : (selected >= pos ? selected + 1 : selected));
  return pos;
}

int CComboBox::SetCurSel(int nSelect) {
  QComboBox* c = Combo(this);
  if (!c) return CB_ERR;
  if (nSelect < 0 || nSelect >= c->count()) {
    c->setCurrentIndex(-1);
    return CB_ERR;
  }
  c->setCurrentIndex(nSelect);
  return nSelect;
}

int CComboBox::GetCurSel() const {
  const QComboBox* c = Combo(this);
  return c && c->currentIndex() >= 0 ? c->currentIndex() : CB_ERR;
}

int CComboBox::GetCount() const {
  const QComboBox* c = Combo(this);
  return c ? c->count() : CB_ERR;
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
  const QComboBox* c = Combo(this);
  if (!c || nIndex < 0 || nIndex >= c->count()) {
    text.clear();
    return CB_ERR;
  }
  text = c->itemText(nIndex).toLatin1().toStdString();
  return static_cast<int>(text.size());
}

std::string CComboBox::GetLBText(int nIndex) const {
  std::string text;
  GetLBText(nIndex, text);
  return text;
}

void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw) {
  if (TrackbarSlider* s = Slider(this)) SetRange(nMin, s->maximum(), bRedraw);
}

void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw) {
  if (TrackbarSlider* s = Slider(this)) SetRange(s->minimum(), nMax, bRedraw);
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
  TrackbarSlider* s = Slider(this);
  if (!s) return;
  s->setRange(nMin, nMax);
  // The classic page size follows the range: a fifth of it.
  s->setPageStep(std::max(1, (nMax - nMin) / 5));
  if (bRedraw) s->update();
}

int CSliderCtrl::GetRangeMin() const {
  const TrackbarSlider* s = Slider(this);
  return s ? s->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
  const TrackbarSlider* s = Slider(this);
  return s ? s->maximum() : 0;
}

void CSliderCtrl::SetPos(int nPos) {
  TrackbarSlider* s = Slider(this);
  if (!s) return;
  // setValue does not trigger a slider action, so no WM_HSCROLL follows.
  s->setValue(nPos);
}

int CSliderCtrl::GetPos() const {
  // The thumb's position, already moved while its movement is being reported.
  const TrackbarSlider* s = Slider(this);
  return s ? s->sliderPosition() : 0;
}

void CSliderCtrl::SetTicFreq(int nFreq) {
  if (TrackbarSlider* s = Slider(this)) s->setTicFreq(nFreq);
}

int CSliderCtrl::GetTicFreq() const {
  const TrackbarSlider* s = Slider(this);
  return s ? s->ticFreq() : 0;
}
