// Connect and identify, and the system parameters: the system control group's device buttons.
#include <QCheckBox>
#include <QComboBox>

#include "app/form.h"
#include "device/connect.h"
#include "device/system_params.h"

void TForm1::BtnSearchCmdClick() {
  const std::string title = Caption("BtnSearchCmd");
  // A failed run leaves model and version unknown but keeps the last rate and tabs.
  Combo("ComboDeviceType")->setCurrentIndex(0);
  SetText("EditVersion", QString::fromUtf8(zotpx::kUnknownVersionText));
  const zotpx::ConnectResult found = zotpx::ConnectDevice(*this, title, CurrentLink().port);
  if (found.outcome != zotpx::ConnectOutcome::Identified) return;
  // The device's text is ASCII by contract; Latin-1 shows any other byte as itself.
  SetText("EditVersion", QString::fromLatin1(found.version));
  Combo("UartBaud")->setCurrentIndex(found.rate_index);
  Combo("ComboDeviceType")->setCurrentIndex(static_cast<int>(found.model));
  ShowModelTabs(found.model == zotpx::DeviceModel::PA, found.model == zotpx::DeviceModel::PB);
}

void TForm1::BtnConfigCmdClick() {
  zotpx::SystemParams params;
  params.overlay_enabled = Check("CheckEnable")->isChecked();
  static const char* const kKeys[] = {"ComboKey1", "ComboKey2", "ComboKey3",
                                      "ComboKey4", "ComboKey5", "ComboKey6"};
  for (std::size_t i = 0; i < params.key_polarity.size(); ++i)
    params.key_polarity[i] = Index(kKeys[i]);
  params.column_offset_ex = Index("ComboColumnOffsetEx");
  params.column_offset_in = Index("ComboColumnOffsetIn");
  zotpx::RunCommand(*this, Caption("BtnConfigCmd"), CurrentLink(),
                    [&] { return zotpx::SystemParamsFrame(params); });
}
