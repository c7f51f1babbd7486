// The main window's layout data against the designed table: the sixteen
// controls in layout order (which is also the stacking order), their kinds,
// parents, rectangles, visibility, tab stops and bindings, and the window's
// own settings. The texts are checked in tests/app/texts_test.cpp.

#include "ui/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "ui/controls.h"

namespace halverne {
namespace {

using enum Control;
using enum Kind;
constexpr Control kWin = main_window;

struct Row {
  Control id;
  std::string_view name;
  Kind kind;
  Control parent;
  int left, top, width, height;
  bool visible, tab_stop;
  std::string_view handler;  // of event 0, or none
};

// clang-format off
constexpr std::array<Row, 16> kDesigned = {{
    {标签11,  "标签11",  Label,    kWin,    0,   2,   296, 24,  true,  false, ""},
    {标签10,  "标签10",  Label,    kWin,    217, 116, 48,  24,  true,  false, ""},
    {标签9,   "标签9",   Label,    kWin,    160, 117, 48,  24,  true,  false, ""},
    {标签8,   "标签8",   Label,    kWin,    217, 86,  48,  24,  true,  false, ""},
    {标签7,   "标签7",   Label,    kWin,    160, 86,  48,  24,  true,  false, ""},
    {标签6,   "标签6",   Label,    kWin,    218, 55,  48,  24,  true,  false, ""},
    {标签5,   "标签5",   Label,    外形框1, 3,   29,  48,  22,  true,  false, ""},
    {标签4,   "标签4",   Label,    kWin,    162, 31,  32,  24,  true,  false, ""},
    {外形框1, "外形框1", ShapeBox, kWin,    157, 29,  136, 123, true,  false, ""},
    {编辑框3, "编辑框3", EditBox,  kWin,    82,  121, 64,  32,  true,  true,  ""},
    {标签3,   "标签3",   Label,    kWin,    14,  125, 48,  24,  true,  false, ""},
    {编辑框2, "编辑框2", EditBox,  kWin,    82,  77,  64,  32,  true,  true,  "bmi.weight_box"},
    {编辑框1, "编辑框1", EditBox,  kWin,    82,  32,  64,  32,  true,  true,  "bmi.height_box"},
    {标签2,   "标签2",   Label,    kWin,    14,  80,  58,  24,  true,  false, ""},
    {标签1,   "标签1",   Label,    kWin,    14,  34,  58,  24,  true,  false, ""},
    {时钟1,   "时钟1",   Timer,    kWin,    240, 8,   32,  16,  false, false, "banner.tick"},
}};
// clang-format on

TEST(Layout, SixteenControlsInLayoutOrderAsDesigned) {
  const WindowDesign& design = main_window_design();
  ASSERT_EQ(design.controls.size(), kDesigned.size());
  for (std::size_t i = 0; i < kDesigned.size(); ++i) {
    const Row& want = kDesigned[i];
    const ControlDesign& got = design.controls[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.parent, want.parent);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.visible, want.visible);
    EXPECT_EQ(got.tab_stop, want.tab_stop);
    EXPECT_EQ(got.tab_order, 0);
    if (want.handler.empty()) {
      EXPECT_TRUE(got.bindings.empty());
    } else {
      ASSERT_EQ(got.bindings.size(), 1u);
      EXPECT_EQ(got.bindings[0].event, 0);
      EXPECT_EQ(got.bindings[0].handler, want.handler);
    }
  }
  // Plain-ASCII texts; the Chinese ones are decoded in the texts test.
  EXPECT_EQ(design.controls[2].text, "18.5--13");
  EXPECT_EQ(design.controls[4].text, "24--18.5");
  EXPECT_EQ(design.controls[6].text, "28--24");
}

TEST(Layout, MainWindowSettings) {
  const WindowDesign& design = main_window_design();
  EXPECT_EQ(design.text, "Halverne");
  EXPECT_EQ(design.width, 307);  // outer size
  EXPECT_EQ(design.height, 189);
  ASSERT_EQ(design.bindings.size(), 1u);
  EXPECT_EQ(design.bindings[0].event, 0);
  EXPECT_EQ(design.bindings[0].handler, "banner.start");
}

}  // namespace
}  // namespace halverne
