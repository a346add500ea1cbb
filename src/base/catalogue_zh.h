// The Chinese texts: the device's own language and the tool's default face. Every text here is
// the one the tool has always shown, byte for byte; scripts, stored logs and the tests match
// them. Ids are "folder.what"; the English catalogue (catalogue_en.cpp) has the same ids.
// Kept in a header so that an id used in the code is checked against it when compiling.
#pragma once

#include "base/catalogue.h"

namespace zotpx {

// clang-format off
inline constexpr CatalogueEntry kChineseTexts[] = {
    // ---- base: vocabulary: lists, numbers, files, the command captions ----
    {"caption.BtnSearchCmd", "连接设备"},
    {"caption.BtnConfigCmd", "参数设置命令"},
    {"caption.BtnSetTimeCmd", "日期时间设置命令"},
    {"caption.BtnDateCmd", "日期控制命令"},
    {"caption.BtnTimeCmd", "时间控制命令"},
    {"caption.BtnStringCmd", "文本字符串命令"},
    {"caption.BtnAreaCmd", "字符区域命令"},
    {"caption.BtnStaticCmd", "生成和下载静态命令"},
    {"caption.BtnEepromCmd", "内部字库下载"},
    {"caption.BtnBitmapCmd", "位图字符命令"},
    {"caption.BtnSuperBitmapCmd", "超大位图字符命令"},
    {"caption.BtnSingleBitmapCmd", "单色位图命令"},
    {"caption.BtnLineCmd", "直线控制命令"},
    {"caption.BtnRectCmd", "矩形控制命令"},
    {"caption.BtnCircleCmd", "圆形控制命令"},
    {"caption.BtnCrossConfigCmd", "十字线设置命令"},
    {"caption.BtnCrossMoveCmd", "十字线移动命令"},
    {"caption.BtnCrossDownFile", "生成十字线文件"},
    {"caption.BtnCrossDownCmd", "十字线文件下载"},
    // ---- end of base ----

    // ---- serial: ports, frames, transfers ----
    {"serial.log_sent", "发送："},
    {"serial.log_received", "接收："},
    {"serial.log_interrupted", "用户中断"},
    // ---- end of serial ----

    // ---- device: connect, identify, parameters, clock ----
    // ---- end of device ----

    // ---- text: texts, areas, static commands, font library ----
    // ---- end of text ----

    // ---- graphics: bitmaps and shapes ----
    // ---- end of graphics ----

    // ---- crosshair: the crosshair and its file ----
    // ---- end of crosshair ----

    // ---- command: the command table, checks, explain, logs ----
    // ---- end of command ----

    // ---- layout: layout files ----
    // ---- end of layout ----

    // ---- screen: the screen model ----
    // ---- end of screen ----

    // ---- scene: layouts on the screen ----
    // ---- end of scene ----

    // ---- editor: the designer's document ----
    // ---- end of editor ----

    // ---- cli: the command line ----
    // ---- end of cli ----

    // ---- sim: the simulated device ----
    // ---- end of sim ----
};
// clang-format on

}  // namespace zotpx
