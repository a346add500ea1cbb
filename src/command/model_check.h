// Whether a device of a given model has a command: one judgement for a command sent live (a
// button, a command line, a layout's objects) and for the start-up commands a static download
// would store, since the device would otherwise keep running at every power-on commands it
// does not have.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/device_model.h"
#include "command/table.h"
#include "text/static_file.h"

namespace zotpx {

// The command line's refusal of `row` on a device of `model`, naming the models that have it;
// nothing when the model has it, or is not known (with a rate given the command line does not
// identify the device, and the command goes as asked).
std::optional<std::string> RefuseForModel(const CommandRow& row, DeviceModel model);

// A start-up command of an image that a device of `model` lacks: the line that gave it (of the
// static command text, or of the layout) and its row.
struct ForeignCommand {
  std::size_t line = 0;
  const CommandRow* row = nullptr;
};
// The first such command among the image's records, or nothing.
std::optional<ForeignCommand> FindForeignCommand(const StaticImage& built, DeviceModel model);

// The window's refusal after its caption: "失败：当前型号的产品不支持命令文件第3行的矩形控制命令".
std::string ForeignCommandText(const ForeignCommand& foreign);

}  // namespace zotpx
