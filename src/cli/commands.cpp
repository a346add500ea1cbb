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
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour,
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

void RunSend(const CommandValues& values, const Session& session, StatusCapture& reporter,
             Outcome& outcome) {
  const std::optional<Bytes> bytes = ParseHexBytes(values.hex);
  // 55 AA, command, length N, N data bytes, and the checksum, which may be left out.
  const bool framed = bytes && bytes->size() >= 4 && (*bytes)[0] == 0x55 && (*bytes)[1] == 0xAA &&
                      (*bytes)[2] <= 0x1F &&
                      (bytes->size() == (*bytes)[3] + 4u || bytes->size() == (*bytes)[3] + 5u);
  if (!framed) {
    Refuse(outcome, "send: not a command frame: 55 AA, command 00-1F, length N, N data bytes");
    return;
  }
  Bytes frame(bytes->begin(), bytes->begin() + 4 + (*bytes)[3]);
  frame.push_back(0);
  const std::optional<Link> link = ReachDevice(session, reporter, outcome);
  if (!link) return;
  const std::string title = CommandOf(CommandId::Send).title;
  if (!OpenPort(link->port, link->baud)) {
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    SetTxResult(outcome, TxResult::OpenFailed, reporter.status);
    return;
  }
  std::copy(frame.begin(), frame.end(), FrameBuffer);
  reporter.LogLine("【" + title + "】");
  TxResult result = TxResult::SendFailed;
  if (WriteFrame(FrameBuffer, frame.size())) {
    reporter.LogBytes("发送：", frame.size(), FrameBuffer);
    // Any valid reply is shown, whatever its length or command: this is for bring-up.
    const std::size_t got = ReadFrame(FrameBuffer, 1000, 500);
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
      if (!at) return Refused(std::nullopt);
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
           prepared.refusal
               ? command.title + *prepared.refusal
               : "clock: --at '" + values.at + "' is not a date and time " + "YYYY-MM-DD HH:MM:SS",
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
