// The port list: "COM1" ... "COM16" and the serial devices of this system, read afresh each
// time it drops down, so that an adapter plugged in after start shows up. The window and the
// designer both pick their port here.
#pragma once

#include <QComboBox>

class PortCombo : public QComboBox {
 public:
  // The list again; the selection survives, even when its device has gone.
  void Refresh();
  // Selects `name`, adding it when the list lacks it (a port named on the command line).
  void Select(const QString& name);

  void showPopup() override;
};
