// Every Chinese text of the program is written as code page 936 byte
// escapes. Here each one is decoded by an independent converter (glibc's
// iconv) and compared with the characters it is meant to be, so that a wrong
// byte cannot slip in.

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "app/frame_texts.h"
#include "ui/controls.h"
#include "ui/layout.h"

namespace halverne {
namespace {

// GBK to UTF-8; "<invalid>" when the bytes are not GBK.
std::string gbk_to_utf8(std::string_view gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string in(gbk);
  std::string out(gbk.size() * 3 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t src_left = in.size();
  std::size_t dst_left = out.size();
  const std::size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || src_left != 0) return "<invalid>";
  out.resize(out.size() - dst_left);
  return out;
}

TEST(Texts, FrameTextsDecodeToTheirCharacters) {
  namespace t = frame_texts;
  struct Case {
    std::string_view bytes;
    std::string_view utf8;
  };
  const Case cases[] = {
      {t::error_caption, "错误"},
      {t::runtime_error, "运行时出错!\r\n\r\n"},
      {t::error_code_label, "错误代码："},
      {t::error_message_label, "错误信息："},
      {t::layout_data_failed, "载入窗口模板数据段出错!"},
      {t::load_window_failed, "载入启动窗口失败"},
      {t::window_not_loaded, "未载入欲访问窗口组件所在的窗口"},
      {t::control_not_created, "指定窗口尚未载入"},
      {t::allocation_failed_before, "分配 "},
      {t::allocation_failed_after, " 字节内存失败!"},
  };
  for (const Case& c : cases) EXPECT_EQ(gbk_to_utf8(c.bytes), c.utf8);
}

TEST(Texts, LayoutTextsDecodeToTheirCharacters) {
  using enum Control;
  struct Case {
    Control control;
    std::string_view utf8;
  };
  const Case cases[] = {
      {标签11, "小工具，娱乐娱乐，祝大家新年快乐！"},
      {标签10, "偏瘦"},
      {标签9, "18.5--13"},
      {标签8, "正常"},
      {标签7, "24--18.5"},
      {标签6, "超重"},
      {标签5, "28--24"},
      {标签4, "说明："},
      {外形框1, ""},
      {编辑框3, ""},
      {标签3, "BMI指数"},
      {编辑框2, ""},
      {编辑框1, ""},
      {标签2, "体重（KG）"},
      {标签1, "身高（M）"},
      {时钟1, ""},
  };
  const WindowDesign& design = main_window_design();
  EXPECT_EQ(gbk_to_utf8(design.text), "Halverne");
  ASSERT_EQ(design.controls.size(), std::size(cases));
  for (const Case& c : cases) {
    const auto d = std::find_if(design.controls.begin(), design.controls.end(),
                                [&](const ControlDesign& x) { return x.id == c.control; });
    ASSERT_NE(d, design.controls.end());
    SCOPED_TRACE(d->name);
    EXPECT_EQ(gbk_to_utf8(d->text), c.utf8);
  }
}

}  // namespace
}  // namespace halverne
