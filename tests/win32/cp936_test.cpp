#include "app/win32/cp936.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "ui/layout.h"

namespace halverne::win32 {
namespace {

struct Pair {
  const char* what;
  Text bytes;
  std::wstring wide;
  friend void PrintTo(const Pair& p, std::ostream* os) { *os << p.what; }
};

// Both directions: what the user types reaches the handlers as these bytes,
// and what the handlers write shows as these characters, whatever the
// system's ANSI code page (Wine's is 1252 here).
class Cp936Pairs : public ::testing::TestWithParam<Pair> {};

TEST_P(Cp936Pairs, ConvertBothWays) {
  const Pair& p = GetParam();
  EXPECT_EQ(widen(p.bytes), p.wide);
  EXPECT_EQ(narrow(p.wide), p.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Cp936Pairs,
    ::testing::Values(
        Pair{"empty", "", L""}, Pair{"ascii", "1.75", L"1.75"},
        // Full-width digits and point arrive as A3 xx pairs for the folding.
        Pair{"full_width", "\xa3\xb1\xa3\xae\xa3\xb7\xa3\xb5", L"\uff11\uff0e\uff17\uff15"},
        Pair{"notice", "\xc7\xeb\xca\xe4\xc8\xeb\xc9\xed\xb8\xdf\xbb\xf2\xcc\xe5\xd6\xd8",
             L"\u8bf7\u8f93\u5165\u8eab\u9ad8\u6216\u4f53\u91cd"},  // 请输入身高或体重
        Pair{"mixed", "BMI\xd6\xb8\xca\xfd", L"BMI\u6307\u6570"}),  // BMI指数
    [](const auto& param_info) { return std::string(param_info.param.what); });

TEST(Cp936, LayoutGreetingShowsAsItsCharacters) {
  const auto& greeting = main_window_design().controls.front();
  ASSERT_EQ(greeting.name, "标签11");
  EXPECT_EQ(widen(greeting.text),
            L"\u5c0f\u5de5\u5177\uff0c\u5a31\u4e50\u5a31\u4e50\uff0c\u795d\u5927\u5bb6\u65b0"
            L"\u5e74\u5feb\u4e50\uff01");  // 小工具，娱乐娱乐，祝大家新年快乐！
}

// Every character of the GB2312 hanzi rows (B0A1..F7FE) survives the way
// into the window and back.
TEST(Cp936, Gb2312HanziRoundTrip) {
  int checked = 0;
  for (int lead = 0xb0; lead <= 0xf7; ++lead) {
    for (int trail = 0xa1; trail <= 0xfe; ++trail) {
      if (lead == 0xd7 && trail > 0xf9) continue;  // the unassigned end of row 55
      const Text bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::wstring wide = widen(bytes);
      ASSERT_EQ(wide.size(), 1u) << std::hex << lead << trail;
      ASSERT_GE(wide[0], 0x4e00) << std::hex << lead << trail;  // a CJK ideograph
      ASSERT_LE(wide[0], 0x9fff) << std::hex << lead << trail;
      ASSERT_EQ(narrow(wide), bytes) << std::hex << lead << trail;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 72 * 94 - 5);
}

TEST(Cp936, CharacterWithoutCodeBecomesQuestionMark) {
  EXPECT_EQ(narrow(L"a\u0e01b"), "a?b");  // a Thai letter
}

TEST(Cp936, LoneLeadByteGivesOneCharacter) {
  const std::wstring wide = widen("7\xb0");
  ASSERT_EQ(wide.size(), 2u);
  EXPECT_EQ(wide[0], L'7');
  EXPECT_NE(wide[1], L'\0');
}

// An edit box holds far more than any typed text; a pasted one of that size
// converts whole.
TEST(Cp936, LongTextConvertsWhole) {
  Text bytes;
  std::wstring wide;
  for (int i = 0; i < 100000; ++i) {
    bytes += "7\xa3\xb0";  // 7０
    wide += L"7\uff10";
  }
  EXPECT_EQ(widen(bytes), wide);
  EXPECT_EQ(narrow(wide), bytes);
}

}  // namespace
}  // namespace halverne::win32
