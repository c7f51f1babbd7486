#include "support/test_program.h"

#include <stdexcept>
#include <string>

namespace halverne {
namespace {

constexpr std::array<std::string_view, 4> kNames = {
    handler_names::banner_start, handler_names::banner_tick, handler_names::weight_box,
    handler_names::height_box};

std::size_t index_of_name(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return i;
  }
  throw std::invalid_argument("TestProgram: no handler named " + std::string(name));
}

}  // namespace

TestProgram* TestProgram::active_ = nullptr;

TestProgram::TestProgram(FakeWindowSystem& ws) : ws_(ws), previous_(active_) { active_ = this; }

TestProgram::~TestProgram() { active_ = previous_; }

void TestProgram::on(std::string_view handler_name, Body body) {
  bodies_[index_of_name(handler_name)] = std::move(body);
}

template <std::size_t I>
void TestProgram::trampoline(PropertyAccess& access) {
  active_->invoke(I, access);
}

std::span<const HandlerEntry> TestProgram::handlers() {
  static const std::array<HandlerEntry, 4> table = {{
      {kNames[0], &trampoline<0>},
      {kNames[1], &trampoline<1>},
      {kNames[2], &trampoline<2>},
      {kNames[3], &trampoline<3>},
  }};
  return table;
}

Program TestProgram::program(const WindowDesign& design) const {
  return Program{design, handlers(), &start_hook, &end_hook};
}

int TestProgram::calls(std::string_view handler_name) const {
  return counts_[index_of_name(handler_name)];
}

void TestProgram::invoke(std::size_t index, PropertyAccess& access) {
  ++counts_[index];
  ws_.note("handler " + std::string(kNames[index]));
  if (bodies_[index]) bodies_[index](access);
}

void TestProgram::start_hook() { active_->ws_.note("start hook"); }

void TestProgram::end_hook() {
  active_->ws_.note("end hook");
  if (active_->end_hook_body_) active_->end_hook_body_();
}

}  // namespace halverne
