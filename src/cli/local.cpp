// Commands without a device: listing the ports and the two file conversions.

#include <cstdio>

#include "base/file_save.h"
#include "cli/commands.h"
#include "cli/device_steps.h"
#include "cli/layout_commands.h"
#include "cli/ports.h"
#include "crosshair/cross_file.h"
#include "graphics/bitmap_decode.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "text/static_download.h"
#include "text/static_file.h"

namespace zotpx::cli {

namespace {

// The window's "User.cfg" image from a static command text, written where the user says.
void MakeStaticImage(const CommandDef& command, const CommandValues& values, Outcome& outcome) {
  const std::string& title = command.title;
  const StaticImage built = ReadStaticImage(values.file);
  if (built.failure) return Refuse(outcome, title + *built.failure, kResultFileFailed);
  if (!WriteOutputFile(values.output, built.image))
    return Refuse(outcome, title + kStaticSaveFailedText, kResultFileFailed);
  outcome.status = kStaticGeneratedLogLine;
  outcome.bytes = built.image.size();
  outcome.details.push_back(std::to_string(built.records) + " records -> " + values.output);
}

// The crosshair file from shape bitmaps given all at once, checked as the add button checks
// each, then built as the generate button builds it.
void MakeCrossFile(const CommandDef& command, const CommandValues& values, Outcome& outcome) {
  const std::string& title = command.title;
  const std::size_t comma = values.origin.find(',');
  const std::string x = values.origin.substr(0, comma);
  const std::string y =
      comma == std::string::npos ? std::string() : values.origin.substr(comma + 1);
  const CrossFileBuild built = BuildCrossFile(values.files, x, y, CrossShapeList::Given);
  if (built.undecodable)
    return Refuse(outcome, std::string(kBitmapCannotDecodeText) + values.files[*built.failed_shape],
                  kResultFileFailed);
  if (built.failure) return Refuse(outcome, title + *built.failure, kResultFileFailed);
  if (!WriteOutputFile(values.output, built.image))
    return Refuse(outcome, title + kCrossSaveFailedText, kResultFileFailed);
  outcome.status = title + "成功";
  outcome.bytes = built.image.size();
  outcome.details.push_back(std::to_string(values.files.size()) + " shapes -> " + values.output);
}

// What --json gives of a port: the facts a script picks by name, empty ones left out.
nlohmann::json PortJson(const std::string& name, const char* kind, bool may_open,
                        const std::string& why_not,
                        std::initializer_list<std::pair<const char*, std::string>> facts) {
  nlohmann::json port = {{"name", name}, {"kind", kind}, {"may_open", may_open}};
  for (const auto& [key, value] : facts)
    if (!value.empty()) port[key] = value;
  port["why_not"] = may_open ? nlohmann::json(nullptr) : nlohmann::json(why_not);
  return port;
}

// Every serial port with what identifies it and whether this user may open it, then the COMn
// links the user has made (a simulator's, for one) with where they lead.
void ListPorts(Outcome& outcome) {
  const std::vector<SerialPortInfo> ports = ListSerialPorts();
  const std::vector<PortLinkInfo> links = ListPortLinks();
  outcome.status =
      std::to_string(ports.size()) + (ports.size() == 1 ? " serial port" : " serial ports");
  if (!links.empty())
    outcome.status += ", " + std::to_string(links.size()) +
                      (links.size() == 1 ? " COMn link in " : " COMn links in ") + PortFolder();
  nlohmann::json listed = nlohmann::json::array();
  for (const SerialPortInfo& port : ports) {
    std::string line = port.device;
    const auto add = [&line](const std::string& label, const std::string& value) {
      if (!value.empty()) line += "  " + label + value;
    };
    add("", port.by_id);
    add("driver ", port.driver);
    if (!port.vendor_id.empty()) add("usb ", port.vendor_id + ":" + port.product_id);
    add("", port.manufacturer);
    add("", port.product);
    add("serial ", port.serial);
    line += port.may_open ? "  may open" : "  may not open: " + port.why_not;
    outcome.details.push_back(line);
    listed.push_back(PortJson(port.device, "serial", port.may_open, port.why_not,
                              {{"by_id", port.by_id},
                               {"driver", port.driver},
                               {"vendor_id", port.vendor_id},
                               {"product_id", port.product_id},
                               {"manufacturer", port.manufacturer},
                               {"product", port.product},
                               {"serial", port.serial}}));
  }
  for (const PortLinkInfo& link : links) {
    const std::string target = link.target.empty() ? "(not a link)" : link.target;
    outcome.details.push_back(link.name + " -> " + target +
                              (link.may_open ? "  may open" : "  may not open: " + link.why_not));
    listed.push_back(
        PortJson(link.name, "link", link.may_open, link.why_not, {{"target", link.target}}));
    listed.back()["exists"] = link.exists;
  }
  outcome.fields["ports"] = std::move(listed);
}

}  // namespace

bool WriteOutputFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path != kStandardOutput) return WriteWholeFile(path, bytes);
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

bool WritesToStandardOutput(const CommandValues& values) {
  return values.output == kStandardOutput || values.image == kStandardOutput;
}

Outcome RunLocal(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  if (values.output == kStandardOutput && values.image == kStandardOutput) {
    Refuse(outcome, command.path + ": -o - and --image - cannot both go to standard output");
    return outcome;
  }
  if (std::optional<Outcome> layout = RunLayoutLocal(command, values)) return *layout;
  switch (command.id) {
    case CommandId::Ports:
      ListPorts(outcome);
      break;
    case CommandId::Static:
      MakeStaticImage(command, values, outcome);
      break;
    case CommandId::CrossFile:
      MakeCrossFile(command, values, outcome);
      break;
    default:
      Refuse(outcome, command.path + ": not available in this build");
      break;
  }
  return outcome;
}

}  // namespace zotpx::cli
