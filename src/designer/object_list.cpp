#include "designer/object_list.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "designer/kinds.h"

namespace {

using zotpx::editor::Geometry;

}  // namespace

QString PlaceText(const zotpx::editor::Document& document, std::size_t object) {
  const zotpx::Values& values = document.objects()[object].values;
  const Geometry geometry = zotpx::editor::GeometryOf(values.row());
  if (geometry == Geometry::None) return {};
  const zotpx::editor::Point at = zotpx::editor::AnchorOf(values);
  if (geometry == Geometry::Corners)
    return QStringLiteral("(%1, %2)-(%3, %4)")
        .arg(at.x)
        .arg(at.y)
        .arg(zotpx::FieldNumber(values, "right"))
        .arg(zotpx::FieldNumber(values, "bottom"));
  return QStringLiteral("(%1, %2)").arg(at.x).arg(at.y);
}

ObjectList::ObjectList(zotpx::editor::Document& document, QWidget* parent)
    : QTreeWidget(parent), document_(document) {
  setObjectName(QStringLiteral("ObjectList"));
  setAccessibleName(tr("对象列表"));
  setColumnCount(5);
  setHeaderLabels({tr("隐藏"), tr("锁定"), tr("对象"), tr("名称"), tr("位置")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Only the name is typed in: a double click anywhere on the row, or F2, edits it.
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { editItem(item, kName); });
  header()->setStretchLastSection(true);
  header()->setSectionResizeMode(kHidden, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(kLocked, QHeaderView::ResizeToContents);
  connect(this, &QTreeWidget::itemChanged, this, &ObjectList::OnItemChanged);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &ObjectList::OnSelection);
}

int ObjectList::RowOf(std::size_t object) const {
  return static_cast<int>(document_.objects().size() - 1 - object);
}

std::size_t ObjectList::ObjectOf(int row) const {
  return document_.objects().size() - 1 - static_cast<std::size_t>(row);
}

void ObjectList::Refresh() {
  refreshing_ = true;
  const std::size_t count = document_.objects().size();
  while (topLevelItemCount() > static_cast<int>(count)) delete takeTopLevelItem(0);
  while (topLevelItemCount() < static_cast<int>(count)) {
    auto* item = new QTreeWidgetItem(this);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                   Qt::ItemIsEditable);
  }
  for (int row = 0; row < topLevelItemCount(); ++row) {
    const std::size_t object = ObjectOf(row);
    const zotpx::LayoutObject& o = document_.objects()[object];
    QTreeWidgetItem* item = topLevelItem(row);
    item->setCheckState(kHidden, o.hidden ? Qt::Checked : Qt::Unchecked);
    item->setCheckState(kLocked, o.locked ? Qt::Checked : Qt::Unchecked);
    item->setText(kKind, QStringLiteral("%1 %2").arg(object + 1).arg(KindName(o.values.row())));
    item->setText(kName, QString::fromStdString(o.name));
    item->setText(kPlace, PlaceText(document_, object));
    // A hidden object is greyed: it is in the file, not on the screen.
    const QBrush text = o.hidden ? palette().brush(QPalette::Disabled, QPalette::Text)
                                 : palette().brush(QPalette::Active, QPalette::Text);
    for (int column = kKind; column <= kPlace; ++column) item->setForeground(column, text);
  }
  const std::optional<std::size_t> selected = document_.selection();
  clearSelection();
  if (selected) {
    QTreeWidgetItem* item = topLevelItem(RowOf(*selected));
    item->setSelected(true);
    setCurrentItem(item, kKind, QItemSelectionModel::NoUpdate);
    scrollToItem(item);
  }
  // Longer kind names (English) widen their column; it never gets narrower than it starts.
  if (const int need = sizeHintForColumn(kKind); need > columnWidth(kKind))
    setColumnWidth(kKind, need);
  refreshing_ = false;
}

void ObjectList::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (refreshing_) return;
  const std::size_t object = ObjectOf(indexOfTopLevelItem(item));
  zotpx::editor::EditResult result;
  switch (column) {
    case kHidden:
      result = document_.SetHidden(object, item->checkState(kHidden) == Qt::Checked);
      break;
    case kLocked:
      result = document_.SetLocked(object, item->checkState(kLocked) == Qt::Checked);
      break;
    case kName:
      result = document_.SetName(object, item->text(kName).trimmed().toStdString());
      break;
    default:
      return;
  }
  emit Edited(result);
}

void ObjectList::OnSelection() {
  if (refreshing_) return;
  const QList<QTreeWidgetItem*> selected = selectedItems();
  const std::optional<std::size_t> object =
      selected.isEmpty()
          ? std::nullopt
          : std::optional<std::size_t>(ObjectOf(indexOfTopLevelItem(selected.front())));
  if (object == document_.selection()) return;
  document_.Select(object);
  emit SelectionChanged();
}

void ObjectList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F2 && currentItem()) return editItem(currentItem(), kName);
  QTreeWidget::keyPressEvent(event);
}
