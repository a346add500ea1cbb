// The commands that take a layout file (layout/layout_reader.h): apply sends its objects live,
// static and download static make start-up commands of it, render draws it without a device,
// format writes it again as the designer saves it.
#pragma once

#include <optional>

#include "cli/commands.h"

namespace zotpx::cli {

// Before anything is opened: a layout the command names is loaded and checked whole, and a
// start-up list (static, download static) that would come out empty is refused unless
// --allow-empty. The refusal, its errors as details; notes go to standard error unless `quiet`.
std::optional<Outcome> CheckLayoutArgument(const CommandDef& command, const CommandValues& values,
                                           bool quiet);
// apply on one port: with "auto" the connect scan first, then every object is checked against
// the model found before the first is sent.
Outcome RunApply(const CommandDef& command, const CommandValues& values, const Session& session,
                 Reporter& reporter);
// static from a layout, render and format; nothing for other commands.
std::optional<Outcome> RunLayoutLocal(const CommandDef& command, const CommandValues& values);

}  // namespace zotpx::cli
