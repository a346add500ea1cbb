// The worked example frames of every drawing command, each as the device would show it over a
// flat video picture, compared with reviewed golden images; and one layout combining them.
#include "screen_fixture.h"

namespace zotpx::test {
namespace {

const std::string kClock = "55 AA 11 06 1A 0C 07 14 2D 00 85";  // 2026-12-07 20:45:00
const std::string kDate =
    "55 AA 12 19 00 00 00 00 00 01 24 00 00 00 00 00 00 0A 79 79 79 79 2F 6D 6D 2F 64 64 00 3E";
const std::string kTime =
    "55 AA 12 19 01 10 00 00 00 01 24 00 12 00 00 00 00 08 68 68 3A 6D 6D 3A 73 73 00 00 00 7F";
const std::string kTextAbc = "55 AA 14 08 22 00 05 00 32 41 42 43 3B";
const std::string kTextHanzi = "55 AA 14 09 22 00 05 00 32 BA BA D7 D6 97";
const std::string kLine = "55 AA 1A 07 09 00 05 00 14 00 C8 0B";
const std::string kRect = "55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB";
const std::string kCircle = "55 AA 1C 06 08 00 1E 00 C8 19 29";
const std::string kFlashing =
    "55 AA 15 17 0B 00 05 00 64 10 08 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 BB";
const std::string kCrossSettings = "55 AA 1E 08 00 01 0A 22 00 00 00 00 53";
const std::string kCrossMoveCentre = "55 AA 1F 04 00 C0 00 80 63";
const std::string kCrossMoveCorner = "55 AA 1F 04 01 2C 00 FF 4F";

// A frame of this test's own: the checksum is computed.
Bytes Own(std::uint8_t command, const std::string& data_hex) {
  return MakeFrame(command, Hex(data_hex));
}

// An oversized 16 x 16 picture (a ring) in its one data frame and the control frame, with the
// default attributes: colour 7, X 55, Y 100.
std::vector<Bytes> OversizedRing() {
  Bytes data = Hex("0F 00 37 00 64 10 10");
  Bytes picture(240, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int dx = 2 * x - 15, dy = 2 * y - 15, d = dx * dx + dy * dy;
      if (d <= 225 && d >= 100) picture[y * 2 + x / 8] |= static_cast<std::uint8_t>(1 << (x % 8));
    }
  }
  data.insert(data.end(), picture.begin(), picture.end());
  return {MakeFrame(0x17, data), Hex("55 AA 17 07 07 00 37 00 64 10 10 E0")};
}

// "汉A" in each colour mode, one row per mode, over the three grounds: transparent,
// background (X 120..239) and foreground (X 240..383).
std::vector<Bytes> ColourModes() {
  std::vector<Bytes> frames = {Own(0x16, "02 00 78 00 00 00 EF 00 FF"),
                               Own(0x16, "01 00 F0 00 00 01 7F 00 FF")};
  for (int mode = 0; mode < 8; ++mode) {
    for (int x : {10, 130, 250}) {
      frames.push_back(
          MakeFrame(0x14, {static_cast<std::uint8_t>(0x20 | mode), 0, static_cast<std::uint8_t>(x),
                           0, static_cast<std::uint8_t>(4 + 31 * mode), 0xBA, 0xBA, 0x41}));
    }
  }
  return frames;
}

struct GoldenCase {
  const char* name;
  std::vector<Bytes> frames;
};

std::vector<GoldenCase> Cases() {
  const auto hex = [](std::initializer_list<std::string> frames) {
    std::vector<Bytes> out;
    for (const auto& f : frames) out.push_back(Hex(f));
    return out;
  };
  std::vector<Bytes> combined = {Own(0x16, "02 00 C8 00 8C 01 7F 00 FF")};
  for (const Bytes& f : hex({kClock, kDate, kTime, kTextAbc, kLine, kRect, kCircle, kFlashing,
                             kCrossSettings, kCrossMoveCentre})) {
    combined.push_back(f);
  }
  for (const Bytes& f : OversizedRing()) combined.push_back(f);
  // A, 汉字, BAB in the small font at the bottom, magnified: the small font has no Chinese.
  combined.push_back(Own(0x14, "42 00 C8 00 D2 41 BA BA D7 D6 42 41 42"));
  return {
      {"date_time_defaults", hex({kClock, kDate, kTime})},
      {"text_abc", hex({kTextAbc})},
      {"text_hanzi", hex({kTextHanzi})},
      // Background over a block, foreground inside it, then the foreground cleared from a
      // part that reaches out of the block: only foreground pixels go.
      {"area_examples",
       {Own(0x16, "02 00 00 00 00 00 96 00 50"), Hex("55 AA 16 09 01 00 0A 00 14 00 64 00 32 D4"),
        Own(0x16, "81 00 32 00 1E 00 B4 00 78")}},
      {"shapes_defaults", hex({kLine, kRect, kCircle})},
      {"flashing_default", hex({kFlashing})},
      {"oversized_ring", OversizedRing()},
      {"crosshair_centre", hex({kCrossSettings, kCrossMoveCentre})},
      {"crosshair_corner", hex({kCrossSettings, kCrossMoveCorner})},
      {"colour_modes", ColourModes()},
      {"combined_layout", combined},
  };
}

class Golden : public ScreenTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(Golden, MatchesReviewedPicture) {
  memory = MemoryWithCrosshair();
  model.AttachMemory(memory);
  for (const Bytes& frame : GetParam().frames) EXPECT_TRUE(Send(frame)) << frame.size();
  ExpectGolden(GetParam().name, Shot());
}

INSTANTIATE_TEST_SUITE_P(WorkedFrames, Golden, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zotpx::test
