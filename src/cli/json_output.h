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

}  // namespace zotpx::cli
