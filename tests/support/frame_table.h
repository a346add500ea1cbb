// Frames the window's buttons and the command line must send for the same values: one table
// for the form tests and the command-line tests, from the protocol's worked examples and a few
// more. A row sets the form's controls and clicks its button, or runs zotpx with its arguments.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zotpx::test {

struct FrameRow {
  std::string name;
  // Controls to set before the click: edit boxes take the text, drop-downs the item index,
  // check boxes "1" or "0". Controls not named keep the form's defaults.
  std::vector<std::pair<std::string, std::string>> controls;
  std::string button;
  std::vector<std::string> cli;  // zotpx's command and options for the same values
  std::string clock;             // the clock command's moment, "YYYY-MM-DD HH:MM:SS"
  std::string title;             // the button's caption, which both put before the status
  std::string frame;             // the frame sent, in hex
};

const std::vector<FrameRow>& FrameRows();

// Test names and failures show the row by its name, not its bytes.
inline void PrintTo(const FrameRow& row, std::ostream* out) {
  *out << row.name;
}

}  // namespace zotpx::test
