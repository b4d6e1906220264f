// The dialog templates hold exactly the rows the windows are built from.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

struct Row {
  const char* cls;
  int id;
  const char* caption;
  unsigned icon;
  short x, y, cx, cy;
  std::uint32_t style;
};

void ExpectRows(const DialogTemplate& t, const std::vector<Row>& rows) {
  ASSERT_EQ(t.itemCount, rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    const DialogItemTemplate& item = t.items[i];
    const Row& row = rows[i];
    EXPECT_STREQ(item.className, row.cls);
    EXPECT_EQ(item.id, row.id);
    if (row.caption) {
      EXPECT_STREQ(item.caption, row.caption);
    } else {
      EXPECT_EQ(item.caption, nullptr);
    }
    EXPECT_EQ(item.iconId, row.icon);
    EXPECT_EQ(item.x, row.x);
    EXPECT_EQ(item.y, row.y);
    EXPECT_EQ(item.cx, row.cx);
    EXPECT_EQ(item.cy, row.cy);
    EXPECT_EQ(item.style, row.style);
  }
}

TEST(DialogTemplates, MainWindowTemplate) {
  const DialogTemplate* t = FindDialogTemplate(IDD_BPM_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->caption, "Mossgate BPM Checker");
  EXPECT_EQ(t->x, 0);
  EXPECT_EQ(t->y, 0);
  EXPECT_EQ(t->cx, 187);
  EXPECT_EQ(t->cy, 130);
  EXPECT_EQ(t->style, 0x90C808C0u);
  EXPECT_EQ(t->style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER |
                          DS_MODALFRAME | DS_SETFONT);
  EXPECT_EQ(t->exStyle, WS_EX_APPWINDOW);
  EXPECT_STREQ(t->fontFace, "MS Sans Serif");
  EXPECT_EQ(t->pointSize, 8);
  EXPECT_EQ(t->weight, 0);
  EXPECT_FALSE(t->italic);
  EXPECT_EQ(t->charSet, 1);
  EXPECT_TRUE(t->extended);
  EXPECT_EQ(t->language, 1033);
  ExpectRows(*t, {
                     {"BUTTON", 1002, nullptr, 0, 105, 5, 20, 20, 0x50018040},
                     {"BUTTON", 1003, nullptr, 0, 105, 25, 20, 20, 0x50018040},
                     {"BUTTON", 1001, "Start &Beat", 0, 130, 5, 50, 40, 0x50010000},
                     {"BUTTON", 1009, "&Settings", 0, 130, 55, 50, 20, 0x50010000},
                     {"BUTTON", 1, "&Close", 0, 130, 90, 50, 14, 0x50010000},
                     {"STATIC", 1000, nullptr, 0, 5, 5, 100, 40, 0x50021001},
                     {"STATIC", 1005, nullptr, 0, 10, 60, 110, 35, 0x50020000},
                     {"BUTTON", 1004, "Keyboard Hints", 0, 5, 50, 120, 55, 0x50000007},
                     {"STATIC", 1010, nullptr, 0, 10, 30, 90, 10, 0x50020001},
                     {"BUTTON", 1013, "Click for more &DJ Software", 0, 5, 110, 175, 15,
                      0x50010000},
                 });
}

TEST(DialogTemplates, SettingsTemplate) {
  const DialogTemplate* t = FindDialogTemplate(IDD_SETTINGS);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->caption, "About Mossgate BPM Checker");
  EXPECT_EQ(t->cx, 237);
  EXPECT_EQ(t->cy, 121);
  EXPECT_EQ(t->style, 0x80C800C0u);
  EXPECT_EQ(t->style & DS_CENTER, 0u);
  EXPECT_EQ(t->exStyle, 0u);
  EXPECT_STREQ(t->fontFace, "MS Sans Serif");
  EXPECT_EQ(t->pointSize, 8);
  EXPECT_FALSE(t->extended);
  ASSERT_EQ(t->itemCount, 12u);
  ExpectRows(*t, {
                     {"STATIC", -1, "Choose MIDI &Dev:", 0, 10, 50, 70, 10, 0x50020002},
                     {"COMBOBOX", 1006, nullptr, 0, 85, 50, 140, 65, 0x50210003},
                     {"STATIC", -1, "Choose MIDI &Inst:", 0, 10, 70, 70, 10, 0x50020002},
                     {"COMBOBOX", 1007, nullptr, 0, 85, 70, 140, 70, 0x50210003},
                     {"STATIC", -1, "&Vol:", 0, 5, 100, 20, 10, 0x50020002},
                     {"msctls_trackbar32", 1011, "Slider1", 0, 25, 95, 205, 20, 0x50010005},
                     {"BUTTON", 1, "&OK", 0, 190, 5, 40, 14, 0x50030001},
                     {"BUTTON", 2, "&Cancel", 0, 190, 25, 40, 15, 0x50010000},
                     {"STATIC", -1, nullptr, 128, 10, 10, 18, 20, 0x50000003},
                     {"STATIC", -1, "Mossgate BPM Checker Version 1.1", 0, 40, 10, 135, 8,
                      0x50020080},
                     {"STATIC", -1, t->items[10].caption, 0, 40, 25, 135, 8, 0x50020000},
                     {"BUTTON", -1, "Settings", 0, 5, 40, 225, 50, 0x50000007},
                 });
  // The maker's notice is one non-empty line.
  ASSERT_NE(t->items[10].caption, nullptr);
  EXPECT_GT(std::strlen(t->items[10].caption), 0u);
  EXPECT_EQ(std::strchr(t->items[10].caption, '\n'), nullptr);
}

TEST(DialogTemplates, UnknownIdHasNoTemplate) { EXPECT_EQ(FindDialogTemplate(101), nullptr); }

}  // namespace
