#pragma once
// The serial-number store of a line: a PostgreSQL database that every station asks, through
// libpq. Numbers come from the sequence hx5310_serial (value n gives the serial number whose
// eight hexadecimal digits are the decimal digits of n); each reservation is a row of
// hx5310_record, committed before the box hears its number (data/hx5310-counter.sql).
#include "SerialStore.h"

#include <functional>
#include <string>

struct pg_conn;

namespace hx {

class PgSerialStore : public ISerialStore {
public:
    // conninfo: a libpq connection string (postgresql://...).
    explicit PgSerialStore(const std::string& conninfo);
    ~PgSerialStore() override;
    PgSerialStore(const PgSerialStore&) = delete;
    PgSerialStore& operator=(const PgSerialStore&) = delete;

    SerialReservation Reserve(const uint32_t* typed, bool moveBack,
                              const BoxRecord& record) override;
    bool Finish(const SerialReservation& r, bool programmed, const std::string& sent,
                std::string& why) override;
    bool KeepOperation(const BoxRecord& record, const std::string& serial, bool succeeded,
                       const std::string& sent, std::string& why) override;
    // The connection string without its password.
    std::string Location() const override;

    // Every wait (a server restarting, a lost connection) ends early when stop() holds.
    void SetInterrupt(std::function<bool()> stop) { m_stop = std::move(stop); }
    // How long a server that cannot be reached, or a lost connection, is tried again.
    void SetRetryWindow(unsigned ms) { m_retryMs = ms; }

    // Creates the counter and the record where they are missing (nothing that exists is
    // changed). carryOver: a counter's next number, eight decimal digits; the sequence is moved
    // on so that it gives that number next, never back. next: what the counter gives next.
    // False with the problem and why.
    bool Init(const std::string& carryOver, std::string& next, CounterProblem& problem,
              std::string& why);

    static constexpr unsigned kRetryMs = 10000;

private:
    struct Query; // one statement's outcome
    // unseen: counts the sequence's values asked for whose answer was lost.
    SerialReservation Reserve(const uint32_t* typed, bool moveBack, const BoxRecord& record,
                              int& unseen);
    // A request's name: random, and the station's.
    std::string NewRequestId() const;
    bool Connect(CounterProblem& problem, std::string& why);
    // Connects, trying again until the deadline while the server cannot be reached.
    bool EnsureConnected(long long deadlineMs, SerialReservation& r);
    Query Exec(const char* sql, std::initializer_list<std::string> params);
    // A statement that may run twice: run again after a lost connection, until the deadline.
    bool Idempotent(const char* sql, std::initializer_list<std::string> params,
                    long long deadlineMs, SerialReservation& r, Query& q);
    bool NextText(long long deadlineMs, SerialReservation& r, std::string& next);
    bool Wait(long long deadlineMs);

    std::string m_conninfo;
    pg_conn* m_conn = nullptr;
    std::function<bool()> m_stop;
    unsigned m_retryMs = kRetryMs;
    std::string m_host; // this station's name
};

} // namespace hx
