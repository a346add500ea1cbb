#include "command/model_check.h"

#include "base/texts.h"

namespace zotpx {

std::optional<std::string> RefuseForModel(const CommandRow& row, DeviceModel model) {
  if (row.ForModel(model)) return std::nullopt;
  std::string models;
  for (const DeviceModel other : {DeviceModel::PA, DeviceModel::PB})
    if (row.ForModel(other)) models += (models.empty() ? "" : ", ") + std::string(ModelName(other));
  return std::string(row.name) + ": the device is a " + std::string(ModelName(model)) +
         ", which has no such command (" + models + " only); nothing more was sent";
}

std::optional<ForeignCommand> FindForeignCommand(const StaticImage& built, DeviceModel model) {
  const std::vector<Bytes> records = StaticImageRecords(built.image);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Bytes& record = records[i];
    // A record is a frame and its trailing byte: the data stand between the length and the
    // checksum.
    const std::span<const std::uint8_t> data(record.data() + 4, record[3]);
    const CommandRow* row = RowForFrame(record[2], data);
    if (row && !row->ForModel(model))
      return ForeignCommand{i < built.lines.size() ? built.lines[i] : 0, row};
  }
  return std::nullopt;
}

std::string ForeignCommandText(const ForeignCommand& foreign) {
  return Fill("command.foreign_command", {std::to_string(foreign.line), foreign.row->title});
}

}  // namespace zotpx
