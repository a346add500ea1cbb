// The three downloads into the device's memory: font library, static commands, crosshair file,
// and the progress bar that runs beside the status line while one of them is under way.
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>

#include "app/form.h"
#include "app/save_file.h"
#include "command/model_check.h"
#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "serial/progress.h"
#include "text/font_library.h"
#include "text/static_download.h"
#include "text/static_file.h"

namespace {

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

std::optional<QString> AskForFile(TForm1& form, const QString& title, int filter_index) {
  return form.dialogs().OpenFile({title, AppDirectory, QString(), kOpenDialogFilter, filter_index});
}

// Downloads never overlap, so one clock serves the rate and the time remaining.
struct ProgressState {
  QElapsedTimer started;
  int shown_percent = -1;
};
ProgressState g_progress;

QString RemainingText(qint64 seconds) {
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

void TForm1::BtnEepromCmdClick() {
  const std::string title = Caption("BtnEepromCmd");
  // Model and rate come first, so nobody picks a file only to be told the line is too slow.
  if (const auto failure = zotpx::CheckFontRequest(Model(), Index("UartBaud")))
    return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, QStringLiteral("打开内部字库文件"), 2);
  if (!path) return;
  zotpx::FontFile font = zotpx::OpenFontFile(LocalPath(*path), Model());
  if (font.failure) return SetStatus(title + *font.failure);
  // The file stays open: the transfer reads it block by block and closes it before the port.
  zotpx::DownloadToDevice(*this, CurrentLink(), zotpx::FontTransferPlan(title, font.file->size()),
                          *font.file);
}

void TForm1::BtnStaticCmdClick() {
  const std::string title = Caption("BtnStaticCmd");
  if (const auto failure = zotpx::CheckStaticRequest(Model())) return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, QStringLiteral("打开静态命令文件"), 1);
  if (!path) return;
  const zotpx::StaticImage built = zotpx::ReadStaticImage(LocalPath(*path));
  if (built.failure) return SetStatus(title + *built.failure);
  // The device would run them at every power-on: a command its model lacks is refused first.
  if (const auto foreign = zotpx::FindForeignCommand(built, Model()))
    return SetStatus(title + zotpx::ForeignCommandText(*foreign));
  // Whole or not at all: the device must never be loaded from a half-written "User.cfg".
  if (const zotpx::SaveResult saved = SaveWholeFile(
          AppDirectory + QString::fromLatin1(zotpx::kStaticFileName), built.image, {*path});
      !saved)
    return SetStatus(zotpx::SaveFailureText(title + zotpx::kStaticSaveFailedText, saved.problem));
  LogLine(zotpx::kStaticGeneratedLogLine);
  LogLine("");
  if (!dialogs().Question(windowTitle(), QString::fromUtf8(zotpx::kStaticQuestionText))) return;
  // The image downloaded is the one in memory, not the file read back.
  zotpx::MemoryData data(built.image);
  zotpx::DownloadToDevice(*this, CurrentLink(), zotpx::StaticTransferPlan(title), data);
}

void TForm1::BtnCrossDownCmdClick() {
  const std::string title = Caption("BtnCrossDownCmd");
  if (const auto failure = zotpx::CheckCrossDownloadRequest(Model(), Index("UartBaud")))
    return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, QStringLiteral("打开十字线文件"), 4);
  if (!path) return;
  const zotpx::CrossDownloadFile file = zotpx::ReadCrossDownloadFile(LocalPath(*path));
  if (file.failure) return SetStatus(title + *file.failure);
  zotpx::MemoryData data(zotpx::CrossDownloadPart(file.bytes));
  zotpx::DownloadToDevice(*this, CurrentLink(), zotpx::CrossTransferPlan(title), data);
}

void TForm1::Progress(std::size_t done, std::size_t total) {
  if (total == 0) {
    progress_->hide();
    return;
  }
  if (done == 0) {
    g_progress.started.start();
    g_progress.shown_percent = -1;
    progress_->setRange(0, 100);
    progress_->show();
  }
  const zotpx::ProgressEstimate e =
      zotpx::EstimateProgress(done, total, g_progress.started.elapsed() / 1000.0);
  if (e.percent == g_progress.shown_percent) return;
  g_progress.shown_percent = e.percent;
  QString text = QStringLiteral("%p%");
  if (e.timed) {
    text += QStringLiteral("  %1 KB/s  剩余 %2")
                .arg(e.bytes_per_second / 1024.0, 0, 'f', 1)
                .arg(RemainingText(e.seconds_left));
  }
  progress_->setFormat(text);
  progress_->setValue(e.percent);
  // The static command download lets no events run; the bar still shows how far it got.
  progress_->repaint();
}
