// A layout put on the device's screen with no device: the frames each object it sends makes,
// the screen model fed with them as the device would be, the picture it shows over a video,
// and which object of the layout is where. `zotpx render` and the designer's canvas both draw
// through here, so a canvas, an export and a render of one layout are the same pixels.
//
//   SceneSetup setup;                        // the test card, erased memory, the time now
//   Scene scene(LoadLayout("a.toml"), setup);
//   EncodePng(scene.picture());
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "layout/layout.h"
#include "screen/screen.h"
#include "serial/memory_transfer.h"

namespace zotpx {

// What the screen is shown besides the layout.
struct SceneSetup {
  screen::Picture video = screen::TestCard();  // under the overlay
  // The device memory the screen reads (the crosshair file's shapes, the large font's size):
  // erased, or with a crosshair file downloaded (DeviceMemoryWith).
  Bytes memory = Bytes(kDeviceMemorySize, 0xFF);
  // The moment the date and time fields show until the layout sets the clock,
  // "YYYY-MM-DD HH:MM:SS"; empty: the computer's time now.
  std::string at;
};

// Erased device memory with a crosshair file (as `download cross` sends it) where the device
// keeps it.
Bytes DeviceMemoryWith(const Bytes& cross_file);

class Scene {
 public:
  // Every object the layout sends, in its order; hidden ones are left out.
  Scene(const Layout& layout, const SceneSetup& setup);

  const screen::Picture& picture() const { return picture_; }
  // "layout.toml:12: the device would refuse rect's frame 55 AA ...", for each frame the
  // screen refused (values a check passed but the device cannot show).
  const std::vector<std::string>& refusals() const { return refusals_; }

  // The object of the layout (its index) whose ink is topmost at (x, y); nothing where the
  // video shows through.
  std::optional<std::size_t> ObjectAt(int x, int y) const;
  // What the screen shows of the object: its drawn parts' boxes together; nothing when it shows
  // nothing (hidden, painted over, deleted).
  std::optional<screen::ScreenBox> BoxOf(std::size_t object) const;
  // Each part of it the screen shows, in drawing order (the crosshair settings draw the shape
  // and the read-out).
  std::vector<screen::ScreenBox> PartsOf(std::size_t object) const;

 private:
  std::optional<std::size_t> ObjectOfFrame(std::size_t frame) const;
  const std::vector<screen::DrawnObject>& Drawn() const;

  screen::ScreenModel model_;
  screen::Picture picture_;
  std::vector<std::string> refusals_;
  // The first frame each sent object's frames got, and its index, in order.
  std::vector<std::pair<std::size_t, std::size_t>> first_frames_;
  Bytes memory_;
  // What the screen shows, looked at when first asked.
  mutable std::optional<std::vector<screen::DrawnObject>> drawn_;
};

}  // namespace zotpx
