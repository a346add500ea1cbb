// The designer's document without a window: each edit as the user makes it (drag, handles,
// arrow keys, the property panel, the palette, the model), with what it leaves or why it is
// refused (the window's messages); undo and redo; copy, paste and duplicate; the drawing order;
// which object is under the pointer; and a layout opened and saved unedited.
#include "editor/document.h"

#include <gtest/gtest.h>

#include <functional>

#include "../cli/scratch_files.h"
#include "command/checks.h"
#include "layout/layout_reader.h"

namespace zotpx::test {
namespace {

using editor::Document;
using editor::EditResult;
using editor::Handle;
using Kind = EditResult::Kind;

Document Open(const std::string& text) {
  Layout layout = ParseLayout(text, "d.toml", ZOTPX_EXAMPLES_DIR "/");
  EXPECT_TRUE(layout.ok()) << layout.errors.front();
  return Document(std::move(layout));
}

std::string Word(const Document& doc, std::size_t object, std::string_view field) {
  const Values& values = doc.objects()[object].values;
  return FieldWord(*values.row().Field(field), values[field]);
}

std::size_t FieldIndex(const Document& doc, std::size_t object, std::string_view field) {
  return doc.objects()[object].values.row().IndexOf(field);
}

EditResult Drag(Document& doc, int dx, int dy) {
  if (EditResult begun = doc.BeginDrag(0); !begun) return begun;
  EditResult moved = doc.DragMove(dx, dy);
  doc.EndDrag();
  return moved;
}

EditResult DragHandle(Document& doc, Handle handle, int x, int y) {
  if (EditResult begun = doc.BeginDrag(0); !begun) return begun;
  EditResult sized = doc.DragHandle(handle, {x, y});
  doc.EndDrag();
  return sized;
}

const std::string kRect = "[[rect]]\nleft = 10\ntop = 10\nright = 49\nbottom = 29\n";
const std::string kCircle = "[[circle]]\nx = 100\ny = 100\nradius = 30\n";

struct EditCase {
  const char* name;
  std::string layout;
  std::function<EditResult(Document&)> edit;
  Kind kind;
  std::vector<std::pair<std::string_view, std::string>> words;  // object 0's, after
  std::string message = {};                                     // a refusal's
};

void PrintTo(const EditCase& c, std::ostream* out) {
  *out << c.name;
}

class Edits : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edits, LeaveTheLayoutOnTheScreenAndTheDevicesValues) {
  Document doc = Open(GetParam().layout);
  const Layout before = doc.layout();
  const EditResult result = GetParam().edit(doc);
  EXPECT_EQ(result.kind, GetParam().kind);
  EXPECT_EQ(result.message, GetParam().message);
  for (const auto& [field, word] : GetParam().words) EXPECT_EQ(Word(doc, 0, field), word) << field;
  if (result.kind != Kind::Done) {
    EXPECT_EQ(doc.objects()[0].values, before.objects[0].values) << "a refusal changed it";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Document, Edits,
    ::testing::Values(
        EditCase{"dragged past the right edge",
                 kRect,
                 [](Document& d) { return Drag(d, 1000, -5); },
                 Kind::Done,
                 {{"left", "344"}, {"right", "383"}, {"top", "5"}, {"bottom", "24"}}},
        EditCase{"dragged past the top-left corner",
                 kRect,
                 [](Document& d) { return Drag(d, -1000, -1000); },
                 Kind::Done,
                 {{"left", "0"}, {"top", "0"}, {"right", "39"}, {"bottom", "19"}}},
        EditCase{"a circle stays whole",
                 kCircle,
                 [](Document& d) { return Drag(d, -1000, 1000); },
                 Kind::Done,
                 {{"x", "30"}, {"y", "225"}}},
        EditCase{"a bitmap by its picture's size",
                 "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\nx = 0\ny = 0\n",
                 [](Document& d) { return Drag(d, 1000, 1000); },
                 Kind::Done,
                 {{"x", "288"}, {"y", "224"}}},
        EditCase{"Shift+arrow moves eight",
                 kRect,
                 [](Document& d) { return d.Nudge(0, 8, -1); },
                 Kind::Done,
                 {{"left", "18"}, {"right", "57"}, {"top", "9"}}},
        EditCase{"an arrow at the edge does nothing",
                 "[[rect]]\nleft = 0\nright = 10\n",
                 [](Document& d) { return d.Nudge(0, -1, 0); },
                 Kind::Unchanged,
                 {{"left", "0"}}},
        EditCase{"a locked object is not dragged",
                 kRect + "locked = true\n",
                 [](Document& d) { return Drag(d, 5, 5); },
                 Kind::Locked,
                 {{"left", "10"}}},
        EditCase{"nor moved from the panel",
                 kRect + "locked = true\n",
                 [](Document& d) { return d.SetWord(0, FieldIndex(d, 0, "left"), "20"); },
                 Kind::Locked,
                 {{"left", "10"}}},
        EditCase{"but recoloured",
                 kRect + "locked = true\n",
                 [](Document& d) { return d.SetWord(0, FieldIndex(d, 0, "colour"), "bg"); },
                 Kind::Done,
                 {{"colour", "bg"}}},
        EditCase{"a corner dragged off the screen",
                 kRect,
                 [](Document& d) { return DragHandle(d, Handle::BottomRight, 500, 500); },
                 Kind::Done,
                 {{"left", "10"}, {"right", "383"}, {"bottom", "255"}}},
        EditCase{"the left edge past the right",
                 kRect,
                 [](Document& d) { return DragHandle(d, Handle::Left, 100, 0); },
                 Kind::Done,
                 {{"left", "49"}, {"right", "49"}, {"top", "10"}}},
        EditCase{"a circle's rim to a radius of its list",
                 kCircle,
                 [](Document& d) { return DragHandle(d, Handle::Right, 145, 100); },
                 Kind::Done,
                 {{"radius", "45"}}},
        EditCase{"a circle's rim no further than the screen",
                 kCircle,
                 [](Document& d) { return DragHandle(d, Handle::Bottom, 100, 400); },
                 Kind::Done,
                 {{"radius", "100"}}},
        EditCase{"a line's end",
                 "[[line]]\nx = 5\ny = 20\nlength = 200\n",
                 [](Document& d) { return DragHandle(d, Handle::Right, 400, 20); },
                 Kind::Done,
                 {{"x", "5"}, {"length", "379"}}},
        EditCase{"a line's start, its end staying",
                 "[[line]]\nx = 5\ny = 20\nlength = 200\n",
                 [](Document& d) { return DragHandle(d, Handle::Left, 100, 20); },
                 Kind::Done,
                 {{"x", "100"}, {"length", "105"}}},
        EditCase{"a date format the device refuses",
                 "[[date]]\n",
                 [](Document& d) { return d.SetWord(0, FieldIndex(d, 0, "format"), "yy"); },
                 Kind::Refused,
                 {{"format", "yyyy/mm/dd"}},
                 std::string(FindRow("date")->title) + kInvalidDateFormatText},
        EditCase{"a moment that is no date, in the window's words",
                 "[clock]\n",
                 [](Document& d) { return d.SetWord(0, 0, "2026-02-30 10:00:00"); },
                 Kind::Refused,
                 {{"at", ""}},
                 std::string(FindRow("clock")->title) + kClockInvalidText},
        EditCase{"a radius that leaves the screen",
                 "[[circle]]\nx = 30\ny = 200\n",
                 [](Document& d) { return d.SetWord(0, FieldIndex(d, 0, "radius"), "100"); },
                 Kind::Refused,
                 {},
                 std::string(FindRow("circle")->title) + kEnterCoordinatesText},
        EditCase{"a text code page 936 cannot hold",
                 "[[text]]\n",
                 [](Document& d) { return d.SetWord(0, FieldIndex(d, 0, "text"), "A\U0001F600"); },
                 Kind::Refused,
                 {},
                 std::string(FindRow("text")->title) + UnrepresentableMessage("\U0001F600")},
        EditCase{"a model without the object",
                 kRect,
                 [](Document& d) { return d.SetModel(DeviceModel::PB); },
                 Kind::ModelLacks,
                 {}},
        EditCase{"an object the model lacks",
                 "model = \"ZOT-PB\"\n[[cross-move]]\n",
                 [](Document& d) {
                   return d.Add(*FindRow("rect"), {5, 5});
                 },
                 Kind::ModelLacks,
                 {}}));

TEST(Document, OneDragIsOneStepOfUndo) {
  Document doc = Open(kRect + kCircle);
  doc.SavedAs("d.toml");
  ASSERT_TRUE(doc.BeginDrag(0));
  for (int dx = 1; dx <= 30; ++dx) doc.DragMove(dx, dx / 2);
  EXPECT_TRUE(doc.EndDrag());
  EXPECT_TRUE(doc.modified());
  EXPECT_EQ(Word(doc, 0, "left"), "40");
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Word(doc, 0, "left"), "10");
  EXPECT_FALSE(doc.modified());
  EXPECT_FALSE(doc.CanUndo());
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(Word(doc, 0, "top"), "25");
  // A drag that ends where it began is no edit.
  ASSERT_TRUE(doc.BeginDrag(1));
  doc.DragMove(5, 0);
  doc.DragMove(0, 0);
  EXPECT_FALSE(doc.EndDrag());
  EXPECT_FALSE(doc.CanRedo());
  ASSERT_TRUE(doc.Undo());
  EXPECT_FALSE(doc.CanUndo());
}

TEST(Document, PastesLandFurtherOnWithTheirPictures) {
  Document doc = Open(
      "[[bitmap]]\nkind = \"oversized\"\nfile = \"badge.bmp\"\nx = 10\ny = 10\n"
      "locked = true\nname = \"徽标\"\n");
  editor::Clip clip = doc.Copy(0);
  ASSERT_TRUE(doc.Paste(clip));
  ASSERT_TRUE(doc.Paste(clip));
  ASSERT_TRUE(doc.Duplicate(0));
  ASSERT_EQ(doc.objects().size(), 4u);
  EXPECT_EQ(doc.selection(), 3u);
  EXPECT_EQ(Word(doc, 1, "x"), "18");
  EXPECT_EQ(Word(doc, 2, "y"), "26");
  EXPECT_EQ(Word(doc, 3, "x"), "18");
  EXPECT_EQ(doc.objects()[2].name, "徽标");
  EXPECT_FALSE(doc.objects()[2].locked);  // a copy is to be moved
  EXPECT_EQ(doc.objects()[3].values["file"].text, "badge.bmp");
  EXPECT_EQ(doc.layout().bitmaps.size(), 1u);
  ASSERT_TRUE(doc.Remove(0));
  EXPECT_EQ(doc.layout().bitmaps.size(), 1u);  // still named by the copies
}

TEST(Document, PicksTheTopmostInkAndFollowsTheOrder) {
  Document doc = Open(
      "[[rect]]\nfilled = true\nright = 100\nbottom = 100\n"
      "[[rect]]\nfilled = true\nleft = 50\ntop = 50\nright = 150\nbottom = 150\n"
      "colour = \"bg\"\n");
  EXPECT_EQ(doc.ObjectAt({75, 75}), 1u);
  EXPECT_EQ(doc.ObjectAt({25, 25}), 0u);
  EXPECT_EQ(doc.ObjectAt({200, 200}), std::nullopt);
  ASSERT_TRUE(doc.Lower(1));
  EXPECT_EQ(doc.selection(), 0u);
  EXPECT_EQ(doc.ObjectAt({75, 75}), 1u);
  ASSERT_TRUE(doc.SetHidden(1, true));
  EXPECT_EQ(doc.ObjectAt({75, 75}), 0u);
  EXPECT_EQ(doc.Raise(1).kind, Kind::Unchanged);
}

TEST(Document, PlacesNewObjectsWhereClickedAndOnTheScreen) {
  Document doc;
  ASSERT_TRUE(doc.Add(*FindRow("circle"), {200, 100}));
  EXPECT_EQ(Word(doc, 0, "x"), "200");
  EXPECT_EQ(Word(doc, 0, "y"), "100");
  // Placed at the bottom, a text is brought up whole; the window's string is wider than the
  // screen, so it stays where it was put along the row.
  ASSERT_TRUE(doc.Add(*FindRow("text"), {300, 250}));
  const screen::ScreenBox box = *doc.BoxOf(1);
  EXPECT_EQ(box.top + box.height, kScreenHeight);
  EXPECT_EQ(box.left, 300);
  ASSERT_TRUE(doc.SetWord(1, FieldIndex(doc, 1, "text"), "AB"));
  ASSERT_TRUE(doc.Nudge(1, 100, 0));
  EXPECT_EQ(doc.BoxOf(1)->left + doc.BoxOf(1)->width, kScreenWidth);
  EXPECT_EQ(doc.selection(), 1u);
  for (int step = 0; step < 3; ++step) ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(doc.objects().size(), 1u);
}

TEST(Document, OpenedAndSavedUneditedAppliesTheSameFrames) {
  const std::string dir = ScratchFolder("document", "saved");
  const Layout source = LoadLayout(ZOTPX_EXAMPLES_DIR "/zotpx-pa.toml");
  const Document doc(source);
  ASSERT_FALSE(SaveLayoutFile(doc.File(), dir + "pa.toml"));
  const Layout saved = LoadLayout(dir + "pa.toml");
  ASSERT_TRUE(saved.ok()) << saved.errors.front();
  ASSERT_EQ(saved.objects.size(), source.objects.size());
  for (std::size_t i = 0; i < source.objects.size(); ++i)
    EXPECT_EQ(BuildFrames(saved.objects[i].values), BuildFrames(source.objects[i].values));
  EXPECT_EQ(saved.model, DeviceModel::PA);  // the document says which model it was made for
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zotpx::test
