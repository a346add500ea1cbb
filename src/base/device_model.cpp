#include "base/device_model.h"

#include "base/attributes.h"

namespace zotpx {

std::string_view ModelName(DeviceModel model) {
  return lists::kDeviceTypes[static_cast<std::size_t>(model)];
}

std::optional<DeviceModel> ModelFromName(std::string_view name) {
  for (const DeviceModel model : {DeviceModel::PA, DeviceModel::PB})
    if (ModelName(model) == name) return model;
  return std::nullopt;
}

}  // namespace zotpx
