// The text characters tab: the text string group and the character area group.
#include "app/page_char.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

#include "app/geometry.h"
#include "base/captions.h"
#include "text/char_area.h"
#include "text/cp936.h"
#include "text/text_string.h"

namespace {

constexpr int kCoordinateMaxLength = 3;

// Holds a line edit to a number of code page 936 bytes (a Chinese character takes two), which
// a length limit in characters cannot do. Whatever an edit brought in (typing, pasting,
// dropping, setText) is cut at a whole character until the text fits; the rest stays as it was
// and the cursor ends after what was kept.
class Cp936LengthValidator : public QValidator {
 public:
  Cp936LengthValidator(QLineEdit* edit, std::size_t max_bytes)
      : QValidator(edit), max_bytes_(max_bytes), accepted_(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
  }

  State validate(QString& input, int& pos) const override {
    if (Bytes(input) <= max_bytes_) return Acceptable;
    // What was brought in ends at the cursor and begins where the text stops agreeing with
    // the last accepted one; setText puts the cursor at the end, so its text is cut at the end.
    const qsizetype end = std::clamp<qsizetype>(pos, 0, input.size());
    // It is at least as long as the text grew.
    const qsizetype grown = std::max<qsizetype>(input.size() - accepted_.size(), 0);
    const qsizetype shorter = std::min(std::max<qsizetype>(end - grown, 0), accepted_.size());
    qsizetype head = 0;
    while (head < shorter && input[head] == accepted_[head]) ++head;
    if (head > 0 && input[head - 1].isHighSurrogate()) --head;
    const QString before = input.left(head);
    const QString after = input.mid(end);
    const std::size_t kept = Bytes(before) + Bytes(after);
    if (kept > max_bytes_) {
      // Over the limit before this edit (set before the limit was): cut the end.
      input = Cut(input, max_bytes_);
      pos = static_cast<int>(input.size());
      return Acceptable;
    }
    const QString inserted = Cut(input.mid(head, end - head), max_bytes_ - kept);
    input = before + inserted + after;
    pos = static_cast<int>(before.size() + inserted.size());
    return Acceptable;
  }

 private:
  static std::size_t Bytes(const QString& text) {
    return zotpx::Cp936ByteCount(text.toStdString());
  }
  static QString Cut(const QString& text, std::size_t max_bytes) {
    return QString::fromStdString(zotpx::CutToCp936Bytes(text.toStdString(), max_bytes));
  }

  std::size_t max_bytes_;
  QString accepted_;
};

QGroupBox* BuildStringGroup(TForm1& form, QWidget* page) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, "GroupString", QStringLiteral(" 文本字符 "), &grid);
  QLineEdit* text = AddEditRow(grid, 0, "EditString", QStringLiteral("字符输入："),
                               QStringLiteral("欢迎使用云帆ZOT-Px系列字符叠加产品"), 0);
  text->setValidator(new Cp936LengthValidator(text, zotpx::kTextStringMaxBytes));
  text->home(false);  // show the start of the welcome text, not its end
  AddEditRow(grid, 1, "EditStringLeft", QStringLiteral("左上角X坐标："), QStringLiteral("5"),
             kCoordinateMaxLength);
  AddEditRow(grid, 2, "EditStringTop", QStringLiteral("左上角Y坐标："), QStringLiteral("50"),
             kCoordinateMaxLength);
  AddComboRow(grid, 3, "ComboStringColor", QStringLiteral("颜色设置："));
  AddComboRow(grid, 4, "ComboStringSpace", QStringLiteral("字符间距："));
  AddComboRow(grid, 5, "ComboStringFont", QStringLiteral("字体选择："));
  AddComboRow(grid, 6, "ComboStringSize", QStringLiteral("放大倍数："));
  AddComboRow(grid, 7, "ComboStringShow", QStringLiteral("显示控制："));
  QPushButton* button =
      AddButtonRow(grid, 8, "BtnStringCmd", QString::fromUtf8(zotpx::captions::kBtnStringCmd));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(9, 1);
  form.Bind(button, &TForm1::BtnStringCmdClick);
  return group;
}

QGroupBox* BuildAreaGroup(TForm1& form, QWidget* page) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, "GroupArea", QStringLiteral(" 字符区域 "), &grid);
  AddEditRow(grid, 0, "EditAreaLeft", QStringLiteral("左上角X坐标："), QStringLiteral("0"),
             kCoordinateMaxLength);
  AddEditRow(grid, 1, "EditAreaTop", QStringLiteral("左上角Y坐标："), QStringLiteral("0"),
             kCoordinateMaxLength);
  AddEditRow(grid, 2, "EditAreaRight", QStringLiteral("右下角X坐标："), QStringLiteral("383"),
             kCoordinateMaxLength);
  AddEditRow(grid, 3, "EditAreaBottom", QStringLiteral("右下角Y坐标："), QStringLiteral("255"),
             kCoordinateMaxLength);
  AddComboRow(grid, 4, "ComboAreaLayer", QStringLiteral("图层："));
  AddComboRow(grid, 5, "ComboAreaShow", QStringLiteral("控制："));
  QPushButton* button =
      AddButtonRow(grid, 6, "BtnAreaCmd", QString::fromUtf8(zotpx::captions::kBtnAreaCmd));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(7, 1);
  form.Bind(button, &TForm1::BtnAreaCmdClick);
  return group;
}

}  // namespace

void BuildCharStringPage(TForm1& form, QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(12);
  grid->addWidget(BuildStringGroup(form, page), 0, 0);
  grid->addWidget(BuildAreaGroup(form, page), 0, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
}

void RunStringCommand(TForm1& form, const zotpx::Bytes& text) {
  const std::string title = form.Caption("BtnStringCmd");
  const zotpx::TextStringValues values{
      text,
      form.Text("EditStringLeft"),
      form.Text("EditStringTop"),
      {form.Index("ComboStringColor"), form.Index("ComboStringSpace"),
       form.Index("ComboStringFont"), form.Index("ComboStringSize"),
       form.Index("ComboStringShow")}};
  if (const auto failure = zotpx::CheckTextString(values)) {
    form.SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(form, title, form.CurrentLink(),
                    [&] { return zotpx::TextStringFrame(values); });
}

void TForm1::BtnStringCmdClick() {
  zotpx::TextStringValues converted;
  if (const auto failure = zotpx::SetTextFromUtf8(converted, Text("EditString"))) {
    SetStatus(Caption("BtnStringCmd") + *failure);
    return;
  }
  RunStringCommand(*this, converted.text);
}

void TForm1::BtnAreaCmdClick() {
  const std::string title = Caption("BtnAreaCmd");
  const zotpx::CharAreaValues values{Text("EditAreaLeft"),    Text("EditAreaTop"),
                                     Text("EditAreaRight"),   Text("EditAreaBottom"),
                                     Index("ComboAreaLayer"), Index("ComboAreaShow")};
  if (const auto failure = zotpx::CheckCharArea(values)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(*this, title, CurrentLink(), [&] { return zotpx::CharAreaFrame(values); });
}
