// The screen model's behaviour at its edges: clipping at the screen's borders, hide and
// delete, the blinking character's phases, the clock running on, the overlay switch, frames
// the device refuses, the large font size from memory, and power-on from the static image.
#include <unistd.h>

#include "base/hex.h"
#include "screen_fixture.h"
#include "support/temp_folder.h"
#include "text/cp936.h"
#include "text/font_library.h"

namespace zotpx::test {
namespace {

Bytes Own(std::uint8_t command, const std::string& data_hex) {
  return MakeFrame(command, Hex(data_hex));
}

// Bounding box of the pixels of one class.
struct Box {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box BoxOf(const Picture& p, char c) {
  Box box;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (Class(p, x, y) != c) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

struct PixelCase {
  const char* what;
  std::vector<Bytes> frames;
  std::vector<std::tuple<int, int, char>> pixels;
};

void PrintTo(const PixelCase& c, std::ostream* out) {
  *out << c.what;
}

class Pixels : public ScreenTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(Pixels, DrawnWhereTheDeviceDrawsThem) {
  memory = MemoryWithCrosshair();
  model.AttachMemory(memory);
  for (const Bytes& frame : GetParam().frames) ASSERT_TRUE(Send(frame));
  const Picture shot = Shot();
  for (const auto& [x, y, c] : GetParam().pixels) {
    EXPECT_EQ(Class(shot, x, y), c) << GetParam().what << " at " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Pixels,
    ::testing::Values(
        // Thickness 4, foreground, outline, the whole screen: the frame grows inwards.
        PixelCase{"rectangle at the corners",
                  {Own(0x1B, "18 00 00 00 00 01 7F 00 FF")},
                  {{0, 0, 'F'},
                   {3, 3, 'F'},
                   {4, 4, 'T'},
                   {383, 255, 'F'},
                   {380, 252, 'F'},
                   {379, 251, 'T'},
                   {191, 3, 'F'},
                   {191, 4, 'T'}}},
        // Radius 127 fits only at centre Y 127 or 128: it touches the top and bottom rows.
        PixelCase{"circle of radius 127",
                  {Own(0x1C, "08 00 C0 00 80 7F")},
                  {{192, 1, 'F'},
                   {192, 0, 'T'},
                   {192, 255, 'F'},
                   {65, 128, 'F'},
                   {64, 128, 'T'},
                   {319, 128, 'F'},
                   {320, 128, 'T'},
                   {192, 128, 'T'},
                   {192, 3, 'T'}}},
        PixelCase{"filled circle",
                  {Own(0x1C, "48 00 1E 00 C8 19")},
                  {{30, 200, 'F'}, {30, 175, 'F'}, {30, 174, 'T'}, {55, 200, 'F'}}},
        // A vertical line of 300 from Y 100 runs off the bottom; nothing wraps to the top.
        PixelCase{"vertical line off the screen",
                  {Own(0x1A, "58 01 7F 00 64 01 2C")},
                  {{383, 100, 'F'}, {383, 255, 'F'}, {383, 99, 'T'}, {383, 0, 'T'}, {0, 101, 'T'}}},
        PixelCase{"horizontal line, background colour, 2 pixels",
                  {Hex("55 AA 1A 07 09 00 05 00 14 00 C8 0B")},
                  {{5, 20, 'B'}, {204, 21, 'B'}, {205, 20, 'T'}, {5, 22, 'T'}, {4, 20, 'T'}}},
        // The crosshair's shape reaches past the right and bottom edges; its top-left dot lands
        // at the move point minus the origin.
        PixelCase{"crosshair past the edge",
                  {Hex("55 AA 1E 08 00 01 0A A2 00 00 00 00 D3"), Own(0x1F, "01 7F 00 FF")},
                  {{383, 255, 'F'},
                   {343, 255, 'F'},
                   {342, 255, 'T'},
                   {383, 215, 'F'},
                   {191, 127, 'F'},
                   {0, 0, 'T'}}},
        PixelCase{"crosshair in the background colour, shape 2",
                  {Own(0x1E, "01 02 0A A2 00 00 00 00"), Own(0x1F, "00 64 00 64")},
                  {{90, 90, 'B'}, {110, 110, 'B'}, {100, 100, 'T'}, {60, 100, 'T'}}},
        // Mode 7 paints its whole box: over a background-filled screen, a string at X 383
        // leaves column 383 foreground or transparent and touches nothing left of it.
        PixelCase{
            "text at X 383",
            {Own(0x16, "02 00 00 00 00 01 7F 00 FF"), Own(0x14, "27 01 7F 00 0A 41 42")},
            {{382, 10, 'B'}, {382, 33, 'B'}, {383, 9, 'B'}, {383, 10, 'T'}, {383, 34, 'B'}}}));

TEST_F(ScreenTest, MagnifiedStringRunsOffTheScreenWithoutWrapping) {
  // Large font, double size, foreground with background edge, 26 letters from X 300.
  ASSERT_TRUE(Send(Own(0x14,
                       "62 01 2C 00 64 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 "
                       "52 53 54 55 56 57 58 59 5A")));
  const Picture shot = Shot();
  const Box ink = BoxOf(shot, 'F');
  EXPECT_GE(ink.left, 300);
  EXPECT_EQ(ink.right, 383);
  EXPECT_GE(ink.top, 100);
  EXPECT_LE(ink.bottom, 100 + 48 - 1);
  EXPECT_GE(BoxOf(shot, 'B').left, 299);  // the edge one pixel left of the string at most
}

TEST_F(ScreenTest, GlyphCellsFollowFontSpacingAndMagnification) {
  struct Case {
    const char* text_hex;  // attribute X Y text
    int width;             // cells and spacing, in pixels
    int height;
  } cases[] = {
      {"20 00 00 00 00 41 42", 12 + 1 + 12, 24},           // large 24: ASCII half a cell
      {"20 00 00 00 00 BA BA", 24, 24},                    // large 24: one Chinese character
      {"18 00 00 00 00 41 42 43", 8 * 3 + 4 * 2, 16},      // small, spacing 4
      {"60 00 00 00 00 BA BA 41", (24 + 1 + 12) * 2, 48},  // magnified: spacing doubles too
  };
  for (const Case& c : cases) {
    ScreenModel fresh(kStartMs);
    fresh.AttachMemory(memory);
    // Mode 7 clears the box, so the box shows against a filled screen.
    ASSERT_TRUE(fresh.Apply(Own(0x16, "02 00 00 00 00 01 7F 00 FF"), kStartMs));
    Bytes frame = Hex(c.text_hex);
    frame[0] |= 0x07;
    ASSERT_TRUE(fresh.Apply(MakeFrame(0x14, frame), kStartMs));
    Picture shot;
    fresh.Render(kStartMs, Picture::Filled(kScreenWidth, kScreenHeight, kVideo), shot);
    int width = 0, height = 0;
    while (Class(shot, width, 0) != 'B') ++width;
    while (Class(shot, 0, height) != 'B') ++height;
    EXPECT_EQ(width, c.width) << c.text_hex;
    EXPECT_EQ(height, c.height) << c.text_hex;
  }
}

TEST_F(ScreenTest, LargeFontSizeComesFromTheFontLibraryInMemory) {
  const auto text_height = [&](std::uint8_t size_code, std::uint8_t copy) {
    memory[kFontBase + 15] = size_code;
    memory[kFontBase + 11] = copy;
    ScreenModel fresh(kStartMs);
    fresh.AttachMemory(memory);
    EXPECT_TRUE(fresh.Apply(Hex("55 AA 14 09 22 00 05 00 32 BA BA D7 D6 97"), kStartMs));
    Picture shot;
    fresh.Render(kStartMs, Picture::Filled(kScreenWidth, kScreenHeight, kVideo), shot);
    const Box box = BoxOf(shot, 'F');
    return box.bottom - 50 < 16 ? 16 : 24;
  };
  EXPECT_EQ(text_height(16, 16), 16);
  EXPECT_EQ(text_height(24, 24), 24);
  EXPECT_EQ(text_height(16, 24), 24);      // header bytes disagree: no library
  EXPECT_EQ(text_height(0xFF, 0xFF), 24);  // erased memory
}

// Each pair shows something and then removes it with the same command; the screen is empty
// again and only the video shows.
TEST_F(ScreenTest, HideAndDeleteRemoveWhatTheyName) {
  memory = MemoryWithCrosshair();
  model.AttachMemory(memory);
  const std::vector<std::pair<Bytes, Bytes>> pairs = {
      {Hex("55 AA 14 08 22 00 05 00 32 41 42 43 3B"), Own(0x14, "A2 00 05 00 32 41 42 43")},
      {Own(0x14, "67 00 05 00 32 BA BA 41"), Own(0x14, "E7 00 05 00 32 BA BA 41")},
      {Hex("55 AA 1A 07 09 00 05 00 14 00 C8 0B"), Own(0x1A, "89 00 05 00 14 00 C8")},
      {Own(0x1B, "50 00 0A 00 0A 00 64 00 64"), Own(0x1B, "D0 00 0A 00 0A 00 64 00 64")},
      {Hex("55 AA 1C 06 08 00 1E 00 C8 19 29"), Own(0x1C, "88 00 1E 00 C8 19")},
      {Hex("55 AA 12 19 00 00 00 00 00 01 24 00 00 00 00 00 00 0A 79 79 79 79 2F 6D 6D 2F 64 "
           "64 00 3E"),
       Own(0x12, "00 80 00 00 00 01 24 00 00 00 00 00 00 0A 79 79 79 79 2F 6D 6D 2F 64 64 00")},
      {Own(0x15, "03 00 05 00 64 08 08 FF 81 81 81 81 81 81 FF"),
       Own(0x15, "83 00 05 00 64 08 08 00 00 00 00 00 00 00 00")},
      {Hex("55 AA 1E 08 00 01 0A 22 00 00 00 00 53"), Own(0x1E, "80 01 0A 22 00 00 00 00")},
      // Shape 3 is not in the file: only the read-out shows, until it is hidden.
      {Own(0x1E, "00 03 0A 22 00 00 00 00"), Own(0x1E, "00 03 0A A2 00 00 00 00")},
  };
  for (const auto& [show, remove] : pairs) {
    ASSERT_TRUE(Send(show));
    EXPECT_LT(CountClass(Shot(), 'T'), kScreenWidth * kScreenHeight);
    ASSERT_TRUE(Send(remove));
    EXPECT_EQ(CountClass(Shot(), 'T'), kScreenWidth * kScreenHeight) << remove.size();
  }
}

TEST_F(ScreenTest, DeletingABitmapClearsWhatItsControlFrameDrew) {
  Bytes block = Hex("08 00 B9 00 64 10 08");
  block.resize(7 + 240, 0xA5);
  ASSERT_TRUE(Send(MakeFrame(0x1D, block)));
  EXPECT_EQ(CountClass(Shot(), 'F'), 0);  // a data frame alone draws nothing
  ASSERT_TRUE(Send(Own(0x1D, "00 00 B9 00 64 10 08")));
  EXPECT_EQ(CountClass(Shot(), 'F'), 16 * 8 / 2);
  ASSERT_TRUE(Send(Own(0x1D, "80 00 B9 00 64 10 08")));  // control-only delete
  EXPECT_EQ(CountClass(Shot(), 'F'), 0);
}

TEST_F(ScreenTest, FlashingCharacterBlinksByItsModeAndPeriod) {
  struct Case {
    std::uint8_t attribute;  // colour 0, flash mode, period
    std::int64_t on_ms;      // visible from the moment shown for this long
    std::int64_t period_ms;
  } cases[] = {{0x08, 500, 1000}, {0x48, 1000, 2000}, {0x10, 750, 1000}, {0x18, 250, 1000}};
  for (const Case& c : cases) {
    ScreenModel fresh(kStartMs);
    Bytes data = {c.attribute, 0x00, 0x05, 0x00, 0x64, 0x08, 0x08};
    data.resize(7 + 8, 0xFF);
    ASSERT_TRUE(fresh.Apply(MakeFrame(0x15, data), kStartMs));
    const auto shown = [&](std::int64_t t) {
      Picture shot;
      fresh.Render(kStartMs + t, Picture::Filled(kScreenWidth, kScreenHeight, kVideo), shot);
      return Class(shot, 5, 100) == 'F';
    };
    EXPECT_TRUE(shown(0));
    EXPECT_TRUE(shown(c.on_ms - 1));
    EXPECT_FALSE(shown(c.on_ms));
    EXPECT_FALSE(shown(c.period_ms - 1));
    EXPECT_TRUE(shown(c.period_ms));
    EXPECT_EQ(fresh.NextChangeMs(kStartMs), kStartMs + c.on_ms);
    EXPECT_EQ(fresh.NextChangeMs(kStartMs + c.on_ms), kStartMs + c.period_ms);
  }
  ScreenModel steady(kStartMs);
  ASSERT_TRUE(steady.Apply(Own(0x15, "00 00 05 00 64 08 08 FF FF FF FF FF FF FF FF"), kStartMs));
  EXPECT_EQ(steady.NextChangeMs(kStartMs), std::nullopt);
}

TEST_F(ScreenTest, ClockRunsOnFromTheMomentItWasSet) {
  // 2026-12-31 23:59:58, then the time field and a date field in yy-mm-dd.
  ASSERT_TRUE(Send(Own(0x11, "1A 0C 1F 17 3B 3A")));
  ASSERT_TRUE(Send(Own(0x12,
                       "00 00 00 00 00 00 00 00 40 00 00 00 00 08 79 79 2D 6D 6D 2D 64 "
                       "64 00 00 00")));
  // The field looks exactly like a text string of what it should read.
  const auto same_as_text = [&](std::int64_t t, const std::string& text) {
    ScreenModel reference(kStartMs);
    Bytes data = Hex("00 00 00 00 40");
    data.insert(data.end(), text.begin(), text.end());
    EXPECT_TRUE(reference.Apply(MakeFrame(0x14, data), kStartMs));
    Picture expected, actual;
    const Picture video = Picture::Filled(kScreenWidth, kScreenHeight, kVideo);
    reference.Render(kStartMs, video, expected);
    model.Render(t, video, actual);
    return expected.rgba == actual.rgba;
  };
  EXPECT_TRUE(same_as_text(kStartMs, "26-12-31"));
  EXPECT_TRUE(same_as_text(kStartMs + 1999, "26-12-31"));
  EXPECT_TRUE(same_as_text(kStartMs + 2000, "27-01-01"));
  EXPECT_EQ(model.NextChangeMs(kStartMs), kStartMs + 2000);
  // The time field ticks every second.
  ASSERT_TRUE(
      Send(Hex("55 AA 12 19 01 10 00 00 00 01 24 00 12 00 00 00 00 08 68 68 3A 6D 6D 3A "
               "73 73 00 00 00 7F")));
  EXPECT_EQ(model.NextChangeMs(kStartMs + 10), kStartMs + 1000);
}

TEST_F(ScreenTest, OverlaySwitchHidesAndRestoresEverything) {
  ASSERT_TRUE(Send(Hex("55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB")));
  const std::uint64_t before = model.revision();
  ASSERT_TRUE(Send(Hex("55 AA 10 03 00 00 96 A9")));
  EXPECT_GT(model.revision(), before);
  EXPECT_EQ(CountClass(Shot(), 'T'), kScreenWidth * kScreenHeight);
  ASSERT_TRUE(Send(Hex("55 AA 10 03 80 00 96 29")));
  EXPECT_EQ(Class(Shot(), 0, 0), 'F');
}

TEST_F(ScreenTest, FramesTheDeviceRefusesChangeNothing) {
  const Bytes abc = Hex("55 AA 14 08 22 00 05 00 32 41 42 43 3B");
  Bytes bad_checksum = abc;
  bad_checksum.back() ^= 1;
  Bytes long_frame = abc;
  long_frame.push_back(0);
  const std::vector<std::pair<const char*, Bytes>> refused = {
      {"bad sync", Hex("55 AB 14 08 22 00 05 00 32 41 42 43 3B")},
      {"bad checksum", bad_checksum},
      {"length byte disagrees", long_frame},
      {"too short", Hex("55 AA 14")},
      {"unused command", Own(0x13, "00")},
      {"command 0x20", Hex("55 AA 20 00 20")},
      {"text X 384", Own(0x14, "22 01 80 00 00 41")},
      {"text Y 256", Own(0x14, "22 00 00 01 00 41")},
      {"empty text", Own(0x14, "22 00 00 00 00")},
      {"clock month 13", Own(0x11, "1A 0D 01 00 00 00")},
      {"clock 30 February", Own(0x11, "1A 02 1E 00 00 00")},
      {"clock hour 24", Own(0x11, "1A 01 01 18 00 00")},
      {"date format of 9", Own(0x12,
                               "00 00 00 00 00 00 00 00 00 00 00 00 00 09 79 79 79 79 2F "
                               "6D 6D 2F 64 00 00")},
      {"time format of 10", Own(0x12,
                                "01 00 00 00 00 00 00 00 00 00 00 00 00 0A 68 68 3A 6D 6D "
                                "3A 73 73 3A 3A 00")},
      {"format with a space", Own(0x12,
                                  "01 00 00 00 00 00 00 00 00 00 00 00 00 08 68 68 20 6D "
                                  "6D 3A 73 73 00 00 00")},
      {"selector 2", Own(0x12,
                         "02 00 00 00 00 00 00 00 00 00 00 00 00 08 68 68 3A 6D 6D 3A 73 "
                         "73 00 00 00")},
      {"area without a layer", Own(0x16, "80 00 00 00 00 01 7F 00 FF")},
      {"area corners reversed", Own(0x16, "87 00 0A 00 00 00 09 00 FF")},
      {"line length 385", Own(0x1A, "09 00 00 00 00 01 81")},
      {"line colour 2", Own(0x1A, "0A 00 00 00 00 00 10")},
      {"rectangle right 384", Own(0x1B, "08 00 00 00 00 01 80 00 FF")},
      {"circle radius 4", Own(0x1C, "08 00 1E 00 C8 04")},
      {"circle radius 128", Own(0x1C, "08 00 C0 00 80 80")},
      {"flashing width 7", Own(0x15, "0B 00 05 00 64 07 08 00 00 00 00 00 00 00")},
      {"flashing 48 x 48", Own(0x15, "0B 00 05 00 64 30 30")},
      {"flashing data short", Own(0x15, "0B 00 05 00 64 10 08 01 02")},
      {"oversized block 10",
       [] {
         Bytes d = Hex("57 00 37 00 64 10 10");
         d.resize(247, 0);
         return MakeFrame(0x17, d);
       }()},
      {"oversized 136 wide", Own(0x17, "07 00 37 00 64 88 10")},
      {"single-colour colour 2", Own(0x1D, "02 00 B9 00 64 10 08")},
      {"control frame with a block number", Own(0x1D, "08 00 B9 00 64 10 08")},
      {"crosshair shape 0", Own(0x1E, "00 00 0A 22 00 00 00 00")},
      {"crosshair shape 21", Own(0x1E, "00 15 0A 22 00 00 00 00")},
      {"crosshair step 1", Own(0x1E, "00 01 01 22 00 00 00 00")},
      {"crosshair move X 384", Own(0x1F, "01 80 00 00")},
      {"parameters of 2 bytes", Own(0x10, "80 00")},
  };
  memory = MemoryWithCrosshair();
  model.AttachMemory(memory);
  ASSERT_TRUE(Send(Hex("55 AA 1E 08 00 01 0A 22 00 00 00 00 53")));
  ASSERT_TRUE(Send(abc));
  const Picture before = Shot();
  const std::uint64_t revision = model.revision();
  for (const auto& [what, frame] : refused) {
    EXPECT_FALSE(Send(frame)) << what;
    EXPECT_EQ(model.revision(), revision) << what;
    EXPECT_EQ(Shot().rgba, before.rgba) << what;
  }
  // Identify and memory requests are the caller's business: accepted, nothing drawn.
  EXPECT_TRUE(Send(Hex("55 AA 00 01 FF 00")));
  EXPECT_TRUE(Send(Hex("55 AA 02 05 40 00 00 00 00 47")));
  EXPECT_EQ(model.revision(), revision);
}

// The device reads every field from its place and nothing else: bits and bytes no field takes
// change nothing, while a field whose code names no item of its list (an area layer mask of 3,
// 5 or 6) is refused like any value the device does not know.
TEST(UnusedBits, AreIgnoredWhileCodesOfNoItemAreRefused) {
  const auto shot = [](const Bytes& frame) -> std::optional<Picture> {
    ScreenModel fresh(kStartMs);
    if (!fresh.Apply(frame, kStartMs)) return std::nullopt;
    Picture out;
    fresh.Render(kStartMs, Picture::Filled(kScreenWidth, kScreenHeight, kVideo), out);
    return out;
  };
  const std::pair<Bytes, Bytes> same[] = {
      // Rectangle attribute bit 5.
      {Own(0x1B, "08 00 0A 00 0A 00 64 00 64"), Own(0x1B, "28 00 0A 00 0A 00 64 00 64")},
      // Date: the zero bytes around X and Y, and a slot after the format's 8 characters.
      {Own(0x12, "00 00 00 00 00 00 05 00 14 00 00 00 00 08 79 79 2D 6D 6D 2D 64 64 00 00 00"),
       Own(0x12, "00 00 11 22 33 00 05 00 14 44 55 66 77 08 79 79 2D 6D 6D 2D 64 64 5A 00 99")},
      // Crosshair mode bits 1..6 (a shape drawn from no file: the read-out shows).
      {Own(0x1E, "00 01 0A 22 00 10 00 10"), Own(0x1E, "7E 01 0A 22 00 10 00 10")},
  };
  for (const auto& [clean, stray] : same) {
    const std::optional<Picture> expected = shot(clean);
    const std::optional<Picture> actual = shot(stray);
    ASSERT_TRUE(expected && actual) << HexText(stray.data(), stray.size());
    EXPECT_EQ(expected->rgba, actual->rgba) << HexText(stray.data(), stray.size());
  }
  for (const char* mask : {"03", "05", "06"})
    EXPECT_FALSE(shot(Own(0x16, std::string(mask) + " 00 00 00 00 00 10 00 10"))) << mask;
  EXPECT_TRUE(shot(Own(0x16, "07 00 00 00 00 00 10 00 10")));
}

TEST(StartupImage, RunsTheStoredCommandsOnlyFromAWholeImage) {
  const Bytes example = Hex("43 46 47 20 01 55 AA 14 08 22 00 05 00 32 41 42 43 3B 00");
  struct Case {
    const char* what;
    Bytes image;
    std::size_t accepted;
  } cases[] = {
      {"the worked image", example, 1},
      {"erased memory", Bytes(16384, 0xFF), 0},
      {"count larger than the records",
       [&] {
         Bytes b = example;
         b[4] = 2;
         return b;
       }(),
       0},
      {"a record that is no frame", Hex("43 46 47 20 01 55 AB 14 08"), 0},
      {"no tag", Hex("43 46 47 21 01 55 AA 14 08 22 00 05 00 32 41 42 43 3B 00"), 0},
      {"cut short", Bytes(example.begin(), example.end() - 1), 0},
  };
  for (const Case& c : cases) {
    ScreenModel model(kStartMs);
    EXPECT_EQ(screen::RunStartupImage(model, c.image, kStartMs), c.accepted) << c.what;
    EXPECT_EQ(model.revision() > 0, c.accepted > 0) << c.what;
  }
}

TEST(PngWriter, WritesAtomicallyAndReadsBackExactly) {
  const std::filesystem::path dir = std::filesystem::path(zotpx::test::TestFolder()) / "zotpx_png";
  std::filesystem::create_directories(dir);
  const Picture card = screen::TestCard();
  const std::string path = (dir / "card.png").string();
  ASSERT_TRUE(screen::WritePng(path, card));
  const std::optional<Picture> back = screen::LoadVideoPicture(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->rgba, card.rgba);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temp left
  // A picture of another size is scaled to the screen: a 2 x 2 one gives four quadrants.
  Picture small = Picture::Filled(2, 2, screen::kForeground);
  small.at(1, 1) = kVideo;
  ASSERT_TRUE(screen::WritePng((dir / "small.png").string(), small));
  const std::optional<Picture> scaled = screen::LoadVideoPicture((dir / "small.png").string());
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->width, kScreenWidth);
  EXPECT_EQ(scaled->at(191, 127), screen::kForeground);
  EXPECT_EQ(scaled->at(192, 128), kVideo);
  std::filesystem::remove(dir / "small.png");
  EXPECT_FALSE(screen::WritePng((dir / "missing" / "x.png").string(), card));
  EXPECT_FALSE(screen::LoadVideoPicture((dir / "missing.png").string()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zotpx::test

namespace zotpx::test {
namespace {

// How text bytes split into cells decides where every later character of a string lands.
TEST(Cp936Cells, SplitIntoCellsTheWayTheDeviceCountsThem) {
  struct Case {
    const char* hex;
    std::vector<std::pair<std::size_t, char32_t>> cells;  // length, code point (0: none)
  } cases[] = {
      {"41 42", {{1, U'A'}, {1, U'B'}}},
      {"BA BA D7 D6", {{2, U'汉'}, {2, U'字'}}},
      {"B0 FF 41", {{2, 0}, {1, U'A'}}},          // a trail byte 0xFF: one empty double cell
      {"B0 7F", {{1, 0}, {1, 0x7F}}},             // 0x7F is no trail byte
      {"41 B0", {{1, U'A'}, {1, 0}}},             // a lead byte at the end
      {"80 FF", {{1, U'€'}, {1, 0}}},             // the euro sign at 0x80; 0xFF is nothing
      {"B0 A1 81 40", {{2, U'啊'}, {2, U'丂'}}},  // GB 2312 and a GBK extension
  };
  for (const Case& c : cases) {
    const std::vector<Cp936Cell> cells = Cp936Cells(Hex(c.hex));
    ASSERT_EQ(cells.size(), c.cells.size()) << c.hex;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      EXPECT_EQ(cells[i].length, c.cells[i].first) << c.hex << " cell " << i;
      EXPECT_EQ(cells[i].code_point, c.cells[i].second) << c.hex << " cell " << i;
    }
  }
}

}  // namespace
}  // namespace zotpx::test
