// The port list, read afresh each time it drops down and whenever a port comes or goes (an
// adapter plugged in or removed, a simulator started or ended). The window and the designer
// both pick their port here.
#pragma once

#include <QComboBox>

class PortCombo : public QComboBox {
 public:
  PortCombo();
  // The list again; the selection survives, even when its device has gone.
  void Refresh();
  // Selects `name`, adding it when the list lacks it (a port named on the command line).
  void Select(const QString& name);

  void showPopup() override;
};
