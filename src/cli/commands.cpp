#include "cli/commands.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>

#include "cli/device_steps.h"
#include "cli/downloads.h"
#include "cli/layout.h"
#include "device/clock_cmd.h"
#include "graphics/bitmap_decode.h"
#include "serial/port.h"

namespace zotpx::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How long every command waits for its reply: for the first byte, then between bytes.
constexpr int kReplyFirstByteMs = 1000;
constexpr int kReplyNextByteMs = 500;

std::string HexByte(std::uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

Prepared Refused(std::optional<std::string> message, const char* result = kResultRefused) {
  Prepared p;
  p.refusal = std::move(message);
  p.result = result;
  return p;
}

Prepared Single(const std::optional<std::string>& failure, std::function<Bytes()> build) {
  if (failure) return Refused(*failure);
  Prepared p;
  p.build = [build = std::move(build)] { return std::vector<Bytes>{build()}; };
  return p;
}

// "YYYY-MM-DD HH:MM:SS" as a real moment of the calendar.
std::optional<LocalDateTime> ParseClockText(const std::string& text) {
  LocalDateTime t;
  char tail = 0;
  // Widths keep a long run of digits from overflowing; it is no date then.
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                  &t.minute, &t.second, &tail) != 6)
    return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(t.year),
                                         std::chrono::month(static_cast<unsigned>(t.month)),
                                         std::chrono::day(static_cast<unsigned>(t.day))};
  if (!date.ok() || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
      t.second > 59)
    return std::nullopt;
  return t;
}

// The bitmap slot's load, as the window's select label makes it, then the command's check.
Prepared PrepareBitmap(const CommandDef& command, const CommandValues& values,
                       const BitmapLimits& limits) {
  BitmapLoad load = LoadBitmapFile(values.file, limits);
  if (load.status == BitmapFileStatus::CannotDecode)
    return Refused(std::string(kBitmapCannotDecodeText) + values.file, kResultFileFailed);
  if (load.status != BitmapFileStatus::Ok)
    return Refused(std::string(BitmapFileMessage(load.status)), kResultFileFailed);
  auto picture = std::make_shared<LoadedBitmap>(std::move(load.bitmap));
  Prepared p;
  if (command.id == CommandId::BitmapFlashing) {
    if (auto failure = CheckFlashBitmap(values.flash, picture.get())) return Refused(*failure);
    p.build = [flash = values.flash, picture] {
      return std::vector<Bytes>{FlashBitmapFrame(flash, *picture)};
    };
    return p;
  }
  const BlockBitmapCommand& which =
      command.id == CommandId::BitmapOversized ? kSuperBitmapCommand : kSingleBitmapCommand;
  if (auto failure = CheckBlockBitmap(which, values.block, picture.get())) return Refused(*failure);
  p.build = [&which, block = values.block, picture] {
    return BlockBitmapFrames(which, block, *picture);
  };
  return p;
}

// Hex tokens ("55", "0x55", "55AA14") into bytes; nothing when a token is not whole bytes.
std::optional<Bytes> ParseHexBytes(const std::vector<std::string>& tokens) {
  Bytes bytes;
  for (std::string token : tokens) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
      token = token.substr(2);
    token.erase(std::remove(token.begin(), token.end(), ','), token.end());
    if (token.empty() || token.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < token.size(); i += 2) {
      unsigned value = 0;
      char tail = 0;
      if (std::sscanf(token.substr(i, 2).c_str(), "%2x%c", &value, &tail) != 1 ||
          !std::isxdigit(static_cast<unsigned char>(token[i])) ||
          !std::isxdigit(static_cast<unsigned char>(token[i + 1])))
        return std::nullopt;
      bytes.push_back(static_cast<std::uint8_t>(value));
    }
  }
  return bytes;
}

// The frame to send as the user typed it: complete when its length byte says so, the checksum
// filled in when left out and checked when given. The refusal otherwise.
std::optional<std::string> CheckTypedFrame(Bytes& frame) {
  if (frame.size() < 4 || frame[0] != 0x55 || frame[1] != 0xAA || frame[2] > 0x1F)
    return "send: not a command frame: 55 AA, command 00-1F, length N, N data bytes, checksum";
  const std::size_t length = 5u + frame[3];
  if (frame.size() == length - 1) {
    frame.push_back(FrameChecksum(frame.data(), length));
    return std::nullopt;
  }
  if (frame.size() != length)
    return "send: the length byte " + HexByte(frame[3]) + " says " + std::to_string(frame[3]) +
           " data bytes, so the frame is " + std::to_string(length) + " bytes with its checksum (" +
           std::to_string(length - 1) + " without); " + std::to_string(frame.size()) +
           " were given";
  const std::uint8_t checksum = FrameChecksum(frame.data(), length);
  if (frame.back() == checksum) return std::nullopt;
  return "send: the checksum byte " + HexByte(frame.back()) + " is wrong: this frame's is " +
         HexByte(checksum) +
         " (leave it out to have it filled in, or give --raw to send it as it is)";
}

// Whatever comes back, taken as it comes until the line falls silent: the first byte within
// the reply time-out, each next one within the time-out between bytes.
std::size_t ReadWhateverComes(std::uint8_t* buffer, std::size_t limit) {
  std::size_t count = 0;
  for (int left = ReadPeriods(kReplyFirstByteMs); count < limit && left > 0;) {
    if (PortRead(buffer + count, 1) == 1) {
      ++count;
      left = ReadPeriods(kReplyNextByteMs);
    } else {
      --left;
    }
  }
  return count;
}

void RunSend(const CommandValues& values, const Session& session, StatusCapture& reporter,
             Outcome& outcome) {
  std::optional<Bytes> frame = ParseHexBytes(values.hex);
  if (!frame || frame->empty() || frame->size() > kReadFrameByteLimit)
    return Refuse(outcome, "send: the bytes in hex (55 AA 10 ... or 55AA10...), 1 to " +
                               std::to_string(kReadFrameByteLimit) + " of them");
  if (!values.raw)
    if (const std::optional<std::string> refusal = CheckTypedFrame(*frame))
      return Refuse(outcome, *refusal);
  const std::optional<Link> link = ReachDevice(session, reporter, outcome);
  if (!link) return;
  const std::string title = CommandOf(CommandId::Send).title;
  if (!OpenPort(link->port, link->baud)) {
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    SetTxResult(outcome, TxResult::OpenFailed, reporter.status);
    return;
  }
  std::copy(frame->begin(), frame->end(), FrameBuffer);
  reporter.LogLine("【" + title + "】");
  TxResult result = TxResult::SendFailed;
  // The checksum is in place already: the bytes go out exactly as they stand.
  if (PortWrite(FrameBuffer, frame->size()) == frame->size()) {
    reporter.LogBytes("发送：", frame->size(), FrameBuffer);
    // Any reply is shown, whatever its length or command: this is for bring-up. Raw, it is
    // what came back, frame or not.
    const std::size_t got = values.raw
                                ? ReadWhateverComes(FrameBuffer, kReadFrameByteLimit)
                                : ReadFrame(FrameBuffer, kReplyFirstByteMs, kReplyNextByteMs);
    result = TxResult::ReceiveFailed;
    if (got > 0) {
      reporter.LogBytes("接收：", got, FrameBuffer);
      outcome.details.push_back(FormatLogLine("", got, FrameBuffer));
      result = TxResult::Ok;
    }
  }
  reporter.SetStatus(title + (result == TxResult::Ok           ? kSuccessText
                              : result == TxResult::SendFailed ? kSendFailedText
                                                               : kReceiveFailedText));
  ClosePort();
  reporter.LogLine("");
  SetTxResult(outcome, result, reporter.status);
}

}  // namespace

Prepared PrepareFrames(const CommandDef& command, const CommandValues& v) {
  switch (command.id) {
    case CommandId::Params:
      return Single(std::nullopt, [p = v.params] { return SystemParamsFrame(p); });
    case CommandId::Clock: {
      if (v.at.empty()) return Single(std::nullopt, [] { return ClockFrame(NowLocal()); });
      const std::optional<LocalDateTime> at = ParseClockText(v.at);
      if (!at || ClockTextFault(v.at)) return Refused(std::nullopt);
      return Single(std::nullopt, [t = *at] { return ClockFrame(t); });
    }
    case CommandId::Date:
    case CommandId::Time: {
      DateTimeValues values = v.date_time;
      values.field = command.id == CommandId::Date ? ClockField::Date : ClockField::Time;
      return Single(CheckDateTime(values), [values] { return DateTimeFrame(values); });
    }
    case CommandId::Text: {
      TextStringValues values = v.text_string;
      if (auto failure = SetTextFromUtf8(values, v.text)) return Refused(*failure);
      return Single(CheckTextString(values), [values] { return TextStringFrame(values); });
    }
    case CommandId::Area:
      return Single(CheckCharArea(v.area), [a = v.area] { return CharAreaFrame(a); });
    case CommandId::Line:
      return Single(CheckLine(v.line), [l = v.line] { return LineFrame(l); });
    case CommandId::Rect:
      return Single(CheckRect(v.rect), [r = v.rect] { return RectFrame(r); });
    case CommandId::Circle:
      return Single(CheckCircle(v.circle), [c = v.circle] { return CircleFrame(c); });
    case CommandId::BitmapFlashing:
      return PrepareBitmap(command, v, kFlashingBitmapLimits);
    case CommandId::BitmapOversized:
      return PrepareBitmap(command, v, kOversizedBitmapLimits);
    case CommandId::BitmapSingle:
      return PrepareBitmap(command, v, kSingleColourBitmapLimits);
    case CommandId::CrossSet:
      return Single(CheckCrossSettings(v.cross), [c = v.cross] { return CrossSettingsFrame(c); });
    case CommandId::CrossMove:
      return Single(CheckCrossMove(v.move), [m = v.move] { return CrossMoveFrame(m); });
    default:
      return Refused(std::nullopt);
  }
}

std::optional<std::string> ClockTextFault(const std::string& text) {
  const std::optional<LocalDateTime> at = ParseClockText(text);
  if (!at) return "not a date and time YYYY-MM-DD HH:MM:SS";
  if (at->year < kClockFirstYear || at->year > kClockLastYear)
    return "the device's clock holds the years " + std::to_string(kClockFirstYear) + " to " +
           std::to_string(kClockLastYear) + " only";
  return std::nullopt;
}

int ExitStatusOf(const std::string& result) {
  if (result == kResultOk) return kExitOk;
  if (result == kResultRefused || result == kResultFileFailed) return kExitRefused;
  if (result == kResultPortFailed) return kExitPort;
  return kExitDevice;
}

int WorstExitStatus(const std::vector<Outcome>& outcomes) {
  int worst = kExitOk;
  for (const Outcome& outcome : outcomes) worst = std::max(worst, ExitStatusOf(outcome.result));
  return worst;
}

Outcome RunOnPort(const CommandDef& command, const CommandValues& values, const Session& session,
                  Reporter& sink) {
  if (std::optional<Outcome> layout = RunLayoutOnPort(command, values, session, sink))
    return *layout;
  Outcome outcome;
  outcome.port = session.port;
  outcome.command = command.path;
  StatusCapture reporter(sink);
  const auto started = Clock::now();
  const auto finish = [&] {
    outcome.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return outcome;
  };

  if (command.use == CommandUse::Download) {
    RunDownload(command, values, session, reporter, outcome);
    return finish();
  }
  if (command.id == CommandId::Send) {
    RunSend(values, session, reporter, outcome);
    return finish();
  }
  if (command.id == CommandId::Connect) {
    const ConnectResult found = ConnectDevice(reporter, command.title, session.port);
    outcome.status = reporter.status;
    if (found.outcome == ConnectOutcome::Identified) {
      outcome.model = lists::kDeviceTypes[static_cast<std::size_t>(found.model)];
      outcome.version = found.version;
      outcome.baud = kBaudRateList[found.rate_index];
      outcome.details.push_back(*outcome.model + "  " + *outcome.version + "  " +
                                std::to_string(*outcome.baud));
    } else {
      outcome.result = ConnectFailureResult(found.outcome);
    }
    return finish();
  }

  const Prepared prepared = PrepareFrames(command, values);
  if (!prepared.build) {
    Refuse(outcome,
           prepared.refusal ? command.title + *prepared.refusal
                            : "clock: --at '" + values.at +
                                  "': " + ClockTextFault(values.at).value_or("refused"),
           prepared.result);
    return finish();
  }
  const std::optional<Link> link = ReachDevice(session, reporter, outcome);
  if (!link) return finish();
  const TxResult result = RunCommandFrames(reporter, command.title, *link, prepared.build);
  SetTxResult(outcome, result, reporter.status);
  return finish();
}

}  // namespace zotpx::cli
