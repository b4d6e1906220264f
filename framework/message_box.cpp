#include "framework/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>

#include "framework/strings.h"

namespace {

inline constexpr UINT MB_ICONMASK = 0x000000F0;

int ShowQtMessageBox(const std::string& text, const std::string& caption, UINT type) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    // No widgets without an application object; the text must not vanish.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return IDOK;
  }
  QString body = QString::fromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box((type & MB_ICONMASK) == MB_ICONEXCLAMATION ? QMessageBox::Warning
                                                             : QMessageBox::NoIcon,
                  QString::fromUtf8(caption), body, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
  return IDOK;
}

MessageBoxHandler& CurrentHandler() {
  static MessageBoxHandler handler = ShowQtMessageBox;
  return handler;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler previous = std::move(CurrentHandler());
  CurrentHandler() = handler ? std::move(handler) : MessageBoxHandler(ShowQtMessageBox);
  return previous;
}

int AfxMessageBox(const std::string& text, UINT nType) {
  // A copy: the real box runs a modal loop, inside which the handler may be replaced.
  const MessageBoxHandler handler = CurrentHandler();
  return handler(text, LoadStringResource(AFX_IDS_APP_TITLE), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType) {
  return AfxMessageBox(LoadStringResource(nIDPrompt), nType);
}
