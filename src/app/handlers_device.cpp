// Connect and identify: the system control group's connect button.
#include <QComboBox>

#include "app/form.h"
#include "device/connect.h"

void TForm1::BtnSearchCmdClick() {
  const std::string title = Caption("BtnSearchCmd");
  // A failed run leaves model and version unknown but keeps the last rate and tabs.
  SetModel(zotpx::DeviceModel::Unknown);
  SetText("EditVersion", QString::fromUtf8(zotpx::kUnknownVersionText));
  const zotpx::ConnectResult found = zotpx::ConnectDevice(port(), *this, title, CurrentLink().port);
  if (found.outcome != zotpx::ConnectOutcome::Identified) return;
  // The device's text is ASCII by contract; Latin-1 shows any other byte as itself.
  SetText("EditVersion", QString::fromLatin1(found.version));
  // Over raw TCP the line runs at the far end's rate, which nothing here knows: none is shown.
  Combo("UartBaud")->setCurrentIndex(found.rate_index);
  SetModel(found.model);
  ShowModelTabs(found.model);
}
