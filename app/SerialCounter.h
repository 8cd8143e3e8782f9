#pragma once
// The serial-number counter of a station: the next number to give a box without one, kept as
// "Serial Number" in the stored preferences and shared by every program that uses that store
// (the window and hx5310ctl, several of each). A number is reserved before a box is told it:
// under the store's lock the counter is read anew, the number after the one given is stored,
// and only then may the box get its number. An interrupted or failed reset leaves a gap in the
// numbers; no number is ever given twice.
#include "Preferences.h"
#include "SerialStore.h"

#include <cstdint>
#include <string>

namespace hx {

// The stored text of the counter as a number: a whole number in 32 bits, written signed or
// unsigned, that is a serial number (not FFFFFFFF). False for anything else (a damaged entry).
bool ParseStoredCounter(const std::string& text, uint32_t& value);

class SerialCounter : public ISerialStore {
public:
    SerialCounter(IPreferences& prefs, const std::string& section, const std::string& location = {})
        : m_prefs(prefs), m_section(section), m_location(location) {}

    // Reserves a number. typed: a number the user typed (given as it is, the counter goes on
    // after it); without one the stored counter is given. A typed number below the counter's
    // would move the counter back over numbers that may have been given: only with
    // moveBack. Stops with the problem, storing nothing, when the lock cannot be had, the store
    // is gone, the stored entry is damaged, the typed number is below the counter's, no next
    // number can be formed after the one given, or the store is not written.
    SerialReservation Reserve(const uint32_t* typed, bool moveBack = false);
    // The file keeps no record beside the counter.
    SerialReservation Reserve(const uint32_t* typed, bool moveBack, const BoxRecord&) override {
        return Reserve(typed, moveBack);
    }
    bool Finish(const SerialReservation&, bool, const std::string&, std::string&) override {
        return true;
    }
    std::string Location() const override { return m_location; }

    static constexpr unsigned kLockWaitMs = 5000;

private:
    IPreferences& m_prefs;
    std::string m_section;
    std::string m_location;
};

// A store that gives no number, for a counter that this build cannot reach (a database
// counter asked of a program built without its client library): every reservation stops
// with why.
class RefusingStore : public ISerialStore {
public:
    RefusingStore(const std::string& location, const std::string& why)
        : m_location(location), m_why(why) {}
    SerialReservation Reserve(const uint32_t*, bool, const BoxRecord&) override {
        SerialReservation r;
        r.problem = CounterProblem::Unreachable;
        r.why = m_why;
        return r;
    }
    bool Finish(const SerialReservation&, bool, const std::string&, std::string&) override {
        return true;
    }
    std::string Location() const override { return m_location; }

private:
    std::string m_location, m_why;
};

} // namespace hx
