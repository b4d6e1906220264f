#include "framework/message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "support/message_recorder.h"

namespace {

TEST(MessageBoxTest, TextCaptionAndTypeReachTheHandler) {
  MessageRecorder recorder;
  EXPECT_EQ(AfxMessageBox("Something failed", MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(AfxMessageBox(IDS_ERR_NO_DEVICES, MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(AfxMessageBox("Plain"), IDOK);
  ASSERT_EQ(recorder.Boxes().size(), 3u);
  EXPECT_EQ(recorder.Boxes()[0].text, "Something failed");
  EXPECT_EQ(recorder.Boxes()[0].caption, "Mossgate");
  EXPECT_EQ(recorder.Boxes()[0].type, MB_ICONEXCLAMATION);
  EXPECT_EQ(recorder.Boxes()[1].text,
            "There does not appear to be any MIDI devices installed on your system. Check for "
            "the proper installation of MIDI devices and then re-start the application.");
  EXPECT_EQ(recorder.Boxes()[1].caption, "Mossgate");
  EXPECT_EQ(recorder.Boxes()[2].type, MB_OK);
}

TEST(MessageBoxTest, HandlersNestAndTheReplacedOneComesBack) {
  MessageRecorder outer;
  {
    MessageRecorder inner;
    AfxMessageBox("inner");
    EXPECT_EQ(inner.Boxes().size(), 1u);
  }
  AfxMessageBox("outer");
  ASSERT_EQ(outer.Boxes().size(), 1u);
  EXPECT_EQ(outer.Boxes()[0].text, "outer");
}

TEST(MessageBoxTest, HandlerMayBeReplacedWhileItRuns) {
  MessageRecorder recorder;
  int calls = 0;
  MessageBoxHandler previous;
  previous = SetMessageBoxHandler([&](const std::string&, const std::string&, UINT) {
    ++calls;
    SetMessageBoxHandler(previous);  // destroys the running handler's stored copy
    return IDCANCEL;
  });
  EXPECT_EQ(AfxMessageBox("first"), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("second"), IDOK);
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].text, "second");
}

// The real box, on Qt's offscreen platform, closed by a timer once it is up.
TEST(RealMessageBoxTest, WarningWithOkOnlyCaptionedMossgateWithLineBreaks) {
  int argc = 1;
  char name[] = "framework_message_tests";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  SetMessageBoxHandler({});

  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat format = Qt::AutoText;
  bool modal = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    poll.stop();
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    format = box->textFormat();
    modal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  poll.start(10);

  EXPECT_EQ(AfxMessageBox("first line <b>x</b>\r\nsecond line", MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(title, "Mossgate");
  EXPECT_EQ(text, "first line <b>x</b>\nsecond line");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_TRUE(modal);
}

}  // namespace
