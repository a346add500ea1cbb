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
    {"base.item_fg", "前景色"},
    {"base.item_bg", "背景色"},
    {"base.item_fg_bg_edge", "前景色加背景边"},
    {"base.item_bg_fg_edge", "背景色加前景边"},
    {"base.item_transparent", "透明色"},
    {"base.item_transparent_fg_edge", "透明色加前景边"},
    {"base.item_fg_transparent_edge", "前景色加透明边"},
    {"base.item_fg_on_transparent", "前景色加透明底"},
    {"base.item_all_colours", "全部颜色"},
    {"base.item_normal_size", "不放大"},
    {"base.item_double_size", "两倍放大"},
    {"base.item_small_font", "小字体(仅ASCII)"},
    {"base.item_large_font_ascii", "大字体(汉字+ASCII)"},
    {"base.item_large_font", "大字体"},
    {"base.item_pixels", "{1}像素"},
    {"base.item_unknown_model", "未知型号"},
    {"base.item_active_low", "低有效"},
    {"base.item_active_high", "高有效"},
    {"base.item_offset_min", "{1}(最小)"},
    {"base.item_offset_max", "{1}(最大)"},
    {"base.item_offset_default", "{1}(缺省)"},
    {"base.item_show_date", "显示日期"},
    {"base.item_hide_date", "隐藏日期"},
    {"base.item_show_time", "显示时间"},
    {"base.item_hide_time", "隐藏时间"},
    {"base.item_show_string", "显示字符串"},
    {"base.item_delete_string", "删除字符串"},
    {"base.item_show_coordinate_text", "显示坐标文本"},
    {"base.item_hide_coordinate_text", "隐藏坐标文本"},
    {"base.item_show_bitmap", "显示位图字符"},
    {"base.item_delete_bitmap", "删除位图字符"},
    {"base.item_show_single_bitmap", "显示单色位图"},
    {"base.item_delete_single_bitmap", "删除单色位图"},
    {"base.item_show_line", "显示直线"},
    {"base.item_delete_line", "删除直线"},
    {"base.item_show_rect", "显示矩形"},
    {"base.item_delete_rect", "删除矩形"},
    {"base.item_show_circle", "显示圆形"},
    {"base.item_delete_circle", "删除圆形"},
    {"base.item_fill_area", "填充区域"},
    {"base.item_clear_area", "清除区域"},
    {"base.item_no_flashing", "不自动闪烁"},
    {"base.item_flashing", "自动闪烁{1}"},
    {"base.item_flash_period", "{1}秒周期"},
    {"base.item_horizontal_line", "水平直线"},
    {"base.item_vertical_line", "垂直直线"},
    {"base.item_rect_outline", "仅矩形边框"},
    {"base.item_rect_filled", "含矩形内部区域"},
    {"base.item_circle_outline", "仅圆形边框"},
    {"base.item_circle_filled", "含圆形内部区域"},
    {"base.item_on", "打开"},
    {"base.item_off", "关闭"},
    {"base.item_cross_shape", "图形{1}"},
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
    {"command.title_erase", "擦除存储器"},
    {"command.title_write", "写入存储器"},
    {"command.label_overlay", "允许屏幕叠加"},
    {"command.label_switch", "开关{1}"},
    {"command.label_offset_ex", "外部视频水平偏移："},
    {"command.label_offset_in", "内部视频水平偏移："},
    {"command.label_moment", "日期时间："},
    {"command.label_colour", "颜色设置："},
    {"command.label_spacing", "字符间距："},
    {"command.label_font", "字体选择："},
    {"command.label_size", "放大倍数："},
    {"command.label_show", "显示控制："},
    {"command.label_text_colour", "坐标文本颜色设置："},
    {"command.label_text_spacing", "坐标文本字符间距："},
    {"command.label_text_font", "坐标文本字体选择："},
    {"command.label_text_size", "坐标文本放大倍数："},
    {"command.label_text_show", "坐标文本显示控制："},
    {"command.label_thickness", "线条粗细："},
    {"command.label_mode", "模式控制："},
    {"command.label_bitmap_file", "位图文件："},
    {"command.label_top_left_x", "左上角X坐标："},
    {"command.label_top_left_y", "左上角Y坐标："},
    {"command.label_bottom_right_x", "右下角X坐标："},
    {"command.label_bottom_right_y", "右下角Y坐标："},
    {"command.label_time_format", "时间格式："},
    {"command.label_date_format", "日期格式："},
    {"command.label_text", "字符输入："},
    {"command.label_flash", "自动闪烁："},
    {"command.label_flash_period", "闪烁周期："},
    {"command.label_layer", "图层："},
    {"command.label_area_action", "控制："},
    {"command.label_control_only", "仅发送控制参数(无位图数据)"},
    {"command.label_length", "长度："},
    {"command.label_centre_x", "圆心X坐标："},
    {"command.label_centre_y", "圆心Y坐标："},
    {"command.label_radius", "半径："},
    {"command.label_cross_colour", "十字线颜色："},
    {"command.label_cross_enable", "十字线功能："},
    {"command.label_cross_shape", "十字线图形："},
    {"command.label_cross_step", "键盘快速移动："},
    {"command.label_text_x", "坐标文本左上角X坐标："},
    {"command.label_text_y", "坐标文本左上角Y坐标："},
    {"command.label_cross_x", "十字线移动位置X坐标(中心点)："},
    {"command.label_cross_y", "十字线移动位置Y坐标(中心点)："},
    {"command.invalid_address", "失败：不合法的存储器地址"},
    {"command.invalid_coordinate", "失败：不合法的坐标值"},
    {"command.enter_coordinates", "失败：请输入合法的坐标数值"},
    {"command.enter_coordinates_and_length", "失败：请输入合法的坐标数值和长度"},
    {"command.invalid_clock", "失败：不合法的日期时间"},
    {"command.invalid_date_format", "失败：不合法的日期格式"},
    {"command.invalid_time_format", "失败：不合法的时间格式"},
    {"command.empty_string", "失败：待叠加字符串不能为空"},
    {"command.string_too_long", "失败：待叠加字符串超过200字节"},
    {"command.unrepresentable", "失败：字符串含有无法转换为GBK编码的字符“{1}”（{2}）"},
    {"command.unrepresentable_byte", "失败：字符串含有无法转换为GBK编码的字符（{1}）"},
    {"command.bitmap_not_loaded", "失败：请先选择一个位图文件"},
    {"command.bitmap_blocks", "失败：不合法的位图"},
    {"command.foreign_command", "失败：当前型号的产品不支持命令文件第{1}行的{2}"},
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
