#include "app/recent_ports.h"

#include <QSettings>

#include "serial/port_name.h"

namespace {

constexpr int kFixedComPorts = 16;  // "COM1" ... "COM16" are always in the list

QSettings Settings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zotpx"),
                   QStringLiteral("zotpx-manager"));
}

const QString kKey = QStringLiteral("ports/recent");

}  // namespace

QStringList RecentPorts() {
  return Settings().value(kKey).toStringList().mid(0, kRecentPorts);
}

void RememberPort(const QString& name) {
  const zotpx::PortName parsed = zotpx::ParsePortName(name.toStdString());
  if (name.isEmpty() ||
      (parsed.kind == zotpx::PortName::Kind::Com && parsed.number <= kFixedComPorts))
    return;
  QStringList recent = RecentPorts();
  if (!recent.isEmpty() && recent.front() == name) return;
  recent.removeAll(name);
  recent.prepend(name);
  Settings().setValue(kKey, recent.mid(0, kRecentPorts));
}
