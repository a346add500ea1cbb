#include "screen/glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "base/hex.h"
#include "base/paths.h"
#include "screen/screen.h"

namespace zotpx::screen {

namespace {

std::mutex& MessageMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<std::string>& PendingMessages() {
  static std::vector<std::string> messages;
  return messages;
}
void Report(std::string message) {
  std::lock_guard lock(MessageMutex());
  PendingMessages().push_back(std::move(message));
}

bool IsBlank(char32_t code_point) {
  return code_point < 0x20 || code_point == 0x7F;
}

// Copies `source` into a cell of the given size at offset (dx, dy), clipped to the cell.
template <typename InkAt>
Glyph Place(int cell_width, int cell_height, int width, int height, int dx, int dy, InkAt ink_at) {
  Glyph glyph{cell_width, cell_height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(cell_width) * cell_height, 0)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int cx = x + dx, cy = y + dy;
      if (cx < 0 || cy < 0 || cx >= cell_width || cy >= cell_height) continue;
      if (ink_at(x, y)) glyph.ink[static_cast<std::size_t>(cy) * cell_width + cx] = 1;
    }
  }
  return glyph;
}

// FreeType reads the font through the tool's own file stream: its own opening takes the name
// in the system's narrow code page on Windows, where a folder named in Chinese is not found.
unsigned long ReadFontFile(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                           unsigned long count) {
  auto& in = *static_cast<std::ifstream*>(stream->descriptor.pointer);
  in.clear();
  const bool placed = static_cast<bool>(in.seekg(static_cast<std::streamoff>(offset)));
  if (count == 0) return placed ? 0 : 1;  // a seek alone: 0 for success
  if (!placed) return 0;
  in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
  return static_cast<unsigned long>(in.gcount());
}

Glyph EmptyCell(int width, int height) {
  return Glyph{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
}

// GNU Unifont: one line per character, "XXXX:" and 32 (8 x 16) or 64 (16 x 16) hex digits.
class Unifont {
 public:
  struct Bits {
    std::uint8_t width = 8;
    std::array<std::uint16_t, 16> rows{};  // bit 15 the leftmost pixel
  };

  static const Unifont& Get() {
    static const Unifont font;
    return font;
  }

  const Bits* Find(char32_t code_point) const {
    const auto it = glyphs_.find(code_point);
    return it == glyphs_.end() ? nullptr : &it->second;
  }

 private:
  Unifont() {
    std::ifstream in(SystemPath(UnifontPath()));
    std::string line;
    while (std::getline(in, line)) ParseLine(line);
    if (glyphs_.empty()) {
      Report("screen: no glyphs in " + UnifontPath() +
             ": the small and the 16-pixel fonts draw nothing");
    }
  }

  void ParseLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 6) return;
    char32_t code_point = 0;
    for (char c : line.substr(0, colon)) {
      const int v = HexDigitValue(static_cast<std::uint8_t>(c));
      if (v < 0) return;
      code_point = code_point * 16 + static_cast<char32_t>(v);
    }
    std::string_view hex = line.substr(colon + 1);
    while (!hex.empty() && (hex.back() == '\r' || hex.back() == ' ')) hex.remove_suffix(1);
    if (hex.size() != 32 && hex.size() != 64) return;
    Bits bits;
    bits.width = hex.size() == 32 ? 8 : 16;
    const std::size_t digits_per_row = bits.width / 4;
    for (std::size_t row = 0; row < 16; ++row) {
      unsigned value = 0;
      for (std::size_t i = 0; i < digits_per_row; ++i) {
        const int v = HexDigitValue(static_cast<std::uint8_t>(hex[row * digits_per_row + i]));
        if (v < 0) return;
        value = value * 16 + static_cast<unsigned>(v);
      }
      bits.rows[row] = static_cast<std::uint16_t>(value << (16 - bits.width));
    }
    glyphs_[code_point] = bits;
  }

  std::unordered_map<char32_t, Bits> glyphs_;
};

Glyph UnifontCell(char32_t code_point, int cell_width) {
  const Unifont::Bits* bits = Unifont::Get().Find(code_point);
  if (!bits || IsBlank(code_point)) return EmptyCell(cell_width, 16);
  // A half-width glyph in a full-width cell sits in its middle.
  const int dx = std::max(0, (cell_width - bits->width) / 2);
  return Place(cell_width, 16, bits->width, 16, dx, 0, [bits](int x, int y) {
    return (bits->rows[static_cast<std::size_t>(y)] >> (15 - x)) & 1;
  });
}

// The 24-pixel font: outlines rasterised in monochrome, kept once rendered.
class OutlineFont {
 public:
  static OutlineFont& Get() {
    static OutlineFont font;
    return font;
  }
  ~OutlineFont() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  Glyph Cell(char32_t code_point, int cell_width) {
    std::lock_guard lock(mutex_);
    const std::uint64_t key = (std::uint64_t{code_point} << 1) | (cell_width > 12 ? 1 : 0);
    const auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    Glyph glyph = Render(code_point, cell_width);
    // The device has few glyphs; a text of arbitrary bytes must not grow this without end.
    if (cache_.size() < 30000) cache_.emplace(key, glyph);
    return glyph;
  }

 private:
  static constexpr int kSize = 24;

  OutlineFont() {
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      Report("screen: FreeType did not start: the 24-pixel font draws nothing");
      return;
    }
    // Face 1 of the collection is the monospaced one: ASCII in exactly half a cell.
    const std::string path = CjkFontPath();
    file_.open(SystemPath(path), std::ios::binary | std::ios::ate);
    stream_.size = file_ ? static_cast<unsigned long>(file_.tellg()) : 0;
    stream_.descriptor.pointer = &file_;
    stream_.read = ReadFontFile;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &stream_;
    if (!file_ || (FT_Open_Face(library_, &args, 1, &face_) != 0 &&
                   FT_Open_Face(library_, &args, 0, &face_) != 0)) {
      face_ = nullptr;
      Report("screen: cannot load " + path + ": the 24-pixel font draws nothing");
      return;
    }
    FT_Set_Pixel_Sizes(face_, 0, kSize);
    const int units_high = face_->ascender - face_->descender;
    baseline_ = units_high > 0 ? (kSize * face_->ascender + units_high / 2) / units_high : 20;
  }

  Glyph Render(char32_t code_point, int cell_width) {
    if (!face_ || IsBlank(code_point)) return EmptyCell(cell_width, kSize);
    const FT_UInt index = FT_Get_Char_Index(face_, code_point);
    if (index == 0 || FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
      return EmptyCell(cell_width, kSize);
    }
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return EmptyCell(cell_width, kSize);
    const int width = static_cast<int>(bitmap.width);
    const int height = static_cast<int>(bitmap.rows);
    // Keep the glyph's own bearing, but pull it back into the cell when it sticks out.
    const int dx = std::clamp(slot->bitmap_left, 0, std::max(0, cell_width - width));
    const int dy = std::clamp(baseline_ - slot->bitmap_top, 0, std::max(0, kSize - height));
    return Place(cell_width, kSize, width, height, dx, dy, [&bitmap](int x, int y) {
      const unsigned char byte = bitmap.buffer[y * bitmap.pitch + x / 8];
      return (byte >> (7 - x % 8)) & 1;
    });
  }

  std::mutex mutex_;
  std::ifstream file_;
  FT_StreamRec stream_{};
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  int baseline_ = 20;
  std::unordered_map<std::uint64_t, Glyph> cache_;
};

}  // namespace

int CellHeight(FontFace face) {
  return face == FontFace::Large24 ? 24 : 16;
}

int CellWidth(FontFace face, bool double_byte) {
  const int full = face == FontFace::Large24 ? 24 : 16;
  return double_byte ? full : full / 2;
}

Glyph CellGlyph(FontFace face, char32_t code_point, bool double_byte) {
  const int width = CellWidth(face, double_byte);
  switch (face) {
    case FontFace::Small:
      // The small font holds ASCII only: a double-byte character leaves its cell empty.
      if (double_byte || code_point >= 0x80) return EmptyCell(width, 16);
      return UnifontCell(code_point, width);
    case FontFace::Large16:
      return UnifontCell(code_point, width);
    case FontFace::Large24:
      return OutlineFont::Get().Cell(code_point, width);
  }
  return EmptyCell(width, CellHeight(face));
}

std::vector<std::string> TakeFontMessages() {
  Unifont::Get();
  OutlineFont::Get();
  std::lock_guard lock(MessageMutex());
  std::vector<std::string> messages;
  messages.swap(PendingMessages());
  return messages;
}

}  // namespace zotpx::screen
