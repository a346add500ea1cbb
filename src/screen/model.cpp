#include "screen/screen.h"

namespace zotpx::screen {

struct ScreenModel::State {
  std::uint64_t revision = 0;
};

ScreenModel::ScreenModel(std::int64_t) : state_(std::make_unique<State>()) {}
ScreenModel::~ScreenModel() = default;
ScreenModel::ScreenModel(ScreenModel&&) noexcept = default;
ScreenModel& ScreenModel::operator=(ScreenModel&&) noexcept = default;

bool ScreenModel::Apply(std::span<const std::uint8_t>, std::int64_t) {
  return false;
}
void ScreenModel::AttachMemory(std::span<const std::uint8_t>) {}
void ScreenModel::SetClock(const LocalDateTime&, std::int64_t) {}

void ScreenModel::Render(std::int64_t, const Picture& video, Picture& out) const {
  out = Picture::Filled(kWidth, kHeight, kBackground);
  if (video.width == kWidth && video.height == kHeight) out = video;
}

std::uint64_t ScreenModel::revision() const {
  return state_->revision;
}
std::optional<std::int64_t> ScreenModel::NextChangeMs(std::int64_t) const {
  return std::nullopt;
}

std::size_t RunStartupImage(ScreenModel&, std::span<const std::uint8_t>, std::int64_t) {
  return 0;
}

Picture TestCard() {
  return Picture::Filled(kWidth, kHeight, Rgba(0x40, 0x40, 0x40));
}
std::optional<Picture> LoadVideoPicture(const std::string&) {
  return std::nullopt;
}
std::vector<std::string> TakeFontMessages() {
  return {};
}

}  // namespace zotpx::screen
