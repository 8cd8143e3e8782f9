#pragma once
// Stored preferences in QSettings: per user under "QORVA" / "HX-5310-Config" (an INI file in
// the user's configuration folder on Linux, the registry on Windows), or in a given INI file.
#include "platform/Preferences.h"

#include <memory>
#include <string>

class QSettings;
class QString;
class QVariant;

namespace hx {

class QtPreferences : public IPreferences {
public:
    // The user's own preferences.
    QtPreferences();
    // The preferences in the INI file at iniPath (made when first written).
    explicit QtPreferences(const std::string& iniPath);
    ~QtPreferences() override;
    QtPreferences(const QtPreferences&) = delete;
    QtPreferences& operator=(const QtPreferences&) = delete;

    // An entry that is absent, or that is not a whole number in 32 bits (an edited file),
    // gives the fallback.
    int GetInt(const std::string& section, const std::string& entry, int fallback) override;
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) override;
    // Written through to the store at once.
    void WriteInt(const std::string& section, const std::string& entry, int value) override;
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

    // Where the preferences are stored (a file path, or a registry key on Windows).
    std::string Location() const;
    // Whether the last write reached the store (false: a folder or file that cannot be
    // written); a value that must not be lost, like the serial-number counter, is checked.
    bool LastWriteOk() const;

private:
    void Store(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
    bool m_lastWriteOk = true;
};

} // namespace hx
