// The window's checks, one per command, against the table's fields (inside command/ only).
#pragma once

#include <optional>
#include <string>

#include "command/values.h"

namespace zotpx::checks {

inline constexpr const char* kClockInvalidText = "失败：不合法的日期时间";

std::optional<std::string> Clock(const Values& values);
std::optional<std::string> DateTime(const Values& values);
std::optional<std::string> TextString(const Values& values);
std::optional<std::string> Corners(const Values& values);  // area, rectangle
std::optional<std::string> Edits(const Values& values);    // line, crosshair: the edit boxes only
std::optional<std::string> Circle(const Values& values);
std::optional<std::string> Bitmap(const Values& values);

}  // namespace zotpx::checks
