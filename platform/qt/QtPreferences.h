#pragma once
// Stored preferences in QSettings: per user under "QORVA" / "HX-5310-Config" (an INI file in
// the user's configuration folder on Linux, the registry on Windows), or in a given INI file.
#include "platform/Preferences.h"

#include <functional>
#include <memory>
#include <string>

class QLockFile;
class QSettings;
class QString;
class QVariant;

namespace hx {

class QtPreferences : public IPreferences {
public:
    // The user's own preferences.
    QtPreferences();
    // The preferences in the INI file at iniPath (made when first written). Anything there
    // that is not a regular file (a folder, a FIFO, a device) is never opened: reading a FIFO
    // would wait for a writer. Such preferences read as absent and cannot be written;
    // Problem() says why.
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

    bool ReadNow(const std::string& section, const std::string& entry, std::string& text) override;
    // The lock is a file beside the store, named after the store's real path (symbolic links
    // resolved), so that every program reaching the same store by any name takes the same lock.
    bool Lock(unsigned waitMs, std::string& why) override;
    void Unlock() override;
    // While waiting for the lock, interrupted() is asked every 50 ms; true gives up the wait.
    void SetInterrupt(std::function<bool()> interrupted) { m_interrupted = std::move(interrupted); }
    // The path of the lock file.
    std::string LockPath() const;

    // Where the preferences are stored (a file path, or a registry key on Windows).
    std::string Location() const;
    // Empty, or why the store cannot be used ("is not a regular file").
    const std::string& Problem() const { return m_problem; }
    // Whether the last write reached the store (false: a folder or file that cannot be
    // written); a value that must not be lost, like the serial-number counter, is checked.
    bool LastWriteOk() const override;

private:
    void Store(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings; // null when the store cannot be used
    std::string m_path;
    std::string m_problem;
    bool m_lastWriteOk = true;
    std::unique_ptr<QLockFile> m_lock;
    std::function<bool()> m_interrupted;
};

} // namespace hx
