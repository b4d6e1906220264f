#include "metronome/percussion.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

TEST(PercussionLabelsTest, FortySevenLabelsFromAcousticBassDrumToOpenTriangle) {
  const std::vector<std::string> labels = LoadPercussionLabels();
  ASSERT_EQ(labels.size(), 47u);
  EXPECT_EQ(labels.front(), "Acoustic Bass Drum [35]");
  EXPECT_EQ(labels[2], "Side Stick [37]");
  EXPECT_EQ(labels[21], "Cowbell [56]");
  EXPECT_EQ(labels.back(), "Open Triangle [81]");
}

TEST(PercussionLabelsTest, LabelAtEachPositionCarriesKeyOfThatPosition) {
  const std::vector<std::string> labels = LoadPercussionLabels();
  for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
    const std::string suffix = " [" + std::to_string(35 + i) + "]";
    ASSERT_GT(labels[i].size(), suffix.size()) << i;
    EXPECT_EQ(labels[i].substr(labels[i].size() - suffix.size()), suffix) << labels[i];
    EXPECT_NE(labels[i][0], ' ') << labels[i];
  }
}

TEST(PercussionConstantsTest, FirstAndDefaultKeys) {
  EXPECT_EQ(FIRST_PERCUSSION_NOTE, 35);
  EXPECT_EQ(DEFAULT_PERCUSSION_NOTE, 37);
}

struct IndexToNote {
  int index;
  BYTE note;
};

void PrintTo(const IndexToNote& c, std::ostream* os) { *os << c.index << " -> " << int{c.note}; }

class PercussionNoteFromIndexTest : public testing::TestWithParam<IndexToNote> {};

TEST_P(PercussionNoteFromIndexTest, AddsInEightBits) {
  EXPECT_EQ(PercussionNoteFromIndex(GetParam().index), GetParam().note);
}

INSTANTIATE_TEST_SUITE_P(Edges, PercussionNoteFromIndexTest,
                         testing::Values(IndexToNote{-1, 34}, IndexToNote{0, 35},
                                         IndexToNote{2, 37}, IndexToNote{46, 81},
                                         IndexToNote{-35, 0}, IndexToNote{-36, 255},
                                         IndexToNote{220, 255}, IndexToNote{221, 0}));

struct NoteToIndex {
  BYTE note;
  int index;
};

void PrintTo(const NoteToIndex& c, std::ostream* os) { *os << int{c.note} << " -> " << c.index; }

class PercussionIndexFromNoteTest : public testing::TestWithParam<NoteToIndex> {};

TEST_P(PercussionIndexFromNoteTest, SubtractsSigned) {
  EXPECT_EQ(PercussionIndexFromNote(GetParam().note), GetParam().index);
}

// 291 stored gives its low byte, key 35.
INSTANTIATE_TEST_SUITE_P(Edges, PercussionIndexFromNoteTest,
                         testing::Values(NoteToIndex{35, 0}, NoteToIndex{37, 2},
                                         NoteToIndex{81, 46}, NoteToIndex{34, -1},
                                         NoteToIndex{20, -15}, NoteToIndex{100, 65},
                                         NoteToIndex{0, -35}, NoteToIndex{255, 220},
                                         NoteToIndex{static_cast<BYTE>(291), 0}));

TEST(PercussionMappingTest, EveryListedPositionRoundTrips) {
  const int count = static_cast<int>(LoadPercussionLabels().size());
  for (int index = 0; index < count; ++index) {
    EXPECT_EQ(PercussionIndexFromNote(PercussionNoteFromIndex(index)), index);
  }
}

}  // namespace
