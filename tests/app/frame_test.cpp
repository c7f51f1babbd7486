// The frame's rules on the scripted window system: the start routine and
// loading order, the event gate, dispatch and nesting, property access, the
// keys, focus, shut-down and the fatal error box.

#include "app/frame.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/frame_texts.h"
#include "support/fake_window_system.h"
#include "support/test_program.h"
#include "ui/layout.h"

namespace halverne {
namespace {

using Key = KeyPress::Key;
using enum Control;
namespace names = handler_names;

class FrameTest : public ::testing::Test {
 protected:
  int run() {
    return ws.run_process([&] { return frame.run(); });
  }

  FakeWindowSystem ws;
  TestProgram program{ws};
  Frame frame{ws, program.program()};
};

// The fatal error box's text for a message, as the user reads it.
Text fatal_box_text(std::string_view message) {
  return Text(frame_texts::runtime_error) + Text(frame_texts::error_message_label) + Text(message) +
         "\r\n";
}

std::vector<std::string> prefixed(std::string_view prefix,
                                  std::initializer_list<const char*> names_in_order) {
  std::vector<std::string> out;
  for (const char* n : names_in_order) out.push_back(std::string(prefix) + n);
  return out;
}

TEST_F(FrameTest, StartsLoadsRunsAndEndsInOrder) {
  ws.close_button();
  EXPECT_EQ(run(), 0);

  std::vector<std::string> expected = {"change_to_program_directory", "start hook",
                                       "create_window 358,289 307x189"};
  // Hidden, in the reverse of layout order.
  for (const std::string& c :
       prefixed("create_control ",
                {"时钟1", "标签1", "标签2", "编辑框1", "编辑框2", "标签3", "编辑框3", "外形框1",
                 "标签4", "标签5", "标签6", "标签7", "标签8", "标签9", "标签10", "标签11"})) {
    expected.push_back(c);
  }
  expected.push_back("set_parent 标签5 外形框1");
  expected.push_back(
      "stack 标签11 标签10 标签9 标签8 标签7 标签6 标签4 外形框1 编辑框3 标签3 编辑框2 编辑框1 "
      "标签2 标签1 时钟1");
  expected.push_back("stack 标签5");
  for (const std::string& c :
       prefixed("show ", {"标签11", "标签10", "标签9", "标签8", "标签7", "标签6", "标签5", "标签4",
                          "外形框1", "编辑框3", "标签3", "编辑框2", "编辑框1", "标签2", "标签1"})) {
    expected.push_back(c);
  }
  for (const char* c : {"handler banner.start", "show_and_activate main", "set_focus 编辑框1",
                        "destroy main", "post_quit 0", "end hook", "return 0"}) {
    expected.push_back(c);
  }
  EXPECT_EQ(ws.calls(), expected);
}

TEST_F(FrameTest, StartHandlerRunsWithEveryControlShownAndTheWindowStillHidden) {
  program.on(names::banner_start, [&](PropertyAccess&) {
    EXPECT_FALSE(ws.visible(main_window));
    EXPECT_TRUE(ws.visible(编辑框1));
    EXPECT_TRUE(ws.visible(标签11));
    EXPECT_FALSE(ws.visible(时钟1));  // never shown
    EXPECT_EQ(ws.parent_of(标签5), 外形框1);
  });
  ws.close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(program.calls(names::banner_start), 1);
}

TEST(FramePlacement, CentresTheOuterRectangleOnTheWholeScreen) {
  struct Case {
    Size screen;
    int left, top;
  };
  const std::array cases = {
      Case{{1024, 768}, 358, 289},  // 358.5 and 289.5 truncated
      Case{{300, 200}, -3, 5},      // -3.5 truncated toward zero, not -4
      Case{{1920, 1080}, 806, 445},
      Case{{307, 189}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.screen.width) + "x" + std::to_string(c.screen.height));
    FakeWindowSystem ws;
    ws.screen = c.screen;
    TestProgram program(ws);
    Frame frame(ws, program.program());
    ws.then([&] {
        EXPECT_EQ(ws.rect_of(main_window), (Rect{c.left, c.top, 307, 189}));
      }).close_button();
    EXPECT_EQ(ws.run_process([&] { return frame.run(); }), 0);
    EXPECT_EQ(ws.calls_starting_with("create_window"),
              std::vector<std::string>{"create_window " + std::to_string(c.left) + "," +
                                       std::to_string(c.top) + " 307x189"});
    EXPECT_TRUE(ws.calls_starting_with("move").empty());
  }
}

TEST_F(FrameTest, OuterSizeChangedByThePlatformIsSetBackAtTheSamePlace) {
  ws.platform_window_size = Size{315, 197};
  ws.close_button();
  EXPECT_EQ(run(), 0);
  const auto created = ws.index_of("create_window 358,289 307x189");
  ASSERT_GE(created, 0);
  EXPECT_EQ(ws.calls()[static_cast<std::size_t>(created) + 1], "move main 358,289 307x189");
  EXPECT_EQ(ws.rect_of(main_window), (Rect{358, 289, 307, 189}));
}

TEST_F(FrameTest, EventsRaisedWhileLoadingAreDroppedNotDeferred) {
  // A platform that reports changes and expiries while the controls are made.
  ws.after_create = [&](Control c) {
    if (c == 编辑框1 || c == 编辑框2) ws.notify_edit_changed(c);
    if (c == 时钟1) ws.notify_timer_expired(c);
    if (c == 标签11) {  // the last one: all exist now
      ws.notify_edit_changed(编辑框2);
      ws.notify_timer_expired(时钟1);
    }
  };
  ws.close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(program.calls(names::weight_box), 0);
  EXPECT_EQ(program.calls(names::height_box), 0);
  EXPECT_EQ(program.calls(names::banner_tick), 0);
  EXPECT_EQ(ws.calls_starting_with("handler"), std::vector<std::string>{"handler banner.start"});
}

TEST_F(FrameTest, EachUserChangeRaisesOneEventAfterTheTextIsInPlace) {
  std::vector<Text> weight_seen;
  program.on(names::weight_box, [&](PropertyAccess& p) { weight_seen.push_back(p.text(编辑框2)); });
  ws.type("1.7")        // the focus starts in 编辑框1
      .press(Key::tab)  // moving the focus raises nothing
      .type("6")
      .paste("5.5")  // many characters, one change
      .backspace()
      .type("\xb0\xa1")  // one two-byte character: one change
      .press(Key::tab)
      .type("9")  // 编辑框3 takes typing; nothing is bound to it
      .close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(program.calls(names::height_box), 3);
  EXPECT_EQ(weight_seen, (std::vector<Text>{"6", "65.5", "65.", "65.\xb0\xa1"}));
  EXPECT_EQ(ws.text_of(编辑框3), "9");
}

TEST_F(FrameTest, AProgramWriteRaisesExactlyOneEventEvenForTheSameText) {
  std::vector<Text> seen;
  program.on(names::weight_box, [&](PropertyAccess& p) { seen.push_back(p.text(编辑框2)); });
  program.on(names::banner_start, [&](PropertyAccess& p) {
    p.set_text(编辑框2, "12");
    ws.note("written once");
    p.set_text(编辑框2, "12");  // unchanged, still one event
    ws.note("written twice");
    p.set_text(编辑框3, "x");  // raised too, but nothing is bound
    p.set_text(标签1, "label");
  });
  ws.close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(seen, (std::vector<Text>{"12", "12"}));
  const auto& calls = ws.calls();
  const auto first = static_cast<std::size_t>(ws.index_of("set_text 编辑框2 12"));
  EXPECT_EQ(
      std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(first),
                               calls.begin() + static_cast<std::ptrdiff_t>(first) + 8),
      (std::vector<std::string>{"set_text 编辑框2 12", "handler bmi.weight_box", "written once",
                                "set_text 编辑框2 12", "handler bmi.weight_box", "written twice",
                                "set_text 编辑框3 x", "set_text 标签1 label"}));
  EXPECT_EQ(ws.text_of(标签1), "label");
}

TEST_F(FrameTest, IntegerPropertiesAreTruncatedThenClamped) {
  struct Case {
    double value;
    int left;   // after set_left
    int width;  // after set_width
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::array cases = {
      Case{3.9, 3, 3},           Case{-3.9, -3, 0},
      Case{-0.5, 0, 0},          Case{32627.9, 32627, 32627},
      Case{32628, 32627, 32627},  // 32627, not 32767
      Case{1e12, 32627, 32627},  Case{-32627.9, -32627, 0},
      Case{-40000, -32627, 0},   Case{inf, 32627, 32627},
      Case{-inf, -32627, 0},     Case{nan, -32627, 0},  // the lowest, as the x87 conversion gives
  };
  program.on(names::banner_start, [&](PropertyAccess& p) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.value);
      p.set_left(标签11, c.value);
      p.set_width(标签10, c.value);
      EXPECT_EQ(p.left(标签11), c.left);
      EXPECT_EQ(p.width(标签10), c.width);
    }
    // Each write moves one axis only.
    p.set_top(标签9, 40.2);
    p.set_height(标签9, -7);
    EXPECT_EQ(ws.rect_of(标签9), (Rect{160, 40, 48, 0}));
    EXPECT_EQ(ws.rect_of(标签11), (Rect{-32627, 2, 296, 24}));
  });
  ws.close_button();
  EXPECT_EQ(run(), 0);
}

TEST_F(FrameTest, ReadsReturnWhatTheWindowSystemHasNow) {
  ws.then([&] {
      ws.move(ws.ref_of(标签5), Rect{1, 2, 3, 4});
    })
      .minimise()
      .then([&] {
        // As the banner sees the main window while it is minimised.
        EXPECT_EQ(frame.width(main_window), 160);
        EXPECT_EQ(frame.left(main_window), -32000);
        EXPECT_EQ(frame.left(标签5), 1);
        EXPECT_EQ(frame.top(标签5), 2);
        EXPECT_EQ(frame.width(标签5), 3);
        EXPECT_EQ(frame.height(标签5), 4);
      })
      .restore()
      .then([&] {
        EXPECT_EQ(frame.width(main_window), 307);
        EXPECT_EQ(frame.text(main_window), "Halverne");
      })
      .close_button();
  EXPECT_EQ(run(), 0);
}

TEST_F(FrameTest, TimerPeriodWritesFollowTheirRules) {
  program.on(names::banner_start, [&](PropertyAccess& p) {
    p.set_timer_period(时钟1, 0);   // already 0: nothing
    p.set_timer_period(时钟1, -3);  // counts as 0: nothing
    p.set_timer_period(时钟1, 5);
    p.set_timer_period(时钟1, 5.9);  // truncated to the same value: nothing
    p.set_timer_period(时钟1, 7);
    p.set_timer_period(时钟1, -1);   // stops
    p.set_timer_period(时钟1, 0.5);  // 0 again: nothing
    p.set_timer_period(时钟1, 5);
  });
  ws.wait(4)
      .then([&] { EXPECT_EQ(program.calls(names::banner_tick), 0); })
      .wait(1)  // the first tick one period after the write
      .then([&] { EXPECT_EQ(program.calls(names::banner_tick), 1); })
      .wait(20)
      .then([&] { EXPECT_EQ(program.calls(names::banner_tick), 5); })
      .close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(ws.calls_starting_with({"start_timer", "stop_timer"}),
            (std::vector<std::string>{"start_timer 时钟1 5", "start_timer 时钟1 7",
                                      "stop_timer 时钟1", "start_timer 时钟1 5"}));
}

TEST_F(FrameTest, RewritingAPeriodRestartsTheTimerFromNow) {
  program.on(names::banner_start, [&](PropertyAccess& p) { p.set_timer_period(时钟1, 10); });
  int writes = 0;
  program.on(names::banner_tick, [&](PropertyAccess& p) {
    if (++writes == 1) p.set_timer_period(时钟1, 30);
  });
  ws.wait(10)  // tick at 10 restarts with 30
      .wait(29)
      .then([&] { EXPECT_EQ(program.calls(names::banner_tick), 1); })
      .wait(1)
      .then([&] { EXPECT_EQ(program.calls(names::banner_tick), 2); })
      .close_button();
  EXPECT_EQ(run(), 0);
}

TEST_F(FrameTest, TabAndShiftTabCycleThroughTheThreeEditBoxes) {
  std::vector<std::optional<Control>> seen;
  auto look = [&] { seen.push_back(ws.focused()); };
  ws.then(look);
  for (int i = 0; i < 3; ++i) ws.press(Key::tab).then(look);
  for (int i = 0; i < 2; ++i) ws.press(Key::tab, true).then(look);
  // None of these is the main window's: focus and window stay.
  KeyPress ctrl_tab;
  ctrl_tab.key = Key::tab;
  ctrl_tab.control = true;
  ws.press(ctrl_tab).press(Key::enter).press(Key::escape, true).press(Key::other).then(look);
  ws.close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(seen, (std::vector<std::optional<Control>>{编辑框1, 编辑框2, 编辑框3, 编辑框1, 编辑框3,
                                                       编辑框2, 编辑框2}));
  EXPECT_EQ(ws.calls_starting_with("destroy"), std::vector<std::string>{"destroy main"});
}

TEST_F(FrameTest, TabFromOutsideTheCycleGoesToItsFirstOrLast) {
  auto focus_label = [&] { ws.set_focus(ws.ref_of(标签3)); };  // as a click on it might
  ws.then(focus_label)
      .press(Key::tab, true)
      .then([&] { EXPECT_EQ(ws.focused(), 编辑框3); })
      .then(focus_label)
      .press(Key::tab)
      .then([&] { EXPECT_EQ(ws.focused(), 编辑框1); })
      .close_button();
  EXPECT_EQ(run(), 0);
}

TEST(FrameShutDown, EachCloseRequestEndsWithExitCodeZeroAndTheEndHookOnce) {
  struct Case {
    const char* how;
    void (*request)(FakeWindowSystem&);
  };
  const std::array cases = {
      Case{"close button", [](FakeWindowSystem& ws) { ws.close_button(); }},
      Case{"Alt+F4", [](FakeWindowSystem& ws) { ws.alt_f4(); }},
      Case{"Esc in 编辑框2", [](FakeWindowSystem& ws) { ws.press(Key::tab).press(Key::escape); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    FakeWindowSystem ws;
    TestProgram program(ws);
    program.on(names::banner_start, [](PropertyAccess& p) { p.set_timer_period(时钟1, 5); });
    Frame frame(ws, program.program());
    c.request(ws);
    ws.tick(3);  // never taken: the quit request comes first
    EXPECT_EQ(ws.run_process([&] { return frame.run(); }), 0);
    const std::vector<std::string> tail(ws.calls().end() - 4, ws.calls().end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"destroy main", "post_quit 0", "end hook", "return 0"}));
    EXPECT_FALSE(ws.alive(main_window));
    EXPECT_FALSE(ws.alive(编辑框1));
    EXPECT_EQ(ws.timer_period(时钟1), 0u);
    EXPECT_EQ(program.calls(names::banner_tick), 0);
  }
}

TEST_F(FrameTest, NoEventReachesAHandlerOnceTheProgramEnds) {
  program.on_end_hook([&] {
    ws.notify_edit_changed(编辑框2);
    ws.notify_timer_expired(时钟1);
    frame.raise_event(main_window, 0);
  });
  ws.close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(ws.calls_starting_with("handler"), std::vector<std::string>{"handler banner.start"});
}

TEST_F(FrameTest, EndHooksRunOnceEachInRegistrationOrder) {
  static FakeWindowSystem* journal = nullptr;
  journal = &ws;
  const Routine extra = [] { journal->note("extra hook"); };
  frame.register_end_hook(extra);
  frame.register_end_hook(program.program().end_hook);
  frame.register_end_hook(extra);  // already there
  ws.close_button();
  EXPECT_EQ(run(), 0);  // registers the end hook again: still once
  const std::vector<std::string> tail(ws.calls().end() - 3, ws.calls().end());
  EXPECT_EQ(tail, (std::vector<std::string>{"extra hook", "end hook", "return 0"}));
  journal = nullptr;
}

TEST_F(FrameTest, LogOffIsAgreedToAtOnceAndChangesNothingElse) {
  ws.log_off().then([&] { EXPECT_TRUE(ws.alive(main_window)); }).close_button();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(ws.end_session_answers(), std::vector<bool>{true});
}

TEST_F(FrameTest, TicksRunNestedWhileAHandlerWaitsInABoxAndTheFocusComesBack) {
  program.on(names::banner_start, [](PropertyAccess& p) { p.set_timer_period(时钟1, 5); });
  program.on(names::weight_box, [&](PropertyAccess& p) {
    EXPECT_EQ(p.message_box("\xc7\xeb", "\xd0\xc5"), 0);
    ws.note("box returned");
  });
  ws.press(Key::tab)  // into 编辑框2
      .type("7")
      .wait(15)   // three ticks while the box is open
      .type("8")  // the disabled window takes no input
      .answer_box()
      .then([&] { EXPECT_EQ(ws.focused(), 编辑框2); })
      .close_button();
  EXPECT_EQ(run(), 0);

  const auto box = ws.index_of("message_box \xd0\xc5");
  const auto returned = ws.index_of("box returned");
  ASSERT_GE(box, 0);
  const std::vector<std::string> during(ws.calls().begin() + box + 1,
                                        ws.calls().begin() + returned);
  EXPECT_EQ(during, (std::vector<std::string>{"handler banner.tick", "handler banner.tick",
                                              "handler banner.tick", "set_focus 编辑框2"}));
  EXPECT_EQ(ws.dropped(), std::vector<std::string>{"type 8"});
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].text, "\xc7\xeb");
  EXPECT_EQ(ws.boxes()[0].icon, BoxIcon::none);
  EXPECT_EQ(ws.text_of(编辑框2), "7");
}

TEST_F(FrameTest, FocusReturnsToTheLastFocusedBoxOnActivation) {
  ws.click(编辑框3)
      .deactivate()
      .then([&] { EXPECT_EQ(ws.focused(), std::nullopt); })
      .activate()
      .then([&] { EXPECT_EQ(ws.focused(), 编辑框3); })
      .minimise()
      .restore()
      .then([&] { EXPECT_EQ(ws.focused(), 编辑框3); })
      .close_button();
  EXPECT_EQ(run(), 0);
}

TEST_F(FrameTest, TheWindowIsNotShownWhenTheStartHandlerOutlivedIt) {
  program.on(names::banner_start, [&](PropertyAccess& p) { p.message_box("x", "y"); });
  ws.then([&] { ws.destroy(ws.ref_of(main_window)); }).answer_box();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(ws.index_of("show_and_activate main"), -1);
  EXPECT_EQ(ws.index_of("post_quit 0"), -1);  // the loop had not started; it ends at once
  EXPECT_EQ(ws.calls().back(), "return 0");
  EXPECT_EQ(ws.calls()[ws.calls().size() - 2], "end hook");
}

// --- fatal errors

TEST_F(FrameTest, MemoryFailureShowsTheFatalBoxWithTheByteCountAndExitsMinusOne) {
  program.on(names::banner_start, [](PropertyAccess& p) { p.set_timer_period(时钟1, 5); });
  program.on(names::weight_box, [](PropertyAccess& p) { p.text(编辑框2); });
  ws.fail_text_read_of(编辑框2, 1234);
  ws.press(Key::tab)
      .type("7")
      .wait(50)  // no tick handler while the fatal box is open
      .then([&] { EXPECT_TRUE(ws.box_open()); })
      .answer_box();
  EXPECT_EQ(run(), -1);

  ASSERT_EQ(ws.boxes().size(), 1u);
  // 运行时出错!\r\n\r\n错误信息：分配 1234 字节内存失败!\r\n
  EXPECT_EQ(ws.boxes()[0].text,
            "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n"
            "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba"
            "\xb7\xd6\xc5\xe4 1234 \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!\r\n");
  EXPECT_EQ(ws.boxes()[0].caption, "\xb4\xed\xce\xf3");  // 错误
  EXPECT_EQ(ws.boxes()[0].icon, BoxIcon::error);
  EXPECT_EQ(program.calls(names::banner_tick), 0);
  EXPECT_EQ(ws.index_of("end hook"), -1);
  EXPECT_EQ(ws.calls().back(), "exit_process -1");
}

TEST_F(FrameTest, FatalErrorWithANumberAndWithoutAMessage) {
  ws.answer_box().answer_box();
  EXPECT_EQ(ws.run_process([&]() -> int { frame.fatal_error("m", 7); }), -1);
  EXPECT_EQ(ws.run_process([&]() -> int { frame.fatal_error(""); }), -1);
  ASSERT_EQ(ws.boxes().size(), 2u);
  EXPECT_EQ(ws.boxes()[0].text, Text(frame_texts::runtime_error) +
                                    Text(frame_texts::error_code_label) + "7\r\n\r\n" +
                                    Text(frame_texts::error_message_label) + "m\r\n");
  EXPECT_EQ(ws.boxes()[1].text, frame_texts::runtime_error);
}

TEST_F(FrameTest, PropertyAccessBeforeTheWindowIsLoadedIsFatal) {
  ws.answer_box();
  EXPECT_EQ(ws.run_process([&] { return frame.left(标签11); }), -1);
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].text, fatal_box_text(frame_texts::window_not_loaded));
}

TEST_F(FrameTest, TextOfAControlNotCreatedYetIsFatal) {
  // 时钟1 is created first; 编辑框1 does not exist yet, the window does.
  ws.after_create = [&](Control c) {
    if (c == 时钟1) {
      EXPECT_EQ(frame.left(编辑框1), 82);  // geometry falls back to the design
      frame.text(编辑框1);
    }
  };
  ws.answer_box();
  EXPECT_EQ(run(), -1);
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].text, fatal_box_text(frame_texts::control_not_created));
}

// A copy of the layout with one control's bindings replaced.
struct AlteredLayout {
  AlteredLayout(Control target, std::span<const Binding> bindings) {
    const WindowDesign& original = main_window_design();
    std::copy(original.controls.begin(), original.controls.end(), controls.begin());
    for (ControlDesign& c : controls) {
      if (c.id == target) c.bindings = bindings;
    }
    design.controls = controls;
  }
  std::array<ControlDesign, 16> controls{};
  WindowDesign design = main_window_design();
};

TEST(FrameFailures, BadLayoutDataAndFailedCreationAreFatal) {
  constexpr std::array event1 = {Binding{1, handler_names::height_box}};
  constexpr std::array on_label = {Binding{0, handler_names::height_box}};
  constexpr std::array unknown = {Binding{0, "bmi.nothing"}};
  constexpr std::array twice = {Binding{0, handler_names::height_box},
                                Binding{0, handler_names::weight_box}};
  const AlteredLayout bad_event(编辑框1, event1);
  const AlteredLayout label_bound(标签3, on_label);
  const AlteredLayout unknown_name(编辑框1, unknown);
  const AlteredLayout bound_twice(编辑框1, twice);
  const AlteredLayout intact(编辑框1, main_window_design().controls[12].bindings);

  struct Case {
    const char* what;
    const WindowDesign& design;
    std::size_t handler_count;  // of the test table's four
    std::optional<Control> failing;
    std::string_view message;
    bool start_hook_ran;
  };
  const std::array<Case, 7> cases = {{
      {"event number 1", bad_event.design, 4, std::nullopt, frame_texts::layout_data_failed, false},
      {"a Label's binding", label_bound.design, 4, std::nullopt, frame_texts::layout_data_failed,
       false},
      {"unknown handler", unknown_name.design, 4, std::nullopt, frame_texts::layout_data_failed,
       false},
      {"two bindings of one event", bound_twice.design, 4, std::nullopt,
       frame_texts::layout_data_failed, false},
      {"handler missing from the table", intact.design, 3, std::nullopt,
       frame_texts::layout_data_failed, false},
      {"window not created", intact.design, 4, main_window, frame_texts::load_window_failed, true},
      {"control not created", intact.design, 4, 编辑框2, frame_texts::load_window_failed, true},
  }};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeWindowSystem ws;
    TestProgram program(ws);
    if (c.failing) ws.fail_creation_of(*c.failing);
    Frame frame(ws, Program{c.design, TestProgram::handlers().first(c.handler_count),
                            program.program().start_hook, program.program().end_hook});
    ws.answer_box();
    EXPECT_EQ(ws.run_process([&] { return frame.run(); }), -1);
    ASSERT_EQ(ws.boxes().size(), 1u);
    EXPECT_EQ(ws.boxes()[0].text, fatal_box_text(c.message));
    EXPECT_EQ(ws.boxes()[0].icon, BoxIcon::error);
    EXPECT_EQ(ws.index_of("start hook") >= 0, c.start_hook_ran);
    EXPECT_EQ(ws.index_of("end hook"), -1);
    EXPECT_EQ(ws.calls_starting_with("handler").size(), 0u);
    EXPECT_EQ(ws.calls().back(), "exit_process -1");
  }
}

}  // namespace
}  // namespace halverne
