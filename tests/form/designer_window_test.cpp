// zotpx-designer's real window under the offscreen platform: an object dragged with the mouse,
// the drag undone and done again, the layout saved, and the saved file applied by the real
// zotpx to the frames of what was placed; a layout the reader refuses opens nothing; and the
// canvas is, pixel for pixel, what zotpx render draws of the saved layout (and the PNG export
// its very bytes).
#include "designer/designer_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include "cli/zotpx_run.h"
#include "command/codec.h"
#include "command/words.h"
#include "designer/canvas.h"
#include "layout/layout_reader.h"
#include "support/scripted_dialogs.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::editor::Point;

constexpr const char* kMoment = "2026-03-04 05:06:07";

class DesignerWindowTest : public ::testing::Test {
 protected:
  DesignerWindowTest() {
    // Recent files go to the test's own folder, not the user's settings.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path());
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    window_.SetDialogs(std::move(dialogs));
    window_.SetClock([] { return *zotpx::ParseMoment(kMoment); });
    window_.show();
  }

  QString Path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }
  std::string Local(const char* name) const { return QFile::encodeName(Path(name)).toStdString(); }
  void Write(const char* name, const std::string& text) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  void Trigger(const char* action) {
    window_.findChild<QAction*>(QString::fromLatin1(action))->trigger();
  }
  std::string Word(std::size_t object, std::string_view field) {
    const zotpx::Values& values = window_.document().objects()[object].values;
    return zotpx::FieldWord(*values.row().Field(field), values[field]);
  }

  // The left button pressed on a device pixel, dragged by (dx, dy) device pixels in steps, let go.
  void Drag(Point from, int dx, int dy) {
    Canvas& canvas = *window_.canvas();
    const QPoint start = canvas.WidgetPoint(from) + QPoint(1, 1);
    const auto send = [&canvas](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
      QMouseEvent event(type, at, canvas.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(&canvas, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
      send(QEvent::MouseMove, start + QPoint(dx * step / 4, dy * step / 4) * canvas.zoom(),
           Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPoint(dx, dy) * canvas.zoom(), Qt::NoButton);
  }

  QTemporaryDir folder_;
  DesignerWindow window_;
  ScriptedDialogs* dialogs_ = nullptr;
};

std::vector<Bytes> FramesOf(std::string_view row, const std::vector<zotpx::GivenWord>& words) {
  zotpx::Values values(*zotpx::FindRow(row));
  EXPECT_TRUE(zotpx::SetFieldWords(values, words, zotpx::Spelling::Keys).empty());
  return zotpx::BuildFrames(values);
}

TEST_F(DesignerWindowTest, DraggedUndoneAndSavedItAppliesWhatWasPlaced) {
  Write(
      "a.toml",
      "model = \"ZOT-PA\"\n[[rect]]\nleft = 10\ntop = 10\nright = 49\nbottom = 29\nfilled = true\n"
      "[[text]]\ntext = \"AB\"\nx = 200\ny = 100\nname = \"标签\"\n");
  ASSERT_TRUE(window_.OpenPath(Path("a.toml")));
  Drag({30, 20}, 30, 20);
  EXPECT_EQ(Word(0, "left"), "40");
  EXPECT_EQ(Word(0, "top"), "30");
  EXPECT_EQ(window_.document().selection(), 0u);
  EXPECT_TRUE(window_.isWindowModified());
  Trigger("ActionUndo");
  EXPECT_EQ(Word(0, "left"), "10");
  EXPECT_FALSE(window_.isWindowModified());
  Drag({35, 25}, 5, 3);
  // Off the screen the pointer takes the rectangle to the edge, no further.
  Drag({30, 20}, -40, 0);
  EXPECT_EQ(Word(0, "left"), "0");

  dialogs_->save_answers.push_back(Path("b.toml"));
  Trigger("ActionSaveAs");
  ASSERT_TRUE(QFile::exists(Path("b.toml"))) << window_.StatusText().toStdString();
  EXPECT_FALSE(window_.isWindowModified());

  zotpx::test::SimDevice device =
      zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto applied =
      zotpx::test::RunZotpx({"-p", device.link.port, "-b", "115200", "apply", Local("b.toml")});
  ASSERT_EQ(applied.status, 0) << applied.err;
  std::vector<Bytes> expected = FramesOf(
      "rect",
      {{"left", "0"}, {"top", "13"}, {"right", "39"}, {"bottom", "32"}, {"filled", "true"}});
  for (Bytes& frame : FramesOf("text", {{"text", "AB"}, {"x", "200"}, {"y", "100"}}))
    expected.push_back(std::move(frame));
  EXPECT_EQ(device->ReceivedFrames(), expected);
}

TEST_F(DesignerWindowTest, ALayoutTheReaderRefusesOpensNothing) {
  Write("good.toml", "[[circle]]\nx = 100\ny = 100\n");
  ASSERT_TRUE(window_.OpenPath(Path("good.toml")));
  Write("bad.toml", "[[circle]]\nx = 100\n\ny = 250\n");
  EXPECT_FALSE(window_.OpenPath(Path("bad.toml")));
  const QString error = QFile::decodeName(Local("bad.toml").c_str()) + QStringLiteral(":4: ");
  ASSERT_EQ(dialogs_->Count(ScriptedDialogs::Kind::Message), 1u);
  EXPECT_TRUE(dialogs_->Texts(ScriptedDialogs::Kind::Message).front().startsWith(error))
      << dialogs_->Texts(ScriptedDialogs::Kind::Message).front().toStdString();
  EXPECT_EQ(window_.document().path(), Local("good.toml"));
  EXPECT_EQ(Word(0, "y"), "100");
}

TEST_F(DesignerWindowTest, TheCanvasIsWhatRenderDrawsOfTheSavedLayout) {
  ASSERT_TRUE(window_.OpenPath(QFile::decodeName(ZOTPX_EXAMPLES_DIR "/zotpx-pa.toml")));
  dialogs_->save_answers.push_back(Path("pa.toml"));
  Trigger("ActionSaveAs");
  ASSERT_TRUE(QFile::exists(Path("pa.toml")));
  dialogs_->save_answers.push_back(Path("export.png"));
  Trigger("ActionExportPng");
  Trigger("ActionZoom1");
  Trigger("ActionRulers");
  window_.document().Select(std::nullopt);
  const QImage canvas = window_.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(canvas.size(), QSize(zotpx::kScreenWidth, zotpx::kScreenHeight));

  const auto rendered = zotpx::test::RunZotpx(
      {"render", Local("pa.toml"), "-o", Local("render.png"), "--at", kMoment});
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  const QImage render = QImage(Path("render.png")).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(render.size(), canvas.size());
  int differing = 0;
  for (int y = 0; y < render.height(); ++y)
    for (int x = 0; x < render.width(); ++x) differing += render.pixel(x, y) != canvas.pixel(x, y);
  EXPECT_EQ(differing, 0);
  QFile exported(Path("export.png")), drawn(Path("render.png"));
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly) && drawn.open(QIODevice::ReadOnly));
  EXPECT_EQ(exported.readAll(), drawn.readAll());
}

// A layout handed over by the window is on no disk: closing asks, and only "不保存" lets it go.
TEST_F(DesignerWindowTest, UnsavedWorkIsAskedForBeforeTheWindowCloses) {
  zotpx::Layout layout = zotpx::ParseLayout("[[rect]]\n", "session", "");
  window_.OpenLayout(std::move(layout));
  EXPECT_TRUE(window_.isWindowModified());
  EXPECT_FALSE(window_.close());  // asked, and the answer is the escape: 取消
  ASSERT_EQ(dialogs_->Count(ScriptedDialogs::Kind::Choose), 1u);
  dialogs_->choose_answers.push_back(1);
  EXPECT_TRUE(window_.close());
}

// The device: connected with the window's scan, the layout applied through one opening, again
// after each finished edit in live mode (not on every move of the pointer), and made the
// start-up image by the static download.
TEST_F(DesignerWindowTest, AppliesTheLayoutLiveAndMakesItTheStartUpImage) {
  Write("a.toml", "[[rect]]\nleft = 10\ntop = 10\nright = 49\nbottom = 29\nfilled = true\n");
  ASSERT_TRUE(window_.OpenPath(Path("a.toml")));
  zotpx::test::SimDevice device =
      zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  window_.SetPort(QString::fromStdString(device.link.port));
  const std::vector<zotpx::GivenWord> rect = {{"top", "10"}, {"bottom", "29"}, {"filled", "true"}};
  const auto left = [&rect](int x) {
    std::vector<zotpx::GivenWord> words = rect;
    words.push_back({"left", std::to_string(x)});
    words.push_back({"right", std::to_string(x + 39)});
    return FramesOf("rect", words);
  };

  Trigger("ActionApply");
  EXPECT_EQ(window_.StatusText(), QStringLiteral("应用到设备成功：已发送 1 个对象"));
  ASSERT_FALSE(device->ReceivedFrames().empty());
  EXPECT_EQ(device->ReceivedFrames().back(), left(10).front());

  device->ClearReceived();
  Trigger("ActionLive");
  EXPECT_EQ(device->ReceivedFrames(), left(10));
  device->ClearReceived();
  Drag({30, 20}, 20, 0);  // four moves of the pointer, one finished edit
  EXPECT_EQ(device->ReceivedFrames(), left(30));
  device->ClearReceived();
  Trigger("ActionUndo");
  EXPECT_EQ(device->ReceivedFrames(), left(10));
  Trigger("ActionLive");

  dialogs_->question_answers.push_back(true);
  Trigger("ActionStartUp");
  const zotpx::StaticImage image = zotpx::StaticImageOf(window_.document().layout());
  ASSERT_FALSE(image.failure);
  const Bytes memory = device->Memory();
  EXPECT_EQ(Bytes(memory.begin(), memory.begin() + static_cast<std::ptrdiff_t>(image.image.size())),
            image.image)
      << window_.StatusText().toStdString();
}

// Every field of every kind of object has its control in the panel, as the table says it (a
// spin box, a list of its items, a check box, a text, a bitmap file), offering only what the
// row's check takes: a circle's radius that would leave the screen cannot be chosen.
TEST_F(DesignerWindowTest, ThePanelShowsEveryFieldOfTheTable) {
  std::size_t kinds = 0;
  for (const char* example : {"/zotpx-pa.toml", "/zotpx-pb.toml"}) {
    ASSERT_TRUE(
        window_.OpenPath(QFile::decodeName(ZOTPX_EXAMPLES_DIR) + QString::fromLatin1(example)));
    for (std::size_t i = 0; i < window_.document().objects().size(); ++i) {
      window_.document().Select(i);
      emit window_.canvas()->SelectionChanged();
      const zotpx::Values& values = window_.document().objects()[i].values;
      for (std::size_t f = 0; f < values.row().fields.size(); ++f) {
        const zotpx::FieldDef& field = values.row().fields[f];
        const QString name =
            QStringLiteral("Field_") + QString::fromLatin1(field.name.data(), field.name.size());
        QWidget* editor = window_.findChild<QWidget*>(name);
        ASSERT_TRUE(editor) << values.row().name << " " << field.name;
        // Whether the row's check takes the object with this field set so.
        const auto takes = [&values, f](const auto& set) {
          zotpx::Values probe = values;
          set(probe.at(f));
          return !probe.row().check || !probe.row().check(probe);
        };
        const auto number = [&takes](int n) {
          return takes([n](zotpx::FieldValue& v) { v.text = std::to_string(n); });
        };
        if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
          // Within the field's limits, and no further than the check takes it.
          EXPECT_EQ(spin->value(), zotpx::EditValue(values.at(f)));
          EXPECT_GE(spin->minimum(), field.min);
          EXPECT_LE(spin->maximum(), field.max);
          EXPECT_TRUE(number(spin->minimum()) && number(spin->maximum())) << field.name;
          if (spin->minimum() > field.min) {
            EXPECT_FALSE(number(spin->minimum() - 1)) << field.name;
          }
          if (spin->maximum() < field.max) {
            EXPECT_FALSE(number(spin->maximum() + 1)) << field.name;
          }
        } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
          EXPECT_EQ(combo->count(), static_cast<int>(field.list->items->size()));
          EXPECT_EQ(combo->currentIndex(), values.at(f).index);
          const auto* items = qobject_cast<const QStandardItemModel*>(combo->model());
          for (int k = 0; k < combo->count(); ++k)
            EXPECT_EQ(items->item(k)->isEnabled(),
                      k == values.at(f).index || takes([k](zotpx::FieldValue& v) { v.index = k; }))
                << field.name << " item " << k;
        } else if (auto* box = qobject_cast<QCheckBox*>(editor)) {
          EXPECT_EQ(box->isChecked(), values.at(f).index == 1);
        }
      }
      ++kinds;
    }
  }
  EXPECT_GE(kinds, 20u);
}

}  // namespace
