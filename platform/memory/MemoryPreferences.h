#pragma once
#include "Preferences.h"

#include <map>
#include <string>

namespace hx {

// Stored preferences held in a map, for tests and for runs that must not touch the user's own.
class MemoryPreferences : public IPreferences {
public:
    int GetInt(const std::string& section, const std::string& entry, int fallback) override {
        if (m_raw.count(section + "\\" + entry))
            return fallback;
        auto it = m_ints.find(section + "\\" + entry);
        return it == m_ints.end() ? fallback : it->second;
    }
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) override {
        auto it = m_strings.find(section + "\\" + entry);
        return it == m_strings.end() ? fallback : it->second;
    }
    void WriteInt(const std::string& section, const std::string& entry, int value) override {
        ++m_writes;
        if (failWrites)
            return;
        m_raw.erase(section + "\\" + entry);
        m_ints[section + "\\" + entry] = value;
    }
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override {
        m_strings[section + "\\" + entry] = value;
        ++m_writes;
    }
    Read ReadNow(const std::string& section, const std::string& entry, std::string& text) override {
        if (gone) {
            text = "the store has vanished";
            return Read::Gone;
        }
        auto raw = m_raw.find(section + "\\" + entry);
        if (raw != m_raw.end()) {
            text = raw->second;
            return Read::Present;
        }
        auto it = m_ints.find(section + "\\" + entry);
        if (it == m_ints.end())
            return Read::Absent;
        text = std::to_string(it->second);
        return Read::Present;
    }
    bool LastWriteOk() const override { return !failWrites; }
    bool Lock(unsigned, std::string& why) override {
        if (lockHeldElsewhere) {
            why = "held by another program";
            return false;
        }
        ++m_locks;
        return true;
    }
    void Unlock() override { --m_locks; }

    // As another program or a hand edit leaves the store: an entry with this exact text.
    void PutRaw(const std::string& section, const std::string& entry, const std::string& text) {
        m_raw[section + "\\" + entry] = text;
    }
    bool failWrites = false;        // writes do not reach the store (a read-only file)
    bool lockHeldElsewhere = false; // another program holds the lock
    bool gone = false;              // the store has vanished since it was read
    int LocksHeld() const { return m_locks; }

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
    std::map<std::string, std::string> m_raw;
    int m_writes = 0;
    int m_locks = 0;
};

} // namespace hx
