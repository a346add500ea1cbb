// Frames, files and pictures are plain byte vectors everywhere in the tree.
#pragma once

#include <cstdint>
#include <vector>

namespace zotpx {

using Bytes = std::vector<std::uint8_t>;

}  // namespace zotpx
