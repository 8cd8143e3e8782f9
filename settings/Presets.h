#pragma once
// The presets: starting values of one channel for a class of radio.
#include "CouplingRules.h"
#include "EditorValues.h"

namespace hx {

// Sets the values of preset p of the channel: delay, hold time, gains, noise thresholds,
// response time and transmit condition of that channel, and for channel A the priority.
// Nothing else changes. Returns false, setting nothing, for a preset the channel does not have
// (channel A: 0 to 2, where 2 is offered only when the window opened with Shift and Ctrl held;
// channel B: 0 and 1).
bool SetPresetValues(EditorValues& v, Channel ch, int p);

} // namespace hx
