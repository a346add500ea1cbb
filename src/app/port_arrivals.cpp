#include "app/port_arrivals.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <memory>

#include "serial/port_watch.h"

namespace {

// Often enough to feel immediate, seldom enough to cost nothing: each look only asks the
// watcher what is pending.
constexpr int kLookMs = 300;

class PortArrivals : public QTimer {
 public:
  PortArrivals(QComboBox* combo, std::function<void()> refresh)
      : QTimer(combo), combo_(combo), refresh_(std::move(refresh)) {
    connect(this, &QTimer::timeout, this, [this] { Look(); });
    start(kLookMs);
  }

 private:
  void Look() {
    if (!watcher_.Wait(0).empty()) pending_ = true;
    if (!pending_ || combo_->view()->isVisible()) return;
    // A name being typed is not swept away under the cursor.
    if (combo_->lineEdit() && combo_->lineEdit()->hasFocus()) return;
    pending_ = false;
    refresh_();
  }

  QComboBox* combo_;
  std::function<void()> refresh_;
  zotpx::PortWatcher watcher_;
  bool pending_ = false;
};

}  // namespace

void FollowPortArrivals(QComboBox* combo, std::function<void()> refresh) {
  new PortArrivals(combo, std::move(refresh));
}
