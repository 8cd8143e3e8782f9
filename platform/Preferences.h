#pragma once
// Stored per-user preferences: entries in sections, integers and texts.
#include <string>

namespace hx {

class IPreferences {
public:
    virtual ~IPreferences() = default;
    virtual int GetInt(const std::string& section, const std::string& entry, int fallback) = 0;
    virtual std::string GetString(const std::string& section, const std::string& entry,
                                  const std::string& fallback) = 0;
    virtual void WriteInt(const std::string& section, const std::string& entry, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;

    // The entry's text as it stands in the store now, read from the store itself (never from a
    // copy kept from an earlier read), with what other programs sharing the store wrote since.
    // Gone: the store is not there although it must be (it was there before and vanished, or
    // the folder it was named in does not exist); text then says why.
    enum class Read { Present, Absent, Gone };
    virtual Read ReadNow(const std::string& section, const std::string& entry,
                         std::string& text) = 0;
    // Whether the last write reached the store.
    virtual bool LastWriteOk() const = 0;
    // An exclusive lock on the store for a read followed by a write, honoured by every program
    // that shares the store. Waits up to waitMs; false, with why, when it cannot be had.
    virtual bool Lock(unsigned waitMs, std::string& why) = 0;
    virtual void Unlock() = 0;
};

} // namespace hx
