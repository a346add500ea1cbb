#include "designer/property_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>

#include "app/cp936_edit.h"
#include "app/geometry.h"
#include "designer/kinds.h"
#include "text/cp936.h"

namespace {

using zotpx::FieldKind;

bool ShownAsCheckBox(const zotpx::FieldDef& field) {
  if (field.kind != FieldKind::List && field.kind != FieldKind::Flag) return false;
  return field.control.substr(0, 5) == "Check" || !field.list;
}

// Where an object is or how big: a lock keeps these.
bool Places(const zotpx::FieldDef& field) {
  return field.kind == FieldKind::Coordinate || field.name == "length" || field.name == "radius";
}

const QString kBitmapFilter = QStringLiteral("Bitmap Files(*.bmp)|*.bmp|All Files(*.*)|*.*");

}  // namespace

PropertyPanel::PropertyPanel(zotpx::editor::Document& document, Dialogs& dialogs, QWidget* parent)
    : QScrollArea(parent), document_(document), dialogs_(dialogs) {
  setObjectName(QStringLiteral("PropertyPanel"));
  setWidgetResizable(true);
  Build(nullptr);
}

void PropertyPanel::Build(const zotpx::CommandRow* row) {
  row_ = row;
  editors_.clear();
  body_ = new QWidget;
  auto* form = new QFormLayout(body_);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  title_ = new QLabel;
  title_->setObjectName(QStringLiteral("PropertyTitle"));
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  form->addRow(title_);
  if (!row) {
    title_->setText(tr("未选中对象"));
  } else {
    for (std::size_t i = 0; i < row->fields.size(); ++i) {
      QWidget* editor = Editor(i);
      editors_.push_back(editor);
      if (!editor) continue;
      editor->setAccessibleName(FieldLabel(row->fields[i]));
      // A check box says its own label across the row, so that a long one ("only the
      // control parameters…") does not widen the label column of every other row.
      if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        box->setText(editor->accessibleName());
        form->addRow(box);
        continue;
      }
      auto* label = new QLabel(editor->accessibleName());
      label->setBuddy(editor);
      form->addRow(label, editor);
    }
  }
  setWidget(body_);  // the old body goes with its editors
}

QWidget* PropertyPanel::Editor(std::size_t i) {
  const zotpx::FieldDef& field = row_->fields[i];
  QWidget* editor = nullptr;
  if (ShownAsCheckBox(field)) {
    auto* box = new QCheckBox;
    connect(box, &QCheckBox::toggled, this, [this, i, &field](bool on) {
      SetWord(i, field.list ? zotpx::ItemWord(*field.list, on ? 1 : 0) : on ? "true" : "false");
    });
    editor = box;
  } else {
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number: {
        auto* spin = new QSpinBox;
        spin->setRange(field.min, field.max);
        // One edit when the number is whole (Enter, leaving the box, an arrow), not per key.
        spin->setKeyboardTracking(false);
        connect(spin, &QSpinBox::valueChanged, this,
                [this, i](int value) { SetWord(i, std::to_string(value)); });
        editor = spin;
        break;
      }
      case FieldKind::List:
      case FieldKind::Flag: {
        auto* combo = new QComboBox;
        combo->addItems(ToQStringList(*field.list->items));
        connect(combo, &QComboBox::activated, this, [this, i, &field](int index) {
          SetWord(i, field.kind == FieldKind::Flag ? (index ? "true" : "false")
                                                   : zotpx::ItemWord(*field.list, index));
        });
        editor = combo;
        break;
      }
      case FieldKind::Text:
      case FieldKind::Format:
      case FieldKind::Moment: {
        auto* edit = new QLineEdit;
        if (field.kind == FieldKind::Text)
          LimitToCp936Bytes(edit, static_cast<std::size_t>(field.max));
        else if (field.kind == FieldKind::Format)
          edit->setMaxLength(field.max);
        else
          edit->setPlaceholderText(tr("留空：发送时取计算机的时间"));
        connect(edit, &QLineEdit::editingFinished, this,
                [this, i, edit] { SetWord(i, edit->text().toStdString()); });
        editor = edit;
        break;
      }
      case FieldKind::Bitmap: {
        auto* box = new QWidget;
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(0, 0, 0, 0);
        auto* name = new QLabel;
        name->setObjectName(QStringLiteral("BitmapName"));
        auto* pick = new QPushButton(tr("选择…"));
        pick->setObjectName(QStringLiteral("BitmapPick"));
        connect(pick, &QPushButton::clicked, this, &PropertyPanel::PickBitmap);
        line->addWidget(name, 1);
        line->addWidget(pick);
        editor = box;
        break;
      }
      default:
        return nullptr;  // bytes for memory: no layout object has them
    }
  }
  editor->setObjectName(
      QStringLiteral("Field_") +
      QString::fromLatin1(field.name.data(), static_cast<int>(field.name.size())));
  return editor;
}

void PropertyPanel::Refresh() {
  const std::optional<std::size_t> object = document_.selection();
  const zotpx::CommandRow* row = object ? &document_.objects()[*object].values.row() : nullptr;
  if (row != row_) Build(row);
  if (!row) return;
  refreshing_ = true;
  const zotpx::LayoutObject& o = document_.objects()[*object];
  title_->setText(o.name.empty() ? KindName(*row)
                                 : QStringLiteral("%1  %2").arg(KindName(*row),
                                                                QString::fromStdString(o.name)));
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    if (!editors_[i]) continue;
    Restrict(i);
    Show(i);
    editors_[i]->setEnabled(!(o.locked && Places(row_->fields[i])));
  }
  refreshing_ = false;
}

void PropertyPanel::Show(std::size_t i) {
  const zotpx::FieldDef& field = row_->fields[i];
  const zotpx::FieldValue& value = document_.objects()[*document_.selection()].values.at(i);
  QWidget* editor = editors_[i];
  if (auto* box = qobject_cast<QCheckBox*>(editor)) {
    box->setChecked(value.index == 1);
  } else if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
    spin->setValue(zotpx::EditValue(value).value_or(field.min));
  } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    combo->setCurrentIndex(value.index);
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    edit->setText(QString::fromStdString(
        field.kind == FieldKind::Text ? zotpx::Cp936ToUtf8Lossy(value.bytes) : value.text));
    edit->home(false);
  } else if (auto* name = editor->findChild<QLabel*>(QStringLiteral("BitmapName"))) {
    name->setText(value.picture ? QStringLiteral("%1  %2×%3")
                                      .arg(QString::fromStdString(value.text))
                                      .arg(value.picture->width)
                                      .arg(value.picture->height)
                                : tr("（未选择）"));
  }
}

void PropertyPanel::Restrict(std::size_t i) {
  if (!row_->check) return;
  const zotpx::FieldDef& field = row_->fields[i];
  zotpx::Values probe = document_.objects()[*document_.selection()].values;
  const zotpx::FieldValue kept = probe.at(i);
  const auto accepts = [&](const auto& set) {
    set(probe.at(i));
    const bool ok = !row_->check(probe);
    probe.at(i) = kept;
    return ok;
  };
  if (auto* spin = qobject_cast<QSpinBox*>(editors_[i])) {
    std::optional<int> low, high;
    for (int n = field.min; n <= field.max; ++n)
      if (accepts([n](zotpx::FieldValue& v) { v.text = std::to_string(n); })) {
        if (!low) low = n;
        high = n;
      }
    const int now = zotpx::EditValue(kept).value_or(field.min);
    if (low) spin->setRange(std::min(*low, now), std::max(*high, now));
  } else if (auto* combo = qobject_cast<QComboBox*>(editors_[i])) {
    auto* items = qobject_cast<QStandardItemModel*>(combo->model());
    for (int k = 0; items && k < combo->count(); ++k)
      items->item(k)->setEnabled(k == kept.index ||
                                 accepts([k](zotpx::FieldValue& v) { v.index = k; }));
  }
}

void PropertyPanel::SetWord(std::size_t field, const std::string& word) {
  if (refreshing_ || !document_.selection()) return;
  const zotpx::editor::EditResult result = document_.SetWord(*document_.selection(), field, word);
  emit Edited(result);
}

void PropertyPanel::PickBitmap() {
  if (!document_.selection()) return;
  const std::optional<QString> path =
      dialogs_.OpenFile({tr("选择位图文件"), QString(), QString(), kBitmapFilter, 1});
  if (!path) return;
  const zotpx::editor::BitmapChoice choice =
      zotpx::editor::ReadBitmapFor(*row_, path->toStdString());
  if (!choice.file) {
    emit Edited({zotpx::editor::EditResult::Kind::Refused, row_->title + choice.failure});
    return;
  }
  emit Edited(document_.SetBitmap(*document_.selection(), *choice.file));
}
