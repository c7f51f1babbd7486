#pragma once

#include <string_view>

namespace halverne::frame_texts {

// The frame's own texts, code page 936 bytes; each line shows the characters
// it encodes. A test decodes every one of them with an independent converter.

// Caption of the fatal error box.
inline constexpr std::string_view error_caption = "\xb4\xed\xce\xf3";  // 错误
// The fatal error box's text starts with this line and an empty line.
inline constexpr std::string_view runtime_error =  // 运行时出错!\r\n\r\n
    "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n";
inline constexpr std::string_view error_code_label =  // 错误代码：
    "\xb4\xed\xce\xf3\xb4\xfa\xc2\xeb\xa3\xba";
inline constexpr std::string_view error_message_label =  // 错误信息：
    "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba";

// Messages of the fatal failures.
inline constexpr std::string_view layout_data_failed =  // 载入窗口模板数据段出错!
    "\xd4\xd8\xc8\xeb\xb4\xb0\xbf\xda\xc4\xa3\xb0\xe5\xca\xfd\xbe\xdd\xb6\xce"
    "\xb3\xf6\xb4\xed!";
inline constexpr std::string_view load_window_failed =  // 载入启动窗口失败
    "\xd4\xd8\xc8\xeb\xc6\xf4\xb6\xaf\xb4\xb0\xbf\xda\xca\xa7\xb0\xdc";
inline constexpr std::string_view window_not_loaded =  // 未载入欲访问窗口组件所在的窗口
    "\xce\xb4\xd4\xd8\xc8\xeb\xd3\xfb\xb7\xc3\xce\xca\xb4\xb0\xbf\xda\xd7\xe9"
    "\xbc\xfe\xcb\xf9\xd4\xda\xb5\xc4\xb4\xb0\xbf\xda";
inline constexpr std::string_view control_not_created =  // 指定窗口尚未载入
    "\xd6\xb8\xb6\xa8\xb4\xb0\xbf\xda\xc9\xd0\xce\xb4\xd4\xd8\xc8\xeb";
// "分配 %d 字节内存失败!": the byte count in decimal goes between the two.
inline constexpr std::string_view allocation_failed_before = "\xb7\xd6\xc5\xe4 ";  // 分配␠
inline constexpr std::string_view allocation_failed_after =  // ␠字节内存失败!
    " \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!";

}  // namespace halverne::frame_texts
