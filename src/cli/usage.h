// The command line's usage errors in the tool's own words: what the parser (CLI11) would say
// in its words ("At Most 1 required", "Could not convert") said as a user reads it, and the
// forms it would take wrongly ("--fill=" for "--fill") caught before it reads them.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "base/language.h"

namespace zotpx::cli {

// The arguments with "--NAME=" made "--NAME" and an empty value, which the option then judges
// as it judges any other; a flag's empty state is refused (the message). Arguments after "--"
// stay as they are.
std::variant<std::vector<std::string>, std::string> SplitEmptyValues(
    const std::vector<std::string>& args, const std::set<std::string>& flags);

// A flag's state as given: "true" or "1" on, "false" or "0" off; nothing for any other word.
std::optional<bool> FlagState(const std::string& word);

// Whether the arguments ask for --json (the last --json or --json=STATE before "--"), read
// before the parser has run, so that even its refusals come as JSON.
bool AsksForJson(const std::vector<std::string>& args);

// The language the arguments ask for (the last --lang NAME or --lang=NAME before "--"), read
// before the parser has run, so that everything the run prints is in it; nothing when none is
// asked for or the name is neither language (the parser then refuses it).
std::optional<Language> AskedLanguage(const std::vector<std::string>& args);

// What went wrong, once CLI11 has refused the command line: an unknown option or command, an
// argument too many, a value or a command missing.
std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& error);

// The deepest command the parser took, the program itself when none.
const CLI::App& ChosenCommand(const CLI::App& app);
// The command as the user types it: "cross set"; empty for the program itself.
std::string CommandPath(const CLI::App& command);

}  // namespace zotpx::cli
