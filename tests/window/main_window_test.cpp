// The main window's layout and look: controls where the template puts them, the
// colours, the display font, the texts, the system-menu item, the icons.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "framework/icon.h"
#include "main_window_probe.h"
#include "qt_environment.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "support/message_recorder.h"

namespace {

enum class Kind { Button, GroupBox, Static };

struct ControlCase {
  int id;
  Kind kind;
  const char* text;  // caption as shown; nullptr where set at start-up
  int x, y, cx, cy;
  bool tabStop;
};

// Template 102, row by row.
const ControlCase kControls[] = {
    {IDC_TEMPO_UP, Kind::Button, "", 105, 5, 20, 20, true},
    {IDC_TEMPO_DOWN, Kind::Button, "", 105, 25, 20, 20, true},
    {IDC_START_BEAT, Kind::Button, "Start &Beat", 130, 5, 50, 40, true},
    {IDC_SETTINGS, Kind::Button, "&Settings", 130, 55, 50, 20, true},
    {IDOK, Kind::Button, "&Close", 130, 90, 50, 14, true},
    {IDC_DISPLAY, Kind::Static, nullptr, 5, 5, 100, 40, false},
    {IDC_HINT, Kind::Static, nullptr, 10, 60, 110, 35, false},
    {IDC_HINT_FRAME, Kind::GroupBox, "Keyboard Hints", 5, 50, 120, 55, false},
    {IDC_STATUS, Kind::Static, nullptr, 10, 30, 90, 10, false},
    {IDC_MORE_SOFTWARE, Kind::Button, "Click for more &DJ Software", 5, 110, 175, 15, true},
};

QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

int CountNear(const QImage& img, const QRect& r, QColor c, int tolerance = 40) {
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

TEST(MainWindow, EveryControlWhereTheTemplatePutsIt) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    // Base units from the dialog font, computed here on their own.
    const QFontMetrics fm(w.font());
    const int baseX =
        (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
             26 +
         1) /
        2;
    const int baseY = fm.ascent() + fm.descent();
    EXPECT_EQ(w.size(), QSize(MulDiv(187, baseX, 4), MulDiv(130, baseY, 8)));
    ASSERT_EQ(w.controls().size(), std::size(kControls));
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
      const ControlCase& c = kControls[i];
      SCOPED_TRACE("control " + std::to_string(c.id));
      QWidget* widget = w.controls()[i];
      ASSERT_EQ(widget, w.control(c.id)) << "template order";
      EXPECT_EQ(dlg.GetDlgItem(c.id)->GetDlgCtrlID(), c.id);
      EXPECT_EQ(widget->geometry(), QRect(MulDiv(c.x, baseX, 4), MulDiv(c.y, baseY, 8),
                                          MulDiv(c.cx, baseX, 4), MulDiv(c.cy, baseY, 8)));
      EXPECT_EQ(bool(widget->focusPolicy() & Qt::TabFocus), c.tabStop);
      EXPECT_TRUE(widget->isVisible());
      EXPECT_TRUE(widget->isEnabled());
      switch (c.kind) {
        case Kind::Button: {
          auto* b = qobject_cast<QPushButton*>(widget);
          ASSERT_NE(b, nullptr);
          EXPECT_EQ(b->text(), QString::fromLatin1(c.text));
          // No default push button: only the focused one stands in as the default.
          EXPECT_EQ(b->isDefault(), b->hasFocus());
          const bool icon = c.id == IDC_TEMPO_UP || c.id == IDC_TEMPO_DOWN;
          EXPECT_EQ(b->isFlat(), icon);
          EXPECT_EQ(b->icon().isNull(), !icon);
          break;
        }
        case Kind::GroupBox: {
          auto* g = qobject_cast<QGroupBox*>(widget);
          ASSERT_NE(g, nullptr);
          EXPECT_EQ(g->title(), QString::fromLatin1(c.text));
          break;
        }
        case Kind::Static:
          ASSERT_NE(qobject_cast<QLabel*>(widget), nullptr);
          break;
      }
    }
    auto* display = qobject_cast<QLabel*>(w.control(IDC_DISPLAY));
    auto* status = qobject_cast<QLabel*>(w.control(IDC_STATUS));
    auto* hint = qobject_cast<QLabel*>(w.control(IDC_HINT));
    EXPECT_EQ(display->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(status->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(hint->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_TRUE(hint->wordWrap());
    EXPECT_EQ(display->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(status->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(hint->frameShape(), QFrame::NoFrame);
  });
}

TEST(MainWindow, TabOrderIsTemplateOrder) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    const int order[] = {IDC_TEMPO_UP, IDC_TEMPO_DOWN, IDC_START_BEAT, IDC_SETTINGS, IDOK,
                         IDC_MORE_SOFTWARE};
    EXPECT_EQ(w.focusWidget(), w.control(order[0]));
    for (std::size_t i = 1; i <= std::size(order); ++i) {
      QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(w.focusWidget(), w.control(order[i % std::size(order)])) << i;
    }
  });
}

TEST(MainWindow, ColouringRuleByControl) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow&) {
    ASSERT_NE(dlg.m_pBkBrush, nullptr);
    struct Case {
      int id;
      UINT ctlColor;
      bool textSet;
      COLORREF text;
      int bkMode;
      HBRUSH brush;
    };
    const HBRUSH black = dlg.m_pBkBrush->GetSafeHandle();
    for (const Case& c : {Case{IDC_DISPLAY, CTLCOLOR_STATIC, true, RGB(200, 60, 60), TRANSPARENT, black},
                          Case{IDC_STATUS, CTLCOLOR_STATIC, true, RGB(200, 60, 60), TRANSPARENT, black},
                          Case{IDC_HINT, CTLCOLOR_STATIC, true, RGB(0, 0, 200), TRANSPARENT, nullptr},
                          Case{IDC_HINT_FRAME, CTLCOLOR_STATIC, false, 0, OPAQUE, nullptr},
                          Case{IDC_DISPLAY, CTLCOLOR_BTN, false, 0, OPAQUE, nullptr},
                          Case{IDC_START_BEAT, CTLCOLOR_BTN, false, 0, OPAQUE, nullptr}}) {
      CDC dc;
      const HBRUSH got = dlg.OnCtlColor(&dc, dlg.GetDlgItem(c.id), c.ctlColor);
      EXPECT_EQ(got, c.brush) << c.id << "/" << c.ctlColor;
      EXPECT_EQ(dc.HasTextColor(), c.textSet) << c.id;
      if (c.textSet) {
        EXPECT_EQ(dc.GetTextColor(), c.text) << c.id;
      }
      EXPECT_EQ(dc.GetBkMode(), c.bkMode) << c.id;
    }
    EXPECT_EQ(black->color, RGB(0, 0, 0));
  });
}

TEST(MainWindow, ColoursOnScreen) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    dlg.UpdateDisplay();
    QApplication::processEvents();
    const QImage img = Grab(&w);
    const QColor red(200, 60, 60), black(0, 0, 0), blue(0, 0, 200);
    const QRect display = w.control(IDC_DISPLAY)->geometry().adjusted(2, 2, -2, -2);
    const QRect status = w.control(IDC_STATUS)->geometry();
    const QRect hint = w.control(IDC_HINT)->geometry();
    // Black panel with red digits, the status line part of it.
    EXPECT_GT(CountNear(img, display, black), display.width() * display.height() / 2);
    EXPECT_GT(CountNear(img, display, red), 200) << "big red digits";
    EXPECT_GT(CountNear(img, status, red), 20) << "red status text";
    EXPECT_GT(CountNear(img, status, black), status.width() * status.height() / 2);
    // Blue hint on the ordinary background: what the frame shows around it.
    const QColor around = img.pixelColor(hint.center().x(), hint.bottom() + 4);
    EXPECT_GT(CountNear(img, hint, blue, 90), 30);
    EXPECT_GT(CountNear(img, hint, around, 6), hint.width() * hint.height() / 2);
    EXPECT_EQ(CountNear(img, hint, black, 30), 0);
    // The frame and the buttons keep the ordinary colours.
    for (int id : {IDC_HINT_FRAME, IDC_START_BEAT, IDC_TEMPO_UP, IDC_SETTINGS, IDOK}) {
      EXPECT_EQ(w.control(id)->palette(), w.palette()) << id;
      EXPECT_FALSE(w.control(id)->autoFillBackground()) << id;
    }
    EXPECT_EQ(w.control(IDC_HINT)->palette().color(QPalette::WindowText), blue);
    EXPECT_EQ(w.control(IDC_DISPLAY)->palette().color(QPalette::WindowText), red);
    EXPECT_EQ(w.control(IDC_STATUS)->palette().color(QPalette::Window), black);
  });
}

TEST(MainWindow, DisplayFontOnTheDisplayAlone) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    const LOGFONT& lf = dlg.m_lfDisplay;
    EXPECT_EQ(lf.lfHeight, 48);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic + lf.lfUnderline + lf.lfStrikeOut, 0);
    EXPECT_EQ(lf.lfCharSet, 0);
    EXPECT_EQ(lf.lfOutPrecision, 2);
    EXPECT_EQ(lf.lfClipPrecision, 0);
    EXPECT_EQ(lf.lfQuality, 2);
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    for (std::size_t i = std::strlen("Arial"); i < LF_FACESIZE; ++i) EXPECT_EQ(lf.lfFaceName[i], 0);

    const QFont display = w.control(IDC_DISPLAY)->font();
    const QFontInfo info(display);
    EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans")) << "Arial through fontconfig";
    EXPECT_TRUE(info.bold());
    const int cell = QFontMetrics(display).height();
    EXPECT_LE(cell, 48);
    EXPECT_GE(cell, 46) << "a character cell of 48 pixels";
    for (int id : {IDC_STATUS, IDC_HINT, IDC_HINT_FRAME, IDC_START_BEAT, IDOK}) {
      EXPECT_EQ(w.control(id)->font(), w.font()) << id;
    }
  });
}

TEST(MainWindow, SplashTextsThenDisplayRefresh) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow&) {
    EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), " MOSS ");
    EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "GATE");
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), FindStringResource(IDS_HINT_INTRO));
    struct Case {
      UINT tempo;
      const char* shown;
    };
    for (const Case& c : {Case{11000, "110.00"}, Case{5000, "50.00"}, Case{30000, "300.00"},
                          Case{9999, "99.99"}, Case{12345, "123.45"}}) {
      dlg.m_wndStatus.SetWindowText("PAUSED");
      dlg.m_nTempo = c.tempo;
      dlg.UpdateDisplay();
      EXPECT_EQ(dlg.m_wndDisplay.GetWindowText(), c.shown);
      EXPECT_EQ(dlg.m_wndStatus.GetWindowText(), "Hit ENTER to Sync beat.");
      EXPECT_EQ(dlg.m_nTempo, c.tempo) << "the tempo is only shown";
    }
    EXPECT_EQ(dlg.m_wndHint.GetWindowText(), FindStringResource(IDS_HINT_INTRO));
  });
}

struct MenuCase {
  const char* name;
  const char* text;  // nullptr: text 101
  std::vector<std::pair<UINT, std::string>> items;
};

class SystemMenu : public ::testing::TestWithParam<MenuCase> {};

TEST_P(SystemMenu, AboutItemOnlyWithText) {
  MainWindowProbe dlg;
  dlg.aboutText = GetParam().text;
  RunModal(dlg, [&](DialogWindow&) {
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    std::vector<std::pair<UINT, std::string>> items;
    for (int i = 0; i < menu->GetMenuItemCount(); ++i) {
      const bool separator = menu->GetMenuState(i) & MF_SEPARATOR;
      items.emplace_back(separator ? MF_SEPARATOR : menu->GetMenuItemID(i),
                         separator ? "" : menu->GetMenuString(i));
    }
    EXPECT_EQ(items, GetParam().items);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SystemMenu,
    ::testing::Values(
        MenuCase{"Empty", "", {{SC_CLOSE, "&Close\tAlt+F4"}}},
        MenuCase{"FromTable",
                 nullptr,
                 {{SC_CLOSE, "&Close\tAlt+F4"}, {MF_SEPARATOR, ""}, {IDM_ABOUTBOX, "&About Mossgate BPM..."}}},
        MenuCase{"Other",
                 "x",
                 {{SC_CLOSE, "&Close\tAlt+F4"}, {MF_SEPARATOR, ""}, {IDM_ABOUTBOX, "x"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MainWindow, Icons) {
  MainWindowProbe dlg;
  EXPECT_EQ(dlg.m_hIcon, LoadIcon(IDR_MAINFRAME)) << "loaded by the constructor";
  RunModal(dlg, [&](DialogWindow& w) {
    EXPECT_EQ(dlg.GetIcon(TRUE), dlg.m_hIcon);
    EXPECT_EQ(dlg.GetIcon(FALSE), dlg.m_hIcon);
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(dlg.m_btnUp.GetIcon(), LoadIcon(IDI_TEMPO_UP));
    EXPECT_EQ(dlg.m_btnDown.GetIcon(), LoadIcon(IDI_TEMPO_DOWN));
    EXPECT_EQ(dlg.m_btnStart.GetIcon(), nullptr);
    EXPECT_EQ(dlg.OnQueryDragIcon(), dlg.m_hIcon);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(dlg.SendMessage(WM_QUERYDRAGICON)), dlg.m_hIcon);
  });
}

TEST(MainWindow, BindsTheSevenControls) {
  MainWindowProbe dlg;
  RunModal(dlg, [&](DialogWindow& w) {
    EXPECT_EQ(dlg.m_wndStatus.GetSafeHwnd(), w.control(IDC_STATUS));
    EXPECT_EQ(dlg.m_wndHint.GetSafeHwnd(), w.control(IDC_HINT));
    EXPECT_EQ(dlg.m_wndHintFrame.GetSafeHwnd(), w.control(IDC_HINT_FRAME));
    EXPECT_EQ(dlg.m_wndDisplay.GetSafeHwnd(), w.control(IDC_DISPLAY));
    EXPECT_EQ(dlg.m_btnUp.GetSafeHwnd(), w.control(IDC_TEMPO_UP));
    EXPECT_EQ(dlg.m_btnStart.GetSafeHwnd(), w.control(IDC_START_BEAT));
    EXPECT_EQ(dlg.m_btnDown.GetSafeHwnd(), w.control(IDC_TEMPO_DOWN));
    EXPECT_EQ(dlg.GetDlgItem(IDC_DISPLAY), &dlg.m_wndDisplay);
    // What other parts do to the bound controls.
    dlg.m_btnDown.EnableWindow(FALSE);
    EXPECT_FALSE(w.control(IDC_TEMPO_DOWN)->isEnabled());
  });
  EXPECT_EQ(dlg.m_wndDisplay.GetSafeHwnd(), nullptr);
}

TEST(MainWindow, DestroyReleasesFontAndBrush) {
  MainWindowProbe dlg;
  EXPECT_EQ(dlg.m_pBkBrush, nullptr);
  EXPECT_EQ(dlg.m_pDisplayFont, nullptr);
  RunModal(dlg, [&](DialogWindow&) {
    EXPECT_NE(dlg.m_pBkBrush, nullptr);
    EXPECT_NE(dlg.m_pDisplayFont, nullptr);
  });
  EXPECT_EQ(dlg.m_pBkBrush, nullptr);
  EXPECT_EQ(dlg.m_pDisplayFont, nullptr);
}

TEST(MainWindow, ConstructorValues) {
  MainWindowProbe dlg;
  EXPECT_EQ(dlg.m_crBk, 0x00000000u);
  EXPECT_EQ(dlg.m_crDisplayText, 0x003C3CC8u);
  EXPECT_EQ(dlg.m_crHintText, 0x00C80000u);
  EXPECT_EQ(dlg.m_nTempo, 11000u);
  EXPECT_EQ(dlg.GetTemplateId(), IDD_BPM_DIALOG);
}

TEST(MainWindow, ClickTimerUnavailableShowsMessage111AndEndsTheWindow) {
  MessageRecorder boxes;
  MainWindowProbe dlg;
  const INT_PTR result = RunModal(dlg, [&](DialogWindow&) { dlg.OnClickTimerUnavailable(); });
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, FindStringResource(IDS_ERR_NO_TIMER));
  EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONEXCLAMATION);
}

TEST(MinimizedIcon, CentredRoundingTowardZero) {
  struct Case {
    int w, h;
    CPoint at;
  };
  for (const Case& c : {Case{36, 36, {2, 2}}, Case{35, 35, {2, 2}}, Case{30, 30, {0, 0}},
                        Case{32, 32, {0, 0}}, Case{29, 29, {-1, -1}}, Case{100, 40, {34, 4}}}) {
    EXPECT_EQ(MinimizedIconPosition(c.w, c.h, 32, 32), c.at) << c.w << "x" << c.h;
  }
}

}  // namespace
