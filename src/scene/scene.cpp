#include "scene/scene.h"

#include <algorithm>

#include "command/codec.h"
#include "crosshair/cross_download.h"

namespace zotpx {

Bytes DeviceMemoryWith(const Bytes& cross_file) {
  Bytes memory(kDeviceMemorySize, 0xFF);
  const std::span<const std::uint8_t> part = CrossDownloadPart(cross_file);
  std::copy(part.begin(), part.end(), memory.begin() + kCrossBase);
  return memory;
}

Scene::Scene(const Layout& layout, const SceneSetup& setup) : model_(0), memory_(setup.memory) {
  model_.AttachMemory(memory_);
  // The date and time show the given moment (or now) until the layout sets the clock.
  Values clock(*FindRow("clock"));
  clock["at"].text = setup.at;
  if (!ParseMoment(setup.at)) clock["at"].text.clear();
  for (const Bytes& frame : BuildFrames(clock)) model_.Apply(frame, 0);
  for (std::size_t i = 0; i < layout.objects.size(); ++i) {
    const LayoutObject& object = layout.objects[i];
    if (!IsSent(object)) continue;
    first_frames_.emplace_back(model_.frames_accepted(), i);
    for (const Bytes& frame : BuildFrames(object.values))
      if (!model_.Apply(frame, 0))
        refusals_.push_back(layout.Where(object.line) + ": the device would refuse " +
                            std::string(object.values.row().name) + "'s frame " +
                            FormatLogLine("", frame.size(), frame.data()));
  }
  model_.Render(0, setup.video, picture_);
}

std::optional<std::size_t> Scene::ObjectOfFrame(std::size_t frame) const {
  const auto after =
      std::upper_bound(first_frames_.begin(), first_frames_.end(), frame,
                       [](std::size_t f, const std::pair<std::size_t, std::size_t>& first) {
                         return f < first.first;
                       });
  if (after == first_frames_.begin()) return std::nullopt;  // the scene's own clock
  return std::prev(after)->second;
}

const std::vector<screen::DrawnObject>& Scene::Drawn() const {
  if (!drawn_) drawn_ = model_.DrawnObjects(0);
  return *drawn_;
}

std::optional<std::size_t> Scene::ObjectAt(int x, int y) const {
  for (auto drawn = Drawn().rbegin(); drawn != Drawn().rend(); ++drawn)
    if (drawn->InkAt(x, y)) return ObjectOfFrame(drawn->frame);
  return std::nullopt;
}

std::vector<screen::ScreenBox> Scene::PartsOf(std::size_t object) const {
  std::vector<screen::ScreenBox> parts;
  for (const screen::DrawnObject& drawn : Drawn())
    if (ObjectOfFrame(drawn.frame) == object && !drawn.box.empty()) parts.push_back(drawn.box);
  return parts;
}

std::optional<screen::ScreenBox> Scene::BoxOf(std::size_t object) const {
  const std::vector<screen::ScreenBox> parts = PartsOf(object);
  if (parts.empty()) return std::nullopt;
  int left = parts[0].left, top = parts[0].top;
  int right = left + parts[0].width, bottom = top + parts[0].height;
  for (const screen::ScreenBox& part : parts) {
    left = std::min(left, part.left);
    top = std::min(top, part.top);
    right = std::max(right, part.left + part.width);
    bottom = std::max(bottom, part.top + part.height);
  }
  return screen::ScreenBox{left, top, right - left, bottom - top};
}

}  // namespace zotpx
