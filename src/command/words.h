// The words of the command line and of layout files for a row's fields: each field's line of
// --help, and the words given for a command set in turn on its values, with the refusals both
// faces show. An option's name is a layout's key, and a word means the same in both.
//
//   Values rect(*FindRow("rect"));
//   const std::vector<WordRefusal> refused =
//       SetFieldWords(rect, {{"left", "$1F"}, {"filled", "true"}}, Spelling::Options);
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "command/values.h"

namespace zotpx {

// The field's line of --help: what it is, exactly the words and numbers it takes, its limits
// and the window's default ("colour layer: fg|bg|transparent|all or 1|2|4|7 in that order
// (default all)", "left X, 0-383; decimal, or hex after $, x or 0x (default 0)").
std::string FieldHelp(const FieldDef& field);

// How refusals name what was given: "--fill", "--colour 'pink'" on the command line,
// "fill = true", "colour = pink" in a layout.
enum class Spelling { Options, Keys };

// A word given for a field by its name, or for a flag by its off_name ("fill" for clear).
struct GivenWord {
  std::string name;
  std::string word;
};

struct WordRefusal {
  enum class Kind {
    Word,   // no value of its field, or one that contradicts an earlier word: a usage error
    Value,  // a value the window itself refuses (a character code page 936 lacks): the
            // window's status text after the title
    File,   // a bitmap file that cannot be read, in the window's words after the title
  };
  Kind kind = Kind::Word;
  std::size_t given = 0;  // the word at fault
  std::string message;
};

// Sets each word in turn on `values`. A flag's word is true or false (1 or 0), false meaning
// its list's other item; two words that choose different items of one flag's list contradict
// each other. A bitmap's word is its file, read here against the row's limits. Every refusal,
// in the order given; a refused word leaves its field as it was.
std::vector<WordRefusal> SetFieldWords(Values& values, std::span<const GivenWord> given,
                                       Spelling spelling);

}  // namespace zotpx
