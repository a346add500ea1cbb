#include "app/bitmap_slots.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <functional>
#include <stdexcept>

#include "app/bitmap_image.h"
#include "app/save_file.h"

const BitmapSlotDef kFlashingSlot{&TForm1::BitmapSlots::flashing,
                                  "LabelBitmapSelect",
                                  "ImageBitmapFile",
                                  "PanelBitmapFile",
                                  120,
                                  120,
                                  "EditBitmapFile",
                                  QT_TRANSLATE_NOOP("TForm1", "最大40*48或48*40像素"),
                                  QT_TRANSLATE_NOOP("TForm1", "选择位图文件"),
                                  QT_TRANSLATE_NOOP("TForm1", "打开位图文件"),
                                  zotpx::kFlashingBitmapLimits};
const BitmapSlotDef kOversizedSlot{&TForm1::BitmapSlots::oversized,
                                   "LabelSuperBitmapSelect",
                                   "ImageSuperBitmapFile",
                                   "PanelSuperBitmapFile",
                                   280,
                                   280,
                                   "EditSuperBitmapFile",
                                   QT_TRANSLATE_NOOP("TForm1", "最大128*128像素"),
                                   QT_TRANSLATE_NOOP("TForm1", "选择超大位图文件"),
                                   QT_TRANSLATE_NOOP("TForm1", "打开超大位图文件"),
                                   zotpx::kOversizedBitmapLimits};
const BitmapSlotDef kSingleColourSlot{&TForm1::BitmapSlots::single_colour,
                                      "LabelSingleBitmapSelect",
                                      "ImageSingleBitmapFile",
                                      "Panel2",
                                      391,
                                      280,
                                      "EditSingleBitmapFile",
                                      QT_TRANSLATE_NOOP("TForm1", "最大192*128像素"),
                                      QT_TRANSLATE_NOOP("TForm1", "选择单色位图文件"),
                                      QT_TRANSLATE_NOOP("TForm1", "打开单色位图文件"),
                                      zotpx::kSingleColourBitmapLimits};

namespace {

const char* const kLoadedText = QT_TRANSLATE_NOOP("TForm1", "成功：请查看图像预览区");

// A label that acts on a click (press and release over it), like a link.
class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, std::function<void()> on_click)
      : QLabel(text), on_click_(std::move(on_click)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) event->accept();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      on_click_();
  }

 private:
  std::function<void()> on_click_;
};

TForm1::BitmapSlots::Slot& SlotOf(TForm1& form, const BitmapSlotDef& def) {
  if (!form.bitmap_slots) form.bitmap_slots = std::make_unique<TForm1::BitmapSlots>();
  return (*form.bitmap_slots).*def.slot;
}

QWidget* BuildPanel(const BitmapSlotDef& def) {
  auto* panel = new QFrame;
  panel->setObjectName(QString::fromLatin1(def.panel));
  panel->setFixedSize(def.panel_width, def.panel_height);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* caption = new QLabel(TForm1::tr("放大两倍预览"), panel);
  caption->setAlignment(Qt::AlignCenter);
  caption->setGeometry(0, 0, def.panel_width, def.panel_height);
  auto* image = new QLabel(panel);
  image->setObjectName(QString::fromLatin1(def.image));
  image->setScaledContents(true);  // each bitmap pixel shows as 2 x 2
  image->hide();
  return panel;
}

void Unload(TForm1& form, const BitmapSlotDef& def) {
  form.Edit(def.path_edit)->clear();
  form.Ctl<QLabel>(def.image)->hide();
  SlotOf(form, def).picture.reset();
}

void ShowLoaded(TForm1& form, const BitmapSlotDef& def, const QString& path, const QImage& image,
                zotpx::LoadedBitmap picture) {
  auto* preview = form.Ctl<QLabel>(def.image);
  preview->setPixmap(QPixmap::fromImage(image));
  const int width = 2 * image.width();
  const int height = 2 * image.height();
  preview->setGeometry((def.panel_width - width) / 2, (def.panel_height - height) / 2, width,
                       height);
  form.SetText(def.path_edit, ShownPath(path));
  SlotOf(form, def).picture = std::move(picture);
  preview->show();
  preview->raise();
}

}  // namespace

QWidget* AddBitmapSlotRows(TForm1& form, QGridLayout* grid, int row, const BitmapSlotDef& def,
                           void (TForm1::*on_select)()) {
  SlotOf(form, def);
  auto* select = new ClickLabel(TForm1::tr("点这里选择位图"), [&form, on_select] {
    form.Guard([&form, on_select] { (form.*on_select)(); });
  });
  select->setObjectName(QString::fromLatin1(def.select_label));
  select->setCursor(Qt::PointingHandCursor);
  select->setAlignment(Qt::AlignCenter);
  select->setAutoFillBackground(true);
  QPalette aqua = select->palette();
  aqua.setColor(QPalette::Window, QColor(0, 255, 255));
  select->setPalette(aqua);
  grid->addWidget(select, row, 0, 1, 2);

  auto* path = new QLineEdit;
  path->setObjectName(QString::fromLatin1(def.path_edit));
  path->setReadOnly(true);  // display only; the path can still be selected and copied
  path->setAccessibleName(TForm1::tr("位图文件"));
  grid->addWidget(path, row + 1, 0, 1, 2);

  auto* hint = new QLabel(TForm1::tr(def.hint));
  hint->setStyleSheet(QStringLiteral("color: blue;"));
  grid->addWidget(hint, row + 2, 0, 1, 2);
  return BuildPanel(def);
}

void LoadBitmapSlot(TForm1& form, const BitmapSlotDef& def) {
  const std::string title = TForm1::tr(def.title).toStdString();
  const std::optional<QString> path = form.dialogs().OpenFile(
      {TForm1::tr(def.dialog_title), AppDirectory, QString(), kOpenDialogFilter, 3});
  if (!path) return;
  Unload(form, def);

  zotpx::BitmapLoad load = zotpx::LoadBitmapFile(CorePath(*path), def.limits);
  if (load.status == zotpx::BitmapFileStatus::CannotDecode)
    throw std::runtime_error(CannotDecodeText(*path));
  if (load.status != zotpx::BitmapFileStatus::Ok) {
    form.SetStatus(title + zotpx::BitmapFileMessage(load.status));
    return;
  }
  ShowLoaded(form, def, *path, PictureImage(load.picture), std::move(load.bitmap));
  form.SetStatus(title + TForm1::tr(kLoadedText).toStdString());
}

std::optional<zotpx::LoadedBitmap> SlotPicture(TForm1& form, std::string_view select_label) {
  for (const BitmapSlotDef* def : {&kFlashingSlot, &kOversizedSlot, &kSingleColourSlot})
    if (def->select_label == select_label) return SlotOf(form, *def).picture;
  throw std::logic_error("no bitmap slot " + std::string(select_label));
}
