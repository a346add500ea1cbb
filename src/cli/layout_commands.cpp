#include "cli/layout_commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/device_steps.h"
#include "command/codec.h"
#include "crosshair/cross_download.h"
#include "layout/layout_reader.h"
#include "screen/png_writer.h"
#include "screen/screen.h"
#include "serial/memory_transfer.h"
#include "text/static_download.h"

namespace zotpx::cli {

namespace {

bool TakesLayout(const CommandDef& command, const CommandValues& values) {
  switch (command.id) {
    case CommandId::Apply:
    case CommandId::Render:
      return true;
    case CommandId::Static:
    case CommandId::DownloadStatic:
      return IsLayoutPath(values.file);
    default:
      return false;
  }
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "\n") + line;
  return joined;
}

Bytes TextBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

Outcome StaticFromLayout(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  const LayoutStatic start_up = layout.ok() ? StaticFramesOf(layout) : LayoutStatic{};
  if (!layout.ok() || !start_up.errors.empty()) {
    Refuse(outcome, JoinLines(layout.ok() ? start_up.errors : layout.errors));
    return outcome;
  }
  const Bytes text = TextBytes(FormatStaticText(start_up.frames));
  std::vector<FileToSave> outputs = {{values.output, text}};
  // The window's own reader makes the image from the text: the two cannot differ.
  const StaticImage built = values.image.empty() ? StaticImage{} : BuildStaticImage(text);
  if (built.failure) {
    Refuse(outcome, command.title + *built.failure + ": " + values.image, kResultFileFailed);
    return outcome;
  }
  if (!values.image.empty()) outputs.push_back({values.image, built.image});
  std::vector<std::string> inputs = layout.files;
  inputs.push_back(values.file);
  // Both files or neither.
  if (const std::optional<std::string> failed =
          WriteOutputs(outputs, inputs, command.title + kStaticSaveFailedText)) {
    Refuse(outcome, *failed, kResultFileFailed);
    return outcome;
  }
  outcome.details.push_back(std::to_string(start_up.frames.size()) + " records -> " +
                            values.output);
  outcome.bytes = text.size();
  if (!values.image.empty())
    outcome.details.push_back(std::to_string(built.records) + " records -> " + values.image);
  outcome.status = kStaticGeneratedLogLine;
  return outcome;
}

Outcome Render(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(outcome, JoinLines(layout.errors));
    return outcome;
  }
  screen::Picture video = screen::TestCard();
  if (!values.video.empty()) {
    screen::VideoPicture picture = screen::ReadVideoPicture(values.video);
    if (!picture.picture) {
      Refuse(outcome, "render: --video " + values.video + ": " + picture.problem,
             kResultFileFailed);
      return outcome;
    }
    video = std::move(*picture.picture);
  }
  // The device's memory as far as render knows it: erased, with the crosshair file where the
  // crosshair download puts it, so the crosshair's shapes are drawn as the device would.
  Bytes memory(kDeviceMemorySize, 0xFF);
  if (!values.cross_file.empty()) {
    const CrossDownloadFile cross = ReadCrossDownloadFile(values.cross_file);
    if (cross.failure) {
      Refuse(outcome, "render: --cross " + values.cross_file + ": " + *cross.failure,
             kResultFileFailed);
      return outcome;
    }
    const std::span<const std::uint8_t> part = CrossDownloadPart(cross.bytes);
    std::copy(part.begin(), part.end(), memory.begin() + kCrossBase);
  }
  // The date and time fields show the given moment (or now) until the layout sets the clock.
  const CommandRow& clock_row = *FindRow("clock");
  Values clock(clock_row);
  if (const std::optional<std::string> fault =
          SetFieldWord(*clock_row.Field("at"), clock["at"], values.at)) {
    Refuse(outcome, "render: --at '" + values.at + "': " + *fault);
    return outcome;
  }
  screen::ScreenModel model(0);
  model.AttachMemory(memory);
  for (const Bytes& frame : BuildFrames(clock)) model.Apply(frame, 0);
  for (const LayoutObject& object : layout.objects)
    for (const Bytes& frame : BuildFrames(object.values))
      if (!model.Apply(frame, 0))
        outcome.details.push_back(layout.Where(object.line) + ": the device would refuse " +
                                  std::string(object.values.row().name) + "'s frame " +
                                  FormatLogLine("", frame.size(), frame.data()));
  screen::Picture picture;
  model.Render(0, video, picture);
  for (const std::string& message : screen::TakeFontMessages()) outcome.details.push_back(message);
  const std::optional<std::vector<std::uint8_t>> png = screen::EncodePng(picture);
  std::vector<std::string> inputs = layout.files;
  inputs.insert(inputs.end(), {values.file, values.video, values.cross_file});
  const std::optional<std::string> failed =
      png ? WriteOutputs({{values.output, *png}}, inputs, std::string("render: ") + kCannotSaveText)
          : "render: the picture could not be encoded";
  if (failed) {
    Refuse(outcome, *failed, kResultFileFailed);
    return outcome;
  }
  outcome.status = layout.name + " -> " + values.output;
  return outcome;
}

}  // namespace

std::optional<Outcome> CheckLayoutArgument(const CommandDef& command, const CommandValues& values,
                                           bool quiet) {
  Outcome refused;
  refused.command = command.path;
  refused.result = kResultRefused;
  if (command.id == CommandId::Static && !IsLayoutPath(values.file) && !values.image.empty()) {
    refused.status =
        "static: --image goes with a layout (.toml); from a static command text, -o writes the "
        "image";
    return refused;
  }
  const bool start_up = command.id == CommandId::Static || command.id == CommandId::DownloadStatic;
  // An empty start-up list would replace the device's own without a word: only on purpose.
  const auto refuse_empty = [&] {
    refused.status = values.file +
                     ": no start-up command in it; the start-up list made of it would be empty "
                     "(give --allow-empty to make it all the same): nothing was sent or written";
    return refused;
  };
  if (!TakesLayout(command, values)) {
    // A text the reader cannot take is refused by the command itself, with the window's words.
    if (start_up && !values.allow_empty) {
      const StaticImage built = ReadStaticImage(values.file);
      if (!built.failure && built.records == 0) return refuse_empty();
    }
    return std::nullopt;
  }
  const Layout layout = LoadLayout(values.file);
  std::vector<std::string> errors = layout.errors;
  std::vector<std::string> notes;
  bool empty = false;
  if (layout.ok() && start_up) {
    LayoutStatic from_layout = StaticFramesOf(layout);
    errors = std::move(from_layout.errors);
    notes = std::move(from_layout.notes);
    empty = from_layout.frames.empty();
  }
  if (!errors.empty()) {
    refused.details = std::move(errors);
    refused.status = layout.name + ": nothing was sent or written";
    return refused;
  }
  if (!quiet)
    for (const std::string& note : notes) std::fprintf(stderr, "%s\n", note.c_str());
  if (empty && !values.allow_empty) return refuse_empty();
  return std::nullopt;
}

Outcome RunApply(const CommandDef& command, const CommandValues& values, const Session& session,
                 Reporter& sink) {
  Outcome total;
  total.port = session.port;
  total.command = command.path;
  const auto started = std::chrono::steady_clock::now();
  const auto finish = [&total, started] {
    total.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return total;
  };
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(total, JoinLines(layout.errors));
    return total;
  }
  // How far it got, whatever stops it: scripts and the station's table read it.
  std::size_t sent = 0;
  const std::size_t all = layout.objects.size();
  total.fields["objects"] = all;
  total.fields["objects_sent"] = sent;
  // With "auto" the connect scan finds the rate and the model; the objects use both.
  Session reached = session;
  if (!session.baud && !layout.objects.empty()) {
    StatusCapture reporter(sink);
    const std::optional<Reached> found = ReachDevice(session, reporter, total);
    if (!found) return finish();
    reached.baud = found->link.baud;
    reached.model = found->model;
  }
  // A layout goes whole or not at all: an object the model does not have stops it first.
  for (const LayoutObject& object : layout.objects)
    if (const std::optional<std::string> refusal =
            RefuseForModel(object.values.row(), reached.model)) {
      Refuse(total, layout.Where(object.line) + ": " + *refusal);
      return finish();
    }
  for (const LayoutObject& object : layout.objects) {
    const CommandDef& one_command = CommandFor(object.values.row());
    CommandValues one_values;
    one_values.fields = object.values;
    const Outcome one = RunOnPort(one_command, one_values, reached, sink);
    if (one.baud) total.baud = one.baud;
    total.details.push_back(layout.Where(object.line) + " " + one_command.path + ": " + one.status);
    if (one.result != kResultOk) {
      total.result = one.result;
      total.status = layout.name + ": " + std::to_string(sent) + " of " + std::to_string(all) +
                     " objects sent; " + one.status;
      return finish();
    }
    total.fields["objects_sent"] = ++sent;
  }
  total.status = layout.name + ": " + std::to_string(sent) + " objects sent";
  return finish();
}

std::optional<Outcome> RunLayoutLocal(const CommandDef& command, const CommandValues& values) {
  if (command.id == CommandId::Render) return Render(command, values);
  if (command.id == CommandId::Static && IsLayoutPath(values.file))
    return StaticFromLayout(command, values);
  return std::nullopt;
}

}  // namespace zotpx::cli
