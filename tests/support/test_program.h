#pragma once

#include <array>
#include <functional>
#include <span>
#include <string_view>

#include "app/frame.h"
#include "app/handler_api.h"
#include "support/fake_window_system.h"
#include "ui/layout.h"

namespace halverne {

// The program's side of the frame for tests: the layout's four handler names
// bound to bodies that a test supplies, and the start and end hooks. Every
// call is noted in the fake's journal before the body runs: "handler
// banner.start", "handler bmi.weight_box", ..., "start hook", "end hook".
// A handler without a body only leaves its note.
//
//   FakeWindowSystem ws;
//   TestProgram test(ws);
//   test.on(handler_names::weight_box, [&](PropertyAccess& p) { ... });
//   Frame frame(ws, test.program());
//
// The frame takes plain function pointers, so one TestProgram is active at a
// time (the latest constructed); it must outlive the frame's run.
class TestProgram {
 public:
  using Body = std::function<void(PropertyAccess&)>;

  explicit TestProgram(FakeWindowSystem& ws);
  ~TestProgram();
  TestProgram(const TestProgram&) = delete;
  TestProgram& operator=(const TestProgram&) = delete;

  // Sets the body of one of the layout's handler names.
  void on(std::string_view handler_name, Body body);
  void on_end_hook(std::function<void()> body) { end_hook_body_ = std::move(body); }

  // The handler table: banner.start, banner.tick, bmi.weight_box, bmi.height_box.
  static std::span<const HandlerEntry> handlers();
  // What the frame takes, with this table and both hooks.
  Program program(const WindowDesign& design = main_window_design()) const;
  // How often the handler has run.
  int calls(std::string_view handler_name) const;

 private:
  template <std::size_t I>
  static void trampoline(PropertyAccess& access);
  static void start_hook();
  static void end_hook();
  void invoke(std::size_t index, PropertyAccess& access);

  static TestProgram* active_;
  FakeWindowSystem& ws_;
  TestProgram* previous_;
  std::array<Body, 4> bodies_;
  std::array<int, 4> counts_{};
  std::function<void()> end_hook_body_;
};

}  // namespace halverne
