#include "cli/decode_output.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/console.h"
#include "base/hex.h"
#include "base/printable.h"

namespace zotpx::cli {

namespace {

// Whatever is wrong with it, for --errors.
bool IsError(const Item& item) {
  if (item.kind == Item::Kind::Transfer)
    return (item.transfer->result != TransferSummary::Result::Done &&
            item.transfer->result != TransferSummary::Result::Unknown) ||
           !item.transfer->problems.empty();
  if (item.skipped) return true;
  if (item.no_reply || !item.late.empty()) return true;
  if (item.reply) return !item.reply->accepted;
  if (item.frame) return !item.frame->ok();
  return item.piece->kind == Piece::Kind::Cut || item.piece->kind == Piece::Kind::Other;
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

}  // namespace

bool IsReply(const Piece& piece, Direction direction) {
  return piece.kind == Piece::Kind::Frame &&
         (direction == Direction::Received ||
          (direction == Direction::Unknown && IsReplyFrame(piece.bytes)));
}

class DecodeOutput::Impl {
 public:
  explicit Impl(const DecodeChoice& choice) : choice_(choice) {}

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
      WriteText(stdout, line);
    } else {
      const std::string safe = PrintableText(line);
      WriteText(stdout, safe);
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
      if (item.label) out["record"] = !item.skipped;
    }
    if (item.reply)
      for (const std::string& late : item.late) out["problems"].push_back(late);
    if (item.time) out["time_us"] = *item.time;
    if (item.gap_us) out["gap_ms"] = static_cast<double>(*item.gap_us) / 1000.0;
    if (item.latency_us) out["latency_ms"] = static_cast<double>(*item.latency_us) / 1000.0;
    if (item.unanswered_us)
      out["unanswered_ms"] = static_cast<double>(*item.unanswered_us) / 1000.0;
    if (item.no_reply) out["reply"] = nullptr;
    out["source"] = *item.where.source;
    if (item.where.line)
      out["line"] = item.where.line;
    else
      out["piece"] = item.where.piece;
    if (!item.where.port.empty()) out["port"] = item.where.port;
    const std::string text = out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    WriteText(stdout, text);
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
    PrintText(stdout, "%-17s %7s %7s %10s %10s %12s %12s\n", "command", "frames", "failed", "sent",
                "received", "median", "worst");
    const auto print = [](const char* name, const Tally& t) {
      const auto latency = [&t](bool worst) {
        if (t.latencies.empty()) return std::string("-");
        return DurationText(worst ? t.latencies.back() : t.latencies[(t.latencies.size() - 1) / 2]);
      };
      PrintText(stdout, "%-17s %7zu %7zu %10zu %10zu %12s %12s\n", name, t.frames, t.failed, t.sent,
                  t.received, latency(false).c_str(), latency(true).c_str());
    };
    for (const auto& [row, tally] : rows)
      print(row ? std::string(row->name).c_str() : "(no command)", tally);
    print("all", all);
    if (stats_.transfers)
      PrintText(stdout, "memory transfers: %zu, %zu failed, %zu bytes written\n", stats_.transfers,
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
    PrintText(stdout, "%s\n", out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  }

  const DecodeChoice& choice_;
  std::string title_;  // waiting for the block's first item
  Stats stats_;
  bool request_failed_ = false;  // the last request, as counted
  std::size_t errors_ = 0;
};

DecodeOutput::DecodeOutput(const DecodeChoice& choice) : impl_(std::make_unique<Impl>(choice)) {}
DecodeOutput::~DecodeOutput() = default;

void DecodeOutput::Title(const Where& where, const std::string& title) {
  impl_->Title(where, title);
}

void DecodeOutput::EndBlock() {
  impl_->EndBlock();
}

void DecodeOutput::Say(Item& item) {
  impl_->Say(item);
}

void DecodeOutput::Finish() {
  impl_->Finish();
}

std::size_t DecodeOutput::errors() const {
  return impl_->errors();
}

}  // namespace zotpx::cli
