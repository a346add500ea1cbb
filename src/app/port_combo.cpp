#include "app/port_combo.h"

#include <QAbstractItemView>

#include "app/port_arrivals.h"
#include "serial/port_list.h"

PortCombo::PortCombo() {
  FollowPortArrivals(this, [this] { Refresh(); });
}

void PortCombo::Refresh() {
  const QString current = currentText();
  clear();
  for (const std::string& name : zotpx::ListPortNames()) addItem(QString::fromStdString(name));
  int index = findText(current);
  if (index < 0 && !current.isEmpty()) {
    addItem(current);
    index = count() - 1;
  }
  setCurrentIndex(index < 0 ? 0 : index);
  view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
}

void PortCombo::Select(const QString& name) {
  int index = findText(name);
  if (index < 0) {
    addItem(name);
    index = count() - 1;
  }
  setCurrentIndex(index);
}

void PortCombo::showPopup() {
  Refresh();
  QComboBox::showPopup();
}
