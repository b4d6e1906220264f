#include "framework/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool OpenWithDesktop(const char* url) {
  return QDesktopServices::openUrl(QUrl(QString::fromLatin1(url)));
}

UrlOpener& Opener() {
  static UrlOpener opener = OpenWithDesktop;
  return opener;
}

}  // namespace

UrlOpener SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(Opener());
  Opener() = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
  return previous;
}

HINSTANCE ShellExecuteA(HWND, const char*, const char* lpFile, const char*, const char*, int) {
  const bool ok = lpFile && Opener()(lpFile);
  return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(ok ? 42 : SE_ERR_NOASSOC));
}
