// The decoder on anything: the input as bytes of the line (split into pieces, each frame decoded
// and put together as commands) and as a communication log or static text. Whatever decodes
// without a problem must build back to the very frame it came from, and every description must
// be made without a fault. Text made printable is printable; a log fed in two pieces reads as
// it does whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/printable.h"
#include "base/text_lines.h"
#include "command/log_reader.h"
#include "text/static_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A frame that fits its command comes back byte for byte, its checksum made again.
void RoundTrip(std::span<const std::uint8_t> frame, zotpx::CommandAssembler& assembler) {
  const zotpx::DecodedFrame decoded = zotpx::DecodeFrame(frame);
  (void)zotpx::DescribeFrame(decoded);
  if (decoded.values && decoded.problems.empty()) {
    zotpx::Bytes rebuilt = zotpx::BuildFrame(*decoded.values, decoded.block);
    if (!decoded.checksum_ok) rebuilt.back() = frame.back();
    Check(std::equal(rebuilt.begin(), rebuilt.end(), frame.begin(), frame.end()));
  }
  if (const std::optional<zotpx::Values> command = assembler.Add(decoded))
    (void)zotpx::DescribeValues(*command);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly the input's bytes: ASan reports any read past them.
  auto bytes = std::make_unique<std::uint8_t[]>(size ? size : 1);
  if (size) std::memcpy(bytes.get(), data, size);
  const std::span<const std::uint8_t> input(bytes.get(), size);

  zotpx::CommandAssembler assembler;
  zotpx::TransferTracker transfer;
  for (const zotpx::Piece& piece : zotpx::SplitPieces(input)) {
    (void)zotpx::DescribePiece(piece, zotpx::Direction::Unknown);
    if (piece.kind != zotpx::Piece::Kind::Frame) continue;
    RoundTrip(piece.bytes, assembler);
    transfer.Sent(zotpx::DecodeFrame(piece.bytes));
    transfer.Received(piece.bytes);
  }
  (void)zotpx::DescribeTransfer(transfer.summary());

  const std::string_view text(reinterpret_cast<const char*>(bytes.get()), size);
  Check(zotpx::IsPrintableText(zotpx::PrintableText(text)));
  std::size_t lines = 0;
  zotpx::LineSplitter splitter;
  const auto count = [&lines](std::string_view) { ++lines; };
  splitter.Feed(text.substr(0, size / 2), count);
  splitter.Feed(text.substr(size / 2), count);
  splitter.Finish(count);
  Check(lines == zotpx::ReadLogEntries(text).size());
  for (const zotpx::LogBlock& block : zotpx::ReadLogBlocks(text)) {
    zotpx::CommandAssembler block_assembler;
    for (const zotpx::LoggedRequest& request : zotpx::RequestsOf(block)) {
      for (const zotpx::Piece& piece : zotpx::SplitPieces(request.sent->bytes))
        if (piece.kind == zotpx::Piece::Kind::Frame) RoundTrip(piece.bytes, block_assembler);
      if (request.received) (void)zotpx::DescribeReply(zotpx::ReadReply(request.received->bytes));
    }
    if (const auto summary = zotpx::TransferOf(block)) (void)zotpx::DescribeTransfer(*summary);
  }
  for (const zotpx::StaticLine& line : zotpx::ReadStaticLines(input)) {
    Check(line.bytes.size() <= zotpx::kStaticLineLimit);
    if (zotpx::IsStaticRecord(line.bytes))
      RoundTrip(std::span(line.bytes).first(line.bytes.size() - 1), assembler);
  }
  return 0;
}
