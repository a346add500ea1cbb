// The identification reply as the device (or anything on the line) sends it: never read
// beyond what arrived, and accept only a 21..254-byte reply naming a listed model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "device/connect.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly what was collected: ASan reports any read past it.
  auto reply = std::make_unique<std::uint8_t[]>(size ? size : 1);
  if (size) std::memcpy(reply.get(), data, size);
  const auto id = zotpx::AcceptIdentifyReply(reply.get(), size);
  if (!id) return 0;

  Check(size >= 21 && size <= 254);
  const std::size_t text_length = data[0];
  Check(text_length >= 5 && text_length < size);
  Check(id->model == zotpx::DeviceModel::PA || id->model == zotpx::DeviceModel::PB);
  const std::string model = id->model == zotpx::DeviceModel::PA ? "ZOT-PA" : "ZOT-PB";
  // The model word is the text up to its first space, and never its last character.
  Check(text_length > model.size());
  Check(std::memcmp(data + 1, model.data(), model.size()) == 0);
  Check(data[1 + model.size()] == ' ' || model.size() == text_length - 1);
  // The version is the text itself, cut at a zero byte.
  Check(id->version.size() <= text_length);
  Check(std::memcmp(id->version.data(), data + 1, id->version.size()) == 0);
  Check(id->version.find('\0') == std::string::npos);
  Check(id->version.size() == text_length || data[1 + id->version.size()] == 0);
  return 0;
}
