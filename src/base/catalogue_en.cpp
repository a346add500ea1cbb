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
