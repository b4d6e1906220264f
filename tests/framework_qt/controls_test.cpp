// Controls built from the settings template: lists, the slider and its
// notifications, static mnemonics.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "probe_dialog.h"
#include "qt_environment.h"

namespace {

TEST(ComboBox, UnsortedListOperations) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow&) {
    auto* combo = dynamic_cast<CComboBox*>(dlg.GetDlgItem(IDC_MIDI_DEVICE));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetCount(), 0);
    EXPECT_EQ(combo->GetCurSel(), CB_ERR);
    EXPECT_EQ(combo->AddString("Zeta"), 0);
    EXPECT_EQ(combo->GetCurSel(), CB_ERR) << "adding selects nothing";
    EXPECT_EQ(combo->AddString("Alpha"), 1);
    EXPECT_EQ(combo->AddString("Mid"), 2);
    EXPECT_EQ(combo->GetCount(), 3);
    EXPECT_EQ(combo->GetLBText(0), "Zeta");
    EXPECT_EQ(combo->GetLBText(1), "Alpha");
    std::string text = "x";
    EXPECT_EQ(combo->GetLBText(3, text), CB_ERR);
    EXPECT_EQ(text, "");

    struct Case {
      int select, returned, current;
    };
    for (const Case& c : {Case{1, 1, 1}, Case{2, 2, 2}, Case{3, CB_ERR, CB_ERR}, Case{0, 0, 0},
                          Case{-1, CB_ERR, CB_ERR}, Case{100, CB_ERR, CB_ERR}}) {
      EXPECT_EQ(combo->SetCurSel(c.select), c.returned) << c.select;
      EXPECT_EQ(combo->GetCurSel(), c.current) << c.select;
    }
    combo->SetCurSel(1);
    combo->ResetContent();
    EXPECT_EQ(combo->GetCount(), 0);
    EXPECT_EQ(combo->GetCurSel(), CB_ERR);
  });
}

TEST(ComboBox, DropDownListUnderTheTemplateWidth) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    auto* combo = dynamic_cast<QComboBox*>(w.control(IDC_MIDI_INSTRUMENT));
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->isEditable());
    const QRect du = DialogUnitsToPixels(w.baseUnits(), 85, 70, 140, 70);
    EXPECT_EQ(combo->geometry().topLeft(), du.topLeft());
    EXPECT_EQ(combo->width(), du.width());
    EXPECT_LT(combo->height(), du.height()) << "the template height includes the list";
  });
}

TEST(Slider, RangePositionAndTicks) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    auto* slider = dynamic_cast<CSliderCtrl*>(dlg.GetDlgItem(IDC_VOLUME));
    ASSERT_NE(slider, nullptr);
    auto* qs = dynamic_cast<QSlider*>(w.control(IDC_VOLUME));
    EXPECT_EQ(qs->orientation(), Qt::Horizontal);
    EXPECT_EQ(qs->tickPosition(), QSlider::TicksAbove);
    slider->SetRangeMin(0, TRUE);
    slider->SetRangeMax(255, TRUE);
    EXPECT_EQ(slider->GetRangeMin(), 0);
    EXPECT_EQ(slider->GetRangeMax(), 255);
    for (const auto& [set, got] : {std::pair{128, 128}, {300, 255}, {-5, 0}, {255, 255}}) {
      slider->SetPos(set);
      EXPECT_EQ(slider->GetPos(), got) << set;
    }
    slider->SetTicFreq(16);
    EXPECT_EQ(qs->tickInterval(), 16);
  });
  // Setting the position from code is no movement by the user.
  EXPECT_EQ(std::count_if(dlg.log.begin(), dlg.log.end(),
                          [](const std::string& e) { return e.rfind("hscroll", 0) == 0; }),
            0);
}

TEST(Slider, EveryMovementByKeyOrMouseIsReported) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    auto* slider = dynamic_cast<CSliderCtrl*>(dlg.GetDlgItem(IDC_VOLUME));
    slider->SetRange(0, 255, TRUE);
    slider->SetPos(100);
    QWidget* qs = w.control(IDC_VOLUME);
    qs->setFocus();
    QTest::keyClick(qs, Qt::Key_Right);
    EXPECT_EQ(dlg.Count("hscroll:" + std::to_string(TB_LINEDOWN) + ":0:1011:101"), 1);
    EXPECT_EQ(dlg.Count("hscroll:" + std::to_string(TB_ENDTRACK) + ":0:1011:101"), 1);
    QTest::keyClick(qs, Qt::Key_Left);
    QTest::keyClick(qs, Qt::Key_Left);
    EXPECT_EQ(dlg.Count("hscroll:" + std::to_string(TB_LINEUP) + ":0:1011:99"), 1);
    QTest::keyClick(qs, Qt::Key_End);
    EXPECT_EQ(dlg.Count("hscroll:" + std::to_string(TB_BOTTOM) + ":0:1011:255"), 1);
    QTest::keyClick(qs, Qt::Key_Home);
    EXPECT_EQ(dlg.Count("hscroll:" + std::to_string(TB_TOP) + ":0:1011:0"), 1);
    dlg.log.clear();
    // A press in the groove far right of the thumb pages toward it.
    auto* slider_ = static_cast<QSlider*>(qs);
    QStyleOptionSlider opt;
    opt.initFrom(slider_);
    opt.subControls = QStyle::SC_All;
    opt.orientation = slider_->orientation();
    opt.minimum = slider_->minimum();
    opt.maximum = slider_->maximum();
    opt.sliderPosition = slider_->sliderPosition();
    opt.sliderValue = slider_->value();
    opt.tickPosition = slider_->tickPosition();
    opt.tickInterval = slider_->tickInterval();
    opt.singleStep = slider_->singleStep();
    opt.pageStep = slider_->pageStep();
    const QRect groove =
        slider_->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider_);
    QTest::mouseClick(qs, Qt::LeftButton, {}, QPoint(groove.right() - 2, groove.center().y()));
    ASSERT_FALSE(dlg.log.empty());
    EXPECT_EQ(dlg.log.back(), "hscroll:" + std::to_string(TB_ENDTRACK) + ":0:1011:" +
                                  std::to_string(slider->GetPos()));
    EXPECT_GT(slider->GetPos(), 0);
  });
}

TEST(Statics, MnemonicMovesFocusToTheNextTabStop) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    struct Case {
      Qt::Key key;
      int focused;
    };
    for (const Case& c : {Case{Qt::Key_D, IDC_MIDI_DEVICE}, Case{Qt::Key_I, IDC_MIDI_INSTRUMENT},
                          Case{Qt::Key_V, IDC_VOLUME}}) {
      QTest::keyClick(&w, c.key, Qt::AltModifier);
      EXPECT_EQ(w.focusWidget(), w.control(c.focused)) << c.key;
    }
  });
}

TEST(Statics, PrefixAndIcon) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    std::vector<QLabel*> labels;
    for (QWidget* c : w.controls()) {
      if (auto* l = qobject_cast<QLabel*>(c)) labels.push_back(l);
    }
    ASSERT_EQ(labels.size(), 6u);
    EXPECT_EQ(labels[0]->buddy(), w.control(IDC_MIDI_DEVICE));
    EXPECT_EQ(labels[0]->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_FALSE(labels[3]->pixmap().isNull()) << "SS_ICON shows icon 128";
    EXPECT_EQ(labels[4]->text(), QStringLiteral("Mossgate BPM Checker Version 1.1"));
    EXPECT_EQ(labels[4]->buddy(), nullptr);
  });
  EXPECT_EQ(CDialog::StripMnemonic("Choose MIDI &Dev:"), "Choose MIDI Dev:");
  EXPECT_EQ(CDialog::StripMnemonic("R&&B &x&"), "R&B x");
}

TEST(Controls, TabOrderFollowsTheTemplate) {
  ProbeDialog dlg(IDD_SETTINGS);
  RunModal(dlg, [&](DialogWindow& w) {
    const std::vector<int> expected = {IDC_MIDI_DEVICE, IDC_MIDI_INSTRUMENT, IDC_VOLUME, IDOK,
                                       IDCANCEL};
    EXPECT_EQ(w.focusWidget(), w.control(expected[0])) << "the first tab stop starts focused";
    for (std::size_t i = 1; i <= expected.size(); ++i) {
      QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
      EXPECT_EQ(w.focusWidget(), w.control(expected[i % expected.size()])) << i;
    }
  });
}

TEST(Controls, DisablingAndHiding) {
  ProbeDialog dlg(IDD_BPM_DIALOG);
  RunModal(dlg, [&](DialogWindow&) {
    CWnd* start = dlg.GetDlgItem(IDC_START_BEAT);
    EXPECT_FALSE(start->EnableWindow(FALSE));
    EXPECT_FALSE(start->IsWindowEnabled());
    EXPECT_TRUE(start->EnableWindow(TRUE));
    EXPECT_TRUE(start->IsWindowEnabled());
    EXPECT_TRUE(start->ShowWindow(SW_HIDE));
    EXPECT_FALSE(start->IsWindowVisible());
  });
}

}  // namespace
