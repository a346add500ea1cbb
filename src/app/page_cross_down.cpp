// The crosshair download tab: the list of shape bitmaps with its preview, the common origin,
// and generating the crosshair file (the download button's handler is with the downloads).
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/bitmap_image.h"
#include "app/form.h"
#include "app/geometry.h"
#include "app/save_file.h"
#include "base/texts.h"
#include "crosshair/cross_file.h"

namespace {

constexpr int kOriginMaxLength = 3;
constexpr int kPathColumn = 1;

void ShowPreview(TForm1& form, const QImage& picture) {
  form.Ctl<QLabel>("ImageCrossDown")->setPixmap(QPixmap::fromImage(picture));
}

QTableWidget* MakeShapeList() {
  auto* list = new QTableWidget(0, 2);
  list->setObjectName(QStringLiteral("ListCrossDown"));
  list->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("文件位置")});
  list->setToolTip(QStringLiteral("双击图片可查看"));
  list->setAccessibleName(QStringLiteral("十字线图形列表"));
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setWordWrap(false);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(20);
  QHeaderView* header = list->horizontalHeader();
  header->setSectionsClickable(false);
  header->setSectionsMovable(false);
  header->setSectionResizeMode(0, QHeaderView::Fixed);
  header->setSectionResizeMode(1, QHeaderView::Interactive);
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->setColumnWidth(0, 50);
  list->setColumnWidth(1, 500);
  // The chosen row stays marked while the operator works elsewhere on the page.
  QPalette palette = list->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  list->setPalette(palette);
  return list;
}

// The preview: a full-screen picture stretched over 384 x 256, blank white at start.
QFrame* MakePreview() {
  auto* panel = new QFrame;
  panel->setObjectName(QStringLiteral("PanelCrossDown"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* image = new QLabel(panel);
  image->setObjectName(QStringLiteral("ImageCrossDown"));
  image->setScaledContents(true);
  image->setFixedSize(zotpx::kCrossShapeWidth, zotpx::kCrossShapeHeight);
  QImage blank(290, 240, QImage::Format_Mono);
  blank.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  blank.fill(0);
  image->setPixmap(QPixmap::fromImage(blank));
  auto* box = new QVBoxLayout(panel);
  box->setContentsMargins(1, 1, 1, 1);
  box->addWidget(image);
  panel->setFixedSize(panel->sizeHint());
  return panel;
}

}  // namespace

void BuildCrossDownPage(TForm1& form, QWidget* page) {
  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(6, 6, 6, 6);
  box->setSpacing(6);
  auto* top = new QHBoxLayout;
  box->addLayout(top);
  top->addWidget(MakePreview(), 0, Qt::AlignTop);

  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(4);
  top->addLayout(grid, 1);
  QPushButton* add = AddButtonRow(grid, 0, "BtnCrossDownAdd", QStringLiteral("添加位图文件"));
  QPushButton* clear = AddButtonRow(grid, 1, "BtnCrossDownClear", QStringLiteral("清空位图文件"));
  AddEditRow(grid, 2, "EditCrossCenterX", QStringLiteral("十字线原点X坐标："),
             QStringLiteral("192"), kOriginMaxLength);
  AddEditRow(grid, 3, "EditCrossCenterY", QStringLiteral("十字线原点Y坐标："),
             QStringLiteral("128"), kOriginMaxLength);
  AddNoteRow(grid, 4, QStringLiteral("所有图形的原点坐标必须一致"));
  AddNoteRow(grid, 5, QStringLiteral("原点不允许移动到虚拟屏幕外"));
  QPushButton* generate = AddButtonRow(grid, 6, "BtnCrossDownFile",
                                       QString::fromUtf8(zotpx::Text("caption.BtnCrossDownFile")));
  QPushButton* download = AddButtonRow(grid, 7, "BtnCrossDownCmd",
                                       QString::fromUtf8(zotpx::Text("caption.BtnCrossDownCmd")));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(8, 1);

  QTableWidget* list = MakeShapeList();
  box->addWidget(list, 1);

  form.Bind(add, &TForm1::BtnCrossDownAddClick);
  form.Bind(clear, &TForm1::BtnCrossDownClearClick);
  form.Bind(generate, &TForm1::BtnCrossDownFileClick);
  form.Bind(download, &TForm1::BtnCrossDownCmdClick);
  QObject::connect(list, &QTableWidget::cellDoubleClicked, &form,
                   [&form] { form.Guard([&form] { form.ListCrossDownDblClick(); }); });
}

void TForm1::BtnCrossDownClearClick() {
  Ctl<QTableWidget>("ListCrossDown")->setRowCount(0);
  auto* image = Ctl<QLabel>("ImageCrossDown");
  QPixmap picture = image->pixmap();
  picture.fill(Qt::white);
  image->setPixmap(picture);
  image->repaint();
}

void TForm1::BtnCrossDownAddClick() {
  const std::string title = Caption("BtnCrossDownAdd");
  auto* list = Ctl<QTableWidget>("ListCrossDown");
  if (list->rowCount() >= static_cast<int>(zotpx::kCrossMaxShapes)) {
    dialogs().Message(windowTitle(),
                      QString::fromStdString(title + zotpx::kCrossTooManyShapesText));
    return;
  }
  const std::optional<QString> path = dialogs().OpenFile(
      {QStringLiteral("打开位图文件"), AppDirectory, QString(), kOpenDialogFilter, 3});
  if (!path) return;
  const zotpx::BitmapFileCheck check = zotpx::CheckCrossShapeFile(CorePath(*path));
  if (check.status != zotpx::BitmapFileStatus::Ok) {
    SetStatus(title + zotpx::BitmapFileMessage(check.status));
    return;
  }
  for (int row = 0; row < list->rowCount(); ++row) {
    if (list->item(row, kPathColumn)->text() == ShownPath(*path)) {
      dialogs().Message(windowTitle(),
                        QString::fromStdString(title + zotpx::kCrossDuplicateShapeText));
      return;
    }
  }
  const int row = list->rowCount();
  list->insertRow(row);
  list->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
  list->setItem(row, kPathColumn, new QTableWidgetItem(ShownPath(*path)));
  // The row stays even when the picture then fails to decode: the error display says why.
  ShowPreview(*this, LoadBitmapImage(*path));
  list->selectRow(row);
  SetStatus(title + "成功：请查看图像显示区域");
}

void TForm1::ListCrossDownDblClick() {
  auto* list = Ctl<QTableWidget>("ListCrossDown");
  const QList<QTableWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  ShowPreview(*this, LoadBitmapImage(list->item(selected.front()->row(), kPathColumn)->text()));
}

void TForm1::BtnCrossDownFileClick() {
  const std::string title = Caption("BtnCrossDownFile");
  auto* list = Ctl<QTableWidget>("ListCrossDown");
  const std::string x = Text("EditCrossCenterX");
  const std::string y = Text("EditCrossCenterY");
  std::vector<std::string> shapes;
  for (int row = 0; row < list->rowCount(); ++row)
    shapes.push_back(CorePath(list->item(row, kPathColumn)->text()));
  const zotpx::CrossFileBuild built = zotpx::BuildCrossFile(shapes, x, y);
  // The preview shows the last picture read: the offending one when its size is wrong.
  if (!built.last_read.pixels.empty()) ShowPreview(*this, PictureImage(built.last_read));
  // A listed file that no longer decodes goes to the error display; nothing is written then.
  if (built.undecodable)
    throw std::runtime_error(
        CannotDecodeText(list->item(static_cast<int>(*built.failed_shape), kPathColumn)->text()));
  if (built.failure) {
    SetStatus(title + *built.failure);
    return;
  }

  const std::optional<QString> path =
      dialogs().SaveFile({QString::fromStdString(title), AppDirectory,
                          QString::fromLatin1(zotpx::kCrossFileName), kSaveDialogFilter, 1});
  if (!path) return;
  if (QFileInfo::exists(*path) &&
      !dialogs().Question(windowTitle(),
                          ShownPath(*path) + QStringLiteral(" 文件已存在，替换吗？")))
    return;
  // Never over one of the shapes it was made from.
  QStringList inputs;
  for (int row = 0; row < list->rowCount(); ++row) inputs << list->item(row, kPathColumn)->text();
  if (const zotpx::SaveResult saved = SaveWholeFile(*path, built.image, inputs); !saved) {
    SetStatus(zotpx::SaveFailureText(title + zotpx::kCrossSaveFailedText, saved.problem));
    return;
  }
  SetStatus(title + "成功");
}
