// The crosshair tabs from the window: the settings and move commands against the simulated
// device, and the shape list with the generation of the crosshair file from real bitmap files.
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <iterator>

#include "crosshair/cross_file.h"
#include "serial/frame.h"
#include "support/bmp_writer.h"
#include "support/form_fixture.h"

namespace {

using zotpx::Bytes;

const std::string kSuccess = "成功：请查看通信数据记录以获得更多信息";

class CrossCommandFormTest : public FormTest {};

TEST_F(CrossCommandFormTest, SettingsFrameComesFromTheGroupsControls) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  const std::size_t mark = LogMark();
  Click("BtnCrossConfigCmd");
  EXPECT_EQ(Status(), "十字线设置命令" + kSuccess);
  EXPECT_EQ(LogSince(mark),
            (std::vector<std::string>{"【十字线设置命令】",
                                      "发送：55 AA 1E 08 00 01 0A 22 00 00 00 00 53 ",
                                      "接收：55 AA 1E 01 00 1F ", ""}));

  form().Combo("ComboCrossEnable")->setCurrentIndex(1);
  form().Combo("ComboCrossSelect")->setCurrentIndex(19);
  form().Combo("ComboCrossColor")->setCurrentIndex(1);
  form().Combo("ComboCrossKeyStep")->setCurrentIndex(18);
  form().Combo("ComboCrossTextColor")->setCurrentIndex(7);
  form().Combo("ComboCrossTextSpace")->setCurrentIndex(3);
  form().Combo("ComboCrossTextSize")->setCurrentIndex(1);
  form().Combo("ComboCrossTextShow")->setCurrentIndex(1);
  form().SetText("EditCrossTextLeft", QStringLiteral("383"));
  form().SetText("EditCrossTextTop", QStringLiteral("255"));
  Click("BtnCrossConfigCmd");
  EXPECT_EQ(Status(), "十字线设置命令" + kSuccess);
  EXPECT_EQ(sim().ReceivedFrames(),
            (std::vector<Bytes>{
                {0x55, 0xAA, 0x1E, 0x08, 0x00, 0x01, 0x0A, 0x22, 0x00, 0x00, 0x00, 0x00, 0x53},
                {0x55, 0xAA, 0x1E, 0x08, 0x81, 0x14, 0x14, 0xFF, 0x01, 0x7F, 0x00, 0xFF, 0x4D}}));
}

TEST_F(CrossCommandFormTest, MoveFrameComesFromTheCentreFields) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Click("BtnCrossMoveCmd");
  EXPECT_EQ(Status(), "十字线移动命令" + kSuccess);
  form().SetText("EditCrossCurrentX", QStringLiteral("300"));
  form().SetText("EditCrossCurrentY", QStringLiteral("255"));
  Click("BtnCrossMoveCmd");
  EXPECT_EQ(Status(), "十字线移动命令" + kSuccess);
  EXPECT_EQ(sim().ReceivedFrames(),
            (std::vector<Bytes>{{0x55, 0xAA, 0x1F, 0x04, 0x00, 0xC0, 0x00, 0x80, 0x63},
                                {0x55, 0xAA, 0x1F, 0x04, 0x01, 0x2C, 0x00, 0xFF, 0x4F}}));
}

TEST_F(CrossCommandFormTest, BadCoordinateOpensAndLogsNothing) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  const std::size_t mark = LogMark();
  struct Case {
    const char* button;
    const char* x_field;
    const char* y_field;
    const char* x;
    const char* y;
  };
  for (const Case& c :
       {Case{"BtnCrossConfigCmd", "EditCrossTextLeft", "EditCrossTextTop", "384", "0"},
        Case{"BtnCrossConfigCmd", "EditCrossTextLeft", "EditCrossTextTop", "0", "256"},
        Case{"BtnCrossConfigCmd", "EditCrossTextLeft", "EditCrossTextTop", "1a", "0"},
        Case{"BtnCrossMoveCmd", "EditCrossCurrentX", "EditCrossCurrentY", "-1", "0"},
        Case{"BtnCrossMoveCmd", "EditCrossCurrentX", "EditCrossCurrentY", "0", ""}}) {
    form().SetText(c.x_field, QString::fromLatin1(c.x));
    form().SetText(c.y_field, QString::fromLatin1(c.y));
    Click(c.button);
    EXPECT_EQ(Status(), form().Caption(c.button) + "失败：不合法的坐标值") << c.x << ", " << c.y;
    // The fields keep what was typed.
    EXPECT_EQ(form().Text(c.x_field), c.x);
  }
  EXPECT_EQ(LogSince(mark), std::vector<std::string>{});
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
}

TEST_F(CrossCommandFormTest, ReplyWithAnotherCommandByteIsAReceiveFailure) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  sim().AddFault({.fault = zotpx::sim::Fault::WrongEcho, .nth = 1});
  const std::size_t mark = LogMark();
  Click("BtnCrossMoveCmd");
  EXPECT_EQ(Status(), "十字线移动命令失败：接收响应失败");
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"【十字线移动命令】",
                                                      "发送：55 AA 1F 04 00 C0 00 80 63 ", ""}));
}

TEST_F(CrossCommandFormTest, GroupsShowTheirDefaultsAndTheNote) {
  EXPECT_EQ(form().Ctl<QWidget>("GroupCrossConfig")->property("title").toString(),
            QStringLiteral(" 十字线设置 "));
  EXPECT_EQ(form().Ctl<QWidget>("GroupCrossMove")->property("title").toString(),
            QStringLiteral(" 十字线移动 "));
  EXPECT_EQ(form().Combo("ComboCrossKeyStep")->currentText(), QStringLiteral("10像素"));
  EXPECT_EQ(form().Combo("ComboCrossTextColor")->currentText(), QStringLiteral("前景色加背景边"));
  EXPECT_EQ(form().Combo("ComboCrossTextFont")->currentText(),
            QStringLiteral("大字体(汉字+ASCII)"));
  for (const char* name : {"EditCrossTextLeft", "EditCrossTextTop", "EditCrossCurrentX",
                           "EditCrossCurrentY", "EditCrossCenterX", "EditCrossCenterY"})
    EXPECT_EQ(form().Edit(name)->maxLength(), 3) << name;
  EXPECT_EQ(form().Text("EditCrossCurrentX"), "192");
  EXPECT_EQ(form().Text("EditCrossCurrentY"), "128");
  auto* note = form().Ctl<QLabel>("LabelCrossConfigNote");
  EXPECT_EQ(note->text(), QStringLiteral("请先下载十字线图形，否则本命令可能会失败"));
  // Below the button, in the same group.
  auto* grid = qobject_cast<QGridLayout*>(form().Ctl<QWidget>("GroupCrossConfig")->layout());
  ASSERT_NE(grid, nullptr);
  const auto row_of = [grid](QWidget* w) {
    int row = -1, column = 0, rows = 0, columns = 0;
    const int index = grid->indexOf(w);
    if (index >= 0) grid->getItemPosition(index, &row, &column, &rows, &columns);
    return row;
  };
  const int button_row = row_of(form().Ctl<QWidget>("BtnCrossConfigCmd"));
  EXPECT_GE(button_row, 0);
  EXPECT_GT(row_of(note), button_row);
}

// ---- the shape list and the crosshair file ----

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

struct Dot {
  int x;
  int y;
};
using Dots = std::vector<Dot>;

zotpx::test::DarkPixel DarkAt(Dots dots) {
  return [dots = std::move(dots)](int x, int y) {
    return std::any_of(dots.begin(), dots.end(),
                       [&](const Dot& d) { return d.x == x && d.y == y; });
  };
}

zotpx::test::BmpLayout Sized(int width, int height, int bits = 1) {
  zotpx::test::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits_per_pixel = bits;
  return layout;
}
zotpx::test::BmpLayout Screen(int bits = 1) {
  return Sized(384, 256, bits);
}

class CrossFileFormTest : public FormTest {
 protected:
  CrossFileFormTest() : saved_directory_(AppDirectory) {
    AppDirectory = MakeAppDirectory(folder_.path());
  }
  ~CrossFileFormTest() override { AppDirectory = saved_directory_; }

  QString PathOf(const QString& name) const { return QDir(folder_.path()).filePath(name); }
  QString WriteDark(const QString& name, const zotpx::test::BmpLayout& layout,
                    const zotpx::test::DarkPixel& dark) {
    const QString path = PathOf(name);
    EXPECT_TRUE(zotpx::test::WriteFileBytes(QFile::encodeName(path).toStdString(),
                                            zotpx::test::MakeBmp(layout, dark)));
    return path;
  }
  // Black dots on white.
  QString Write(const QString& name, const zotpx::test::BmpLayout& layout, Dots black = {}) {
    return WriteDark(name, layout, DarkAt(std::move(black)));
  }
  void WriteRaw(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray ReadRaw(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  void Add(const QString& path) {
    dialogs().open_answers.push_back(path);
    Click("BtnCrossDownAdd");
  }
  // Generates into `name` in the folder, answering the overwrite question with `replace`.
  QString Generate(const QString& name = QStringLiteral("Cross.bin"), bool replace = true) {
    dialogs().save_answers.push_back(PathOf(name));
    dialogs().question_answers.push_back(replace);
    Click("BtnCrossDownFile");
    return PathOf(name);
  }

  QTableWidget* List() { return form().Ctl<QTableWidget>("ListCrossDown"); }
  std::vector<std::pair<std::string, std::string>> Rows() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int r = 0; r < List()->rowCount(); ++r)
      rows.emplace_back(List()->item(r, 0)->text().toStdString(),
                        List()->item(r, 1)->text().toStdString());
    return rows;
  }
  QImage Preview() { return form().Ctl<QLabel>("ImageCrossDown")->pixmap().toImage(); }

  static constexpr const char* kAdd = "添加位图文件";
  static constexpr const char* kGenerate = "生成十字线文件";

 private:
  QString saved_directory_;
  QTemporaryDir folder_;
};

TEST_F(CrossFileFormTest, PageStartsEmptyWithABlankWhitePreview) {
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(List()->columnCount(), 2);
  EXPECT_EQ(List()->horizontalHeaderItem(0)->text(), QStringLiteral("序号"));
  EXPECT_EQ(List()->horizontalHeaderItem(1)->text(), QStringLiteral("文件位置"));
  EXPECT_EQ(List()->columnWidth(0), 50);
  EXPECT_EQ(List()->columnWidth(1), 500);
  EXPECT_TRUE(List()->showGrid());
  EXPECT_FALSE(List()->horizontalHeader()->sectionsClickable());
  EXPECT_EQ(List()->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(List()->toolTip(), QStringLiteral("双击图片可查看"));
  EXPECT_EQ(form().Ctl<QWidget>("ImageCrossDown")->size(), QSize(384, 256));
  const QImage blank = Preview();
  EXPECT_EQ(blank.size(), QSize(290, 240));
  EXPECT_EQ(blank.pixel(0, 0), kWhite);
  EXPECT_EQ(blank.pixel(289, 239), kWhite);
  EXPECT_EQ(form().Text("EditCrossCenterX"), "192");
  EXPECT_EQ(form().Text("EditCrossCenterY"), "128");
  EXPECT_EQ(form().Caption("BtnCrossDownCmd"), "十字线文件下载");
}

TEST_F(CrossFileFormTest, AddedFilesAreNumberedAndClearStartsAgainAtOne) {
  const QString a = Write("a.bmp", Screen(), {{0, 0}});
  const QString b = Write("b.bmp", Screen(), {{5, 5}});
  Add(a);
  EXPECT_EQ(Status(), std::string(kAdd) + "成功：请查看图像显示区域");
  Add(b);
  EXPECT_EQ(Rows(), (std::vector<std::pair<std::string, std::string>>{{"1", a.toStdString()},
                                                                      {"2", b.toStdString()}}));
  EXPECT_EQ(List()->currentRow(), 1);
  EXPECT_EQ(Preview().pixel(5, 5), kBlack);
  const auto& open = dialogs().requests.front().file;
  EXPECT_EQ(open.title, QStringLiteral("打开位图文件"));
  EXPECT_EQ(open.directory, AppDirectory);
  EXPECT_EQ(open.file_name, QString());
  EXPECT_EQ(open.filter, kOpenDialogFilter);
  EXPECT_EQ(open.filter_index, 3);

  const std::string status = Status();
  Click("BtnCrossDownClear");
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(Status(), status);
  const QImage cleared = Preview();
  EXPECT_EQ(cleared.size(), QSize(384, 256));
  EXPECT_EQ(cleared.pixel(5, 5), kWhite);

  Add(b);
  EXPECT_EQ(Rows(), (std::vector<std::pair<std::string, std::string>>{{"1", b.toStdString()}}));
}

TEST_F(CrossFileFormTest, TwentyRowsRefuseTheNextAddBeforeAnyDialog) {
  const QString path = Write("shape.bmp", Screen());
  for (int i = 0; i < 20; ++i) {
    const QString link = PathOf(QStringLiteral("s%1.bmp").arg(i));
    ASSERT_TRUE(QFile::copy(path, link));
    Add(link);
  }
  ASSERT_EQ(List()->rowCount(), 20);
  const std::size_t opens = dialogs().Count(ScriptedDialogs::Kind::Open);
  const std::string status = Status();
  Add(path);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Open), opens);
  EXPECT_EQ(dialogs().Texts(ScriptedDialogs::Kind::Message),
            QStringList{QStringLiteral("添加位图文件失败：最多只能添加20个位图文件")});
  EXPECT_EQ(dialogs().requests.back().title, form().windowTitle());
  EXPECT_EQ(Status(), status);
  EXPECT_EQ(List()->rowCount(), 20);
  dialogs().open_answers.clear();
}

TEST_F(CrossFileFormTest, SamePathTwiceIsRefusedButTheSamePictureElsewhereIsTaken) {
  const QString a = Write("a.bmp", Screen(), {{1, 1}});
  const QString copy = Write("copy.bmp", Screen(), {{1, 1}});
  Add(a);
  Add(a);
  EXPECT_EQ(dialogs().Texts(ScriptedDialogs::Kind::Message),
            QStringList{QStringLiteral("添加位图文件失败：重复添加位图文件")});
  EXPECT_EQ(List()->rowCount(), 1);
  // The comparison is of texts: another spelling of the same file is another path.
  Add(copy);
  Add(QDir(QFileInfo(a).path()).filePath(QStringLiteral("./a.bmp")));
  EXPECT_EQ(List()->rowCount(), 3);
}

TEST_F(CrossFileFormTest, OnlyFullScreenOneBitHeadersAreAdded) {
  zotpx::test::BmpLayout top_down = Screen();
  top_down.top_down = true;
  QByteArray not_bm = ReadRaw(Write("td.bmp", Screen()));
  not_bm[0] = 'X';
  WriteRaw(PathOf("notbm.bmp"), not_bm);
  WriteRaw(PathOf("short.bmp"), ReadRaw(PathOf("td.bmp")).left(63));

  struct Case {
    QString path;
    const char* message;
  };
  const std::vector<Case> cases = {
      {Write("d4.bmp", Screen(4)), "失败：不合法的位图文件"},
      {Write("d8.bmp", Screen(8)), "失败：不合法的位图文件"},
      {Write("d24.bmp", Screen(24)), "失败：不合法的位图文件"},
      {Write("narrow.bmp", Sized(383, 256)), "失败：不合法的位图文件"},
      {Write("tall.bmp", Sized(384, 257)), "失败：不合法的位图文件"},
      {Write("small.bmp", Sized(192, 128)), "失败：不合法的位图文件"},
      {Write("topdown.bmp", top_down), "失败：不合法的位图文件"},
      {PathOf("notbm.bmp"), "失败：不合法的位图文件"},
      {PathOf("short.bmp"), "失败：不合法的位图文件"},
      {PathOf("missing.bmp"), "失败：无法访问位图文件"},
  };
  for (const Case& c : cases) {
    Add(c.path);
    EXPECT_EQ(Status(), std::string(kAdd) + c.message) << c.path.toStdString();
  }
  EXPECT_EQ(List()->rowCount(), 0);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Message), 0u);
}

TEST_F(CrossFileFormTest, HeaderThatPassesButDoesNotDecodeKeepsTheRowAndShowsTheError) {
  // Size and depth as the tool wants them, but a compression no decoder knows.
  QByteArray broken = ReadRaw(Write("whole.bmp", Screen()));
  broken[30] = 99;
  WriteRaw(PathOf("broken.bmp"), broken);
  Add(PathOf("broken.bmp"));
  EXPECT_EQ(List()->rowCount(), 1);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
}

TEST_F(CrossFileFormTest, DoubleClickShowsTheSelectedRowsPicture) {
  Add(Write("a.bmp", Screen(), {{7, 7}}));
  Add(Write("b.bmp", Screen(), {{9, 9}}));
  ASSERT_EQ(Preview().pixel(7, 7), kWhite);
  List()->selectRow(0);
  emit List()->cellDoubleClicked(0, 1);
  EXPECT_EQ(Preview().pixel(7, 7), kBlack);
  EXPECT_EQ(Preview().pixel(9, 9), kWhite);
  // No selection: nothing happens.
  List()->clearSelection();
  Click("BtnCrossDownClear");
  form().ListCrossDownDblClick();
  EXPECT_EQ(Preview().pixel(7, 7), kWhite);
}

TEST_F(CrossFileFormTest, TwoShapesMakeTheFileWithTheirCornersHeaderAndZeros) {
  Add(Write("first.bmp", Screen(), {{10, 0}, {0, 255}}));
  Add(Write("second.bmp", Screen(), {{383, 255}, {0, 0}}));
  const QString out = Generate();
  EXPECT_EQ(Status(), std::string(kGenerate) + "成功");
  const auto& save = dialogs().requests.back().file;
  EXPECT_EQ(dialogs().requests.back().kind, ScriptedDialogs::Kind::Save);
  EXPECT_EQ(save.title, QStringLiteral("生成十字线文件"));
  EXPECT_EQ(save.directory, AppDirectory);
  EXPECT_EQ(save.file_name, QStringLiteral("Cross.bin"));
  EXPECT_EQ(save.filter, kSaveDialogFilter);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Question), 0u);

  const QByteArray bytes = ReadRaw(out);
  ASSERT_EQ(bytes.size(), 262144);
  const auto* file = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  Bytes expected(262144, 0);
  expected[0x00001] = 0x04;                 // x 10, y 0 of shape 1: bit 2
  expected[255 * 48] = 0x01;                // x 0, y 255 of shape 1
  expected[0x3000] = 0x01;                  // x 0, y 0 of shape 2
  expected[0x3000 + 255 * 48 + 47] = 0x80;  // x 383, y 255 of shape 2: byte 0x5FFF
  const Bytes header = {0x50, 0x49, 0x43, 0x20, 0x02, 0x00, 0xC0, 0x00, 0x80};
  std::copy(header.begin(), header.end(), expected.begin() + 0x3C000);
  EXPECT_EQ(Bytes(file, file + bytes.size()), expected);
  // The preview shows the last picture read.
  EXPECT_EQ(Preview().pixel(383, 255), kBlack);
}

TEST_F(CrossFileFormTest, OnlyPureBlackSetsBitsWhateverThePaletteOrder) {
  const Dots dots = {{3, 0}, {200, 100}};
  Add(WriteDark("all_black.bmp", Screen(), [](int, int) { return true; }));
  // Black at index 0 with white dots, then black dots at index 1: exact complements.
  const zotpx::test::DarkPixel outside = DarkAt(dots);
  Add(WriteDark("index0.bmp", Screen(), [&](int x, int y) { return !outside(x, y); }));
  zotpx::test::BmpLayout light_first = Screen();
  light_first.dark_first = false;
  Add(Write("index1.bmp", light_first, dots));
  zotpx::test::BmpLayout near_black = Screen();
  near_black.dark = 0x010101;
  Add(Write("near.bmp", near_black, dots));
  const QByteArray bytes = ReadRaw(Generate());
  ASSERT_EQ(bytes.size(), 262144);
  const auto slot = [&](int n) { return bytes.mid(n * 0x3000, 0x3000); };
  EXPECT_EQ(slot(0), QByteArray(0x3000, char(0xFF)));
  QByteArray complement = slot(2);
  for (char& c : complement) c = static_cast<char>(~c);
  EXPECT_EQ(slot(1), complement);
  EXPECT_EQ(static_cast<std::uint8_t>(slot(2)[0]), 0x08);
  EXPECT_EQ(slot(3), QByteArray(0x3000, 0));
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[0x3C004]), 4);
}

TEST_F(CrossFileFormTest, OriginIsCheckedBeforeTheList) {
  struct Case {
    const char* x;
    const char* y;
    const char* message;
  };
  for (const Case& c : {Case{"384", "128", "失败：不合法的十字线原点坐标值"},
                        Case{"-1", "128", "失败：不合法的十字线原点坐标值"},
                        Case{"192", "256", "失败：不合法的十字线原点坐标值"},
                        Case{"", "128", "失败：不合法的十字线原点坐标值"},
                        Case{"383", "255", "失败：没有添加位图文件"}}) {
    form().SetText("EditCrossCenterX", QString::fromLatin1(c.x));
    form().SetText("EditCrossCenterY", QString::fromLatin1(c.y));
    Click("BtnCrossDownFile");
    EXPECT_EQ(Status(), std::string(kGenerate) + c.message) << c.x << ", " << c.y;
  }
  EXPECT_TRUE(dialogs().requests.empty());

  Add(Write("one.bmp", Screen()));
  const QByteArray bytes = ReadRaw(Generate());
  ASSERT_EQ(bytes.size(), 262144);
  EXPECT_EQ(bytes.mid(0x3C004, 5), QByteArray::fromHex("01017F00FF"));
}

TEST_F(CrossFileFormTest,
       ListedFileReplacedByAnotherSizeStopsTheGenerationAndAnotherDepthIsConverted) {
  const QString a = Write("a.bmp", Screen(), {{0, 0}});
  const QString b = Write("b.bmp", Screen());
  Add(a);
  Add(b);
  Write("b.bmp", Sized(384, 248));
  Generate();
  EXPECT_EQ(Status(), std::string(kGenerate) + "失败：发现不合法的位图文件");
  EXPECT_FALSE(QFileInfo::exists(PathOf("Cross.bin")));
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Save), 0u);
  EXPECT_EQ(Preview().height(), 248);  // the offending picture
  dialogs().save_answers.clear();
  dialogs().question_answers.clear();

  // 24 and 8 bits of the right size are read by colour.
  Write("a.bmp", Screen(24), {{0, 0}, {17, 3}});
  Write("b.bmp", Screen(8), {{383, 255}});
  const QByteArray bytes = ReadRaw(Generate());
  EXPECT_EQ(Status(), std::string(kGenerate) + "成功");
  ASSERT_EQ(bytes.size(), 262144);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 0x01);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[3 * 48 + 2]), 0x02);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[0x5FFF]), 0x80);
}

TEST_F(CrossFileFormTest, ListedFileThatNoLongerDecodesWritesNothing) {
  const QString a = Write("a.bmp", Screen());
  Add(a);
  ASSERT_TRUE(QFile::remove(a));
  Generate();
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Save), 0u);
  EXPECT_FALSE(QFileInfo::exists(PathOf("Cross.bin")));
  dialogs().save_answers.clear();
  dialogs().question_answers.clear();
}

TEST_F(CrossFileFormTest, ExistingFileIsReplacedOnlyWhenTheOperatorSaysSo) {
  Add(Write("a.bmp", Screen(), {{0, 0}}));
  const QString out = PathOf("Cross.bin");
  WriteRaw(out, QByteArray("old"));
  const std::string status = Status();
  Generate(QStringLiteral("Cross.bin"), false);
  EXPECT_EQ(dialogs().Texts(ScriptedDialogs::Kind::Question),
            QStringList{out + QStringLiteral(" 文件已存在，替换吗？")});
  EXPECT_EQ(dialogs().requests.back().title, form().windowTitle());
  EXPECT_EQ(ReadRaw(out), QByteArray("old"));
  EXPECT_EQ(Status(), status);

  Generate(QStringLiteral("Cross.bin"), true);
  EXPECT_EQ(Status(), std::string(kGenerate) + "成功");
  EXPECT_EQ(ReadRaw(out).size(), 262144);

  // A typed name gets no extension added.
  Generate(QStringLiteral("shapes"));
  EXPECT_EQ(QFileInfo(PathOf("shapes")).size(), 262144);

  // Through a symbolic link: the file it names is replaced, and the link stays.
  WriteRaw(out, QByteArray("old"));
  ASSERT_TRUE(QFile::link(QStringLiteral("Cross.bin"), PathOf("link")));
  Generate(QStringLiteral("link"), true);
  EXPECT_EQ(Status(), std::string(kGenerate) + "成功");
  EXPECT_TRUE(QFileInfo(PathOf("link")).isSymLink());
  EXPECT_EQ(ReadRaw(out).size(), 262144);
}

TEST_F(CrossFileFormTest, FileThatCannotBeSavedLeavesNothingBehind) {
  Add(Write("a.bmp", Screen()));
  // The path names a folder, a FIFO, or a file in a folder that does not exist.
  ASSERT_TRUE(QDir(PathOf(QString())).mkdir(QStringLiteral("taken")));
  ASSERT_EQ(mkfifo(QFile::encodeName(PathOf("fifo")).constData(), 0644), 0);
  const std::pair<const char*, std::string> cases[] = {
      {"taken", "不是普通文件"}, {"fifo", "不是普通文件"}, {"nowhere/Cross.bin", "文件夹不存在"}};
  for (const auto& [name, why] : cases) {
    dialogs().save_answers.push_back(PathOf(QString::fromLatin1(name)));
    dialogs().question_answers.push_back(true);
    Click("BtnCrossDownFile");
    EXPECT_EQ(Status(), std::string(kGenerate) + "失败：无法保存文件（" + why + "）") << name;
  }
  EXPECT_TRUE(QFileInfo(PathOf("taken")).isDir());
  EXPECT_FALSE(QFileInfo(PathOf("fifo")).isFile());
  EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1);  // a.bmp only
  dialogs().question_answers.clear();
}

}  // namespace
