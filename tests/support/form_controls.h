// Setting the real window's controls as the shared frame table names them, for every test that
// drives the window (the form tests on Linux, the COM-port test on Windows).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QString>
#include <cstdio>
#include <string>

#include "app/form.h"

namespace zotpx::test {

// A control as the frame table names its value: an edit box's text, a drop-down's item index,
// a check box's "1" or "0".
inline void SetFrameControl(TForm1& form, const std::string& name, const std::string& value) {
  if (name.rfind("Edit", 0) == 0)
    form.SetText(name.c_str(), QString::fromStdString(value));
  else if (name.rfind("Check", 0) == 0)
    form.Check(name.c_str())->setChecked(value == "1");
  else
    form.Combo(name.c_str())->setCurrentIndex(std::stoi(value));
}

// The clock the window reads, stopped at "YYYY-MM-DD HH:MM:SS".
inline void StopClockAt(TForm1& form, const std::string& moment) {
  LocalDateTime at;
  std::sscanf(moment.c_str(), "%d-%d-%d %d:%d:%d", &at.year, &at.month, &at.day, &at.hour,
              &at.minute, &at.second);
  form.SetClock([at] { return at; });
}

}  // namespace zotpx::test
