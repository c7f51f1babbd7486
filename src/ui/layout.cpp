#include "ui/layout.h"

#include <array>

namespace halverne {
namespace {

// Texts are code page 936 bytes; each line shows the characters it encodes.
constexpr std::string_view kGreeting =  // 小工具，娱乐娱乐，祝大家新年快乐！
    "\xd0\xa1\xb9\xa4\xbe\xdf\xa3\xac\xd3\xe9\xc0\xd6\xd3\xe9\xc0\xd6\xa3\xac"
    "\xd7\xa3\xb4\xf3\xbc\xd2\xd0\xc2\xc4\xea\xbf\xec\xc0\xd6\xa3\xa1";
constexpr std::string_view kUnderweight = "\xc6\xab\xca\xdd";     // 偏瘦
constexpr std::string_view kNormal = "\xd5\xfd\xb3\xa3";          // 正常
constexpr std::string_view kOverweight = "\xb3\xac\xd6\xd8";      // 超重
constexpr std::string_view kLegend = "\xcb\xb5\xc3\xf7\xa3\xba";  // 说明：
constexpr std::string_view kBmi = "BMI\xd6\xb8\xca\xfd";          // BMI指数
// K, G and M are no hexadecimal digits, so they end the escapes before them.
constexpr std::string_view kWeight = "\xcc\xe5\xd6\xd8\xa3\xa8KG\xa3\xa9";  // 体重（KG）
constexpr std::string_view kHeight = "\xc9\xed\xb8\xdf\xa3\xa8M\xa3\xa9";   // 身高（M）

constexpr std::array kWindowBindings = {Binding{0, handler_names::banner_start}};
constexpr std::array kHeightBindings = {Binding{0, handler_names::height_box}};
constexpr std::array kWeightBindings = {Binding{0, handler_names::weight_box}};
constexpr std::array kTimerBindings = {Binding{0, handler_names::banner_tick}};

using enum Kind;
using enum Control;
constexpr Control kWin = main_window;

// One row per control, aligned as a table.
// clang-format off
constexpr std::array<ControlDesign, 16> kControls = {{
    // id      name      kind      parent  left top  w    h    visible tab  order text         bindings
    {标签11,   "标签11",   Label,    kWin,   0,   2,   296, 24,  true,  false, 0, kGreeting,    {}},
    {标签10,   "标签10",   Label,    kWin,   217, 116, 48,  24,  true,  false, 0, kUnderweight, {}},
    {标签9,    "标签9",    Label,    kWin,   160, 117, 48,  24,  true,  false, 0, "18.5--13",   {}},
    {标签8,    "标签8",    Label,    kWin,   217, 86,  48,  24,  true,  false, 0, kNormal,      {}},
    {标签7,    "标签7",    Label,    kWin,   160, 86,  48,  24,  true,  false, 0, "24--18.5",   {}},
    {标签6,    "标签6",    Label,    kWin,   218, 55,  48,  24,  true,  false, 0, kOverweight,  {}},
    {标签5,    "标签5",    Label,    外形框1, 3,   29,  48,  22,  true,  false, 0, "28--24",     {}},
    {标签4,    "标签4",    Label,    kWin,   162, 31,  32,  24,  true,  false, 0, kLegend,      {}},
    {外形框1,  "外形框1",  ShapeBox, kWin,   157, 29,  136, 123, true,  false, 0, "",           {}},
    {编辑框3,  "编辑框3",  EditBox,  kWin,   82,  121, 64,  32,  true,  true,  0, "",           {}},
    {标签3,    "标签3",    Label,    kWin,   14,  125, 48,  24,  true,  false, 0, kBmi,         {}},
    {编辑框2,  "编辑框2",  EditBox,  kWin,   82,  77,  64,  32,  true,  true,  0, "",           kWeightBindings},
    {编辑框1,  "编辑框1",  EditBox,  kWin,   82,  32,  64,  32,  true,  true,  0, "",           kHeightBindings},
    {标签2,    "标签2",    Label,    kWin,   14,  80,  58,  24,  true,  false, 0, kWeight,      {}},
    {标签1,    "标签1",    Label,    kWin,   14,  34,  58,  24,  true,  false, 0, kHeight,      {}},
    {时钟1,    "时钟1",    Timer,    kWin,   240, 8,   32,  16,  false, false, 0, "",           kTimerBindings},
}};
// clang-format on

constexpr WindowDesign kMainWindow = {
    "Halverne", 50, 50, 307, 189, kControls, kWindowBindings,
};

}  // namespace

const WindowDesign& main_window_design() { return kMainWindow; }

}  // namespace halverne
