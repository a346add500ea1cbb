// The captions of the command buttons. A caption is also its command's title: it heads the
// command's block in the communication log and prefixes its status texts, in the window and on
// the command line alike, so each is written once, here.
#pragma once

namespace zotpx::captions {

inline constexpr const char* kBtnSearchCmd = "连接设备";
inline constexpr const char* kBtnConfigCmd = "参数设置命令";
inline constexpr const char* kBtnSetTimeCmd = "日期时间设置命令";
inline constexpr const char* kBtnDateCmd = "日期控制命令";
inline constexpr const char* kBtnTimeCmd = "时间控制命令";
inline constexpr const char* kBtnStringCmd = "文本字符串命令";
inline constexpr const char* kBtnAreaCmd = "字符区域命令";
inline constexpr const char* kBtnStaticCmd = "生成和下载静态命令";
inline constexpr const char* kBtnEepromCmd = "内部字库下载";
inline constexpr const char* kBtnBitmapCmd = "位图字符命令";
inline constexpr const char* kBtnSuperBitmapCmd = "超大位图字符命令";
inline constexpr const char* kBtnSingleBitmapCmd = "单色位图命令";
inline constexpr const char* kBtnLineCmd = "直线控制命令";
inline constexpr const char* kBtnRectCmd = "矩形控制命令";
inline constexpr const char* kBtnCircleCmd = "圆形控制命令";
inline constexpr const char* kBtnCrossConfigCmd = "十字线设置命令";
inline constexpr const char* kBtnCrossMoveCmd = "十字线移动命令";
inline constexpr const char* kBtnCrossDownFile = "生成十字线文件";
inline constexpr const char* kBtnCrossDownCmd = "十字线文件下载";

}  // namespace zotpx::captions
