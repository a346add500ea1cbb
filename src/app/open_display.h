// The window programs' start (zotpx-manager, the simulator's screen window): without a display
// Qt prints warnings of its own, advises reinstalling and ends the program with an abort. Here
// Qt's messages are held back while the application opens its display: without one the program
// says so in one line and ends with status 1; with one, what Qt said goes on as it came.
#pragma once

#include <unistd.h>

#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace zotpx::display_detail {

struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};

inline std::string no_display_line;
inline std::vector<HeldMessage> held;

inline void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    (void)!write(STDERR_FILENO, no_display_line.data(), no_display_line.size());
    _exit(1);
  }
  held.push_back({type, context.category ? context.category : "", text});
}

inline std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return std::string(name) + (value && *value ? "=" + std::string(value) : " is not set");
}

}  // namespace zotpx::display_detail

namespace zotpx {

// `program`: the words before the reason ("zotpx-manager: cannot open the window"); `hint`:
// what to do instead, after it.
inline std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv, const std::string& program,
                                                 const std::string& hint = "") {
  using namespace display_detail;
  no_display_line = program + ": no display could be reached (" +
                    display_detail::Variable("DISPLAY") + ", " +
                    display_detail::Variable("WAYLAND_DISPLAY") + ")" + hint + "\n";
  const QtMessageHandler previous = qInstallMessageHandler(Hold);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  for (const HeldMessage& message : held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    previous(message.type, context, message.text);
  }
  held.clear();
  return app;
}

}  // namespace zotpx
