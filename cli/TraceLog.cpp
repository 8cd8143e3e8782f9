#include "TraceLog.h"

#include "Files.h"
#include "Output.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace hx::cli {

std::string EscapeBytes(const char* data, size_t length) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 0x0F];
            }
        }
    }
    return out + "\"";
}

TraceLog::TraceLog() : m_start(std::chrono::steady_clock::now()) {}

TraceLog::~TraceLog() {
    if (m_fd >= 0)
        CloseOutput(m_fd);
}

bool TraceLog::Open(const std::string& path, std::function<bool()> stop, std::string& error) {
    m_stop = std::move(stop);
    const int fd = OpenForWriting(path, true, m_stop, error);
    if (fd < 0) {
        if (!error.empty())
            error = path + ": " + error;
        return false;
    }
    m_fd = fd;
    m_start = std::chrono::steady_clock::now();
    char stamp[64] = "";
    const std::time_t now = std::time(nullptr);
    const std::tm local = LocalTime(now);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S %z", &local);
    Write(std::string("# hx5310ctl trace, started ") + stamp + "; seconds since then\n");
    return true;
}

void TraceLog::Write(const std::string& text) {
    // Written through at once, so that the record survives a program that is killed.
    if (!WriteAllOrStop(m_fd, text.data(), text.size(), m_stop))
        m_failed = true;
}

void TraceLog::Line(const std::string& text) {
    if (m_fd < 0)
        return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%12.6f ", seconds);
    Write(stamp + text + "\n");
}

void TraceLog::Bytes(char direction, const char* data, size_t length) {
    if (m_fd >= 0)
        Line(std::string(1, direction) + " " + EscapeBytes(data, length));
}

} // namespace hx::cli
