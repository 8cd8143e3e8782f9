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
};

} // namespace hx
