#pragma once
// Where a station's serial numbers come from: a store that reserves a number for a box before
// the box is told it, and keeps what became of it. A counter in the stored preferences is one
// (one station, or several sharing one file); a database that every station of a line asks is
// another. Whatever the store, a number is never given twice: a reservation that fails or is
// interrupted after the store gave it leaves a gap in the numbers, never a duplicate.
#include <cstdint>
#include <string>

namespace hx {

enum class CounterProblem {
    None,
    Busy,        // the lock cannot be had (another program holds it, or the wait was interrupted)
    Damaged,     // the stored entry is no serial number; value: its text
    NoNext,      // no serial number follows the one given; value: the number given
    NotStored,   // the next number did not reach the store
    Gone,        // the store is not there (vanished, or named in a folder that does not exist)
    Lower,       // the typed number is below the counter's; value: the counter's number
    Unreachable, // the database cannot be reached (or is not built in); why: its words
    Refused,     // the database refused the login or the rights; why: its words
    NoSchema,    // the database holds no counter yet; why: its words
    Taken,       // the typed number is already in the production record; value: the number
};

struct SerialReservation {
    CounterProblem problem = CounterProblem::None;
    uint32_t given = 0;    // the number for the box
    uint32_t next = 0;     // the number the counter gives next, as far as it is known
    std::string value;     // with Damaged, NoNext, Lower and Taken: the text concerned
    std::string why;       // with Busy, Gone, Unreachable, Refused, NoSchema: the store's words
    std::string requestId; // the reservation's name in the production record (empty: none)
    // What the station should know besides (a number the store may have used up without a
    // record of it, a counter that stayed where it was).
    std::string note;
    bool ok() const { return problem == CounterProblem::None; }
};

// What the production record keeps with a reserved number.
struct BoxRecord {
    std::string operation;   // what gives the number: "factory-reset", "provision" or "send"
    std::string port;        // the station's port to the box
    std::string toolVersion; // the program's version
    std::string model;       // the box's model line
    std::string firmware;    // the box's firmware version, as the title shows it ("2.05")
};

class ISerialStore {
public:
    virtual ~ISerialStore() = default;
    // Reserves a number for a box. typed: a number the user typed (given as it is, the counter
    // goes on after it); without one the counter's next number is given. A typed number below
    // the counter's is given only with moveBack. On success the number is stored as taken
    // before this returns.
    virtual SerialReservation Reserve(const uint32_t* typed, bool moveBack,
                                      const BoxRecord& record) = 0;
    // The box's end of a reservation: it stored the number (programmed) or the reset ended
    // without that (failed; the box may still hold the number, which stays taken). sent: the
    // settings image sent to the box with the number (a provision's, a send's), empty when none
    // was sent. False, with why, when the record could not be brought up to date.
    virtual bool Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                        std::string& why) = 0;
    // Keeps an operation that gave no number in the store's production record, where the store
    // has one (a line's database; a counter file has none, its program keeps a record file):
    // serial is the number the box holds (eight hexadecimal digits), succeeded its outcome,
    // sent the settings image sent (empty: none). False, with why, when it could not be kept.
    virtual bool KeepOperation(const BoxRecord& record, const std::string& serial, bool succeeded,
                               const std::string& sent, std::string& why) {
        (void)record, (void)serial, (void)succeeded, (void)sent, (void)why;
        return true;
    }
    // Where the counter is, for messages.
    virtual std::string Location() const = 0;
};

} // namespace hx
