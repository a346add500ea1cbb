// The three downloads into the device's memory: font library, static commands, crosshair file,
// and the progress bar that runs beside the status line while one of them is under way.
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

#include "app/form.h"
#include "app/save_file.h"
#include "base/progress_estimate.h"
#include "command/model_check.h"
#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "text/font_library.h"
#include "text/static_download.h"
#include "text/static_file.h"

namespace {

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

QString ProgressBarText(const zotpx::ProgressEstimate& e) {
  QString text = QStringLiteral("%p%");
  if (e.timed) {
    text += TForm1::tr("  %1 KB/s  剩余 %2")
                .arg(e.bytes_per_second / 1024.0, 0, 'f', 1)
                .arg(RemainingText(e.seconds_left));
  }
  return text;
}

int ProgressBarWidth(const QProgressBar& bar) {
  // The widest figures a serial line gives, and some: 100 %, four digits of KB/s and of the
  // time left. The margins keep them off the bar's frame.
  const QString widest = ProgressBarText({100, true, 999.9 * 1024, 99 * 60 + 59})
                             .replace(QStringLiteral("%p"), QStringLiteral("100"));
  return bar.fontMetrics().horizontalAdvance(widest) + 16;
}

void TForm1::BtnEepromCmdClick() {
  const std::string title = Caption("BtnEepromCmd");
  // Model and rate come first, so nobody picks a file only to be told the line is too slow.
  if (const auto failure = zotpx::CheckFontRequest(Model(), RateIndex()))
    return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, tr("打开内部字库文件"), 2);
  if (!path) return;
  zotpx::FontFile font = zotpx::OpenFontFile(CorePath(*path), Model());
  if (font.failure) return SetStatus(title + *font.failure);
  // The file stays open: the transfer reads it block by block and closes it before the port.
  zotpx::DownloadToDevice(port(), *this, CurrentLink(),
                          zotpx::FontTransferPlan(title, font.file->size()), *font.file);
}

void TForm1::BtnStaticCmdClick() {
  const std::string title = Caption("BtnStaticCmd");
  if (const auto failure = zotpx::CheckStaticRequest(Model())) return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, tr("打开静态命令文件"), 1);
  if (!path) return;
  const zotpx::StaticImage built = zotpx::ReadStaticImage(CorePath(*path));
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
  zotpx::DownloadToDevice(port(), *this, CurrentLink(), zotpx::StaticTransferPlan(title), data);
}

void TForm1::BtnCrossDownCmdClick() {
  const std::string title = Caption("BtnCrossDownCmd");
  if (const auto failure = zotpx::CheckCrossDownloadRequest(Model(), RateIndex()))
    return SetStatus(title + *failure);
  const std::optional<QString> path = AskForFile(*this, tr("打开十字线文件"), 4);
  if (!path) return;
  const zotpx::CrossDownloadFile file = zotpx::ReadCrossDownloadFile(CorePath(*path));
  if (file.failure) return SetStatus(title + *file.failure);
  zotpx::MemoryData data(zotpx::CrossDownloadPart(file.bytes));
  zotpx::DownloadToDevice(port(), *this, CurrentLink(), zotpx::CrossTransferPlan(title), data);
}

// While a download runs, its bar takes the place of the two panels on the right, whose texts
// never change: the figures need the room. The width is taken in the font the bar has then.
void TForm1::ShowProgressBar(bool shown) {
  if (shown) progress_->setFixedWidth(ProgressBarWidth(*progress_));
  for (const char* panel : {"StatusPanel1", "StatusPanel2"}) Ctl<QLabel>(panel)->setVisible(!shown);
  progress_->setVisible(shown);
}

void TForm1::Progress(std::size_t done, std::size_t total) {
  if (total == 0) {
    ShowProgressBar(false);
    return;
  }
  if (done == 0) {
    g_progress.started.start();
    g_progress.shown_percent = -1;
    progress_->setRange(0, 100);
    ShowProgressBar(true);
  }
  const zotpx::ProgressEstimate e =
      zotpx::EstimateProgress(done, total, g_progress.started.elapsed() / 1000.0);
  if (e.percent == g_progress.shown_percent) return;
  g_progress.shown_percent = e.percent;
  progress_->setFormat(ProgressBarText(e));
  progress_->setValue(e.percent);
  // The static command download lets no events run; the bar still shows how far it got.
  progress_->repaint();
}
