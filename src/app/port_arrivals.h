// The window's port list follows the ports that come and go: plugging an adapter in, or
// starting a simulator, shows up in the drop-down without reopening it.
#pragma once

#include <functional>

class QComboBox;

// Runs `refresh` once ports have arrived or left, when the list is neither open nor being
// typed in (then as soon as it is not). The watcher lives as long as `combo`.
void FollowPortArrivals(QComboBox* combo, std::function<void()> refresh);
