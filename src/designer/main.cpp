// zotpx-designer: an overlay designed by hand on the device's own screen model.
//
// Usage: zotpx-designer [LAYOUT.toml]
//   LAYOUT.toml (optional) is opened at start; one the reader refuses is said, with its line,
//   and the window starts empty. --help and --version answer without opening a window, so they
//   work without a display (the manual page is made from them).
#include <QTimer>
#include <iostream>

#include "app/window_program.h"
#include "designer/designer_window.h"

namespace {

const zotpx::WindowProgram kProgram{"zotpx-designer",
                                    QT_TRANSLATE_NOOP("WindowProgram", "布局设计器")};

void SetUpParser(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "Designs what a ZOT-PA or ZOT-PB on-screen-display device shows: overlay objects\n"
      "placed and sized by hand on the device's own screen model, an object list and a\n"
      "property panel made from the command table; layouts opened and saved as zotpx\n"
      "reads them, exported as PNG, applied to the device or made its start-up image.\n"
      "Its texts are in Simplified Chinese or English."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("layout"),
                               QStringLiteral("A layout file (.toml) to open at start."),
                               QStringLiteral("[LAYOUT.toml]"));
  zotpx::AddCloseAfterOption(parser);
}

}  // namespace

int main(int argc, char** argv) {
  QCommandLineParser parser;
  SetUpParser(parser);
  if (const std::optional<int> answered = zotpx::AnswerHelpOrVersion(kProgram, parser, argc, argv))
    return *answered;

  QTranslator own_texts;
  QTranslator qt_texts;
  const std::unique_ptr<QApplication> app =
      zotpx::OpenWindowProgram(kProgram, argc, argv, parser, own_texts, qt_texts);
  if (!app) return 2;
  const QStringList layouts = parser.positionalArguments();
  if (layouts.size() > 1) {
    std::cerr << "zotpx-designer: one layout at most; see zotpx-designer --help\n";
    return 2;
  }
  const std::optional<int> close_after_ms = zotpx::CloseAfterMs(kProgram, parser);
  if (!close_after_ms) return 2;

  DesignerWindow window;
  window.show();
  if (!layouts.isEmpty() && !window.OpenPath(layouts.front()))
    std::cerr << "zotpx-designer: " << window.StatusText().toStdString() << '\n';
  if (*close_after_ms >= 0) QTimer::singleShot(*close_after_ms, &window, &QWidget::close);
  return QApplication::exec();
}
