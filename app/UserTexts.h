#pragma once
// The texts of the information field, in one table: what the user reads for each outcome.
#include "Outcome.h"
#include "SerialCounter.h"

#include <string>

namespace hx {

// The information text of an outcome (empty for None).
std::string InfoText(const Outcome& outcome);

// Why a port did not open, as the user reads it (empty when there is nothing to add).
std::string PortOpenErrorText(PortOpenError error);

// Why the serial-number counter could not reserve a number (the detail of CounterUnavailable).
std::string CounterProblemText(const SerialReservation& r);
// The question before a typed serial number below the counter's is given (the answer Yes moves
// the counter back after it).
std::string MoveCounterBackQuestion(const std::string& typed, const std::string& counter);

// Shown while a send's image is being read back, before the box is told to store it.
extern const char kTextSentBeforeReadBack[];

} // namespace hx
