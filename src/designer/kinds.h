// What the designer calls each kind of overlay object and each field, in the user's language:
// every text through Qt's translation, the field labels being the command table's own.
#pragma once

#include <QString>

#include "command/table.h"

// "矩形", "单色位图", "十字线位置": the palette's button and the object list's kind.
QString KindName(const zotpx::CommandRow& row);
// The field's label as the window shows it ("左上角X坐标："), translated.
QString FieldLabel(const zotpx::FieldDef& field);
// The rows a layout for `model` may hold, in the palette's order.
std::vector<const zotpx::CommandRow*> PaletteRows(zotpx::DeviceModel model);
