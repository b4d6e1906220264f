// Shows the real main window on an X server of its own (Xvfb) and saves what the
// screen shows into the build's artifacts folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/dialog_window.h"
#include "main_window_probe.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

pid_t g_xvfb = -1;
bool g_haveDisplay = false;

// Starts Xvfb on a display number it picks itself; sets DISPLAY. False when it cannot.
bool StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  g_xvfb = fork();
  if (g_xvfb < 0) return false;
  if (g_xvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[32] = {};
  std::size_t got = 0;
  while (got < sizeof(buf) - 1) {
    const ssize_t n = read(fds[0], buf + got, sizeof(buf) - 1 - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (buf[got - 1] == '\n') break;
  }
  close(fds[0]);
  if (got == 0) return false;
  const std::string display = ":" + std::string(buf, buf[got - 1] == '\n' ? got - 1 : got);
  setenv("DISPLAY", display.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  return true;
}

void StopXvfb() {
  if (g_xvfb > 0) {
    kill(g_xvfb, SIGTERM);
    waitpid(g_xvfb, nullptr, 0);
  }
}

QImage ShowAndGrab(const std::function<void(MainWindowProbe&)>& prepare, const QString& file) {
  MainWindowProbe dlg;
  QImage shot;
  QTimer::singleShot(300, [&] {
    auto* w = dynamic_cast<DialogWindow*>(dlg.GetSafeHwnd());
    if (!w) return;
    prepare(dlg);
    QTest::qWait(300);
    const QRect frame = w->frameGeometry();
    shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    QDir().mkpath(QStringLiteral(MOSSGATE_ARTIFACTS_DIR));
    shot.save(QStringLiteral(MOSSGATE_ARTIFACTS_DIR "/") + file);
    dlg.EndDialog(IDOK);
  });
  dlg.DoModal();
  return shot.convertToFormat(QImage::Format_RGB32);
}

int CountNear(const QImage& img, const QRect& r, QColor c, int tolerance) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor p = img.pixelColor(x, y);
      n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
               std::abs(p.blue() - c.blue()) <=
           tolerance;
    }
  return n;
}

// Where a control sits in the grabbed image (no window manager: no frame).
QRect ControlRect(short x, short y, short cx, short cy) {
  const QFont font = TemplateFont(*FindDialogTemplate(IDD_BPM_DIALOG));
  return DialogUnitsToPixels(BaseUnitsOfFont(font), x, y, cx, cy);
}

TEST(MainWindowScreenshot, TempoShown) {
  if (!g_haveDisplay) GTEST_SKIP() << "Xvfb could not be started";
  const QImage img = ShowAndGrab(
      [](MainWindowProbe& dlg) {
        dlg.UpdateDisplay();
        dlg.m_wndHint.SetWindowText(FindStringResource(IDS_HINT_CLICK));
      },
      QStringLiteral("main-window.png"));
  ASSERT_FALSE(img.isNull());
  const QRect display = ControlRect(5, 5, 100, 40).adjusted(2, 2, -2, -2);
  EXPECT_GT(CountNear(img, display, QColor(0, 0, 0), 30), display.width() * display.height() / 2);
  EXPECT_GT(CountNear(img, display, QColor(200, 60, 60), 40), 300) << "big red digits";
  const QRect hint = ControlRect(10, 60, 110, 35);
  EXPECT_GT(CountNear(img, hint, QColor(0, 0, 200), 90), 50) << "blue hint";
  // The arrow icons: light grey tiles with white and black edges.
  const QRect up = ControlRect(105, 5, 20, 20);
  EXPECT_GT(CountNear(img, up, QColor(0xC0, 0xC0, 0xC0), 6), 100);
}

TEST(MainWindowScreenshot, Splash) {
  if (!g_haveDisplay) GTEST_SKIP() << "Xvfb could not be started";
  const QImage img = ShowAndGrab([](MainWindowProbe&) {}, QStringLiteral("main-window-splash.png"));
  ASSERT_FALSE(img.isNull());
  const QRect display = ControlRect(5, 5, 100, 40).adjusted(2, 2, -2, -2);
  EXPECT_GT(CountNear(img, display, QColor(200, 60, 60), 40), 300) << "MOSS in red";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  g_haveDisplay = StartXvfb();
  int result = 1;
  if (g_haveDisplay) {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  } else {
    result = RUN_ALL_TESTS();
  }
  StopXvfb();
  return result;
}
