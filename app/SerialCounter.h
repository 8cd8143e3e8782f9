#pragma once
// The serial-number counter of a station: the next number to give a box without one, kept as
// "Serial Number" in the stored preferences and shared by every program that uses that store
// (the window and hx5310ctl, several of each). A number is reserved before a box is told it:
// under the store's lock the counter is read anew, the number after the one given is stored,
// and only then may the box get its number. An interrupted or failed reset leaves a gap in the
// numbers; no number is ever given twice.
#include "Preferences.h"

#include <cstdint>
#include <string>

namespace hx {

// The stored text of the counter as a number: a whole number in 32 bits, written signed or
// unsigned, that is a serial number (not FFFFFFFF). False for anything else (a damaged entry).
bool ParseStoredCounter(const std::string& text, uint32_t& value);

enum class CounterProblem {
    None,
    Busy,      // the lock cannot be had (another program holds it, or the wait was interrupted)
    Damaged,   // the stored entry is no serial number; value: its text
    NoNext,    // no serial number follows the one given; value: the number given
    NotStored, // the next number did not reach the store
    Gone,      // the store is not there (vanished, or named in a folder that does not exist)
    Lower,     // the typed number is below the counter's; value: the counter's number
};

struct SerialReservation {
    CounterProblem problem = CounterProblem::None;
    uint32_t given = 0; // the number for the box
    uint32_t next = 0;  // now stored as the counter
    std::string value;  // with Damaged and NoNext: the text concerned
    std::string why;    // with Busy and Gone: the store's own words
    bool ok() const { return problem == CounterProblem::None; }
};

class SerialCounter {
public:
    SerialCounter(IPreferences& prefs, const std::string& section)
        : m_prefs(prefs), m_section(section) {}

    // Reserves a number. typed: a number the user typed (given as it is, the counter goes on
    // after it); without one the stored counter is given. A typed number below the counter's
    // would move the counter back over numbers that may have been given: only with
    // moveBack. Stops with the problem, storing nothing, when the lock cannot be had, the store
    // is gone, the stored entry is damaged, the typed number is below the counter's, no next
    // number can be formed after the one given, or the store is not written.
    SerialReservation Reserve(const uint32_t* typed, bool moveBack = false);

    static constexpr unsigned kLockWaitMs = 5000;

private:
    IPreferences& m_prefs;
    std::string m_section;
};

} // namespace hx
