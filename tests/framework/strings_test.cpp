#include "framework/strings.h"

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"

namespace {

TEST(LoadStringResourceTest, LoadsByNumberAndGivesEmptyForMissing) {
  EXPECT_EQ(LoadStringResource(AFX_IDS_APP_TITLE), "Mossgate");
  EXPECT_EQ(LoadStringResource(IDS_ERR_CLOSE), "MIDI ERROR Closing device: rc=%u");
  EXPECT_GT(LoadStringResource(IDS_PERCUSSION_NAMES).size(), 256u);
  EXPECT_EQ(LoadStringResource(9999), "");
}

TEST(FormatTextTest, UnsignedDecimalsIntoALoadedText) {
  EXPECT_EQ(FormatText(LoadStringResource(IDS_ERR_OPEN).c_str(), 3u, 2u),
            "MIDI ERROR Opening device: 3 rc=2\r\nClick on the Settings button to make sure you "
            "have chosen a valid MIDI device for your system.");
  EXPECT_EQ(FormatText(LoadStringResource(IDS_ERR_CLOSE).c_str(), 0xFFFFFFFFu),
            "MIDI ERROR Closing device: rc=4294967295");
}

TEST(FormatTextTest, ResultOfAnyLengthIsWhole) {
  EXPECT_EQ(FormatText("%s", ""), "");
  const std::string longText(5000, 'x');
  EXPECT_EQ(FormatText("<%s>%d", longText.c_str(), -7), "<" + longText + ">-7");
}

}  // namespace
