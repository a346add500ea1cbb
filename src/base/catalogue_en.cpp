// The English texts, one for each id of the Chinese catalogue (catalogue_zh.h), with the same
// placeholders. Terms follow the device's English documents where they have one: "overlay",
// "character area", "font library", "static commands", "crosshair".
#include <span>

#include "base/catalogue.h"

namespace zotpx {

namespace {

// clang-format off
constexpr CatalogueEntry kEntries[] = {
    // ---- base: vocabulary: lists, numbers, files, the command captions ----
    {"caption.BtnSearchCmd", "Connect device"},
    {"caption.BtnConfigCmd", "Parameter settings"},
    {"caption.BtnSetTimeCmd", "Set date and time"},
    {"caption.BtnDateCmd", "Date"},
    {"caption.BtnTimeCmd", "Time"},
    {"caption.BtnStringCmd", "Text string"},
    {"caption.BtnAreaCmd", "Character area"},
    {"caption.BtnStaticCmd", "Make and download static commands"},
    {"caption.BtnEepromCmd", "Download font library"},
    {"caption.BtnBitmapCmd", "Bitmap characters"},
    {"caption.BtnSuperBitmapCmd", "Large bitmap characters"},
    {"caption.BtnSingleBitmapCmd", "Monochrome bitmap"},
    {"caption.BtnLineCmd", "Line"},
    {"caption.BtnRectCmd", "Rectangle"},
    {"caption.BtnCircleCmd", "Circle"},
    {"caption.BtnCrossConfigCmd", "Crosshair settings"},
    {"caption.BtnCrossMoveCmd", "Move crosshair"},
    {"caption.BtnCrossDownFile", "Make crosshair file"},
    {"caption.BtnCrossDownCmd", "Download crosshair file"},
    {"base.item_fg", "Foreground"},
    {"base.item_bg", "Background"},
    {"base.item_fg_bg_edge", "Foreground, background edge"},
    {"base.item_bg_fg_edge", "Background, foreground edge"},
    {"base.item_transparent", "Transparent"},
    {"base.item_transparent_fg_edge", "Transparent, foreground edge"},
    {"base.item_fg_transparent_edge", "Foreground, transparent edge"},
    {"base.item_fg_on_transparent", "Foreground on transparent"},
    {"base.item_all_colours", "All colours"},
    {"base.item_normal_size", "Normal size"},
    {"base.item_double_size", "Double size"},
    {"base.item_small_font", "Small font (ASCII only)"},
    {"base.item_large_font_ascii", "Large font (Chinese + ASCII)"},
    {"base.item_large_font", "Large font"},
    {"base.item_pixels", "{1} px"},
    {"base.item_unknown_model", "Unknown model"},
    {"base.item_active_low", "Active low"},
    {"base.item_active_high", "Active high"},
    {"base.item_offset_min", "{1} (min)"},
    {"base.item_offset_max", "{1} (max)"},
    {"base.item_offset_default", "{1} (default)"},
    {"base.item_show_date", "Show date"},
    {"base.item_hide_date", "Hide date"},
    {"base.item_show_time", "Show time"},
    {"base.item_hide_time", "Hide time"},
    {"base.item_show_string", "Show string"},
    {"base.item_delete_string", "Delete string"},
    {"base.item_show_coordinate_text", "Show coordinate text"},
    {"base.item_hide_coordinate_text", "Hide coordinate text"},
    {"base.item_show_bitmap", "Show bitmap character"},
    {"base.item_delete_bitmap", "Delete bitmap character"},
    {"base.item_show_single_bitmap", "Show monochrome bitmap"},
    {"base.item_delete_single_bitmap", "Delete monochrome bitmap"},
    {"base.item_show_line", "Show line"},
    {"base.item_delete_line", "Delete line"},
    {"base.item_show_rect", "Show rectangle"},
    {"base.item_delete_rect", "Delete rectangle"},
    {"base.item_show_circle", "Show circle"},
    {"base.item_delete_circle", "Delete circle"},
    {"base.item_fill_area", "Fill area"},
    {"base.item_clear_area", "Clear area"},
    {"base.item_no_flashing", "No flashing"},
    {"base.item_flashing", "Flashing {1}"},
    {"base.item_flash_period", "{1} s period"},
    {"base.item_horizontal_line", "Horizontal line"},
    {"base.item_vertical_line", "Vertical line"},
    {"base.item_rect_outline", "Outline only"},
    {"base.item_rect_filled", "Filled rectangle"},
    {"base.item_circle_outline", "Outline only"},
    {"base.item_circle_filled", "Filled circle"},
    {"base.item_on", "On"},
    {"base.item_off", "Off"},
    {"base.item_cross_shape", "Shape {1}"},
    // ---- end of base ----

    // ---- serial: ports, frames, transfers ----
    {"serial.log_sent", "Sent: "},
    {"serial.log_received", "Received: "},
    {"serial.log_interrupted", "Stopped by the user"},
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
    {"command.title_erase", "Erase memory"},
    {"command.title_write", "Write memory"},
    {"command.label_overlay", "Enable overlay"},
    {"command.label_switch", "Switch {1}"},
    {"command.label_offset_ex", "External video horizontal offset:"},
    {"command.label_offset_in", "Internal video horizontal offset:"},
    {"command.label_moment", "Date and time:"},
    {"command.label_colour", "Colour:"},
    {"command.label_spacing", "Character spacing:"},
    {"command.label_font", "Font:"},
    {"command.label_size", "Magnification:"},
    {"command.label_show", "Show:"},
    {"command.label_text_colour", "Coordinate text colour:"},
    {"command.label_text_spacing", "Coordinate text spacing:"},
    {"command.label_text_font", "Coordinate text font:"},
    {"command.label_text_size", "Coordinate text magnification:"},
    {"command.label_text_show", "Coordinate text show:"},
    {"command.label_thickness", "Line thickness:"},
    {"command.label_mode", "Mode:"},
    {"command.label_bitmap_file", "Bitmap file:"},
    {"command.label_top_left_x", "Top-left X:"},
    {"command.label_top_left_y", "Top-left Y:"},
    {"command.label_bottom_right_x", "Bottom-right X:"},
    {"command.label_bottom_right_y", "Bottom-right Y:"},
    {"command.label_time_format", "Time format:"},
    {"command.label_date_format", "Date format:"},
    {"command.label_text", "Text:"},
    {"command.label_flash", "Auto flashing:"},
    {"command.label_flash_period", "Flash period:"},
    {"command.label_layer", "Layer:"},
    {"command.label_area_action", "Action:"},
    {"command.label_control_only", "Send control parameters only (no bitmap data)"},
    {"command.label_length", "Length:"},
    {"command.label_centre_x", "Centre X:"},
    {"command.label_centre_y", "Centre Y:"},
    {"command.label_radius", "Radius:"},
    {"command.label_cross_colour", "Crosshair colour:"},
    {"command.label_cross_enable", "Crosshair:"},
    {"command.label_cross_shape", "Crosshair shape:"},
    {"command.label_cross_step", "Keyboard quick-move step:"},
    {"command.label_text_x", "Coordinate text top-left X:"},
    {"command.label_text_y", "Coordinate text top-left Y:"},
    {"command.label_cross_x", "Crosshair centre X:"},
    {"command.label_cross_y", "Crosshair centre Y:"},
    {"command.invalid_address", "Failed: invalid memory address"},
    {"command.invalid_coordinate", "Failed: invalid coordinates"},
    {"command.enter_coordinates", "Failed: enter valid coordinates"},
    {"command.enter_coordinates_and_length", "Failed: enter valid coordinates and length"},
    {"command.invalid_clock", "Failed: invalid date and time"},
    {"command.invalid_date_format", "Failed: invalid date format"},
    {"command.invalid_time_format", "Failed: invalid time format"},
    {"command.empty_string", "Failed: the string to overlay is empty"},
    {"command.string_too_long", "Failed: the string to overlay is over 200 bytes"},
    {"command.unrepresentable", "Failed: the string has a character that GBK cannot hold: \"{1}\" ({2})"},
    {"command.unrepresentable_byte", "Failed: the string has a byte that GBK cannot hold ({1})"},
    {"command.bitmap_not_loaded", "Failed: choose a bitmap file first"},
    {"command.bitmap_blocks", "Failed: invalid bitmap"},
    {"command.foreign_command", "Failed: this model has no {2} (line {1} of the command file)"},
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

}  // namespace

extern const std::span<const CatalogueEntry> kEnglishTexts;
const std::span<const CatalogueEntry> kEnglishTexts(kEntries);

}  // namespace zotpx
