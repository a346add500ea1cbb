#include "cli/decode.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <variant>

#include "base/console.h"
#include "base/file_save.h"
#include "base/hex.h"
#include "base/input_file.h"
#include "base/paths.h"
#include "base/printable.h"
#include "base/text_lines.h"
#include "cli/commands.h"
#include "cli/decode_output.h"
#include "cli/json_output.h"
#include "command/log_reader.h"
#include "layout/layout_writer.h"
#include "serial/memory_transfer.h"
#include "text/cp936.h"
#include "text/static_file.h"

namespace zotpx::cli {

namespace {

// A log is read as it comes, whatever its size. Bare hex and static command texts are read
// whole: far beyond any of them, and small enough to refuse a wrong file quickly.
constexpr std::size_t kInputLimit = 64u << 20;

// --- bare hex: frames in the order they came ---

// The row a reply stands under when no request says which: the first of its code.
const CommandRow* FirstRowWithCode(std::uint8_t code) {
  for (const CommandRow& row : CommandRows())
    if (row.command == code) return &row;
  return nullptr;
}

// Replies are judged against the request before them, when one came.
void DecodeStream(const std::string& name, std::span<const std::uint8_t> bytes, DecodeOutput& out) {
  TransferTracker transfer;
  std::optional<DecodedFrame> request;
  std::size_t n = 0;
  for (const Piece& piece : SplitPieces(bytes)) {
    Item item;
    item.where = {&name, 0, ++n, {}};
    item.piece = &piece;
    std::optional<DecodedFrame> frame;
    std::optional<ReplyMeaning> reply;
    if (IsReply(piece, Direction::Unknown)) {
      const CommandRow* asked = request ? request->row : nullptr;
      reply = ReadReply(piece.bytes, asked ? std::optional(asked->command) : std::nullopt);
      reply->row = asked;
      item.reply = &*reply;
      item.row = asked ? asked : FirstRowWithCode(piece.bytes[2]);
      transfer.Received(piece.bytes);
      request.reset();
    } else if (piece.kind == Piece::Kind::Frame) {
      frame = DecodeFrame(piece.bytes);
      item.frame = &*frame;
      item.row = frame->row;
      transfer.Sent(*frame);
      request = frame;
    }
    out.Say(item);
  }
  if (!transfer.active()) return;
  const TransferSummary summary = transfer.summary();
  Item item;
  item.kind = Item::Kind::Transfer;
  item.where = {&name, 0, n, {}};
  item.transfer = &summary;
  out.Say(item);
}

// --- a communication log ---

class LogDecoder {
 public:
  LogDecoder(const std::string& name, DecodeOutput& out) : name_(name), out_(out) {}

  void Block(const LogBlock& block) {
    Moments& port = ports_[block.port];
    if (!block.title.empty()) out_.Title({&name_, block.line, 0, block.port}, block.title);
    for (const LoggedRequest& request : RequestsOf(block)) Request(block, request, port);
    if (const std::optional<TransferSummary> transfer = TransferOf(block)) {
      Item item;
      item.kind = Item::Kind::Transfer;
      item.where = {&name_, block.line, 0, block.port};
      item.transfer = &*transfer;
      out_.Say(item);
    }
    out_.EndBlock();
    if (block.end_time)
      port.end = block.end_time;
    else if (!block.entries.empty() && block.entries.back().time)
      port.end = block.entries.back().time;
  }

 private:
  // The last moments of a port: its last reply, and when its last block ended.
  struct Moments {
    std::optional<std::int64_t> reply;
    std::optional<std::int64_t> end;
  };

  void Request(const LogBlock& block, const LoggedRequest& request, Moments& port) {
    const LogEntry& sent = *request.sent;
    const DecodedFrame decoded = DecodeFrame(sent.bytes);
    std::optional<std::string> gap;
    std::optional<std::int64_t> gap_us;
    if (sent.time) {
      // Since whichever came last: the port's last reply, or the end of its last command.
      const bool after_reply = port.reply && (!port.end || *port.reply > *port.end);
      const std::optional<std::int64_t> since = after_reply ? port.reply : port.end;
      if (since) {
        gap_us = *sent.time - *since;
        gap = DurationText(*gap_us) +
              (after_reply ? " since the previous reply" : " since the previous command ended");
      }
    }
    for (const Piece& piece : SplitPieces(sent.bytes)) {
      Item item;
      item.where = {&name_, sent.line, 0, block.port};
      item.direction = Direction::Sent;
      item.piece = &piece;
      item.time = sent.time;
      std::optional<DecodedFrame> own;
      if (piece.kind == Piece::Kind::Frame) {
        // Most lines hold one frame: the one decoded already.
        if (piece.bytes.size() != sent.bytes.size()) own = DecodeFrame(piece.bytes);
        item.frame = own ? &*own : &decoded;
        item.row = item.frame->row;
      }
      item.gap_us = gap_us;
      if (gap) item.notes.push_back(*gap);
      if (!request.received) {
        item.no_reply = true;
        std::string note = "no accepted reply logged";
        if (sent.time && block.end_time) {
          item.unanswered_us = *block.end_time - *sent.time;
          note += " (the command ended " + DurationText(*item.unanswered_us) + " after it)";
        }
        item.notes.push_back(note);
      }
      out_.Say(item);
    }
    if (!request.received) return;
    const LogEntry& received = *request.received;
    const ReplyTimeouts limits = ReplyTimeoutsFor(sent.bytes);
    for (const Piece& piece : SplitPieces(received.bytes)) {
      Item item;
      item.where = {&name_, received.line, 0, block.port};
      item.direction = Direction::Received;
      item.piece = &piece;
      item.time = received.time;
      std::optional<ReplyMeaning> reply;
      if (piece.kind == Piece::Kind::Frame) {
        reply = ReadReply(piece.bytes,
                          decoded.row ? std::optional(decoded.row->command) : std::nullopt);
        reply->row = decoded.row;
        item.reply = &*reply;
        item.row = decoded.row;
      }
      if (received.time && sent.time) {
        item.latency_us = *received.time - *sent.time;
        item.notes.push_back("latency " + DurationText(*item.latency_us));
        if (*item.latency_us > std::int64_t{limits.first_byte_ms} * 1000)
          item.late.push_back("its first byte came after " + DurationText(*item.latency_us) +
                              "; the device has " + std::to_string(limits.first_byte_ms) + " ms");
        item.notes.insert(item.notes.end(), item.late.begin(), item.late.end());
      }
      out_.Say(item);
    }
    if (received.time) port.reply = received.time;
  }

  const std::string& name_;
  DecodeOutput& out_;
  std::map<std::string, Moments> ports_;
};

// --- a static command text: a line is a record when it holds a frame and one trailing byte ---

void DecodeStatic(const std::string& name, const std::vector<StaticLine>& lines,
                  DecodeOutput& out) {
  for (const StaticLine& line : lines) {
    if (line.bytes.empty()) continue;
    Item item;
    item.where = {&name, line.number, 0, {}};
    item.direction = Direction::Sent;
    const bool record = IsStaticRecord(line.bytes);
    Piece piece;
    if (record) {
      piece = {Piece::Kind::Frame, Bytes(line.bytes.begin(), line.bytes.end() - 1)};
      char trailing[48];
      std::snprintf(trailing, sizeof trailing, "trailing byte %02X", line.bytes.back());
      item.notes.push_back(trailing);
      item.label = "record ";
    } else {
      const std::vector<Piece> pieces = SplitPieces(line.bytes);
      const bool frame = pieces.size() == 1 && pieces[0].kind == Piece::Kind::Frame;
      piece = frame ? pieces[0] : Piece{Piece::Kind::Other, line.bytes};
      item.notes.push_back(frame
                               ? "a frame without its trailing byte: the download skips this line"
                               : "not a frame and one trailing byte: the download skips this line");
      item.label = "skipped ";
      item.skipped = true;
    }
    item.piece = &piece;
    std::optional<DecodedFrame> frame;
    if (piece.kind == Piece::Kind::Frame) {
      frame = DecodeFrame(piece.bytes);
      item.frame = &*frame;
      item.row = frame->row;
    }
    out.Say(item);
  }
}

// --- reading the inputs ---

bool IsFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path name = SystemPath(path);
  return std::filesystem::exists(name, error) && !std::filesystem::is_directory(name, error);
}

// A named input opened as every file the tool reads is: a regular file only, never waiting on a
// FIFO without a writer. Standard input as it is.
std::FILE* OpenInput(const std::string& input, std::string& why) {
  if (input == "-") return stdin;
  InputFile file(input);
  std::FILE* in = file.is_open() ? fdopen(file.Release(), "rb") : nullptr;
  if (!in)
    why = "decode: " + input + ": " +
          (file.problem() == ReadProblem::None ? "cannot be read" : ReadProblemText(file.problem()));
  return in;
}

// A static command text's line as the static download reads it.
bool IsStaticRecordLine(std::string_view line) {
  const std::vector<StaticLine> lines =
      ReadStaticLines(std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
  return lines.size() == 1 && IsStaticRecord(lines.front().bytes);
}

// Why an input cannot be read, in the tool's words; nothing when it can.
using Unread = std::optional<std::string>;

// Hands every line of `in` to `line` as it comes, until `line` gives a reason to stop. That
// reason, or why `in` cannot be read.
template <typename Line>
Unread ReadLines(std::FILE* in, const std::string& input, Line&& line) {
  LineSplitter lines;
  Unread stopped;
  const auto each = [&](std::string_view text) {
    if (!stopped) stopped = line(text);
  };
  char buffer[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    lines.Feed(std::string_view(buffer, n), each);
    if (stopped) return stopped;
    if (n < sizeof buffer) break;
  }
  if (std::ferror(in)) return "decode: " + input + " cannot be read";
  lines.Finish(each);
  return stopped;
}

// Lines kept whole, as text into `text`: a line in code page 936 is read as such, so that none
// of its Chinese bytes pass for hex digits; bytes that are no text at all are refused.
Unread TextOfLines(std::string_view kept, const std::string& name, std::string& text) {
  std::size_t number = 0;
  Unread refused;
  LineSplitter lines;
  lines.Feed(kept, [&](std::string_view line) {
    ++number;
    if (refused) return;
    if (IsUtf8(line)) {
      text.append(line);
    } else if (const std::optional<std::string> utf8 = Cp936ToUtf8(
                   std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()))) {
      text.append(*utf8);
    } else {
      refused = "decode: " + name + ":" + std::to_string(number) +
                " holds bytes that are no text (neither UTF-8 nor GBK): not a communication "
                "log, a static command text or hex";
    }
    text += '\n';
  });
  return refused;
}

// Reads one file (or standard input) as it comes: a communication log is decoded block by block
// as soon as its first log line shows what it is; anything else is kept whole and read at the
// end as a static command text or as bare hex.
Unread DecodeFile(const std::string& input, DecodeOutput& out) {
  const std::string name = input == "-" ? "stdin" : input;
  std::string why;
  std::FILE* in = OpenInput(input, why);
  if (!in) return why;
  LogDecoder decoder(name, out);
  LogBlockReader blocks([&decoder](LogBlock&& block) { decoder.Block(block); });
  std::string kept;  // the text so far, while it is not known to be a log
  bool log = false;
  bool is_static = false;
  std::size_t number = 0;
  const Unread unread = ReadLines(in, input, [&](std::string_view text) -> Unread {
    LogEntry entry = ReadLogEntry(text, ++number);
    if (!log && !is_static && IsLogEntry(entry)) {
      // What came before is the log's too.
      log = true;
      std::size_t earlier = 0;
      LineSplitter again;
      again.Feed(kept, [&](std::string_view old) { blocks.Add(ReadLogEntry(old, ++earlier)); });
      kept = std::string();
    }
    if (log) {
      blocks.Add(std::move(entry));
      return std::nullopt;
    }
    is_static = is_static || IsStaticRecordLine(text);
    kept.append(text);
    kept += '\n';
    if (kept.size() <= kInputLimit) return std::nullopt;
    return "decode: " + input +
           " is larger than 64 MiB and no communication log: only a log is read whatever its "
           "size";
  });
  if (in != stdin) std::fclose(in);
  if (unread) return unread;
  if (log) {
    blocks.Finish();
    return std::nullopt;
  }
  if (is_static) {
    DecodeStatic(
        name,
        ReadStaticLines(std::span(reinterpret_cast<const std::uint8_t*>(kept.data()), kept.size())),
        out);
    return std::nullopt;
  }
  std::string hex;
  if (Unread refused = TextOfLines(kept, name, hex)) return refused;
  DecodeStream(name, HexPairs(hex), out);
  return std::nullopt;
}

// --- the layout ---

class LayoutFromLog {
 public:
  LayoutFromLog(const std::string& source, const std::string& bitmap_base)
      : source_(source), writer_(source, bitmap_base) {}

  // The start-up commands the device acknowledged, in the order of the log, for one port: the
  // first port's that has a title (a station log holds the same commands for every port).
  void Block(const LogBlock& block) {
    if (!port_ && !block.title.empty()) port_ = block.port;
    if (!block.title.empty() && block.port != port_) several_ = true;
    if (block.port != port_.value_or(block.port)) return;
    for (const LoggedRequest& request : RequestsOf(block)) {
      const Bytes& sent = request.sent->bytes;
      const DecodedFrame frame = DecodeFrame(sent);
      const bool acknowledged = request.received && frame.row &&
                                ReadReply(request.received->bytes, frame.row->command).accepted;
      writer_.Add(sent, acknowledged, source_ + ":" + std::to_string(request.sent->line));
    }
    writer_.BreakRun();  // a bitmap's run of frames never spans two blocks
  }

  LayoutFile Finish() {
    if (several_)
      writer_.Note(source_ + ": the log has several ports; the layout holds " + *port_ +
                   "'s commands");
    return writer_.Finish();
  }

 private:
  const std::string& source_;
  LayoutWriter writer_;
  std::optional<std::string> port_;
  bool several_ = false;
};

int WriteLayout(const std::vector<std::string>& inputs, const std::string& output, bool json) {
  const auto refuse = [json](const std::string& status, const char* result = kResultRefused) {
    return PrintRefusal("decode", status, json, result);
  };
  const std::string input = inputs.empty() ? "-" : inputs.front();
  if (inputs.size() > 1 || output.empty() || (input != "-" && !IsFile(input)))
    return refuse("decode --layout takes one communication log and -o LAYOUT.toml");
  // Both would be on standard output.
  if (json && output == "-")
    return refuse(
        "decode --layout -o - writes the layout to standard output: --json has no room there");
  const std::string name = input == "-" ? "stdin" : input;
  std::string why;
  std::FILE* in = OpenInput(input, why);
  if (!in) return refuse(why);
  // On standard output the layout has no folder: its bitmaps go into the current one, named
  // after the log.
  const bool to_stdout = output == "-";
  const std::string bitmap_base =
      to_stdout ? std::filesystem::path(name).stem().string() + ".toml" : output;
  LayoutFromLog layout(name, bitmap_base);
  LogBlockReader blocks([&layout](LogBlock&& block) { layout.Block(block); });
  std::size_t number = 0;
  bool log = false;
  const Unread unread = ReadLines(in, input, [&](std::string_view text) -> Unread {
    LogEntry entry = ReadLogEntry(text, ++number);
    log = log || IsLogEntry(entry);
    blocks.Add(std::move(entry));
    return std::nullopt;
  });
  blocks.Finish();
  if (in != stdin) std::fclose(in);
  if (unread) return refuse(*unread);
  if (!log) return refuse("decode --layout: " + input + " is no communication log");
  const LayoutFile file = layout.Finish();
  for (const std::string& note : file.notes)
    PrintText(stderr, "%s\n", PrintableText(note).c_str());
  if (file.toml.empty())
    return refuse("decode: " + name +
                  " holds no overlay command the device acknowledged; nothing written");
  // Beside the layout file itself, where its reader looks for them, wherever links lead.
  const std::string target = to_stdout ? "" : LinkTarget(output);
  const std::string folder = to_stdout ? "" : FolderOfPath(target.empty() ? output : target);
  std::vector<FileToSave> files;
  std::vector<std::string> written;
  for (const auto& [bitmap, bytes] : file.bitmaps) {
    files.push_back({folder + bitmap, bytes});
    written.push_back(folder + bitmap);
  }
  files.push_back(
      {output, {reinterpret_cast<const std::uint8_t*>(file.toml.data()), file.toml.size()}});
  // The layout and its bitmaps all, or none, and never over the log they come from.
  if (const std::optional<std::string> failed =
          WriteOutputs(files, inputs, std::string("decode: ") + kCannotSaveText))
    return refuse(*failed, kResultFileFailed);
  if (json) {
    const nlohmann::json result = {{"kind", "layout"},
                                   {"source", name},
                                   {"layout", output},
                                   {"bitmaps", written},
                                   {"notes", file.notes}};
    PrintText(stdout, "%s\n",
                result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    return kExitOk;
  }
  // Standard output may be the layout itself.
  std::FILE* said = to_stdout ? stderr : stdout;
  for (const std::string& bitmap : written) PrintText(said, "wrote %s\n", bitmap.c_str());
  PrintText(said, "%s -> %s\n", name.c_str(), to_stdout ? "standard output" : output.c_str());
  return kExitOk;
}

// --- the choice ---

// "rect", "cross move" or cross-move, or a group's first word: "bitmap" for every kind.
std::vector<const CommandRow*> RowsNamed(std::string name) {
  std::replace(name.begin(), name.end(), '-', ' ');
  std::vector<const CommandRow*> rows;
  for (const CommandRow& row : CommandRows())
    if (row.name == name || row.name.substr(0, row.name.find(' ')) == name) rows.push_back(&row);
  return rows;
}

// The choice, or why it cannot be made.
std::variant<DecodeChoice, std::string> ChoiceOf(const CommandValues& values, bool json) {
  DecodeChoice choice;
  choice.json = json;
  choice.errors = values.errors_only;
  choice.stats = values.stats;
  for (const std::string& name : values.only) {
    const std::vector<const CommandRow*> rows = RowsNamed(name);
    if (rows.empty()) {
      std::string names;
      for (const CommandRow& row : CommandRows())
        names += (names.empty() ? "" : ", ") + std::string(row.name);
      return "decode --only '" + name + "': no such command; one of " + names;
    }
    choice.only.insert(choice.only.end(), rows.begin(), rows.end());
  }
  return choice;
}

// Options that would do nothing in the mode chosen are refused, so that none is taken for
// having worked.
std::optional<std::string> UselessOption(const CommandValues& values) {
  if (!values.to_layout && !values.output.empty())
    return "-o writes a layout: it goes with --layout";
  if (values.to_layout && (!values.only.empty() || values.errors_only || values.stats))
    return "--only, --errors and --stats choose what is explained: --layout explains nothing";
  return std::nullopt;
}

}  // namespace

int RunDecode(const CommandValues& values, bool json) {
  if (const std::optional<std::string> useless = UselessOption(values))
    return PrintRefusal("decode", "decode: " + *useless, json);
  if (values.to_layout) return WriteLayout(values.inputs, values.output, json);
  const std::variant<DecodeChoice, std::string> chosen = ChoiceOf(values, json);
  if (const std::string* refused = std::get_if<std::string>(&chosen))
    return PrintRefusal("decode", *refused, json);
  const DecodeChoice& choice = std::get<DecodeChoice>(chosen);
  // Files and standard input in turn; every other argument is hex, all of them one stream.
  std::vector<std::string> files;
  Bytes hex;
  const std::vector<std::string> given =
      values.inputs.empty() ? std::vector<std::string>{"-"} : values.inputs;
  for (const std::string& input : given) {
    if (input == "-" || IsFile(input)) {
      files.push_back(input);
      continue;
    }
    if (HexPairs(input).empty() ||
        input.find_first_not_of("0123456789abcdefABCDEFxX ,:") != std::string::npos)
      return PrintRefusal("decode", "decode: '" + input + "' is neither a file nor bytes in hex",
                          json);
    const Bytes bytes = HexPairs(input);
    hex.insert(hex.end(), bytes.begin(), bytes.end());
  }
  DecodeOutput out(choice);
  for (const std::string& file : files) {
    if (const Unread unread = DecodeFile(file, out)) {
      out.Finish();
      return PrintRefusal("decode", *unread, json);
    }
  }
  const std::string arguments = "arguments";
  if (!hex.empty()) DecodeStream(arguments, hex, out);
  out.Finish();
  return choice.errors && out.errors() ? kExitDevice : kExitOk;
}

}  // namespace zotpx::cli
