// Modal dialogs: life cycle, commands, close paths, timers, mouse presses, the
// system menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "probe_dialog.h"
#include "qt_environment.h"

namespace {

// Counts windows of any kind that are shown or exposed.
class ShowCounter : public QObject {
 public:
  ShowCounter() { qApp->installEventFilter(this); }
  ~ShowCounter() override { qApp->removeEventFilter(this); }
  int shows = 0;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if ((e->type() == QEvent::Show || e->type() == QEvent::Expose) && o->isWidgetType() &&
        static_cast<QWidget*>(o)->isWindow()) {
      ++shows;
    }
    return false;
  }
};

QPushButton* Button(DialogWindow& w, int id) { return dynamic_cast<QPushButton*>(w.control(id)); }

TEST(Dialog, EndedDuringInitIsNeverShownAndStillDestroyed) {
  ShowCounter counter;
  ProbeDialog dlg(IDD_BPM_DIALOG);
  dlg.endInInit = true;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  QApplication::processEvents();
  EXPECT_EQ(counter.shows, 0);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
  EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

TEST(Dialog, MissingTemplateFails) {
  ProbeDialog dlg(4242);
  EXPECT_EQ(dlg.DoModal(), -1);
  EXPECT_TRUE(dlg.log.empty());
}

TEST(Dialog, WindowFromTemplate) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow& w) {
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Mossgate BPM Checker"));
    const DialogBaseUnits u = w.baseUnits();
    EXPECT_EQ(w.size(), QSize(MulDiv(187, u.x, 4), MulDiv(130, u.y, 8)));
    // Fixed size; no minimise or maximise box.
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w.isModal());
    // Centred on the screen.
    const QRect avail = w.screen()->availableGeometry();
    EXPECT_NEAR(w.frameGeometry().center().x(), avail.center().x(), 1);
    EXPECT_NEAR(w.frameGeometry().center().y(), avail.center().y(), 1);
  });
  EXPECT_EQ(dlg.Count("destroy"), 1);
}

TEST(Dialog, DestroyRunsBeforeDoModalReturnsAndControlsAreReleased) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  CWnd* item = nullptr;
  RunModal(dlg, [&](DialogWindow&) {
    item = dlg.GetDlgItem(IDC_SETTINGS);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetDlgCtrlID(), IDC_SETTINGS);
    EXPECT_EQ(item->GetWindowText(), "&Settings");
    dlg.EndDialog(IDOK);
  });
  EXPECT_EQ(dlg.log.back(), "destroy");
  EXPECT_EQ(dlg.GetDlgItem(IDC_SETTINGS), nullptr);
}

struct CommandCase {
  const char* name;
  std::function<void(DialogWindow&)> act;
  INT_PTR result;
  const char* logged;
};

class DialogCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(DialogCommands, EndTheDialog) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) {
    GetParam().act(w);
    EXPECT_TRUE(WaitFor([&] { return dlg.IsEnding(); }));
  });
  EXPECT_EQ(result, GetParam().result);
  EXPECT_EQ(dlg.Count(GetParam().logged), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DialogCommands,
    ::testing::Values(
        CommandCase{"CloseButtonIsIdok",
                    [](DialogWindow& w) { QTest::mouseClick(Button(w, IDOK), Qt::LeftButton); },
                    IDOK, "ok"},
        CommandCase{"EscapeIsCancel",
                    [](DialogWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }, IDCANCEL,
                    "cancel"},
        CommandCase{"CloseBoxIsSysCloseThenCancel", [](DialogWindow& w) { w.close(); }, IDCANCEL,
                    "sys:61536"},
        CommandCase{"MnemonicPressesClose",
                    [](DialogWindow& w) { QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier); }, IDOK,
                    "ok"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Dialog, ButtonClicksReachTheirMapEntries) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow& w) {
    QTest::mouseClick(Button(w, IDC_START_BEAT), Qt::LeftButton);
    QTest::mouseClick(Button(w, IDC_SETTINGS), Qt::LeftButton);
    QTest::mouseClick(Button(w, IDC_MORE_SOFTWARE), Qt::LeftButton);
    // A button without BS_NOTIFY reports a double click as two clicks.
    const QPoint center = Button(w, IDC_MORE_SOFTWARE)->geometry().center();
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, center);
  });
  EXPECT_EQ(dlg.Count("click:1001"), 1);
  EXPECT_EQ(dlg.Count("click:1009"), 1);
  EXPECT_EQ(dlg.Count("click:1013"), 3);
  EXPECT_EQ(dlg.Count("dblclick:1013"), 0);
}

TEST(Dialog, SendMessageDispatchesThroughTheMap) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow&) {
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_SOFTWARE, BN_DOUBLECLICKED), 0);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MORE_SOFTWARE, BN_CLICKED), 0);
    dlg.SendMessage(WM_SYSCOMMAND, 0x0010, 0);
  });
  EXPECT_EQ(dlg.Count("dblclick:1013"), 1);
  EXPECT_EQ(dlg.Count("click:1013"), 1);
  EXPECT_EQ(dlg.Count("sys:16"), 1);
  // An unknown system command has no default effect.
  EXPECT_EQ(dlg.Count("cancel"), 0);
}

TEST(Dialog, WindowTimerDeliversUntilKilled) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow&) {
    EXPECT_EQ(dlg.SetTimer(7, 10), 7u);
    EXPECT_TRUE(WaitFor([&] { return dlg.Count("timer:7") >= 2; }));
    EXPECT_TRUE(dlg.KillTimer(7));
    const int delivered = dlg.Count("timer:7");
    QTest::qWait(60);
    EXPECT_EQ(dlg.Count("timer:7"), delivered);
    EXPECT_FALSE(dlg.KillTimer(7));
  });
}

TEST(Dialog, LeftPressOnBackgroundAndStaticsReachesTheDialogNotOnButtons) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow& w) {
    struct Target {
      int id;  // 0: the background
      bool delivered;
    };
    for (const Target& t : {Target{0, true}, Target{IDC_DISPLAY, true}, Target{IDC_STATUS, true},
                            Target{IDC_HINT, true}, Target{IDC_HINT_FRAME, true},
                            Target{IDC_START_BEAT, false}, Target{IDC_TEMPO_UP, false},
                            Target{IDOK, false}}) {
      dlg.log.clear();
      QPoint at(2, 2);  // the background, above the display
      if (t.id) {
        const QRect r = w.control(t.id)->geometry();
        // Inside the control, off the hint text for the frame (its lower-left edge).
        at = t.id == IDC_HINT_FRAME ? QPoint(r.left() + 2, r.bottom() - 2) : r.center();
      }
      // Through the window, so Qt finds the widget under the pointer.
      QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::ShiftModifier, at);
      const std::string expected = "lbutton:" + std::to_string(MK_LBUTTON | MK_SHIFT) + ":" +
                                   std::to_string(at.x()) + "," + std::to_string(at.y());
      EXPECT_EQ(dlg.Count(expected), t.delivered ? 1 : 0) << "control " << t.id;
    }
  });
}

TEST(Dialog, SystemMenuHoldsCloseAndAppendedItems) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  const INT_PTR result = RunModal(dlg, [&](DialogWindow& w) {
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetMenuItemCount(), 1);
    EXPECT_EQ(menu->GetMenuItemID(0), SC_CLOSE);
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 0x0010, "&About");
    EXPECT_EQ(dlg.GetSystemMenu(FALSE), menu);

    // Alt+Space pops it up; choosing the appended item is WM_SYSCOMMAND with its id.
    QTest::keyClick(&w, Qt::Key_Space, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    const QList<QAction*> actions = popup->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("&About"));
    actions[2]->trigger();
    popup->close();
    ASSERT_TRUE(WaitFor([] { return !QApplication::activePopupWidget(); }));
    QTest::qWait(100);  // Qt drops a press that comes hard on the heels of a closing popup
    EXPECT_EQ(dlg.Count("sys:16"), 1);
    EXPECT_TRUE(IsRunning(dlg));

    // A right-click on the background pops it up too; Close ends the dialog.
    QTest::mouseClick(w.windowHandle(), Qt::RightButton, {}, QPoint(2, 2));
    ASSERT_TRUE(WaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
    popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    popup->actions()[0]->trigger();
    popup->close();
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dlg.Count("sys:61536"), 1);
  EXPECT_EQ(dlg.Count("cancel"), 1);
}

TEST(Dialog, SystemMenuRevertDropsAppendedItems) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  CMenu* menu = dlg.GetSystemMenu(FALSE);
  menu->AppendMenu(MF_STRING, 0x0010, "x");
  EXPECT_EQ(dlg.GetSystemMenu(TRUE), nullptr);
  EXPECT_EQ(dlg.GetSystemMenu(FALSE)->GetMenuItemCount(), 1);
}

}  // namespace
