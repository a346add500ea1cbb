// The crosshair control tab: the crosshair settings and moving its centre.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/form.h"
#include "app/geometry.h"
#include "base/captions.h"
#include "crosshair/cross_cmd.h"

namespace {

constexpr int kCoordinateMaxLength = 3;

}  // namespace

void BuildCrossCtrlPage(TForm1& form, QWidget* page) {
  auto* box = new QHBoxLayout(page);
  box->setContentsMargins(4, 6, 4, 4);
  box->setSpacing(6);

  QGridLayout* grid = nullptr;
  QGroupBox* settings = MakeGroup(page, "GroupCrossConfig", QStringLiteral(" 十字线设置 "), &grid);
  AddComboRow(grid, 0, "ComboCrossEnable", QStringLiteral("十字线功能："));
  AddComboRow(grid, 1, "ComboCrossSelect", QStringLiteral("十字线图形："));
  AddComboRow(grid, 2, "ComboCrossColor", QStringLiteral("十字线颜色："));
  AddComboRow(grid, 3, "ComboCrossKeyStep", QStringLiteral("键盘快速移动："));
  AddComboRow(grid, 4, "ComboCrossTextColor", QStringLiteral("坐标文本颜色设置："));
  AddComboRow(grid, 5, "ComboCrossTextSpace", QStringLiteral("坐标文本字符间距："));
  AddComboRow(grid, 6, "ComboCrossTextFont", QStringLiteral("坐标文本字体选择："));
  AddComboRow(grid, 7, "ComboCrossTextSize", QStringLiteral("坐标文本放大倍数："));
  AddComboRow(grid, 8, "ComboCrossTextShow", QStringLiteral("坐标文本显示控制："));
  AddEditRow(grid, 9, "EditCrossTextLeft", QStringLiteral("坐标文本左上角X坐标："),
             QStringLiteral("0"), kCoordinateMaxLength);
  AddEditRow(grid, 10, "EditCrossTextTop", QStringLiteral("坐标文本左上角Y坐标："),
             QStringLiteral("0"), kCoordinateMaxLength);
  QPushButton* config = AddButtonRow(grid, 11, "BtnCrossConfigCmd",
                                     QString::fromUtf8(zotpx::captions::kBtnCrossConfigCmd));
  AddNoteRow(grid, 12, QStringLiteral("请先下载十字线图形，否则本命令可能会失败"))
      ->setObjectName(QStringLiteral("LabelCrossConfigNote"));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(13, 1);
  box->addWidget(settings, 1);

  QGroupBox* move = MakeGroup(page, "GroupCrossMove", QStringLiteral(" 十字线移动 "), &grid);
  // The long labels must not squeeze the three digits out of sight.
  for (QLineEdit* edit :
       {AddEditRow(grid, 0, "EditCrossCurrentX", QStringLiteral("十字线移动位置X坐标(中心点)："),
                   QStringLiteral("192"), kCoordinateMaxLength),
        AddEditRow(grid, 1, "EditCrossCurrentY", QStringLiteral("十字线移动位置Y坐标(中心点)："),
                   QStringLiteral("128"), kCoordinateMaxLength)})
    edit->setMinimumWidth(48);
  QPushButton* move_button = AddButtonRow(grid, 2, "BtnCrossMoveCmd",
                                          QString::fromUtf8(zotpx::captions::kBtnCrossMoveCmd));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  box->addWidget(move, 0, Qt::AlignTop);

  form.Bind(config, &TForm1::BtnCrossConfigCmdClick);
  form.Bind(move_button, &TForm1::BtnCrossMoveCmdClick);
}

void TForm1::BtnCrossConfigCmdClick() {
  const std::string title = Caption("BtnCrossConfigCmd");
  zotpx::CrossSettings values;
  values.enable = Index("ComboCrossEnable");
  values.shape = Index("ComboCrossSelect");
  values.colour = Index("ComboCrossColor");
  values.key_step = Index("ComboCrossKeyStep");
  values.text = {Index("ComboCrossTextColor"), Index("ComboCrossTextSpace"),
                 Index("ComboCrossTextFont"), Index("ComboCrossTextSize"),
                 Index("ComboCrossTextShow")};
  values.text_left = Text("EditCrossTextLeft");
  values.text_top = Text("EditCrossTextTop");
  if (const auto failure = zotpx::CheckCrossSettings(values)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(*this, title, CurrentLink(), [&] { return zotpx::CrossSettingsFrame(values); });
}

void TForm1::BtnCrossMoveCmdClick() {
  const std::string title = Caption("BtnCrossMoveCmd");
  const zotpx::CrossMove values{Text("EditCrossCurrentX"), Text("EditCrossCurrentY")};
  if (const auto failure = zotpx::CheckCrossMove(values)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(*this, title, CurrentLink(), [&] { return zotpx::CrossMoveFrame(values); });
}
