// The form's three bitmap slots (flashing, oversized, single-colour): each a select label, a
// 2x preview inside its panel, a read-only path box, a size hint and the picture of its last
// successful load. Its own header so that the form, which owns and destroys the slots, sees
// the whole type. One load algorithm serves all three; they differ only in the table below.
#pragma once

#include <optional>
#include <string_view>

#include "app/form.h"
#include "graphics/bitmap.h"

struct TForm1::BitmapSlots {
  struct Slot {
    // Set exactly when the preview is shown; nothing while it is hidden.
    std::optional<zotpx::LoadedBitmap> picture;
  };
  Slot flashing;
  Slot oversized;
  Slot single_colour;
};

struct BitmapSlotDef {
  TForm1::BitmapSlots::Slot TForm1::BitmapSlots::*slot;
  const char* select_label;  // "点这里选择位图", clickable
  const char* image;         // the preview, inside `panel`
  const char* panel;
  int panel_width;
  int panel_height;
  const char* path_edit;
  // Texts to translate (QT_TRANSLATE_NOOP with TForm1).
  const char* hint;   // the largest picture the slot takes
  const char* title;  // prefixes the load's status texts
  const char* dialog_title;
  zotpx::BitmapLimits limits;
};

extern const BitmapSlotDef kFlashingSlot;
extern const BitmapSlotDef kOversizedSlot;
extern const BitmapSlotDef kSingleColourSlot;

class QGridLayout;

// Adds the slot's select label (its click runs `on_select`), path box and size hint to
// `grid` as rows `row`, `row` + 1 and `row` + 2 across columns 0 and 1, and returns the
// preview panel (the preview inside it hidden) for the page to place.
QWidget* AddBitmapSlotRows(TForm1& form, QGridLayout* grid, int row, const BitmapSlotDef& def,
                           void (TForm1::*on_select)());

// The load: dialog, unload, header check, decode, pack, preview. A file the decoder cannot
// read throws (to the standard error display) with the slot left unloaded.
void LoadBitmapSlot(TForm1& form, const BitmapSlotDef& def);

// The picture of the slot whose select label is `select_label`; nothing when it is not loaded.
std::optional<zotpx::LoadedBitmap> SlotPicture(TForm1& form, std::string_view select_label);
