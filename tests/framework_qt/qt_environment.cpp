#include "qt_environment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "framework_qt_tests";
    static char* argv[] = {name, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(5);
  }
  return true;
}

bool IsRunning(const CDialog& dlg) {
  const auto& stack = CDialog::ModalStack();
  return std::find(stack.begin(), stack.end(), &dlg) != stack.end() && !dlg.IsEnding();
}

INT_PTR RunModal(CDialog& dlg, const std::function<void(DialogWindow&)>& body) {
  bool ran = false;
  QObject guard;  // cancels the call if the loop never runs
  QTimer::singleShot(0, &guard, [&] {
    auto* window = dynamic_cast<DialogWindow*>(dlg.GetSafeHwnd());
    if (!window || !IsRunning(dlg)) return;
    ran = true;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    body(*window);
    if (IsRunning(dlg) && !dlg.IsEnding()) dlg.EndDialog(kEndedByTest);
  });
  const INT_PTR result = dlg.DoModal();
  EXPECT_TRUE(ran) << "the dialog ended before its window came up";
  return result;
}
