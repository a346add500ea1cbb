#include "cli/layout_commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/console.h"
#include "base/paths.h"
#include "cli/device_steps.h"
#include "command/codec.h"
#include "crosshair/cross_download.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "scene/scene.h"
#include "screen/png_writer.h"
#include "text/static_download.h"

namespace zotpx::cli {

namespace {

bool TakesLayout(const CommandDef& command, const CommandValues& values) {
  switch (command.id) {
    case CommandId::Apply:
    case CommandId::Render:
    case CommandId::Format:
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

// The options made into what the screen is shown beside the layout; the drawing is the
// core's (scene/scene.h), as the designer's canvas draws it.
Outcome Render(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(outcome, JoinLines(layout.errors));
    return outcome;
  }
  SceneSetup setup;
  if (!values.video.empty()) {
    screen::VideoPicture picture = screen::ReadVideoPicture(values.video);
    if (!picture.picture) {
      Refuse(outcome, "render: --video " + values.video + ": " + picture.problem,
             kResultFileFailed);
      return outcome;
    }
    setup.video = std::move(*picture.picture);
  }
  // The crosshair's shapes are drawn as the device would draw them from that file.
  if (!values.cross_file.empty()) {
    const CrossDownloadFile cross = ReadCrossDownloadFile(values.cross_file);
    if (cross.failure) {
      Refuse(outcome, "render: --cross " + values.cross_file + ": " + *cross.failure,
             kResultFileFailed);
      return outcome;
    }
    setup.memory = DeviceMemoryWith(cross.bytes);
  }
  const FieldDef& at = *FindRow("clock")->Field("at");
  FieldValue moment;
  if (const std::optional<std::string> fault = SetFieldWord(at, moment, values.at)) {
    Refuse(outcome, "render: --at '" + values.at + "': " + *fault);
    return outcome;
  }
  setup.at = moment.text;
  const Scene scene(layout, setup);
  outcome.details = scene.refusals();
  for (const std::string& message : screen::TakeFontMessages()) outcome.details.push_back(message);
  const std::optional<std::vector<std::uint8_t>> png = screen::EncodePng(scene.picture());
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

// The layout rewritten by the designer's writer. To standard output the bitmaps stay where the
// layout names them; to a file they go beside it, unless that would replace other files.
Outcome Format(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(outcome, JoinLines(layout.errors));
    return outcome;
  }
  const LayoutFile file = WriteLayout(layout);
  const std::string& out = values.output;
  outcome.bytes = file.toml.size();
  outcome.status = layout.name + " -> " + out;
  if (out == kStandardOutput) {
    const Bytes text(file.toml.begin(), file.toml.end());
    if (const std::optional<std::string> failed =
            WriteOutputs({{out, text}}, {}, std::string("format: ") + kCannotSaveText))
      Refuse(outcome, *failed, kResultFileFailed);
    return outcome;
  }
  if (IsSameFile(out, values.file)) {
    Refuse(outcome, "format: -o " + out + " is the layout itself; nothing was written");
    return outcome;
  }
  const std::vector<std::string> replaced = BitmapsReplaced(file, out);
  if (!replaced.empty()) {
    Refuse(outcome, "format: " + FolderOfPath(out) + replaced.front() +
                        " is another picture than the layout's " + replaced.front() +
                        "; nothing was written");
    return outcome;
  }
  if (const std::optional<std::string> failed = SaveLayoutFile(file, out))
    Refuse(outcome, "format: cannot write " + *failed, kResultFileFailed);
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
    for (const std::string& note : notes) PrintText(stderr, "%s\n", note.c_str());
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
  // Hidden objects stay in the file and are not sent: they count for nothing here.
  const auto all = static_cast<std::size_t>(
      std::count_if(layout.objects.begin(), layout.objects.end(), IsSent));
  total.fields["objects"] = all;
  total.fields["objects_sent"] = sent;
  // With "auto" the connect scan finds the rate and the model; the objects use both.
  Session reached = session;
  if (!session.baud && all > 0) {
    StatusCapture reporter(sink);
    const std::optional<Reached> found = ReachDevice(session, reporter, total);
    if (!found) return finish();
    reached.baud = found->link.baud;
    reached.model = found->model;
  }
  // A layout goes whole or not at all: an object the model does not have stops it first.
  for (const LayoutObject& object : layout.objects)
    if (const std::optional<std::string> refusal =
            IsSent(object) ? RefuseForModel(object.values.row(), reached.model) : std::nullopt) {
      Refuse(total, layout.Where(object.line) + ": " + *refusal);
      return finish();
    }
  for (const LayoutObject& object : layout.objects) {
    if (!IsSent(object)) continue;
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
  if (command.id == CommandId::Format) return Format(command, values);
  if (command.id == CommandId::Static && IsLayoutPath(values.file))
    return StaticFromLayout(command, values);
  return std::nullopt;
}

}  // namespace zotpx::cli
