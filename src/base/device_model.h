// The device models the tool knows, as a type. Their names are the first word of the device's
// identification text and the items of the window's model list, in the list's order.
#pragma once

#include <optional>
#include <string_view>

namespace zotpx {

enum class DeviceModel { Unknown = 0, PA = 1, PB = 2 };

// "ZOT-PA", "ZOT-PB"; for Unknown, the model list's label in the process's language.
std::string_view ModelName(DeviceModel model);
// The model a name (case and all) stands for; nothing for any other word.
std::optional<DeviceModel> ModelFromName(std::string_view name);

}  // namespace zotpx
