// The scrolling banner over the scripted window system, driven through the
// real frame and the program's own handler table; ticks come from the script.

#include "ui/banner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/program_handlers.h"
#include "support/fake_window_system.h"
#include "ui/layout.h"

namespace halverne {
namespace {

using enum Control;
using Key = KeyPress::Key;

// The main window as designed, but with 标签11 of another width.
class DesignWithLabelWidth {
 public:
  explicit DesignWithLabelWidth(int width) : window_(main_window_design()) {
    std::copy(window_.controls.begin(), window_.controls.end(), controls_.begin());
    controls_[0].width = width;  // 标签11 is the first in layout order
    window_.controls = controls_;
  }
  const WindowDesign& design() const { return window_; }

 private:
  std::array<ControlDesign, 16> controls_{};
  WindowDesign window_;
};

class Banner : public ::testing::Test {
 protected:
  explicit Banner(const WindowDesign& design = main_window_design())
      : frame_(ws, Program{design, program_handlers()}) {}

  int label_left() const { return ws.rect_of(标签11).left; }
  // Runs `count` ticks and notes the label's left after each.
  FakeWindowSystem& ticks(int count) {
    for (int i = 0; i < count; ++i) {
      ws.tick().then([this] { lefts.push_back(label_left()); });
    }
    return ws;
  }
  void run() {
    ws.press(Key::escape);
    ASSERT_EQ(ws.run_process([&] { return frame_.run(); }), 0);
    EXPECT_EQ(ws.steps_left(), 0u);
  }
  Frame& frame() { return frame_; }

  FakeWindowSystem ws;
  std::vector<int> lefts;

 private:
  Frame frame_;
};

// The lefts of one pass from a start at `start`: start - 1, ..., -label + 1,
// then start again on the tick that reaches -label.
std::vector<int> one_pass(int start, int label) {
  std::vector<int> lefts;
  for (int left = start - 1; left > -label; --left) lefts.push_back(left);
  lefts.push_back(start);
  return lefts;
}

TEST_F(Banner, StartsAtTheOuterWidthBeforeTheWindowIsShownAndStartsTheTimer) {
  ws.then([&] {
    EXPECT_EQ(label_left(), 307);  // the outer width, not the client width
    EXPECT_EQ(ws.rect_of(标签11), (Rect{307, 2, 296, 24}));
    EXPECT_EQ(ws.timer_period(时钟1), 5u);
  });
  ticks(1);
  run();
  EXPECT_EQ(lefts, std::vector<int>{306});
  const auto placed = ws.index_of("move 标签11 307,2 296x24");
  const auto started = ws.index_of("start_timer 时钟1 5");
  ASSERT_GE(placed, 0);
  ASSERT_GE(started, 0);
  EXPECT_LT(placed, started);
  EXPECT_LT(started, ws.index_of("show_and_activate main"));
  EXPECT_EQ(ws.calls_starting_with("start_timer").size(), 1u);
}

TEST_F(Banner, OnePassTakes603TicksAndWrapsOnReachingMinusTheLabelWidth) {
  ticks(603 + 2);
  run();
  std::vector<int> expected = one_pass(307, 296);
  ASSERT_EQ(expected.size(), 603u);
  EXPECT_EQ(expected[601], -295);
  expected.push_back(306);
  expected.push_back(305);
  EXPECT_EQ(lefts, expected);
  // The wrapping tick moves the label to -296 first, then back to 307.
  const auto moves = ws.calls_starting_with("move 标签11");
  const auto at_wrap = std::find(moves.begin(), moves.end(), "move 标签11 -296,2 296x24");
  ASSERT_NE(at_wrap, moves.end());
  ASSERT_NE(at_wrap + 1, moves.end());
  EXPECT_EQ(*(at_wrap + 1), "move 标签11 307,2 296x24");
  EXPECT_EQ(std::count(moves.begin(), moves.end(), "move 标签11 -296,2 296x24"), 1);
}

class WideLabel : public Banner {
 protected:
  WideLabel() : Banner(wide_.design()) {}
  static inline const DesignWithLabelWidth wide_{500};
};

TEST_F(WideLabel, PassLastsWindowPlusLabelWidthTicks) {
  ticks(807 + 1);
  run();
  std::vector<int> expected = one_pass(307, 500);
  ASSERT_EQ(expected.size(), 807u);
  expected.push_back(306);
  EXPECT_EQ(lefts, expected);
}

class EmptyLabel : public Banner {
 protected:
  EmptyLabel() : Banner(empty_.design()) {}
  static inline const DesignWithLabelWidth empty_{0};
};

TEST_F(EmptyLabel, WrapsWhenTheLeftReachesZero) {
  ticks(307 + 1);
  run();
  std::vector<int> expected = one_pass(307, 0);
  ASSERT_EQ(expected.size(), 307u);
  EXPECT_EQ(expected[305], 1);
  expected.push_back(306);
  EXPECT_EQ(lefts, expected);
}

class WidestLabel : public Banner {
 protected:
  WidestLabel() : Banner(widest_.design()) {}
  static inline const DesignWithLabelWidth widest_{32627};
};

TEST_F(WidestLabel, TestsThePositionReadBackNotTheOneAskedFor) {
  // At the lower limit a move to -32628 is held at -32627, which is the wrap
  // point of a label 32627 wide: the tick wraps.
  ws.then([&] { frame().set_left(标签11, -32627); });
  ticks(2);
  run();
  EXPECT_EQ(lefts, (std::vector<int>{307, 306}));
}

TEST_F(Banner, ALeftPastTheWrapPointRunsDownToTheLimitAndStays) {
  // Nothing in the program puts it there; the banner must not wrap anyway.
  ws.then([&] { frame().set_left(标签11, -400); });
  ticks(32627 - 400 + 5);
  run();
  ASSERT_EQ(lefts.size(), 32232u);
  EXPECT_EQ(lefts.front(), -401);
  EXPECT_EQ(lefts[32226], -32627);
  EXPECT_TRUE(std::all_of(lefts.begin() + 32226, lefts.end(), [](int l) { return l == -32627; }));
  EXPECT_TRUE(std::is_sorted(lefts.rbegin(), lefts.rend()));  // never back to the right
}

TEST_F(Banner, WrapsToTheWidthReadAtTheWrapWhileMinimised) {
  ticks(10);
  ws.minimise().then([&] { EXPECT_EQ(ws.rect_of(main_window).width, 160); });
  ticks(594);  // to the wrap and one tick beyond
  ws.restore();
  ticks(455);  // the rest of a pass that started at 160
  run();
  std::vector<int> expected = one_pass(307, 296);
  expected.back() = 160;  // the minimised window's width
  std::vector<int> second = one_pass(160, 296);
  second.back() = 307;  // restored by the time of the next wrap
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(lefts, expected);
}

TEST_F(Banner, KeepsMovingWhileTheNoticeIsOpen) {
  ws.press(Key::tab).type("7");  // no height: the notice opens
  ws.then([&] {
    ASSERT_TRUE(ws.box_open());
    EXPECT_EQ(label_left(), 307);
  });
  ticks(603);  // a whole pass, the wrap included, inside the box's own loop
  ws.then([&] { EXPECT_TRUE(ws.box_open()); });
  ws.type("0");  // the disabled window takes no input
  ws.answer_box();
  ticks(2);
  run();
  std::vector<int> expected = one_pass(307, 296);
  expected.push_back(306);
  expected.push_back(305);
  EXPECT_EQ(lefts, expected);
  EXPECT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.text_of(编辑框2), "7");
  EXPECT_EQ(ws.text_of(编辑框3), "");
}

}  // namespace
}  // namespace halverne
