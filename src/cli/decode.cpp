#include "cli/decode.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/console.h"
#include "base/file_save.h"
#include "base/hex.h"
#include "base/paths.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "command/log_reader.h"
#include "layout/layout_writer.h"
#include "serial/memory_transfer.h"
#include "text/static_file.h"

namespace zotpx::cli {

namespace {

// Far beyond any log or static text; small enough to refuse a wrong file quickly.
constexpr std::size_t kInputLimit = 64u << 20;

struct Source {
  std::string name;  // as the output names it
  std::string text;  // a file's or standard input's content
  Bytes hex;         // hex bytes from the command line
  bool from_arguments = false;
};

std::optional<std::string> ReadAll(std::FILE* in) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    text.append(buffer, n);
    if (text.size() > kInputLimit) return std::nullopt;
    if (n < sizeof buffer) return std::ferror(in) ? std::nullopt : std::optional(text);
  }
}

bool IsFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path name = SystemPath(path);
  return std::filesystem::exists(name, error) && !std::filesystem::is_directory(name, error);
}

// A file named on the command line, whole.
std::optional<std::string> ReadFileText(const std::string& path) {
  std::optional<FileData> file = FileData::Open(path);
  if (!file || file->size() > kInputLimit) return std::nullopt;
  const std::optional<Bytes> bytes = file->ReadAll();
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

// Files and standard input as they are; every other argument is hex, all of them one stream.
std::optional<std::vector<Source>> ReadInputs(const std::vector<std::string>& inputs,
                                              std::string& refusal) {
  std::vector<Source> sources;
  Source arguments{"arguments", {}, {}, true};
  const std::vector<std::string> given = inputs.empty() ? std::vector<std::string>{"-"} : inputs;
  for (const std::string& input : given) {
    if (input == "-" || IsFile(input)) {
      std::optional<std::string> text = input == "-" ? ReadAll(stdin) : ReadFileText(input);
      if (!text) {
        refusal = "decode: " + input + " cannot be read (or is larger than 64 MiB)";
        return std::nullopt;
      }
      sources.push_back({input == "-" ? "stdin" : input, std::move(*text), {}, false});
      continue;
    }
    const Bytes bytes = HexPairs(input);
    if (bytes.empty() ||
        input.find_first_not_of("0123456789abcdefABCDEFxX ,:") != std::string::npos) {
      refusal = "decode: '" + input + "' is neither a file nor bytes in hex";
      return std::nullopt;
    }
    arguments.hex.insert(arguments.hex.end(), bytes.begin(), bytes.end());
  }
  if (!arguments.hex.empty()) sources.push_back(std::move(arguments));
  return sources;
}

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
          {"checksum", reply.checksum_ok ? "ok" : "bad"}};
}

bool IsReply(const Piece& piece, Direction direction) {
  return piece.kind == Piece::Kind::Frame &&
         (direction == Direction::Received ||
          (direction == Direction::Unknown && IsReplyFrame(piece.bytes)));
}

// A reply as the request it answers (when known) judges it.
ReplyMeaning ReplyTo(const Piece& piece, const CommandRow* request) {
  ReplyMeaning reply =
      ReadReply(piece.bytes, request ? std::optional(request->command) : std::nullopt);
  reply.row = request;
  return reply;
}

nlohmann::json PieceJson(const Piece& piece, Direction direction, const CommandRow* request) {
  if (IsReply(piece, direction)) return ReplyJson(ReplyTo(piece, request));
  switch (piece.kind) {
    case Piece::Kind::Frame:
      return FrameJson(DecodeFrame(piece.bytes));
    case Piece::Kind::Identification: {
      const IdentificationText id = *ReadIdentification(piece.bytes);
      return {{"kind", "identification"}, {"model", id.model}, {"version", id.version}};
    }
    case Piece::Kind::Probe:
      return {{"kind", "probe"}};
    case Piece::Kind::ProbeAnswer:
      return {{"kind", "probe-answer"}};
    case Piece::Kind::Cut:
      return {{"kind", "cut"}};
    case Piece::Kind::Other:
      break;
  }
  return {{"kind", "bytes"}};
}

nlohmann::json TransferJson(const TransferSummary& s) {
  static const char* kResults[] = {"unknown", "done", "erase-failed", "write-failed"};
  nlohmann::json out = {{"kind", "transfer"},
                        {"title", s.title},
                        {"erased", s.erased},
                        {"bytes", s.bytes},
                        {"result", kResults[static_cast<int>(s.result)]}};
  if (s.first) {
    out["first"] = *s.first;
    out["end"] = s.end;
  }
  return out;
}

// Where a piece was found, and how it is printed.
struct Where {
  std::string source;
  std::string at;  // "12" (a line) or "#3" (a piece of the hex)
  std::string port;
};

class Printer {
 public:
  explicit Printer(bool json) : json_(json) {}

  void Piece(const Where& where, Direction direction, const zotpx::Piece& piece,
             const CommandRow* request = nullptr, const std::string& tail = {},
             const char* label = nullptr) {
    if (json_) {
      nlohmann::json out = PieceJson(piece, direction, request);
      out["direction"] = direction == Direction::Sent       ? nlohmann::json("sent")
                         : direction == Direction::Received ? nlohmann::json("received")
                                                            : nlohmann::json(nullptr);
      out["hex"] = HexText(piece.bytes.data(), piece.bytes.size());
      if (!tail.empty()) out["note"] = tail;
      return Json(where, out);
    }
    const std::string line = IsReply(piece, direction) ? DescribeReply(ReplyTo(piece, request))
                                                       : DescribePiece(piece, direction);
    const char* arrow = label                              ? label
                        : direction == Direction::Sent     ? "sent "
                        : direction == Direction::Received ? "received "
                                                           : "";
    Text(where, arrow + line + tail);
  }

  void Transfer(const Where& where, const TransferSummary& summary) {
    if (json_) return Json(where, TransferJson(summary));
    Text(where, DescribeTransfer(summary));
  }

  void Title(const Where& where, const std::string& title) {
    if (!json_) Text(where, "【" + title + "】");
  }

 private:
  void Json(const Where& where, nlohmann::json out) {
    out["source"] = where.source;
    out[where.at.front() == '#' ? "piece" : "line"] =
        std::stoi(where.at.substr(where.at.front() == '#'));
    if (!where.port.empty()) out["port"] = where.port;
    PrintText(stdout, "%s\n",
              out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  }
  void Text(const Where& where, const std::string& line) {
    const std::string port = where.port.empty() ? "" : "[" + where.port + "] ";
    PrintText(stdout, "%s%s%s %s%s\n", where.source.c_str(), where.at.front() == '#' ? " " : ":",
              where.at.c_str(), port.c_str(), line.c_str());
  }

  bool json_;
};

void DecodeLog(const Source& source, Printer& out) {
  for (const LogBlock& block : ReadLogBlocks(source.text)) {
    if (!block.title.empty())
      out.Title({source.name, std::to_string(block.line), block.port}, block.title);
    for (const LoggedRequest& request : RequestsOf(block)) {
      const Where sent{source.name, std::to_string(request.sent->line), block.port};
      const DecodedFrame decoded = DecodeFrame(request.sent->bytes);
      const std::string tail = request.received ? "" : "; no accepted reply logged";
      for (const zotpx::Piece& piece : SplitPieces(request.sent->bytes))
        out.Piece(sent, Direction::Sent, piece, nullptr, tail);
      if (request.received)
        for (const zotpx::Piece& piece : SplitPieces(request.received->bytes))
          out.Piece({source.name, std::to_string(request.received->line), block.port},
                    Direction::Received, piece, decoded.row);
    }
    if (const std::optional<TransferSummary> transfer = TransferOf(block))
      out.Transfer({source.name, std::to_string(block.line), block.port}, *transfer);
  }
}

void DecodeStream(const std::string& name, std::span<const std::uint8_t> bytes, Printer& out) {
  TransferTracker transfer;
  std::size_t n = 0;
  for (const zotpx::Piece& piece : SplitPieces(bytes)) {
    out.Piece({name, "#" + std::to_string(++n), {}}, Direction::Unknown, piece);
    if (piece.kind != Piece::Kind::Frame) continue;
    if (IsReplyFrame(piece.bytes))
      transfer.Received(piece.bytes);
    else
      transfer.Sent(DecodeFrame(piece.bytes));
  }
  if (transfer.active()) out.Transfer({name, "#" + std::to_string(n), {}}, transfer.summary());
}

// A static command text: a line is a record when it holds a frame and one trailing byte.
void DecodeStatic(const Source& source, const std::vector<StaticLine>& lines, Printer& out) {
  for (const StaticLine& line : lines) {
    if (line.bytes.empty()) continue;
    const Where where{source.name, std::to_string(line.number), {}};
    if (!IsStaticRecord(line.bytes)) {
      const std::vector<zotpx::Piece> pieces = SplitPieces(line.bytes);
      const bool frame = pieces.size() == 1 && pieces[0].kind == Piece::Kind::Frame;
      out.Piece(where, Direction::Sent,
                frame ? pieces[0] : zotpx::Piece{Piece::Kind::Other, line.bytes}, nullptr,
                frame ? "; a frame without its trailing byte: the download skips this line"
                      : "; not a frame and one trailing byte: the download skips this line",
                "skipped ");
      continue;
    }
    const Bytes frame(line.bytes.begin(), line.bytes.end() - 1);
    char trailing[48];
    std::snprintf(trailing, sizeof trailing, "; trailing byte %02X", line.bytes.back());
    out.Piece(where, Direction::Sent, {Piece::Kind::Frame, frame}, nullptr, trailing, "record ");
  }
}

void Decode(const Source& source, Printer& out) {
  if (source.from_arguments) return DecodeStream(source.name, source.hex, out);
  if (IsCommunicationLog(source.text)) return DecodeLog(source, out);
  const std::span<const std::uint8_t> text(
      reinterpret_cast<const std::uint8_t*>(source.text.data()), source.text.size());
  const std::vector<StaticLine> lines = ReadStaticLines(text);
  for (const StaticLine& line : lines)
    if (IsStaticRecord(line.bytes)) return DecodeStatic(source, lines, out);
  DecodeStream(source.name, HexPairs(source.text), out);
}

// --- the layout ---

// The start-up commands the device acknowledged, in the order of the log, for one port.
LayoutFile MakeLayout(const Source& source, const std::string& output) {
  LayoutWriter writer(source.name, output);
  const std::vector<LogBlock> blocks = ReadLogBlocks(source.text);
  // A station log holds the same commands for every port: the first port's stand for all.
  const auto first = std::find_if(blocks.begin(), blocks.end(),
                                  [](const LogBlock& b) { return !b.title.empty(); });
  const std::string port = first == blocks.end() ? std::string() : first->port;
  for (const LogBlock& block : blocks) {
    if (block.port != port) continue;
    for (const LoggedRequest& request : RequestsOf(block)) {
      const Bytes& sent = request.sent->bytes;
      const DecodedFrame frame = DecodeFrame(sent);
      const bool acknowledged = request.received && frame.row &&
                                ReadReply(request.received->bytes, frame.row->command).accepted;
      writer.Add(sent, acknowledged, source.name + ":" + std::to_string(request.sent->line));
    }
    writer.BreakRun();  // a bitmap's run of frames never spans two blocks
  }
  const bool several = std::any_of(blocks.begin(), blocks.end(), [&port](const LogBlock& b) {
    return !b.title.empty() && b.port != port;
  });
  if (several)
    writer.Note(source.name + ": the log has several ports; the layout holds " + port +
                "'s commands");
  return writer.Finish();
}

int WriteLayout(const std::vector<Source>& sources, const std::string& output, bool json) {
  const auto refuse = [json](const std::string& status, const char* result = kResultRefused) {
    return PrintRefusal("decode", status, json, result);
  };
  if (sources.size() != 1 || sources.front().from_arguments ||
      !IsCommunicationLog(sources.front().text) || output.empty())
    return refuse("decode --layout takes one communication log and -o LAYOUT.toml");
  const LayoutFile layout = MakeLayout(sources.front(), output);
  for (const std::string& note : layout.notes) PrintText(stderr, "%s\n", note.c_str());
  if (layout.toml.empty())
    return refuse("decode: " + sources.front().name +
                  " holds no overlay command the device acknowledged; nothing written");
  const std::string folder = FolderOfPath(output);
  for (const auto& [name, bytes] : layout.bitmaps)
    if (!WriteWholeFile(folder + name, bytes))
      return refuse("decode: cannot write " + folder + name, kResultFileFailed);
  if (!WriteWholeFile(output, Bytes(layout.toml.begin(), layout.toml.end())))
    return refuse("decode: cannot write " + output, kResultFileFailed);
  PrintText(stdout, "%s -> %s\n", sources.front().name.c_str(), output.c_str());
  return kExitOk;
}

}  // namespace

int RunDecode(const CommandValues& values, bool json) {
  std::string refusal;
  const std::optional<std::vector<Source>> sources = ReadInputs(values.inputs, refusal);
  if (!sources) return PrintRefusal("decode", refusal, json);
  if (values.to_layout) return WriteLayout(*sources, values.output, json);
  Printer printer(json);
  for (const Source& source : *sources) Decode(source, printer);
  return kExitOk;
}

}  // namespace zotpx::cli
