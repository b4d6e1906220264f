#pragma once
// The Qt side of a running dialog: the window built from its template and the
// control widgets. Internal to the framework; tests may use it to look inside.
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <vector>

#include "framework/dialog_units.h"
#include "res/dialog_templates.h"

class CDialog;

// Dynamic properties every template control carries.
inline constexpr const char* kPropId = "mossgate.id";
inline constexpr const char* kPropStyle = "mossgate.style";
inline constexpr const char* kPropText = "mossgate.text";
inline constexpr const char* kPropIcon = "mossgate.icon";

class DialogWindow : public QDialog {
 public:
  DialogWindow(CDialog* dialog, const DialogTemplate& tmpl, QWidget* parent);

  CDialog* dialog() const { return m_dialog; }
  const DialogTemplate& dialogTemplate() const { return m_template; }
  DialogBaseUnits baseUnits() const { return m_units; }
  // The template's controls in template order.
  const std::vector<QWidget*>& controls() const { return m_controls; }
  QWidget* control(int id) const;
  // Where the template puts the window on the screen, given its owner.
  void PlaceOnScreen(QWidget* owner);

  // The running dialog a widget belongs to, or nullptr.
  static CDialog* DialogOf(const QWidget* widget);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 public:
  void reject() override;
  void accept() override;

 private:
  QWidget* CreateControl(const DialogItemTemplate& item);
  void SendCommand(int id, unsigned code, QWidget* control);

  CDialog* m_dialog;
  const DialogTemplate& m_template;
  DialogBaseUnits m_units{};
  std::vector<QWidget*> m_controls;
};

// STATIC: a label that asks the dialog for its colours each time it paints and
// takes no mouse input.
class StaticLabel : public QLabel {
 public:
  StaticLabel(std::uint32_t style, QWidget* parent);
  // The text as the control keeps it; '&' marks a mnemonic unless SS_NOPREFIX.
  void SetControlText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t m_style;
};

// BUTTON with BS_GROUPBOX: a frame, coloured through the same hook as statics,
// taking no mouse input.
class GroupFrame : public QGroupBox {
 public:
  explicit GroupFrame(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// BUTTON push kinds.
class PushButton : public QPushButton {
 public:
  PushButton(std::uint32_t style, QWidget* parent);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::uint32_t m_style;
};

// msctls_trackbar32: reports every movement as WM_HSCROLL to the dialog.
class TrackbarSlider : public QSlider {
 public:
  TrackbarSlider(std::uint32_t style, QWidget* parent);
  int ticFreq() const { return m_ticFreq; }
  void setTicFreq(int freq);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void Notify(unsigned code);

  std::uint32_t m_style;
  int m_ticFreq = 1;
};
