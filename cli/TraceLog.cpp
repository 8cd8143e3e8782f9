#include "cli/TraceLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>

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
    if (m_file)
        std::fclose(m_file);
}

bool TraceLog::Open(const std::string& path, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    m_file = f;
    m_start = std::chrono::steady_clock::now();
    char stamp[64] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S %z", &local);
    if (std::fprintf(m_file, "# hx5310ctl trace, started %s; seconds since then\n", stamp) < 0 ||
        std::fflush(m_file) != 0)
        m_failed = true;
    return true;
}

void TraceLog::Line(const std::string& text) {
    if (!m_file)
        return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    if (std::fprintf(m_file, "%12.6f %s\n", seconds, text.c_str()) < 0 || std::fflush(m_file) != 0)
        m_failed = true;
}

void TraceLog::Bytes(char direction, const char* data, size_t length) {
    if (m_file)
        Line(std::string(1, direction) + " " + EscapeBytes(data, length));
}

} // namespace hx::cli
