// The command line's options as the table makes them, through the real parser: for every row a
// user sends, its fields' words (the window's defaults, then other values of every field)
// given as options and arguments come back as the same values and the row's frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "cli/app.h"
#include "command/codec.h"
#include "support/bmp_writer.h"
#include "support/temp_folder.h"

namespace {

using zotpx::CommandRow;
using zotpx::FieldDef;
using zotpx::FieldKind;
using zotpx::Values;

std::string Picture() {
  static const std::string path = [] {
    const std::string p =
        zotpx::test::TestFolder() + "zotpx_cmdline_" + std::to_string(getpid()) + ".bmp";
    zotpx::test::WriteFileBytes(
        p, zotpx::test::MakeBmp({.width = 16, .height = 8}, [](int x, int y) { return x == y; }));
    return p;
  }();
  return path;
}

// Every field away from the window's default: a list's last item, a flag the other way, an edit
// box at its upper limit (a memory address at its lower), a text, a moment, a picture.
Values Changed(const CommandRow& row) {
  Values values(row);
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    zotpx::FieldValue& value = values.at(i);
    switch (field.kind) {
      case FieldKind::List:
        value.index = static_cast<int>(field.list->items->size()) - 1;
        break;
      case FieldKind::Flag:
        value.index = 1 - value.index;
        break;
      case FieldKind::Coordinate:
      case FieldKind::Number:
        value.text = std::to_string(field.max);
        break;
      case FieldKind::Text:
        value.bytes = {'A', 'B', 'C'};
        break;
      case FieldKind::Moment:
        value.text = "2031-05-06 07:08:09";
        break;
      case FieldKind::Bitmap:
        EXPECT_TRUE(zotpx::SetFieldWords(values, {{{"file", Picture()}}}, zotpx::Spelling::Options)
                        .empty());
        break;
      default:
        break;
    }
  }
  return values;
}

// The command line for `values`: the command's words, each field's option with its word (a
// flag by the name of the item it stands at), the positional words last.
std::vector<std::string> Arguments(const Values& values, bool flag_states) {
  const CommandRow& row = values.row();
  std::vector<std::string> args = {"zotpx"};
  std::istringstream words{std::string(row.name)};
  for (std::string word; words >> word;) args.push_back(word);
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    const std::string word = zotpx::FieldWord(field, values.at(i));
    const std::string name(field.name);
    if (field.kind == FieldKind::Flag && flag_states)
      args.push_back("--" + name + "=" + word);
    else if (field.kind == FieldKind::Flag && values.at(i).index == 1)
      args.push_back("--" + name);
    else if (field.kind == FieldKind::Flag && !field.off_name.empty())
      args.push_back("--" + std::string(field.off_name));
    else if (field.positional)
      positional.push_back(word);
    else if (field.kind != FieldKind::Flag)
      args.insert(args.end(), {"--" + name, word});
  }
  args.insert(args.end(), positional.begin(), positional.end());
  return args;
}

TEST(CommandLineTest, EveryRowsOptionsGiveBackItsValuesAndFrames) {
  for (const CommandRow& row : zotpx::CommandRows()) {
    if (row.table.empty()) continue;  // no command of its own
    Values defaults(row);
    if (row.Field("file")) {  // a bitmap command needs its picture
      EXPECT_TRUE(zotpx::SetFieldWords(defaults, {{{"file", Picture()}}}, zotpx::Spelling::Options)
                      .empty());
    }
    for (const auto& [expected, flag_states] :
         {std::pair{defaults, true}, std::pair{Changed(row), false}}) {
      const std::vector<std::string> args = Arguments(expected, flag_states);
      std::vector<const char*> argv;
      for (const std::string& arg : args) argv.push_back(arg.c_str());
      auto parsed = zotpx::cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
      const auto* invocation = std::get_if<zotpx::cli::Invocation>(&parsed);
      ASSERT_NE(invocation, nullptr) << row.name << ": " << testing::PrintToString(args);
      EXPECT_EQ(invocation->command->row, &row);
      ASSERT_TRUE(invocation->values.fields) << row.name;
      EXPECT_EQ(*invocation->values.fields, expected) << testing::PrintToString(args);
      // Values that pass the window's check make the row's frames (the clock's "now" aside).
      if ((!row.check || !row.check(expected)) &&
          !(row.Field("at") && expected["at"].text.empty())) {
        EXPECT_EQ(zotpx::BuildFrames(*invocation->values.fields), zotpx::BuildFrames(expected))
            << row.name;
      }
    }
  }
}

}  // namespace
