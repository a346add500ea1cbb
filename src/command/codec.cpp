#include "command/codec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/coordinates.h"
#include "graphics/bitmap.h"
#include "serial/frame.h"

namespace zotpx {

namespace {

std::uint32_t Mask(int bits) {
  return bits >= 32 ? ~0u : (1u << bits) - 1;
}

int ItemCount(const FieldDef& field) {
  return static_cast<int>(field.list->items->size());
}

// What the device receives for a list item; an index beyond the list is taken as its first item.
std::uint32_t ListCodeOf(const FieldDef& field, int index) {
  if (index < 0 || index >= ItemCount(field)) index = 0;
  return static_cast<std::uint32_t>(field.code == ListCode::Shown ? ItemNumber(*field.list, index)
                                                                  : ItemCode(*field.list, index));
}

std::optional<int> ListIndexOf(const FieldDef& field, std::uint32_t code) {
  for (int i = 0; i < ItemCount(field); ++i)
    if (ListCodeOf(field, i) == code) return i;
  return std::nullopt;
}

void Put(Bytes& data, const Placement& at, std::uint32_t value) {
  const auto byte = static_cast<std::size_t>(at.byte);
  if (at.place == Place::Bits)
    data[byte] = static_cast<std::uint8_t>(data[byte] | (value & Mask(at.width)) << at.shift);
  else if (at.place == Place::Word)
    PutBigEndian(data.data() + byte, value, at.width);
}

std::uint32_t Get(std::span<const std::uint8_t> data, const Placement& at) {
  if (at.place == Place::Bits) return (data[at.byte] >> at.shift) & Mask(at.width);
  return GetBigEndian(data.data() + at.byte, at.width);
}

// The bytes of the data a placement takes, as bit masks (whatever it leaves must be zero).
void Cover(std::vector<std::uint8_t>& covered, const Placement& at) {
  const auto mark = [&covered](int from, int count) {
    for (int i = from; i < from + count && i < static_cast<int>(covered.size()); ++i)
      covered[static_cast<std::size_t>(i)] = 0xFF;
  };
  switch (at.place) {
    case Place::Bits:
      covered[static_cast<std::size_t>(at.byte)] |=
          static_cast<std::uint8_t>(Mask(at.width) << at.shift);
      break;
    case Place::Word:
      mark(at.byte, at.width);
      break;
    case Place::Counted:
      mark(at.count_at, 1);
      mark(at.byte, at.width);
      break;
    case Place::Moment:
      mark(at.byte, 6);
      break;
    case Place::Picture:
      mark(at.byte, 2);
      break;
    default:
      break;
  }
}

// The part of the picture a frame carries: all of it, or block 1..N of 240 bytes; zeros after
// the picture's end, never what an earlier picture left behind.
void PutPicture(Bytes& data, const LoadedBitmap& picture, std::size_t max_blocks,
                std::size_t block) {
  const std::size_t size = std::min(PictureBytes(picture), picture.packed.size());
  std::size_t first = 0;
  std::size_t last = size;
  std::size_t room = PictureBytes(picture);
  if (max_blocks) {
    first = std::min((block - 1) * kBitmapBlockSize, size);
    last = std::min(block * kBitmapBlockSize, size);
    room = kBitmapBlockSize;
  }
  const std::size_t start = data.size();
  data.insert(data.end(), picture.packed.begin() + static_cast<std::ptrdiff_t>(first),
              picture.packed.begin() + static_cast<std::ptrdiff_t>(last));
  data.resize(start + room, 0);
}

std::optional<LocalDateTime> ReadMoment(std::string_view text) {
  LocalDateTime t;
  char tail = 0;
  const std::string copy(text);
  // Widths keep a long run of digits from overflowing; any byte of a frame still reads back.
  if (std::sscanf(copy.c_str(), "%4d-%3d-%3d %3d:%3d:%3d%c", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &t.second, &tail) != 6)
    return std::nullopt;
  return t;
}

std::string MomentText(std::span<const std::uint8_t> bytes) {
  return FormatMoment({2000 + bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], 0});
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

class Decoder {
 public:
  Decoder(DecodedFrame& out, std::span<const std::uint8_t> data)
      : out_(out), data_(data), values_(*out.row), covered_(out.row->data_size, 0) {}

  void Run() {
    const CommandRow& row = *out_.row;
    if (row.selector) covered_[0] = 0xFF;
    for (std::size_t i = 0; i < row.fields.size(); ++i) Field(row.fields[i], values_.at(i));
    for (std::size_t i = 0; i < covered_.size(); ++i) {
      const std::uint8_t stray = data_[i] & static_cast<std::uint8_t>(~covered_[i]);
      if (stray)
        Unused("data byte " + std::to_string(i) + ": bits " + Hex2(stray) +
               " belong to no field and should be 0");
    }
    out_.values = std::move(values_);
    if (out_.problems.empty() && row.check) out_.refusal = row.check(*out_.values);
  }

 private:
  void Problem(std::string text) { out_.problems.push_back(std::move(text)); }
  void Unused(std::string text) {
    Problem(std::move(text));
    ++out_.unused;
  }

  void Field(const FieldDef& field, FieldValue& value) {
    Cover(covered_, field.at);
    const std::string name(field.name);
    const auto byte = static_cast<std::size_t>(field.at.byte);
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
        value.text = std::to_string(Get(data_, field.at));
        break;
      case FieldKind::List: {
        const std::uint32_t code = Get(data_, field.at);
        if (const std::optional<int> index = ListIndexOf(field, code)) {
          value.index = *index;
        } else {
          // Shown as the code itself, never as the default item the frame does not hold.
          value.index = -1;
          value.text = std::to_string(code);
          Problem(name + ": code " + value.text + " is no item of its list");
        }
        break;
      }
      case FieldKind::Flag:
        // A box that is not in the frame (control-only) is told by the frame's kind instead.
        if (field.at.place == Place::Bits) value.index = static_cast<int>(Get(data_, field.at));
        break;
      case FieldKind::Text:
        value.bytes.assign(data_.begin() + static_cast<std::ptrdiff_t>(byte), data_.end());
        break;
      case FieldKind::Format:
      case FieldKind::Data:
        Counted(field, value);
        break;
      case FieldKind::Moment:
        value.text = MomentText(data_.subspan(byte, 6));
        break;
      case FieldKind::Bitmap:
        Picture(field, value);
        break;
    }
  }

  void Counted(const FieldDef& field, FieldValue& value) {
    const auto byte = static_cast<std::size_t>(field.at.byte);
    const std::size_t count = data_[static_cast<std::size_t>(field.at.count_at)];
    const std::size_t room =
        field.at.width ? static_cast<std::size_t>(field.at.width) : data_.size() - byte;
    const std::string name(field.name);
    if (field.at.width ? count > room : count != room) {
      Problem(name + ": count " + std::to_string(count) + ", room for " + std::to_string(room));
      return;
    }
    const auto begin = data_.begin() + static_cast<std::ptrdiff_t>(byte);
    if (field.kind == FieldKind::Data) {
      value.bytes.assign(begin, begin + static_cast<std::ptrdiff_t>(count));
      return;
    }
    value.text.assign(begin, begin + static_cast<std::ptrdiff_t>(count));
    if (std::any_of(begin + static_cast<std::ptrdiff_t>(count),
                    begin + static_cast<std::ptrdiff_t>(room), [](std::uint8_t b) { return b; }))
      Unused(name + ": the slots after its " + std::to_string(count) + " characters should be 0");
  }

  void Picture(const FieldDef& field, FieldValue& value) {
    const CommandRow& row = *out_.row;
    const auto byte = static_cast<std::size_t>(field.at.byte);
    LoadedBitmap picture{data_[byte], data_[byte + 1], {}};
    const std::size_t size = PictureBytes(picture);
    const BitmapHeader header{picture.width, picture.height, 1};
    if (row.picture_limits && !FitsSlot(header, *row.picture_limits))
      Problem("a picture of " + std::to_string(picture.width) + " x " +
              std::to_string(picture.height) + " is not one this command takes");
    picture.packed.assign(size, 0);
    const std::span<const std::uint8_t> carried = data_.subspan(byte + 2);
    if (!row.blocks.max_blocks) {
      if (carried.size() != size)
        Problem("a picture of " + std::to_string(size) + " bytes, but " +
                std::to_string(carried.size()) + " came");
      else
        picture.packed.assign(carried.begin(), carried.end());
    } else {
      Cover(covered_, row.blocks.block);
      out_.block = Get(data_, row.blocks.block);
      values_["control-only"].index = out_.block == 0;
      Block(picture, carried);
    }
    value.picture = std::move(picture);
  }

  // A data frame's 240 bytes go to their place in the picture; past its end they must be 0.
  void Block(LoadedBitmap& picture, std::span<const std::uint8_t> carried) {
    const std::size_t block = out_.block;
    if (block == 0) {
      if (!carried.empty()) Problem("the control frame carries no picture bytes");
      return;
    }
    if (carried.size() != kBitmapBlockSize) {
      Problem("a data frame carries 240 picture bytes, this one " + std::to_string(carried.size()));
      return;
    }
    const std::size_t blocks = BitmapBlockCount(picture);
    if (block > blocks) {
      Problem("block " + std::to_string(block) + " of a picture of " + std::to_string(blocks) +
              " blocks");
      return;
    }
    const std::size_t first = (block - 1) * kBitmapBlockSize;
    const std::size_t count = std::min(kBitmapBlockSize, picture.packed.size() - first);
    std::copy_n(carried.begin(), count,
                picture.packed.begin() + static_cast<std::ptrdiff_t>(first));
    if (std::any_of(carried.begin() + static_cast<std::ptrdiff_t>(count), carried.end(),
                    [](std::uint8_t b) { return b; }))
      Unused("the bytes after the picture's end should be 0");
  }

  DecodedFrame& out_;
  std::span<const std::uint8_t> data_;
  Values values_;
  std::vector<std::uint8_t> covered_;
};

// Every field but the picture and the control-only box, as the data frames repeat them.
bool SameParameters(const Values& a, const Values& b) {
  const CommandRow& row = a.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldKind kind = row.fields[i].kind;
    if (kind == FieldKind::Bitmap || row.fields[i].at.place == Place::None) continue;
    if (!(a.at(i) == b.at(i))) return false;
  }
  const LoadedBitmap& p = *a["file"].picture;
  const LoadedBitmap& q = *b["file"].picture;
  return p.width == q.width && p.height == q.height;
}

}  // namespace

Bytes BuildFrame(const Values& values, std::size_t block) {
  const CommandRow& row = values.row();
  Bytes data(row.data_size, 0);
  if (row.selector) data[0] = *row.selector;
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    const FieldValue& value = values.at(i);
    const auto byte = static_cast<std::size_t>(field.at.byte);
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
        Put(data, field.at, static_cast<std::uint32_t>(EditValue(value).value_or(0)));
        break;
      case FieldKind::List:
        Put(data, field.at, ListCodeOf(field, value.index));
        break;
      case FieldKind::Flag:
        Put(data, field.at, static_cast<std::uint32_t>(value.index));
        break;
      case FieldKind::Text:
        data.insert(data.end(), value.bytes.begin(), value.bytes.end());
        break;
      case FieldKind::Format: {
        const std::size_t count =
            std::min(value.text.size(), static_cast<std::size_t>(field.at.width));
        data[static_cast<std::size_t>(field.at.count_at)] = static_cast<std::uint8_t>(count);
        std::copy_n(value.text.begin(), count, data.begin() + static_cast<std::ptrdiff_t>(byte));
        break;
      }
      case FieldKind::Data:
        data[static_cast<std::size_t>(field.at.count_at)] =
            static_cast<std::uint8_t>(value.bytes.size());
        data.insert(data.end(), value.bytes.begin(), value.bytes.end());
        break;
      case FieldKind::Moment: {
        // An empty moment is the computer's, read now: when the frame is about to go.
        const LocalDateTime t =
            value.text.empty() ? NowLocal() : ReadMoment(value.text).value_or(LocalDateTime{});
        const int parts[] = {ClockYearByte(t.year), t.month, t.day, t.hour, t.minute, t.second};
        for (int k = 0; k < 6; ++k)
          data[byte + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(parts[k]);
        break;
      }
      case FieldKind::Bitmap: {
        const LoadedBitmap picture = value.picture.value_or(LoadedBitmap{});
        data[byte] = static_cast<std::uint8_t>(picture.width);
        data[byte + 1] = static_cast<std::uint8_t>(picture.height);
        if (row.blocks.max_blocks) Put(data, row.blocks.block, static_cast<std::uint32_t>(block));
        if (!row.blocks.max_blocks || block > 0)
          PutPicture(data, picture, row.blocks.max_blocks, block);
        break;
      }
    }
  }
  return MakeFrame(row.command, data);
}

std::vector<Bytes> BuildFrames(const Values& values) {
  const CommandRow& row = values.row();
  std::vector<Bytes> frames;
  if (row.blocks.max_blocks && !values["control-only"].index && values["file"].picture)
    for (std::size_t block = 1; block <= BitmapBlockCount(*values["file"].picture); ++block)
      frames.push_back(BuildFrame(values, block));
  frames.push_back(BuildFrame(values));
  return frames;
}

DecodedFrame DecodeFrame(std::span<const std::uint8_t> frame) {
  DecodedFrame out;
  if (frame.size() < 5 || frame[0] != 0x55 || frame[1] != 0xAA) {
    out.problems.push_back("not a command frame: it does not begin 55 AA and have 5 bytes");
    return out;
  }
  if (frame[2] > 0x1F) {
    out.problems.push_back("code " + Hex2(frame[2]) + " is above 0x1F: never a frame");
    return out;
  }
  if (frame.size() != std::size_t{frame[3]} + 5) {
    out.problems.push_back("its length byte says " + std::to_string(frame[3]) + " data bytes, " +
                           std::to_string(frame.size() - 5) + " came");
    return out;
  }
  out.framed = true;
  out.checksum = FrameChecksum(frame.data(), frame.size());
  out.checksum_ok = out.checksum == frame.back();
  const std::span<const std::uint8_t> data = frame.subspan(4, frame[3]);
  out.row = RowForFrame(frame[2], data);
  if (!out.row) {
    out.problems.push_back("no command of the device has code " + Hex2(frame[2]) +
                           (data.empty() ? std::string() : " with data byte 0 " + Hex2(data[0])));
    return out;
  }
  const CommandRow& row = *out.row;
  if (row.variable ? data.size() < row.data_size : data.size() != row.data_size) {
    out.problems.push_back(std::string(row.name) + " takes " + (row.variable ? "at least " : "") +
                           std::to_string(row.data_size) + " data bytes, this frame has " +
                           std::to_string(data.size()));
    return out;
  }
  Decoder(out, data).Run();
  return out;
}

std::optional<Values> CommandAssembler::Add(const DecodedFrame& frame) {
  if (!frame.values) {
    row_ = nullptr;
    picture_.reset();
    return std::nullopt;
  }
  const Values& values = *frame.values;
  const CommandRow& row = values.row();
  if (!row.blocks.max_blocks) {
    row_ = nullptr;
    picture_.reset();
    incomplete_ = false;
    return values;
  }
  if (frame.block > 0) {
    // A frame numbered past its picture's end (a log may hold anything) breaks the run.
    const bool follows = picture_ && row_ == &row && frame.block == next_block_ &&
                         frame.block <= BitmapBlockCount(*values["file"].picture) &&
                         SameParameters(*picture_, values);
    if (frame.block == 1 || !follows) {
      // A run that does not begin with block 1 cannot be rebuilt whole.
      picture_ = values;
      row_ = &row;
      next_block_ = frame.block;
      broken_ = frame.block != 1;
    } else {
      LoadedBitmap& into = *(*picture_)["file"].picture;
      const LoadedBitmap& from = *values["file"].picture;
      const std::size_t first = (frame.block - 1) * kBitmapBlockSize;
      const std::size_t count = std::min(kBitmapBlockSize, into.packed.size() - first);
      std::copy_n(from.packed.begin() + static_cast<std::ptrdiff_t>(first), count,
                  into.packed.begin() + static_cast<std::ptrdiff_t>(first));
    }
    ++next_block_;
    return std::nullopt;
  }
  Values command = values;
  if (picture_ && row_ == &row) {
    incomplete_ = broken_ || !SameParameters(*picture_, values) ||
                  next_block_ != BitmapBlockCount(*values["file"].picture) + 1;
    command["file"].picture = (*picture_)["file"].picture;
    command["control-only"].index = 0;
  } else {
    incomplete_ = picture_.has_value();
  }
  row_ = nullptr;
  picture_.reset();
  broken_ = false;
  return command;
}

std::string FormatMoment(const LocalDateTime& t) {
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::optional<std::string> MomentFault(std::string_view text) {
  // Exactly as FormatMoment writes it: "2026-1-7 2:4:5", a sign or a second space is more
  // likely a slip than a moment.
  constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  const bool shaped = text.size() == kShape.size() &&
                      std::equal(kShape.begin(), kShape.end(), text.begin(), [](char s, char c) {
                        return s == 'd' ? c >= '0' && c <= '9' : s == c;
                      });
  const std::optional<LocalDateTime> t = shaped ? ReadMoment(text) : std::nullopt;
  if (!t) return "not a date and time YYYY-MM-DD HH:MM:SS";
  const std::chrono::year_month_day date{std::chrono::year(t->year),
                                         std::chrono::month(static_cast<unsigned>(t->month)),
                                         std::chrono::day(static_cast<unsigned>(t->day))};
  if (!date.ok() || t->hour < 0 || t->hour > 23 || t->minute < 0 || t->minute > 59 ||
      t->second < 0 || t->second > 59)
    return "not a date and time YYYY-MM-DD HH:MM:SS";
  if (t->year < kClockFirstYear || t->year > kClockLastYear)
    return "the device's clock holds the years " + std::to_string(kClockFirstYear) + " to " +
           std::to_string(kClockLastYear) + " only";
  return std::nullopt;
}

std::optional<LocalDateTime> ParseMoment(std::string_view text) {
  if (MomentFault(text)) return std::nullopt;
  return ReadMoment(text);
}

bool IsFormatText(const FieldDef& format, std::string_view text) {
  // A character outside ASCII fails the byte test whatever it counts, so counting bytes decides
  // as counting characters would.
  const auto length = static_cast<int>(text.size());
  return (length == format.min || length == format.max) &&
         std::all_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte >= 33 && byte <= 125;
         });
}

}  // namespace zotpx
