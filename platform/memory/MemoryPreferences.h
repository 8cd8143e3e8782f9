#pragma once
#include "platform/Preferences.h"

#include <map>
#include <string>

namespace hx {

// Stored preferences held in a map, for tests and for runs that must not touch the user's own.
class MemoryPreferences : public IPreferences {
public:
    int GetInt(const std::string& section, const std::string& entry, int fallback) override {
        auto it = m_ints.find(section + "\\" + entry);
        return it == m_ints.end() ? fallback : it->second;
    }
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) override {
        auto it = m_strings.find(section + "\\" + entry);
        return it == m_strings.end() ? fallback : it->second;
    }
    void WriteInt(const std::string& section, const std::string& entry, int value) override {
        m_ints[section + "\\" + entry] = value;
        ++m_writes;
    }
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override {
        m_strings[section + "\\" + entry] = value;
        ++m_writes;
    }
    bool HasInt(const std::string& section, const std::string& entry) const {
        return m_ints.count(section + "\\" + entry) != 0;
    }
    bool HasString(const std::string& section, const std::string& entry) const {
        return m_strings.count(section + "\\" + entry) != 0;
    }
    int Writes() const { return m_writes; }

private:
    std::map<std::string, int> m_ints;
    std::map<std::string, std::string> m_strings;
    int m_writes = 0;
};

} // namespace hx
