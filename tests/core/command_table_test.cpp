// The command table's round trips: every row of the shared frame table, filled as the window
// fills it and as the command line does, builds the row's frame and decodes back to its values;
// decode(build(v)) = v and build(decode(f)) = f over random values and random frames of every
// command. (The checks' edges: command_checks_test.)
#include <gtest/gtest.h>

#include <random>

#include "command/codec.h"
#include "support/frame_table.h"
#include "support/hex.h"

namespace zotpx {
// Failures show values as the decoder writes them.
inline void PrintTo(const Values& values, std::ostream* out) {
  *out << values.row().name << " " << DescribeValues(values);
}
}  // namespace zotpx

namespace {

using zotpx::Bytes;
using zotpx::CommandRow;
using zotpx::FieldDef;
using zotpx::FieldKind;
using zotpx::Values;

const CommandRow& RowTitled(const std::string& title) {
  for (const CommandRow& row : zotpx::CommandRows())
    if (row.title == title) return row;
  throw std::runtime_error("no row titled " + title);
}

// Edit boxes as the decoder gives them back: decimal.
Values Canonical(Values values) {
  const CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldKind kind = row.fields[i].kind;
    if (kind == FieldKind::Coordinate || kind == FieldKind::Number)
      values.at(i).text = std::to_string(zotpx::EditValue(values.at(i)).value_or(0));
  }
  return values;
}

// The window's way: each control of the row set as the form test sets it.
Values FromControls(const zotpx::test::FrameRow& frame_row) {
  Values values(RowTitled(frame_row.title));
  const CommandRow& row = values.row();
  if (!frame_row.clock.empty()) values["at"].text = frame_row.clock;
  for (const auto& [control, text] : frame_row.controls) {
    std::size_t i = 0;
    while (i < row.fields.size() && row.fields[i].control != control) ++i;
    EXPECT_LT(i, row.fields.size()) << "no field for " << control;
    if (i == row.fields.size()) continue;
    const FieldDef& field = row.fields[i];
    if (field.kind == FieldKind::List || field.kind == FieldKind::Flag)
      values.at(i).index = std::stoi(text);
    else
      EXPECT_FALSE(zotpx::SetFieldWord(field, values.at(i), text));
  }
  return values;
}

// The command line's way: the row's options by their names, positional ones in their order.
Values FromCli(const zotpx::test::FrameRow& frame_row) {
  std::vector<std::string> args = frame_row.cli;
  std::string name = args[0];
  args.erase(args.begin());
  if (!zotpx::FindRow(name)) {
    name += " " + args[0];
    args.erase(args.begin());
  }
  Values values(*zotpx::FindRow(name));
  const CommandRow& row = values.row();
  std::vector<std::string> positional;
  for (const FieldDef& field : row.fields)
    if (field.positional) positional.emplace_back(field.name);
  for (std::size_t a = 0, p = 0; a < args.size(); ++a) {
    if (args[a].rfind("--", 0) != 0) {
      const std::string field = positional.at(p++);
      EXPECT_FALSE(zotpx::SetFieldWord(*row.Field(field), values[field], args[a]));
      continue;
    }
    const std::string option = args[a].substr(2);
    if (option == "at") {
      values["at"].text = args[++a];
      continue;
    }
    for (std::size_t i = 0; i < row.fields.size(); ++i) {
      const FieldDef& field = row.fields[i];
      if (field.kind == FieldKind::Flag && (option == field.name || option == field.off_name)) {
        values.at(i).index = option == field.name;
      } else if (option == field.name) {
        EXPECT_FALSE(zotpx::SetFieldWord(field, values.at(i), args[++a])) << option;
      }
    }
  }
  return values;
}

class CommandTableRows : public ::testing::TestWithParam<zotpx::test::FrameRow> {};

TEST_P(CommandTableRows, BothFacesBuildTheRowsFrameAndItDecodesBack) {
  const zotpx::test::FrameRow& frame_row = GetParam();
  const Bytes expected = zotpx::test::Hex(frame_row.frame);
  const Values window = FromControls(frame_row);
  EXPECT_FALSE(window.row().check && window.row().check(window));
  EXPECT_EQ(zotpx::BuildFrames(window), std::vector<Bytes>{expected});
  EXPECT_EQ(zotpx::BuildFrames(FromCli(frame_row)), std::vector<Bytes>{expected});

  const zotpx::DecodedFrame decoded = zotpx::DecodeFrame(expected);
  ASSERT_TRUE(decoded.ok()) << (decoded.problems.empty() ? "" : decoded.problems[0]);
  EXPECT_EQ(*decoded.values, Canonical(window));
  EXPECT_EQ(decoded.row->title, frame_row.title);
}

INSTANTIATE_TEST_SUITE_P(FrameTable, CommandTableRows,
                         ::testing::ValuesIn(zotpx::test::FrameRows()));

// Random values of every kind, mostly fit to send, some not.
class RandomValues {
 public:
  explicit RandomValues(unsigned seed) : random_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  Values Make(const CommandRow& row) {
    Values values(row);
    for (std::size_t i = 0; i < row.fields.size(); ++i) Fill(row, row.fields[i], values.at(i));
    return values;
  }

 private:
  void Fill(const CommandRow& row, const FieldDef& field, zotpx::FieldValue& value) {
    static const char* kEdits[] = {"0",   "1",  "$FF", "0x17F", "383", "384", "255",
                                   "256", "-1", "",    "1a",    " 12", "12 ", "X20"};
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
        value.text = Below(3) ? std::to_string(Below(field.max + 2)) : kEdits[Below(14)];
        break;
      case FieldKind::List:
        value.index = Below(static_cast<int>(field.list->items->size()));
        break;
      case FieldKind::Flag:
        value.index = Below(2);
        break;
      case FieldKind::Text:
        value.bytes.resize(static_cast<std::size_t>(Below(6) ? Below(201) + 1 : Below(206)));
        for (auto& b : value.bytes) b = static_cast<std::uint8_t>(Below(256));
        break;
      case FieldKind::Format: {
        value.text.assign(static_cast<std::size_t>(Below(4) ? field.max : 6 + Below(6)), 'x');
        for (char& c : value.text) c = static_cast<char>(Below(8) ? 33 + Below(93) : Below(256));
        break;
      }
      case FieldKind::Moment: {
        char text[48];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", 2000 + Below(256),
                      1 + Below(12), 1 + Below(28), Below(24), Below(60), Below(60));
        value.text = text;
        break;
      }
      case FieldKind::Bitmap:
        if (Below(10) == 0) break;  // the slot holds no picture
        value.picture = Picture(*row.picture_limits);
        break;
      case FieldKind::Data:
        value.bytes.resize(static_cast<std::size_t>(Below(240) + 1));
        for (auto& b : value.bytes) b = static_cast<std::uint8_t>(Below(256));
        break;
    }
  }

  zotpx::LoadedBitmap Picture(const zotpx::BitmapLimits& limits) {
    zotpx::LoadedBitmap picture;
    do {
      picture.width =
          8 * static_cast<std::uint32_t>(1 + Below(static_cast<int>(limits.max_width / 8)));
      picture.height =
          8 * static_cast<std::uint32_t>(1 + Below(static_cast<int>(limits.max_height / 8)));
    } while (limits.max_sum && picture.width + picture.height > limits.max_sum);
    picture.packed.resize(picture.width / 8 * picture.height);
    for (auto& b : picture.packed) b = static_cast<std::uint8_t>(Below(256));
    return picture;
  }

  std::mt19937 random_;
};

TEST(CommandTableRandom, ValuesSurviveBuildThenDecode) {
  RandomValues random(7);
  for (const CommandRow& row : zotpx::CommandRows()) {
    for (int n = 0; n < 2000; ++n) {
      const Values values = random.Make(row);
      if (row.check && row.check(values)) continue;
      Values expected = Canonical(values);
      if (row.blocks.max_blocks && expected["control-only"].index)  // no picture bytes travel
        std::fill(expected["file"].picture->packed.begin(), expected["file"].picture->packed.end(),
                  0);
      zotpx::CommandAssembler assembler;
      std::optional<Values> decoded;
      for (const Bytes& frame : zotpx::BuildFrames(values)) {
        const zotpx::DecodedFrame one = zotpx::DecodeFrame(frame);
        // Random text bytes need be no code page 936 text: that is said, and the values stand.
        ASSERT_TRUE(one.readable() && one.checksum_ok && !one.refusal)
            << row.name << ": " << (one.problems.empty() ? "" : one.problems[0]);
        decoded = assembler.Add(one);
      }
      ASSERT_TRUE(decoded && !assembler.last_incomplete()) << row.name;
      ASSERT_EQ(*decoded, expected) << row.name << " " << zotpx::DescribeValues(values);
    }
  }
}

// A data frame numbered past its picture's end, as a log or capture may hold, is decoded
// with its problem; put together with the frames before it, the command is incomplete and
// nothing is copied past the picture.
TEST(CommandAssemblerTest, BlockPastThePictureBreaksTheRun) {
  for (const CommandRow& row : zotpx::CommandRows()) {
    if (!row.blocks.max_blocks) continue;
    Values values(row);
    values["file"].picture = zotpx::LoadedBitmap{8, 8, Bytes(8, 0xA5)};
    values["control-only"].index = 0;
    zotpx::CommandAssembler assembler;
    for (const std::size_t block : {1, 2, 3})
      EXPECT_FALSE(assembler.Add(zotpx::DecodeFrame(zotpx::BuildFrame(values, block))));
    const std::optional<Values> command =
        assembler.Add(zotpx::DecodeFrame(zotpx::BuildFrame(values, 0)));
    ASSERT_TRUE(command) << row.name;
    EXPECT_TRUE(assembler.last_incomplete()) << row.name;
  }
}

TEST(CommandTableRandom, EveryFrameThatFitsItsCommandIsBuiltAgainFromItsValues) {
  std::mt19937 random(5);
  const auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
  RandomValues values(11);
  std::size_t fitting = 0;
  for (const CommandRow& row : zotpx::CommandRows()) {
    for (int n = 0; n < 3000; ++n) {
      // A frame of the tool's, one byte changed, or random data of a plausible size.
      Bytes frame = zotpx::BuildFrames(values.Make(row)).front();
      if (n % 2) {
        frame[4 + random() % (frame.size() - 5)] = byte();
      } else {
        frame.resize(4 + row.data_size + (row.variable ? random() % 40 : 0));
        for (std::size_t i = 4; i < frame.size(); ++i) frame[i] = byte();
        if (row.selector) frame[4] = *row.selector;
        frame[3] = static_cast<std::uint8_t>(frame.size() - 4);
        frame.push_back(0);
      }
      frame.back() = zotpx::FrameChecksum(frame.data(), frame.size());
      const zotpx::DecodedFrame decoded = zotpx::DecodeFrame(frame);
      if (!decoded.values || !decoded.problems.empty()) continue;
      ++fitting;
      ASSERT_EQ(zotpx::BuildFrame(*decoded.values, decoded.block), frame)
          << row.name << " " << zotpx::DescribeValues(*decoded.values);
    }
  }
  EXPECT_GT(fitting, 20000u);
}

}  // namespace

namespace {

// The window's pages and the designer's property panel caption each field by its label: a
// field a user sets that has none would show its bare name.
TEST(CommandTableLabels, EveryFieldAUserSetsHasOne) {
  for (const CommandRow& row : zotpx::CommandRows())
    for (const FieldDef& field : row.fields)
      if (!row.table.empty() || !field.control.empty()) {
        EXPECT_FALSE(field.label.empty()) << row.name << " " << field.name;
      }
}

}  // namespace
