#include "ReplyLedger.h"

#include <cctype>

namespace hx {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void ReplyLedger::Begin() {
    m_copies.clear();
    m_first = 0;
    m_awaited.clear();
    m_echoes = false;
}

void ReplyLedger::Command(const std::string& echo) {
    m_first = m_copies.size();
    m_awaited = echo;
    m_copies.push_back({echo});
}

void ReplyLedger::Resend() {
    m_copies.push_back({m_awaited});
}

void ReplyLedger::Stream() {
    m_first = m_copies.size();
    m_copies.push_back({std::string(), /*arrived=*/true});
}

ReplyLedger::Copy* ReplyLedger::Expected() {
    for (Copy& c : m_copies)
        if (!c.answered && (c.arrived || !m_echoes))
            return &c;
    return nullptr;
}

ReplyLedger::Kind ReplyLedger::Take(const std::string& line, bool final) {
    bool known = false;
    for (size_t i = 0; i < m_copies.size(); ++i) {
        Copy& c = m_copies[i];
        if (c.echo.empty() || !SameIgnoringCase(line, c.echo))
            continue;
        known = true;
        if (c.arrived || c.answered)
            continue;
        // The box shows copies in the order they came: one sent before this and never shown
        // was lost on the way and will not be answered.
        c.arrived = true;
        for (size_t j = 0; j < i; ++j)
            if (!m_copies[j].arrived)
                m_copies[j].answered = true;
        m_echoes = true;
        return Kind::Echo;
    }
    if (known)
        return Kind::Echo; // a copy shown again
    Copy* owner = Expected();
    if (!owner)
        return Kind::Stray;
    if (final)
        owner->answered = true;
    return static_cast<size_t>(owner - m_copies.data()) >= m_first ? Kind::Current : Kind::Earlier;
}

} // namespace hx
