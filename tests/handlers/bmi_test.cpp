// The BMI calculation over the scripted window system, driven through the
// real frame and the program's own handler table.

#include "calc/bmi.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "app/fp_env.h"
#include "app/frame.h"
#include "app/program_handlers.h"
#include "support/fake_window_system.h"
#include "support/test_program.h"
#include "ui/layout.h"

namespace halverne {
namespace {

using enum Control;
using Key = KeyPress::Key;

// Code page 936 bytes of the notice; each line shows the characters.
const Text kNotice =
    "\xc7\xeb\xca\xe4\xc8\xeb\xc9\xed\xb8\xdf\xbb\xf2\xcc\xe5\xd6\xd8";  // 请输入身高或体重
const Text kCaption = "\xd0\xc5\xcf\xa2\xa3\xba";                        // 信息：

// --- the text comparison

TEST(CompareText, OrdersByUnsignedBytesUpToTheFirstDifference) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"", "", 0},           {nullptr, nullptr, 0}, {nullptr, "", 0}, {"", nullptr, 0},
      {nullptr, "a", -1},    {"a", nullptr, 1},     {" ", "", 1},  // a space is a byte like any
                                                                   // other
      {"abc", "abc", 0},     {"ab", "abc", -1},     {"abc", "ab", 1}, {"abd", "abc", 1},
      {"\x7f", "\x80", -1},  // bytes compare unsigned
      {"\xa3\xb1", "1", 1},  // full-width １ is not 1
      {"a\xff", "a\x01", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a ? c.a : "(absent)") + " vs " + (c.b ? c.b : "(absent)"));
    EXPECT_EQ(compare_text(c.a, c.b), c.expected);
  }
}

TEST(CompareText, StopsAtTheTerminatingZero) {
  EXPECT_EQ(compare_text(Text("ab\0x", 4), Text("ab\0y", 4)), 0);
  EXPECT_EQ(compare_text(Text("\0x", 2), Text()), 0);  // reads as the empty text
}

// --- the two steps with a 64-bit significand

// Inputs where rounding the exact result first to 64 bits and then to 53
// differs from rounding it once. Found by a one-off search over heights with
// 2 to 5 decimals in 1 .. 2.5 and weights 30.00 .. 150.00: the exact product
// and quotient were formed in 128-bit integers, rounded both ways (to nearest,
// ties to even), and the results cross-checked against long double. About one
// height in 2000 and one quotient in 2000 differ; the last column is what
// plain double arithmetic gives.
struct WideCase {
  const char* what;
  double a;
  double b;
  double extended;
  double plain;
};

// P = H x H: H is the double nearest the decimal in `what`.
constexpr WideCase kSquares[] = {
    {"1.3227", 0x1.529c779a6b50bp+0, 0, 0x1.bfe18b75bf74cp+0, 0x1.bfe18b75bf74dp+0},
    {"1.36146", 0x1.5c88a47ecfe9bp+0, 0, 0x1.da83c827f5b3p+0, 0x1.da83c827f5b2fp+0},
    {"1.11555", 0x1.1d94af4f0d845p+0, 0, 0x1.3e9464b12f8d6p+0, 0x1.3e9464b12f8d7p+0},
};
// Q = W / P: W is the double nearest the first decimal, P the square of the
// second (the same both ways for these heights).
constexpr WideCase kQuotients[] = {
    {"42.83 / 1.001", 0x1.56a3d70a3d70ap+5, 0x1.008323358f2dfp+0, 0x1.55f4abce5475ap+5,
     0x1.55f4abce54759p+5},
    {"104.59 / 1.001", 0x1.a25c28f5c28f6p+6, 0x1.008323358f2dfp+0, 0x1.a18647d24bcfp+6,
     0x1.a18647d24bcf1p+6},
    {"56.23 / 1.28", 0x1.c1d70a3d70a3dp+5, 0x1.a36e2eb1c432dp+0, 0x1.128f8p+5,
     0x1.128f7ffffffffp+5},
};

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
// Exact, and readable when a comparison fails.
std::string hex(double x) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", x);
  return text;
}

class WideArithmetic : public ::testing::Test {
 protected:
  // The environment the frame sets before any handler runs.
  void SetUp() override { reset_floating_point_environment(); }

  static double expected(const WideCase& c) {
    return bmi_uses_extended_precision() ? c.extended : c.plain;
  }
};

#if defined(__i386__) || defined(__x86_64__)
TEST_F(WideArithmetic, EveryX86BuildUsesTheExtendedFormat) {
  EXPECT_TRUE(bmi_uses_extended_precision());
}
#endif

TEST_F(WideArithmetic, SquareRoundsOnceFromA64BitSignificand) {
  for (const WideCase& c : kSquares) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(hex(bmi_square(c.a)), hex(expected(c)));
    if constexpr (FLT_EVAL_METHOD == 0) {
      // The case is real: plain double arithmetic lands on the other side.
      const volatile double h = c.a;
      EXPECT_EQ(hex(h * h), hex(c.plain));
    }
  }
}

TEST_F(WideArithmetic, QuotientRoundsOnceFromA64BitSignificand) {
  for (const WideCase& c : kQuotients) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(hex(bmi_quotient(c.a, c.b)), hex(expected(c)));
    if constexpr (FLT_EVAL_METHOD == 0) {
      const volatile double w = c.a;
      EXPECT_EQ(hex(w / c.b), hex(c.plain));
    }
  }
}

TEST_F(WideArithmetic, ExceptionsAreMaskedAndGiveTheirDefaultResults) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(bmi_quotient(70, bmi_square(0)), inf);
  EXPECT_EQ(bmi_quotient(-70, bmi_square(-0.0)), -inf);
  // 0 / 0: the default NaN, sign set, quiet, no payload.
  EXPECT_EQ(bits(bmi_quotient(0, bmi_square(0))), 0xfff8000000000000u);
  // Beyond the double range only after the rounding to double: the extended
  // exponent range holds 1e200 squared, the double does not.
  EXPECT_EQ(bmi_square(1e200), inf);
  EXPECT_EQ(bits(bmi_square(1e-200)), 0u);
  EXPECT_EQ(bmi_quotient(1e308, bmi_square(0.1)), inf);
  // A square in the subnormal range keeps the subnormal's precision: 2.25
  // units of the smallest subnormal become 2; half a unit or less becomes 0.
  EXPECT_EQ(bmi_square(0x1.8p-537), 0x1p-1073);
  EXPECT_EQ(bits(bmi_square(0x1p-538)), 0u);
}

// --- the handlers in the running program

// The shipped handler table over the fake; the focus starts in 编辑框1.
class BmiProgram : public ::testing::Test {
 protected:
  // Ends the script and runs the program through it.
  void run() {
    ws.press(Key::escape);
    ASSERT_EQ(ws.run_process([&] { return frame.run(); }), 0);
    EXPECT_EQ(ws.steps_left(), 0u);
  }
  // Fills the two boxes the way a user does, each with one change.
  FakeWindowSystem& enter(const Text& height, const Text& weight) {
    if (!height.empty()) ws.paste(height);
    ws.press(Key::tab);
    if (!weight.empty()) ws.paste(weight);
    return ws;
  }
  // Checks the result box at this point of the script.
  FakeWindowSystem& expect_result(const Text& expected) {
    return ws.then([this, expected] { EXPECT_EQ(ws.text_of(编辑框3), expected); });
  }
  std::size_t result_writes() const { return ws.calls_starting_with("set_text 编辑框3").size(); }

  FakeWindowSystem ws;
  Frame frame{ws, Program{main_window_design(), program_handlers()}};
};

TEST(BmiResults, WritesTheIndexOfTheTwoTexts) {
  struct Row {
    const char* height;
    const char* weight;
    const char* result;
  };
  const Row rows[] = {
      {"1.75", "70", "22.85714285714"},
      {"1.6", "60", "23.4375"},  // P = 2.5600000000000005, Q = 23.437499999999996
      {"1.70", "65", "22.49134948097"},
      {"175", "70", "0.002285714285714"},
      {"\xa3\xb1\xa3\xae\xa3\xb7\xa3\xb5", "\xa3\xb7\xa3\xb0", "22.85714285714"},  // １．７５, ７０
      {"1.75m", "70kg", "22.85714285714"},
      {"1,75", "70", "70"},
      {"-1.75", "70", "22.85714285714"},
      {"0", "70", "1.#INF"},
      {"abc", "70", "1.#INF"},
      {" ", "70", "1.#INF"},  // present, but reads as 0
      {"0", "-70", "-1.#INF"},
      {"0", "0", "-1.#IND"},
      {"1.75", "abc", "0"},
      {"1", "-0", "0"},
      {"1e200", "70", "0"},        // the square overflows
      {"1e-200", "70", "1.#INF"},  // the square underflows
      {"0.1", "1e308", "1.#INF"},  // the quotient overflows
      {"100000", "1", "1e-010"},
      {"1", "1e13", "1e+013"},
      // The 64-bit significand shows in the 13th digit; plain double
      // arithmetic ends in 2, 8 and 7 here (the square differs for the
      // first two heights, the quotient for the third).
      {"1.3227", "37.04", "21.17133630383"},
      {"1.36146", "32.84", "17.71713017237"},
      {"1.28", "56.23", "34.32006835938"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.height) + " / " + row.weight);
    FakeWindowSystem ws;
    Frame frame(ws, Program{main_window_design(), program_handlers()});
    ws.paste(row.height).press(Key::tab).paste(row.weight).press(Key::escape);
    ASSERT_EQ(ws.run_process([&] { return frame.run(); }), 0);
    EXPECT_EQ(ws.text_of(编辑框3), row.result);
    EXPECT_TRUE(ws.boxes().empty());
  }
}

TEST_F(BmiProgram, TypingAndDeletingTheWeightRecomputesEachTime) {
  ws.type("1.75").press(Key::tab);
  ws.type("7");
  expect_result("2.285714285714");
  ws.type("0");
  expect_result("22.85714285714");
  ws.backspace();
  expect_result("2.285714285714");
  ws.backspace();  // the weight box is empty now: the notice, over the old result
  ws.then([&] {
    ASSERT_TRUE(ws.box_open());
    EXPECT_EQ(ws.text_of(编辑框2), "");
    EXPECT_EQ(ws.text_of(编辑框3), "2.285714285714");
  });
  ws.answer_box();
  run();
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].text, kNotice);
  EXPECT_EQ(ws.boxes()[0].caption, kCaption);
  EXPECT_EQ(ws.boxes()[0].icon, BoxIcon::none);
  EXPECT_EQ(ws.text_of(编辑框3), "2.285714285714");
  EXPECT_EQ(result_writes(), 3u);
}

TEST_F(BmiProgram, EmptyHeightGivesTheNoticeOnEveryKeystrokeAndComputesNothing) {
  ws.press(Key::tab);
  for (const char* key : {"7", "0"}) {
    ws.type(key).then([&] { EXPECT_TRUE(ws.box_open()); }).answer_box();
  }
  ws.backspace().answer_box();
  run();
  EXPECT_EQ(ws.boxes().size(), 3u);
  EXPECT_EQ(ws.text_of(编辑框2), "7");
  EXPECT_EQ(result_writes(), 0u);
  EXPECT_EQ(ws.text_of(编辑框3), "");
}

TEST_F(BmiProgram, ChangingTheHeightComputesNothingUntilTheWeightChanges) {
  enter("1.75", "70");
  expect_result("22.85714285714");
  ws.click(编辑框1).backspace().backspace().type("8");  // 1.75 -> 1.8
  ws.then([&] {
    EXPECT_EQ(ws.text_of(编辑框1), "1.8");
    EXPECT_EQ(ws.text_of(编辑框3), "22.85714285714");
    EXPECT_EQ(result_writes(), 1u);
  });
  ws.click(编辑框2).backspace();
  expect_result("2.16049382716");  // 7 / 1.8²
  ws.type("0");
  expect_result("21.6049382716");
  run();
  EXPECT_TRUE(ws.boxes().empty());
}

TEST_F(BmiProgram, TwoEmptyBoxesGiveOneNotice) {
  // Typing a weight and deleting it again while the height was never
  // filled: each change gives one notice, the second one for both boxes.
  ws.press(Key::tab).type("7").answer_box();
  ws.backspace().then([&] {
    EXPECT_EQ(ws.text_of(编辑框1), "");
    EXPECT_EQ(ws.text_of(编辑框2), "");
    EXPECT_EQ(ws.boxes().size(), 2u);
  });
  ws.answer_box();
  run();
  EXPECT_EQ(ws.boxes().size(), 2u);
  EXPECT_EQ(ws.calls_starting_with("message_box ").size(), 2u);
}

TEST_F(BmiProgram, TheNoticeLeavesTheResultAndTheOtherBoxesAlone) {
  enter("1.75", "70");
  ws.click(编辑框1).backspace().backspace().backspace().backspace();  // height empty
  ws.click(编辑框2).type("5").answer_box();
  run();
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.text_of(编辑框1), "");
  EXPECT_EQ(ws.text_of(编辑框2), "705");
  EXPECT_EQ(ws.text_of(编辑框3), "22.85714285714");
  EXPECT_EQ(result_writes(), 1u);
}

// What a handler asks of property access, in order.
class RecordingAccess final : public PropertyAccess {
 public:
  explicit RecordingAccess(PropertyAccess& inner) : inner_(inner) {}
  std::vector<std::string> log;

  std::int32_t left(Control c) override { return note("left", c), inner_.left(c); }
  std::int32_t top(Control c) override { return note("top", c), inner_.top(c); }
  std::int32_t width(Control c) override { return note("width", c), inner_.width(c); }
  std::int32_t height(Control c) override { return note("height", c), inner_.height(c); }
  void set_left(Control c, double v) override { note("set_left", c), inner_.set_left(c, v); }
  void set_top(Control c, double v) override { note("set_top", c), inner_.set_top(c, v); }
  void set_width(Control c, double v) override { note("set_width", c), inner_.set_width(c, v); }
  void set_height(Control c, double v) override { note("set_height", c), inner_.set_height(c, v); }
  Text text(Control c) override { return note("text", c), inner_.text(c); }
  void set_text(Control c, const Text& v) override { note("set_text", c), inner_.set_text(c, v); }
  void set_timer_period(Control c, double ms) override {
    note("set_timer_period", c), inner_.set_timer_period(c, ms);
  }
  int message_box(const Text& text, const Text& caption) override {
    log.push_back("message_box");
    return inner_.message_box(text, caption);
  }

 private:
  void note(const char* what, Control c) {
    const auto controls = main_window_design().controls;
    const auto index = static_cast<std::size_t>(c);
    log.push_back(std::string(what) + " " +
                  std::string(index == 0 ? "main" : controls[index - 1].name));
  }
  PropertyAccess& inner_;
};

// The handler's calls on property access, with the real frame behind them;
// `log` holds those of the last run of the handler.
class HandlerCalls : public ::testing::Test {
 protected:
  HandlerCalls() {
    test.on(handler_names::weight_box,
            [this](PropertyAccess& access) { record(access, &weight_box_changed); });
    test.on(handler_names::height_box,
            [this](PropertyAccess& access) { record(access, &height_box_changed); });
  }
  void record(PropertyAccess& access, Handler handler) {
    RecordingAccess recording(access);
    handler(recording);
    log = recording.log;
  }
  void run() {
    ws.press(Key::escape);
    ASSERT_EQ(ws.run_process([&] { return frame.run(); }), 0);
  }

  FakeWindowSystem ws;
  TestProgram test{ws};
  Frame frame{ws, test.program()};
  std::vector<std::string> log;
};

TEST_F(HandlerCalls, HeightFirstThenWeightThenWeightBeforeHeight) {
  ws.paste("1.75").press(Key::tab).paste("70");
  run();
  EXPECT_EQ(log, (std::vector<std::string>{"text 编辑框1", "text 编辑框2", "text 编辑框2",
                                           "text 编辑框1", "set_text 编辑框3"}));
}

TEST_F(HandlerCalls, AnEmptyHeightLeavesTheWeightUnread) {
  ws.press(Key::tab).paste("70").answer_box();
  run();
  EXPECT_EQ(log, (std::vector<std::string>{"text 编辑框1", "message_box"}));
}

TEST_F(HandlerCalls, AnEmptyWeightIsReadOnce) {
  ws.paste("1.75").press(Key::tab).type("7").backspace().answer_box();
  run();
  EXPECT_EQ(log, (std::vector<std::string>{"text 编辑框1", "text 编辑框2", "message_box"}));
}

TEST_F(HandlerCalls, HeightBoxHandlerTouchesNothing) {
  ws.type("1");
  log = {"not run"};
  run();
  EXPECT_EQ(test.calls(handler_names::height_box), 1);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace halverne
