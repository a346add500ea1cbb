#include "cli/decode.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <variant>

#include "base/file_save.h"
#include "base/hex.h"
#include "base/printable.h"
#include "base/text_lines.h"
#include "cli/commands.h"
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

// What was asked besides the inputs.
struct Choice {
  bool json = false;
  std::vector<const CommandRow*> only;  // empty: every command
  bool errors = false;
  bool stats = false;
};

// --- where a piece was found ---

struct Where {
  const std::string* source = nullptr;
  std::size_t line = 0;   // from 1; 0: a piece of hex, numbered
  std::size_t piece = 0;  // the n-th piece of hex given as such
  std::string_view port;
};

// --- one thing decode says ---

struct Item {
  enum class Kind { Piece, Transfer };
  Kind kind = Kind::Piece;
  Where where;
  Direction direction = Direction::Unknown;
  const Piece* piece = nullptr;
  const DecodedFrame* frame = nullptr;  // a command frame
  const ReplyMeaning* reply = nullptr;  // a reply
  const TransferSummary* transfer = nullptr;
  const CommandRow* row = nullptr;  // the command it is, or answers
  const char* label = nullptr;      // instead of sent / received: "record ", "skipped "
  std::vector<std::string> notes;   // after its words: what the log says of it, its times
  std::vector<std::string> late;    // the device's time limits it broke
  std::optional<std::int64_t> time;
  std::optional<std::int64_t> gap_us;
  std::optional<std::int64_t> latency_us;
  std::optional<std::int64_t> unanswered_us;  // a request without reply: how long until the end
  bool no_reply = false;                      // a logged request whose reply was not accepted
  bool error = false;
};

bool IsReply(const Piece& piece, Direction direction) {
  return piece.kind == Piece::Kind::Frame &&
         (direction == Direction::Received ||
          (direction == Direction::Unknown && IsReplyFrame(piece.bytes)));
}

// Whatever is wrong with it, for --errors.
bool IsError(const Item& item) {
  if (item.kind == Item::Kind::Transfer)
    return (item.transfer->result != TransferSummary::Result::Done &&
            item.transfer->result != TransferSummary::Result::Unknown) ||
           !item.transfer->problems.empty();
  if (item.label && std::string_view(item.label) == "skipped ") return true;
  if (item.no_reply || !item.late.empty()) return true;
  if (item.reply) return !item.reply->accepted;
  if (item.frame) return !item.frame->ok();
  return item.piece->kind == Piece::Kind::Cut || item.piece->kind == Piece::Kind::Other;
}

std::string Ms(std::int64_t us) {
  return DurationText(us);
}

// --- --json ---

// A frame's values as the command line takes them: words for lists, booleans for flags, numbers
// for the edit boxes, the text in UTF-8. The picture has no file to name, and a box that is not
// in the frame (control-only) no value of a frame on its own.
nlohmann::json ValuesJson(const Values& values) {
  nlohmann::json out = nlohmann::json::object();
  const CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    const FieldValue& value = values.at(i);
    const std::string name(field.name);
    if (field.kind == FieldKind::Bitmap || field.at.place == Place::None) continue;
    if (field.kind == FieldKind::List && value.index < 0)
      out[name] = std::stoll(value.text);  // a code of no item, as the frame holds it
    else if (field.kind == FieldKind::List && !field.list->keywords)
      out[name] = ItemNumber(*field.list, value.index);
    else if (field.kind == FieldKind::Flag)
      out[name] = value.index == 1;
    else if (field.kind == FieldKind::Coordinate || field.kind == FieldKind::Number)
      out[name] = EditValue(value).value_or(0);
    else if (field.kind == FieldKind::Data)
      out[name] = HexText(value.bytes.data(), value.bytes.size());
    else
      out[name] = FieldWord(field, value);
  }
  return out;
}

nlohmann::json FrameJson(const DecodedFrame& frame) {
  nlohmann::json out;
  out["kind"] = "command";
  if (frame.row) {
    out["command"] = frame.row->name;
    out["title"] = frame.row->title;
    out["code"] = frame.row->command;
  }
  if (frame.values) {
    out["values"] = ValuesJson(*frame.values);
    if (frame.row->blocks.max_blocks) out["block"] = frame.block;
    if (frame.row->Field("file") && (*frame.values)["file"].picture) {
      const LoadedBitmap& picture = *(*frame.values)["file"].picture;
      out["picture"] = {{"width", picture.width}, {"height", picture.height}};
    }
  }
  if (frame.framed) out["checksum"] = frame.checksum_ok ? "ok" : "bad";
  out["problems"] = frame.problems;
  out["refusal"] = frame.refusal ? nlohmann::json(frame.row->title + *frame.refusal) : nullptr;
  return out;
}

nlohmann::json ReplyJson(const ReplyMeaning& reply) {
  return {{"kind", "reply"},
          {"reply_to", ReplyTitle(reply)},
          {"code", reply.command},
          {"status", reply.status},
          {"accepted", reply.accepted},
          {"checksum", reply.checksum_ok ? "ok" : "bad"},
          {"problems", reply.problems}};
}

nlohmann::json PieceJson(const Item& item) {
  if (item.reply) return ReplyJson(*item.reply);
  if (item.frame) return FrameJson(*item.frame);
  switch (item.piece->kind) {
    case Piece::Kind::Identification: {
      const IdentificationText id = *ReadIdentification(item.piece->bytes);
      return {{"kind", "identification"}, {"model", id.model}, {"version", id.version}};
    }
    case Piece::Kind::Probe:
      return {{"kind", "probe"}};
    case Piece::Kind::ProbeAnswer:
      return {{"kind", "probe-answer"}};
    case Piece::Kind::Cut:
      return {{"kind", "cut"}};
    default:
      return {{"kind", "bytes"}};
  }
}

nlohmann::json TransferJson(const TransferSummary& s) {
  nlohmann::json out = {{"kind", "transfer"},
                        {"title", s.title},
                        {"acknowledged", s.acknowledged},
                        {"erased", s.erased},
                        {"bytes", s.bytes},
                        {"gaps", s.gaps},
                        {"result", TransferResultName(s.result)},
                        {"problems", s.problems}};
  if (s.first) {
    out["first"] = *s.first;
    out["end"] = s.end;
  }
  if (s.erase_requests) out["erase_requests"] = *s.erase_requests;
  if (s.write_requests) out["write_requests"] = *s.write_requests;
  if (s.erase_us) out["erase_ms"] = static_cast<double>(*s.erase_us) / 1000.0;
  if (s.write_us) out["write_ms"] = static_cast<double>(*s.write_us) / 1000.0;
  return out;
}

// --- the summary of --stats ---

struct Tally {
  std::size_t frames = 0;
  std::size_t failed = 0;
  std::size_t sent = 0;
  std::size_t received = 0;
  std::vector<std::int64_t> latencies;

  void Add(const Tally& other) {
    frames += other.frames;
    failed += other.failed;
    sent += other.sent;
    received += other.received;
    latencies.insert(latencies.end(), other.latencies.begin(), other.latencies.end());
  }
};

struct Stats {
  std::vector<std::pair<const CommandRow*, Tally>> commands;  // in the table's order at the end
  std::size_t transfers = 0;
  std::size_t transfers_failed = 0;
  std::size_t transfer_bytes = 0;

  Tally& For(const CommandRow* row) {
    for (auto& [r, tally] : commands)
      if (r == row) return tally;
    return commands.emplace_back(row, Tally{}).second;
  }
};

// --- the output ---

class Output {
 public:
  explicit Output(const Choice& choice) : choice_(choice) {}

  // A block's title: printed when the block says anything (every block, without filters).
  void Title(const Where& where, const std::string& title) {
    title_ = Line(where, "【" + title + "】");
    if (Filtered()) return;
    Flush();
  }
  void EndBlock() { title_.clear(); }

  void Say(Item& item) {
    item.error = IsError(item);
    // A reply's failure counts against its request once, whatever the filters keep.
    if (item.frame && !item.reply) request_failed_ = item.error;
    if (!Kept(item)) return;
    Count(item);
    if (item.error) ++errors_;
    if (choice_.stats) return;
    if (choice_.json) return Json(item);
    Flush();
    Print(Line(item.where, Words(item)));
  }

  void Finish() {
    if (choice_.stats) PrintStats();
    std::fflush(stdout);
  }
  std::size_t errors() const { return errors_; }

 private:
  bool Filtered() const { return choice_.errors || !choice_.only.empty() || choice_.stats; }

  bool Chosen(const CommandRow* row) const {
    return std::find(choice_.only.begin(), choice_.only.end(), row) != choice_.only.end();
  }

  bool Kept(const Item& item) const {
    if (choice_.errors && !item.error) return false;
    if (choice_.only.empty()) return true;
    if (item.row) return Chosen(item.row);
    if (item.kind == Item::Kind::Transfer)
      return Chosen(FindRow("erase")) || Chosen(FindRow("write"));
    // The connect scan's probes and the identification belong to identify.
    const Piece::Kind kind = item.piece->kind;
    return (kind == Piece::Kind::Probe || kind == Piece::Kind::ProbeAnswer ||
            kind == Piece::Kind::Identification) &&
           Chosen(FindRow("identify"));
  }

  void Count(const Item& item) {
    if (!choice_.stats) return;
    if (item.kind == Item::Kind::Transfer) {
      ++stats_.transfers;
      stats_.transfers_failed += item.error;
      stats_.transfer_bytes += item.transfer->bytes;
      return;
    }
    if (item.piece->kind != Piece::Kind::Frame) return;
    Tally& tally = stats_.For(item.row);
    if (item.reply) {
      tally.received += item.piece->bytes.size();
      if (item.latency_us) tally.latencies.push_back(*item.latency_us);
      if (item.error && !request_failed_) ++tally.failed;
      request_failed_ = true;
      return;
    }
    ++tally.frames;
    tally.sent += item.piece->bytes.size();
    if (item.error) ++tally.failed;
  }

  std::string Words(const Item& item) const {
    if (item.kind == Item::Kind::Transfer) return DescribeTransfer(*item.transfer);
    std::string line = item.label                              ? item.label
                       : item.direction == Direction::Sent     ? "sent "
                       : item.direction == Direction::Received ? "received "
                                                               : "";
    line += item.reply   ? DescribeReply(*item.reply)
            : item.frame ? DescribeFrame(*item.frame)
                         : DescribePiece(*item.piece, item.direction);
    for (const std::string& note : item.notes) line += "; " + note;
    return line;
  }

  std::string Line(const Where& where, const std::string& words) const {
    std::string line = *where.source;
    line += where.line ? ":" + std::to_string(where.line) : " #" + std::to_string(where.piece);
    line += ' ';
    if (!where.port.empty()) {
      line += '[';
      line += where.port;
      line += "] ";
    }
    line += words;
    return line;
  }

  // Nothing from outside reaches the terminal as it came.
  static void Print(const std::string& line) {
    if (IsPrintableText(line)) {
      std::fwrite(line.data(), 1, line.size(), stdout);
    } else {
      const std::string safe = PrintableText(line);
      std::fwrite(safe.data(), 1, safe.size(), stdout);
    }
    std::fputc('\n', stdout);
  }

  void Flush() {
    if (title_.empty()) return;
    if (!choice_.json) Print(title_);
    title_.clear();
  }

  void Json(const Item& item) {
    nlohmann::json out =
        item.kind == Item::Kind::Transfer ? TransferJson(*item.transfer) : PieceJson(item);
    if (item.kind == Item::Kind::Piece) {
      out["direction"] = item.direction == Direction::Sent       ? nlohmann::json("sent")
                         : item.direction == Direction::Received ? nlohmann::json("received")
                                                                 : nlohmann::json(nullptr);
      out["hex"] = HexText(item.piece->bytes.data(), item.piece->bytes.size());
      if (!item.notes.empty()) {
        out["notes"] = item.notes;
        std::string note;  // as one text, as it always was
        for (const std::string& part : item.notes) note += "; " + part;
        out["note"] = note;
      }
      if (item.label) out["record"] = std::string_view(item.label) == "record ";
    }
    if (item.reply)
      for (const std::string& late : item.late) out["problems"].push_back(late);
    if (item.time) out["time_us"] = *item.time;
    if (item.gap_us) out["gap_ms"] = static_cast<double>(*item.gap_us) / 1000.0;
    if (item.latency_us) out["latency_ms"] = static_cast<double>(*item.latency_us) / 1000.0;
    if (item.no_reply) out["reply"] = nullptr;
    out["source"] = *item.where.source;
    if (item.where.line)
      out["line"] = item.where.line;
    else
      out["piece"] = item.where.piece;
    if (!item.where.port.empty()) out["port"] = item.where.port;
    const std::string text = out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  }

  void PrintStats() {
    // The table's order, then what belongs to no command.
    std::vector<std::pair<const CommandRow*, Tally>> rows;
    for (const CommandRow& row : CommandRows())
      for (auto& [r, tally] : stats_.commands)
        if (r == &row) rows.emplace_back(r, std::move(tally));
    for (auto& [r, tally] : stats_.commands)
      if (!r) rows.emplace_back(nullptr, std::move(tally));
    Tally all;
    for (auto& [r, tally] : rows) {
      std::sort(tally.latencies.begin(), tally.latencies.end());
      all.Add(tally);
    }
    std::sort(all.latencies.begin(), all.latencies.end());
    if (choice_.json) return StatsJson(rows, all);
    std::printf("%-17s %7s %7s %10s %10s %12s %12s\n", "command", "frames", "failed", "sent",
                "received", "median", "worst");
    const auto print = [](const char* name, const Tally& t) {
      const auto latency = [&t](bool worst) {
        if (t.latencies.empty()) return std::string("-");
        return Ms(worst ? t.latencies.back() : t.latencies[(t.latencies.size() - 1) / 2]);
      };
      std::printf("%-17s %7zu %7zu %10zu %10zu %12s %12s\n", name, t.frames, t.failed, t.sent,
                  t.received, latency(false).c_str(), latency(true).c_str());
    };
    for (const auto& [row, tally] : rows)
      print(row ? std::string(row->name).c_str() : "(no command)", tally);
    print("all", all);
    if (stats_.transfers)
      std::printf("memory transfers: %zu, %zu failed, %zu bytes written\n", stats_.transfers,
                  stats_.transfers_failed, stats_.transfer_bytes);
  }

  void StatsJson(const std::vector<std::pair<const CommandRow*, Tally>>& rows, const Tally& all) {
    const auto tally_json = [](const Tally& t) {
      nlohmann::json out = {{"frames", t.frames},
                            {"failed", t.failed},
                            {"bytes_sent", t.sent},
                            {"bytes_received", t.received}};
      if (!t.latencies.empty()) {
        out["latency_median_ms"] =
            static_cast<double>(t.latencies[(t.latencies.size() - 1) / 2]) / 1000.0;
        out["latency_worst_ms"] = static_cast<double>(t.latencies.back()) / 1000.0;
      }
      return out;
    };
    nlohmann::json commands = nlohmann::json::array();
    for (const auto& [row, tally] : rows) {
      nlohmann::json one = tally_json(tally);
      one["command"] = row ? nlohmann::json(row->name) : nlohmann::json(nullptr);
      if (row) one["title"] = row->title;
      commands.push_back(one);
    }
    const nlohmann::json out = {{"kind", "stats"},
                                {"commands", commands},
                                {"all", tally_json(all)},
                                {"transfers",
                                 {{"count", stats_.transfers},
                                  {"failed", stats_.transfers_failed},
                                  {"bytes", stats_.transfer_bytes}}}};
    std::printf("%s\n", out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  }

  const Choice& choice_;
  std::string title_;  // waiting for the block's first item
  Stats stats_;
  bool request_failed_ = false;  // the last request, as counted
  std::size_t errors_ = 0;
};

// --- bare hex: frames in the order they came ---

// The row a reply stands under when no request says which: the first of its code.
const CommandRow* FirstRowWithCode(std::uint8_t code) {
  for (const CommandRow& row : CommandRows())
    if (row.command == code) return &row;
  return nullptr;
}

// Replies are judged against the request before them, when one came.
void DecodeStream(const std::string& name, std::span<const std::uint8_t> bytes, Output& out) {
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
  LogDecoder(const std::string& name, Output& out) : name_(name), out_(out) {}

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
        gap = Ms(*gap_us) +
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
          note += " (the command ended " + Ms(*item.unanswered_us) + " after it)";
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
        item.notes.push_back("latency " + Ms(*item.latency_us));
        if (*item.latency_us > std::int64_t{limits.first_byte_ms} * 1000)
          item.late.push_back("its first byte came after " + Ms(*item.latency_us) +
                              "; the device has " + std::to_string(limits.first_byte_ms) + " ms");
        item.notes.insert(item.notes.end(), item.late.begin(), item.late.end());
      }
      out_.Say(item);
    }
    if (received.time) port.reply = received.time;
  }

  const std::string& name_;
  Output& out_;
  std::map<std::string, Moments> ports_;
};

// --- a static command text: a line is a record when it holds a frame and one trailing byte ---

void DecodeStatic(const std::string& name, const std::vector<StaticLine>& lines, Output& out) {
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
  return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

// A static command text's line as the static download reads it.
bool IsStaticRecordLine(std::string_view line) {
  const std::vector<StaticLine> lines =
      ReadStaticLines(std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
  return lines.size() == 1 && IsStaticRecord(lines.front().bytes);
}

// Reads one file (or standard input) as it comes: a communication log is decoded block by block
// as soon as its first log line shows what it is; anything else is kept whole and read at the
// end as a static command text or as bare hex. Why it cannot be read, when it cannot.
std::optional<std::string> DecodeFile(const std::string& input, Output& out) {
  const std::string name = input == "-" ? "stdin" : input;
  std::FILE* in = input == "-" ? stdin : std::fopen(input.c_str(), "rb");
  if (!in) return "decode: " + input + " cannot be read";
  LogDecoder decoder(name, out);
  LogBlockReader blocks([&decoder](LogBlock&& block) { decoder.Block(block); });
  LineSplitter lines;
  std::string kept;  // the text so far, while it is not known to be a log
  bool log = false;
  bool is_static = false;
  std::size_t number = 0;
  const auto line = [&](std::string_view text) {
    ++number;
    if (log) return blocks.Add(ReadLogEntry(text, number));
    LogEntry entry = ReadLogEntry(text, number);
    if (!is_static && IsLogEntry(entry)) {
      // What came before is the log's too.
      log = true;
      LineSplitter again;
      std::size_t earlier = 0;
      again.Feed(kept, [&](std::string_view old) { blocks.Add(ReadLogEntry(old, ++earlier)); });
      again.Finish([&](std::string_view old) { blocks.Add(ReadLogEntry(old, ++earlier)); });
      kept.clear();
      kept.shrink_to_fit();
      blocks.Add(std::move(entry));
      return;
    }
    if (!is_static && IsStaticRecordLine(text)) is_static = true;
    kept.append(text);
    kept += '\n';
  };
  char buffer[1 << 16];
  bool failed = false;
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    lines.Feed(std::string_view(buffer, n), line);
    if (kept.size() > kInputLimit) {
      failed = true;
      break;
    }
    if (n < sizeof buffer) {
      failed = std::ferror(in) != 0;
      break;
    }
  }
  const bool unreadable = std::ferror(in) != 0;
  if (!failed) lines.Finish(line);
  if (in != stdin) std::fclose(in);
  if (unreadable) return "decode: " + input + " cannot be read";
  if (failed)
    return "decode: " + input +
           " is larger than 64 MiB and no communication log: only a log is read whatever its "
           "size";
  if (log) {
    blocks.Finish();
    return std::nullopt;
  }
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(kept.data()),
                                            kept.size());
  if (is_static) {
    DecodeStatic(name, ReadStaticLines(bytes), out);
    return std::nullopt;
  }
  // Bare hex, line by line: a line in code page 936 is read as such, so that none of its
  // Chinese bytes pass for hex digits; bytes that are no text at all are refused.
  std::string hex;
  std::size_t at_line = 0;
  std::optional<std::string> no_text;
  LineSplitter again;
  again.Feed(kept, [&](std::string_view line_text) {
    ++at_line;
    if (no_text) return;
    if (IsUtf8(line_text)) {
      hex.append(line_text);
    } else if (const std::optional<std::string> utf8 = Cp936ToUtf8(std::span(
                   reinterpret_cast<const std::uint8_t*>(line_text.data()), line_text.size()))) {
      hex.append(*utf8);
    } else {
      no_text = "decode: " + name + ":" + std::to_string(at_line) +
                " holds bytes that are no text (neither UTF-8 nor GBK): not a communication "
                "log, a static command text or hex";
    }
    hex += '\n';
  });
  if (no_text) return no_text;
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
        "decode --layout -o - writes the layout to standard output: --json has no "
        "room there");
  const std::string name = input == "-" ? "stdin" : input;
  std::FILE* in = input == "-" ? stdin : std::fopen(input.c_str(), "rb");
  if (!in) return refuse("decode: " + input + " cannot be read");
  // On standard output the layout has no folder: its bitmaps go into the current one, named
  // after the log.
  const bool to_stdout = output == "-";
  const std::string bitmap_base =
      to_stdout ? std::filesystem::path(name).stem().string() + ".toml" : output;
  LayoutFromLog layout(name, bitmap_base);
  LogBlockReader blocks([&layout](LogBlock&& block) { layout.Block(block); });
  LineSplitter lines;
  std::size_t number = 0;
  bool log = false;
  const auto line = [&](std::string_view text) {
    LogEntry entry = ReadLogEntry(text, ++number);
    log = log || IsLogEntry(entry);
    blocks.Add(std::move(entry));
  };
  char buffer[1 << 16];
  bool failed = false;
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    lines.Feed(std::string_view(buffer, n), line);
    if (n < sizeof buffer) {
      failed = std::ferror(in) != 0;
      break;
    }
  }
  lines.Finish(line);
  blocks.Finish();
  if (in != stdin) std::fclose(in);
  if (failed) return refuse("decode: " + input + " cannot be read");
  if (!log) return refuse("decode --layout: " + input + " is no communication log");
  const LayoutFile file = layout.Finish();
  for (const std::string& note : file.notes)
    std::fprintf(stderr, "%s\n", PrintableText(note).c_str());
  if (file.toml.empty())
    return refuse("decode: " + name +
                  " holds no overlay command the device acknowledged; nothing written");
  const std::string folder = to_stdout ? "" : output.substr(0, output.rfind('/') + 1);
  std::vector<std::string> written;
  for (const auto& [bitmap, bytes] : file.bitmaps) {
    if (!WriteWholeFile(folder + bitmap, bytes))
      return refuse("decode: cannot write " + folder + bitmap, kResultFileFailed);
    written.push_back(folder + bitmap);
  }
  if (!WriteOutputFile(output, Bytes(file.toml.begin(), file.toml.end())))
    return refuse("decode: cannot write " + output, kResultFileFailed);
  if (json) {
    const nlohmann::json result = {{"kind", "layout"},
                                   {"source", name},
                                   {"layout", output},
                                   {"bitmaps", written},
                                   {"notes", file.notes}};
    std::printf("%s\n",
                result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    return kExitOk;
  }
  // Standard output may be the layout itself.
  std::FILE* said = to_stdout ? stderr : stdout;
  for (const std::string& bitmap : written) std::fprintf(said, "wrote %s\n", bitmap.c_str());
  std::fprintf(said, "%s -> %s\n", name.c_str(), to_stdout ? "standard output" : output.c_str());
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
std::variant<Choice, std::string> ChoiceOf(const CommandValues& values, bool json) {
  Choice choice;
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
  const std::variant<Choice, std::string> chosen = ChoiceOf(values, json);
  if (const std::string* refused = std::get_if<std::string>(&chosen))
    return PrintRefusal("decode", *refused, json);
  const Choice& choice = std::get<Choice>(chosen);
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
  Output out(choice);
  for (const std::string& file : files) {
    if (const std::optional<std::string> unread = DecodeFile(file, out)) {
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
