#include "designer/kinds.h"

#include <QCoreApplication>

namespace {

struct KindText {
  std::string_view row;
  const char* name;
};

// In the palette's order: the texts first, then the areas and shapes, the pictures, the
// crosshair, and what has no place on the screen.
const KindText kKinds[] = {
    {"text", QT_TRANSLATE_NOOP("Kinds", "文本")},
    {"date", QT_TRANSLATE_NOOP("Kinds", "日期")},
    {"time", QT_TRANSLATE_NOOP("Kinds", "时间")},
    {"area", QT_TRANSLATE_NOOP("Kinds", "区域")},
    {"line", QT_TRANSLATE_NOOP("Kinds", "直线")},
    {"rect", QT_TRANSLATE_NOOP("Kinds", "矩形")},
    {"circle", QT_TRANSLATE_NOOP("Kinds", "圆形")},
    {"bitmap flashing", QT_TRANSLATE_NOOP("Kinds", "闪烁位图")},
    {"bitmap oversized", QT_TRANSLATE_NOOP("Kinds", "超大位图")},
    {"bitmap single", QT_TRANSLATE_NOOP("Kinds", "单色位图")},
    {"cross set", QT_TRANSLATE_NOOP("Kinds", "十字线")},
    {"cross move", QT_TRANSLATE_NOOP("Kinds", "十字线位置")},
    {"params", QT_TRANSLATE_NOOP("Kinds", "系统参数")},
    {"clock", QT_TRANSLATE_NOOP("Kinds", "时钟")},
};

}  // namespace

QString KindName(const zotpx::CommandRow& row) {
  for (const KindText& kind : kKinds)
    if (kind.row == row.name) return QCoreApplication::translate("Kinds", kind.name);
  // A row added to the table later shows by its button's caption until it is named here.
  return QString::fromStdString(row.title);
}

QString FieldLabel(const zotpx::FieldDef& field) {
  const std::string label =
      field.label.empty() ? std::string(field.name) : std::string(field.label);
  return QCoreApplication::translate("CommandTable", label.c_str());
}

std::vector<const zotpx::CommandRow*> PaletteRows(zotpx::DeviceModel model) {
  std::vector<const zotpx::CommandRow*> rows;
  for (const KindText& kind : kKinds)
    if (const zotpx::CommandRow* row = zotpx::FindRow(kind.row); row && row->ForModel(model))
      rows.push_back(row);
  // Rows of the table the list above does not name yet come last.
  for (const zotpx::CommandRow& row : zotpx::CommandRows())
    if (!row.table.empty() && row.ForModel(model) &&
        std::find(rows.begin(), rows.end(), &row) == rows.end())
      rows.push_back(&row);
  return rows;
}
