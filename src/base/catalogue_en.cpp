// The English texts, one for each id of the Chinese catalogue (catalogue_zh.h), with the same
// placeholders. Terms follow the device's English documents where they have one: "overlay",
// "character area", "font library", "static commands", "crosshair".
#include <span>

#include "base/catalogue.h"

namespace zotpx {

namespace {

// clang-format off
constexpr CatalogueEntry kEntries[] = {
    // ---- base: vocabulary: lists, numbers, files, the command captions ----
    {"caption.BtnSearchCmd", "Connect device"},
    {"caption.BtnConfigCmd", "Parameter settings"},
    {"caption.BtnSetTimeCmd", "Set date and time"},
    {"caption.BtnDateCmd", "Date"},
    {"caption.BtnTimeCmd", "Time"},
    {"caption.BtnStringCmd", "Text string"},
    {"caption.BtnAreaCmd", "Character area"},
    {"caption.BtnStaticCmd", "Make and download static commands"},
    {"caption.BtnEepromCmd", "Download font library"},
    {"caption.BtnBitmapCmd", "Bitmap characters"},
    {"caption.BtnSuperBitmapCmd", "Large bitmap characters"},
    {"caption.BtnSingleBitmapCmd", "Monochrome bitmap"},
    {"caption.BtnLineCmd", "Line"},
    {"caption.BtnRectCmd", "Rectangle"},
    {"caption.BtnCircleCmd", "Circle"},
    {"caption.BtnCrossConfigCmd", "Crosshair settings"},
    {"caption.BtnCrossMoveCmd", "Move crosshair"},
    {"caption.BtnCrossDownFile", "Make crosshair file"},
    {"caption.BtnCrossDownCmd", "Download crosshair file"},
    // files and sockets
    {"files.save_failed", " failed: cannot save the file"},
    {"files.cannot_save", "Cannot save the file"},
    {"files.failure", "{1} ({2})"},
    {"files.no_space", "the disk is full"},
    {"files.read_only", "the file is read-only"},
    {"files.read_only_fs", "the file system is read-only"},
    {"files.no_permission", "no permission to write"},
    {"files.no_folder", "the folder does not exist"},
    {"files.not_regular", "not a regular file"},
    {"files.name_too_long", "the file name is too long"},
    {"files.link_loop", "a loop of symbolic links"},
    {"files.same_as_input", "it is the file being read"},
    {"files.same_as_output", "it is the same file as another output"},
    {"files.write_error", "a write error"},
    {"files.windows_error", "Windows error {1}"},
    {"net.resolve_timed_out", "resolving the host name timed out"},
    // ---- end of base ----

    // ---- serial: ports, frames, transfers ----
    {"serial.log_sent", "Sent: "},
    {"serial.log_received", "Received: "},
    {"serial.log_interrupted", "Stopped by the user"},
    {"serial.success", " succeeded: see the communication log for details"},
    {"serial.send_failed", " failed: the command could not be sent"},
    {"serial.receive_failed", " failed: no valid reply was received"},
    {"serial.interrupted", " failed: stopped by the user"},
    {"serial.failed_because", " failed: {1}"},
    {"serial.cause", " ({1})"},
    {"serial.open_failed", "Communication failed: check that the port exists and that no other program is using it"},
    {"serial.erasing_log", "Erasing memory..."},
    {"serial.writing_log", "Writing memory..."},
    {"serial.erase_failed_log", "Erasing memory failed"},
    {"serial.write_failed_log", "Writing memory failed"},
    {"serial.written_log", "Memory written"},
    {"serial.erase_failed", " failed: erasing memory failed"},
    {"serial.write_failed", " failed: writing memory failed"},
    {"serial.interrupted_written", "Stopped by the user after {1} bytes were written"},
    {"serial.data_log", "Data: {1} bytes at address {2}"},
    {"serial.host_not_resolved", "Cannot resolve the host name \"{1}\"{2}"},
    {"serial.peer_refused", "{1} refused the connection"},
    {"serial.peer_timed_out", "Connecting to {1} timed out{2}"},
    {"serial.peer_closed", "The connection to {1} was closed{2}"},
    {"serial.peer_not_rfc2217", "{1} is not an RFC 2217 serial port server{2}"},
    {"serial.peer_said", "{1}: {2}"},
    {"serial.network_error", "network error"},
    {"serial.rate_not_taken", "The port does not take baud rate {1} (it runs at {2})"},
    {"serial.not_found", "Device {1} does not exist"},
    {"serial.bad_url", "\"{1}\": {2}"},
    {"serial.bad_name", "\"{1}\" is not a port name: a port is COM1 to COM256 or a device path"},
    {"serial.no_access", "No permission to access {1}"},
    {"serial.busy", "{1} is in use by another program"},
    {"serial.busy_by", "{1} is in use by another program: {2}"},
    {"serial.not_serial", "{1} is not a serial device"},
    {"serial.unsafe", "{1}; refused to use it"},
    {"serial.cannot_set", "Cannot set up {1}: {2}"},
    {"serial.lost", "Device {1} was disconnected"},
    {"serial.holder", "{1}, process {2}"},
    {"serial.folder_unsafe", "The port folder {1} can be changed by other users"},
    {"serial.link_unsafe", "The link {1} belongs to another user"},
    {"serial.access_join", "No permission to access {1}: add the current user to group {4}, then log in again"},
    {"serial.access_log_in_again", "No permission to access {1}: the current user has joined group {4}; log in again and retry"},
    {"serial.access_root_group", "No permission to access {1}: the device ({2}, {3}) lets only group root read and write it; ask the administrator to give it a group of its own (users should not join root)"},
    {"serial.access_group_reads", "No permission to access {1}: the device ({2}, {3}) lets group {4} only read it, so joining the group would not help; ask the administrator to let the group read and write it"},
    {"serial.access_group_writes", "No permission to access {1}: the device ({2}, {3}) lets group {4} only write it, so joining the group would not help; ask the administrator to let the group read and write it"},
    {"serial.access_group_denied", "No permission to access {1}: the device ({2}, {3}) does not let its group {4} read and write it, and the current user is in that group; ask the administrator to let the group read and write it"},
    {"serial.access_no_group", "No permission to access {1}: the device ({2}, {3}) lets no group access it; ask the administrator to give it a group"},
    {"serial.access_owner_denied", "No permission to access {1}: the device ({2}, {3}) does not let its owner read and write it, and the current user is its owner: chmod u+rw {1} opens it"},
    {"serial.access_not_by_mode", "No permission to access {1}: the device ({2}, {3}) allows access by its mode, but an access control list or a security module refuses it"},
    {"serial.url_unknown_scheme", "Unsupported protocol \"{1}\": a network port is tcp://host:port or rfc2217://host:port"},
    {"serial.url_no_host", "Host name missing"},
    {"serial.url_not_ipv6", "\"[{1}]\" is not an IPv6 address"},
    {"serial.url_bad_host", "Host name \"{1}\" is not valid"},
    {"serial.url_no_bracket", "The IPv6 address lacks \"]\""},
    {"serial.url_after_bracket", "\"]\" must be followed by \":port\", not \"{1}\""},
    {"serial.url_ipv6_brackets", "An IPv6 address goes in brackets, as in rfc2217://[::1]:2217"},
    {"serial.url_no_port", "Port number missing, as in tcp://host:port"},
    {"serial.url_port_not_number", "Port number \"{1}\" is not a number"},
    {"serial.url_port_range", "The port number must be from {1} to 65535"},
    {"serial.url_no_slashes", "\"{1}:\" must be followed by \"//\", as in {1}://host:port"},
    {"serial.url_no_user", "A network port takes no user name or password"},
    {"serial.url_trailing", "Nothing may follow the port number: \"{1}\""},
    {"serial.port_number_missing", "Port number missing"},
    {"serial.rfc2217_no_telnet", "no answer to the Telnet negotiation"},
    {"serial.rfc2217_no_com_port", "COM-PORT-OPTION not supported"},
    {"serial.rfc2217_no_binary", "binary transmission not supported"},
    {"serial.rfc2217_rate_unanswered", "the server did not answer the baud rate setting"},
    {"serial.rfc2217_paused", "the server paused receiving data"},
    // ---- end of serial ----

    // ---- device: connect, identify, parameters, clock ----
    {"device.connect_failed", " failed: check that the device is connected to the computer's port"},
    {"device.connected", " succeeded: device model and baud rate matched automatically"},
    {"device.unknown_version", "Unknown version"},
    // ---- end of device ----

    // ---- text: texts, areas, static commands, font library ----
    {"text.font_no_model", " failed: connect the device first, so that its model is known, to download a font library"},
    {"text.font_slow_rate", " failed: set the baud rate to at least 115200 bps to shorten the font library download"},
    {"text.font_open_failed", " failed: cannot open the font library file"},
    {"text.font_invalid", " failed: not a valid font library file"},
    {"text.font_unsupported", " failed: this device model does not support this font library"},
    {"text.font_progress", "Downloading font library... "},
    {"text.static_no_model", " failed: connect the device first, so that its model is known, to download static commands"},
    {"text.static_open_failed", " failed: cannot open the command file"},
    {"text.static_invalid", " failed: not a valid command file"},
    {"text.static_too_big", " failed: the command file is too big"},
    {"text.static_too_many", " failed: more than 255 commands"},
    {"text.static_frame_too_long", " failed: a command frame is too long for the static command file"},
    {"text.static_save_failed", " failed: the static command file could not be made"},
    {"text.static_generated_log", "Static commands made"},
    {"text.static_question", "The static command file is made. Download it now?"},
    {"text.static_download_title", "Download static commands"},
    {"text.static_erased_log", "Memory erased"},
    {"text.static_downloaded_log", "Static commands downloaded"},
    // ---- end of text ----

    // ---- graphics: bitmaps and shapes ----
    {"graphics.cannot_open", " failed: cannot open the bitmap file"},
    {"graphics.invalid", " failed: not a valid bitmap file"},
    {"graphics.cannot_decode", "Cannot decode the bitmap file: "},
    // ---- end of graphics ----

    // ---- crosshair: the crosshair and its file ----
    {"crosshair.wrong_model", " failed: this device model does not support crosshair downloads"},
    {"crosshair.slow_rate", " failed: set the baud rate to at least 115200 bps to shorten the crosshair download"},
    {"crosshair.open_failed", " failed: cannot open the crosshair file"},
    {"crosshair.invalid_file", " failed: not a valid crosshair file"},
    {"crosshair.progress", "Downloading crosshair... "},
    {"crosshair.invalid_origin", " failed: the crosshair origin is not a valid coordinate"},
    {"crosshair.no_shapes", " failed: no bitmap file added"},
    {"crosshair.too_many_shapes", " failed: at most 20 bitmap files can be added"},
    {"crosshair.duplicate_shape", " failed: this bitmap file is already added"},
    {"crosshair.bad_shape", " failed: a bitmap file is not valid"},
    // ---- end of crosshair ----

    // ---- command: the command table, checks, explain, logs ----
    // ---- end of command ----

    // ---- layout: layout files ----
    // ---- end of layout ----

    // ---- screen: the screen model ----
    // ---- end of screen ----

    // ---- scene: layouts on the screen ----
    // ---- end of scene ----

    // ---- editor: the designer's document ----
    // ---- end of editor ----

    // ---- cli: the command line ----
    {"cli.title_succeeded", "{1} succeeded"},
    {"cli.raw_frame", "Raw command frame"},
    // ---- end of cli ----

    // ---- sim: the simulated device ----
    // ---- end of sim ----
};
// clang-format on

}  // namespace

extern const std::span<const CatalogueEntry> kEnglishTexts;
const std::span<const CatalogueEntry> kEnglishTexts(kEntries);

}  // namespace zotpx
