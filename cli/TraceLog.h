#pragma once
// The --trace record: one line per event on the line, each with the seconds since the start.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace hx::cli {

// Bytes as a quoted text: printable ASCII as it is, backslash and quote escaped, \r \n \t, and
// every other byte as \xNN.
std::string EscapeBytes(const char* data, size_t length);

class TraceLog {
public:
    TraceLog();
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Starts the record in the file at path (made or emptied; a FIFO is waited for until it has
    // a reader). Every wait, here and for each line, asks stop() at least every 100 ms and
    // ends when it says so. False with the reason in error (empty when stop() ended the wait).
    bool Open(const std::string& path, std::function<bool()> stop, std::string& error);
    bool IsOpen() const { return m_fd >= 0; }

    // "  12.345678 text"; nothing when no file is open. Every line is written through at once,
    // so that the record survives a program that is killed.
    void Line(const std::string& text);
    // "> "..."" for bytes written, "< "..."" for bytes read.
    void Bytes(char direction, const char* data, size_t length);
    // Whether a write failed (a full disk); the record is incomplete.
    bool Failed() const { return m_failed; }

private:
    void Write(const std::string& text);

    int m_fd = -1;
    std::function<bool()> m_stop;
    std::chrono::steady_clock::time_point m_start;
    bool m_failed = false;
};

} // namespace hx::cli
