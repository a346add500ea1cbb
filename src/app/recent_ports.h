// The ports the window was used with beyond its fixed "COM1" ... "COM16" (serial servers'
// URLs, typed paths), kept between runs in the user's settings for the port box to offer again:
// the most recent first, kRecentPorts of them.
#pragma once

#include <QString>
#include <QStringList>

inline constexpr int kRecentPorts = 5;

QStringList RecentPorts();
// Puts `name` first among the recent ports; the fixed names are not kept.
void RememberPort(const QString& name);
