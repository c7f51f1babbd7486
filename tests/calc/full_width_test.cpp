#include "calc/full_width.h"

#include <gtest/gtest.h>

#include <string>

namespace halverne {
namespace {

struct FoldCase {
  const char* name;
  std::string text;
  std::string folded;
};

class FoldFullWidth : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldFullWidth, FoldsAsTheTableSays) {
  EXPECT_EQ(fold_full_width(GetParam().text), GetParam().folded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FoldFullWidth,
    testing::Values(FoldCase{"Empty", "", ""}, FoldCase{"AsciiCopied", "1.75 kg\t~", "1.75 kg\t~"},
                    FoldCase{"FullWidthNumber", "\xA3\xB1\xA3\xAE\xA3\xB7\xA3\xB5", "1.75"},
                    FoldCase{"FullWidthSignsAndLetters",
                             "\xA3\xAB\xA3\xAD\xA3\xC5\xA3\xE5\xA3\xC4\xA3\xE4", "+-EeDd"},
                    FoldCase{"FirstAndLastOfA3Range", "\xA3\xA1\xA3\xFE", "!~"},
                    FoldCase{"A3OutsideRangeCopied", std::string("\xA3\xA0\xA3\xFF", 4),
                             std::string("\xA3\xA0\xA3\xFF", 4)},
                    FoldCase{"IdeographicSpace",
                             "\xA1\xA1"
                             "70",
                             " 70"},
                    FoldCase{"TildeAndStars", "\xA1\xAB\xA1\xEE\xA1\xEF", "~**"},
                    FoldCase{"OtherA1Copied", "\xA1\xA2\xA1\xF0", "\xA1\xA2\xA1\xF0"},
                    FoldCase{"HanziCopied", "\xC6\xDF\xCA\xAE", "\xC6\xDF\xCA\xAE"},
                    // The trail byte of a pair is never read as a character of its own:
                    // B0 A3 is one character, so the A3 B1 that seems to follow is not.
                    FoldCase{"PairsNotResynchronised", "\xB0\xA3\xB1", "\xB0\xA3"},
                    FoldCase{"TrailByteBelow80",
                             "\x81"
                             "1",
                             "\x81"
                             "1"},
                    FoldCase{"LoneLeadByteAtEndDropped", "5\xA3", "5"},
                    FoldCase{"OnlyALeadByte", "\xFF", ""}),
    [](const testing::TestParamInfo<FoldCase>& param_info) {
      return std::string(param_info.param.name);
    });

// The header's examples.
TEST(FoldFullWidthContract, HeaderExamplesHold) {
  EXPECT_EQ(fold_full_width("\xA3\xB1\xA3\xAE\xA3\xB7\xA3\xB5"), "1.75");
  EXPECT_EQ(fold_full_width("\xA1\xA1"
                            "70"),
            " 70");
  EXPECT_EQ(fold_full_width("\xC6\xDF\xCA\xAE"), "\xC6\xDF\xCA\xAE");
  EXPECT_EQ(fold_full_width("5\xA3"), "5");
}

// Every two-byte character against the table, and never longer than the text.
TEST(FoldFullWidthContract, EveryPairFoldsToAtMostOneByte) {
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string folded = fold_full_width(pair);
      int single = -1;  // the byte the table gives, if any
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) single = trail - 0x80;
      if (lead == 0xA1 && trail == 0xA1) single = ' ';
      if (lead == 0xA1 && trail == 0xAB) single = '~';
      if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) single = '*';
      const std::string expected = single >= 0 ? std::string(1, static_cast<char>(single)) : pair;
      ASSERT_EQ(folded, expected) << std::hex << lead << " " << trail;
    }
  }
}

}  // namespace
}  // namespace halverne
