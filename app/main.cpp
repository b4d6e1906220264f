#include <QApplication>

#include "app/bpm_checker_app.h"
#include "midi/real_provider.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // Lets Wayland compositors and task bars find the desktop entry and its icon.
  QGuiApplication::setDesktopFileName("example.mossgate.BpmChecker");

  RealMultimediaProvider multimedia;
  InstallMultimediaProvider(&multimedia);
  theApp.InitInstance();
  InstallMultimediaProvider(nullptr);
  return 0;
}
