#include "SerialCounter.h"

#include "SerialNumber.h"
#include "SerialText.h"

#include <charconv>

namespace hx {

namespace {
const char kEntry[] = "Serial Number";
}

bool ParseStoredCounter(const std::string& text, uint32_t& value) {
    int64_t number = 0;
    const char* end = text.data() + text.size();
    const auto [at, err] = std::from_chars(text.data(), end, number);
    if (text.empty() || err != std::errc() || at != end || number < INT32_MIN ||
        number > static_cast<int64_t>(UINT32_MAX))
        return false;
    const auto serial = static_cast<uint32_t>(number);
    if (serial == 0xFFFFFFFFu)
        return false;
    value = serial;
    return true;
}

SerialReservation SerialCounter::Reserve(const uint32_t* typed, bool moveBack) {
    SerialReservation r;
    if (!m_prefs.Lock(kLockWaitMs, r.why)) {
        r.problem = CounterProblem::Busy;
        return r;
    }
    uint32_t counter = 1; // an absent entry starts the numbers at 00000001
    bool counterKnown = true;
    std::string stored;
    switch (m_prefs.ReadNow(m_section, kEntry, stored)) {
    case IPreferences::Read::Gone:
        r.problem = CounterProblem::Gone;
        r.why = stored;
        break;
    case IPreferences::Read::Present:
        counterKnown = ParseStoredCounter(stored, counter);
        // A typed number repairs a damaged entry.
        if (!counterKnown && !typed) {
            r.problem = CounterProblem::Damaged;
            r.value = stored;
        }
        break;
    case IPreferences::Read::Absent:
        break;
    }
    const uint32_t given = typed ? *typed : counter;
    if (r.ok() && typed && counterKnown && given < counter && !moveBack) {
        r.problem = CounterProblem::Lower;
        r.value = FormatSerialText(counter);
    }
    std::string nextText;
    if (r.ok() && !NextSerial(given, r.next, nextText)) {
        r.problem = CounterProblem::NoNext;
        r.value = FormatSerialText(given);
    }
    if (r.ok()) {
        m_prefs.WriteInt(m_section, kEntry, static_cast<int>(r.next));
        if (!m_prefs.LastWriteOk())
            r.problem = CounterProblem::NotStored;
    }
    m_prefs.Unlock();
    if (r.ok())
        r.given = given;
    return r;
}

} // namespace hx
