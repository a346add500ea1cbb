// Outcomes as JSON: one object per port and command for --json, and the form in which a
// station worker hands its outcome to the parent.
#pragma once

#include <nlohmann/json.hpp>

#include "cli/commands.h"

namespace zotpx::cli {

// port, command, result, status, and where known model, version, baud, seconds, bytes;
// details when there are any.
nlohmann::json OutcomeToJson(const Outcome& outcome);
// Back again; fields it lacks keep their defaults.
Outcome OutcomeFromJson(const nlohmann::json& object);

// A run refused before it reached a device or wrote a file: its details and then "zotpx: " and
// its status on standard error, or with `json` its object on standard output. Returns the exit
// status its result calls for.
int PrintRefusal(const Outcome& outcome, bool json);
// The same for a command's refusal with no more to it than its status.
int PrintRefusal(const std::string& command, const std::string& status, bool json,
                 const char* result = kResultRefused);

}  // namespace zotpx::cli
