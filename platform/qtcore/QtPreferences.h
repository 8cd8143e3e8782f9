#pragma once
// Stored preferences per user under "QORVA" / "HX-5310-Config": an INI file in the user's
// configuration folder on Linux, the registry on Windows; or a given INI file.
//
// The INI file is read from the disk at every read and changed under the store's lock at every
// write, never from a copy kept in memory: other programs (the window, any number of
// hx5310ctl runs, other stations on a share) write the same file, and a file system that keeps
// its times to the second cannot tell a cache that the file changed. A write replaces the file
// by a complete new one, synced to the disk with its folder before the write returns.
#include "Preferences.h"

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
    // The user's own preferences. A first start makes their folder.
    QtPreferences();
    // The preferences in the INI file at iniPath, which the user named: its folder must exist
    // (a share that is not mounted gives nothing to create), and the file is made when first
    // written. Anything there that is not a regular file (a folder, a FIFO, a device) is never
    // opened: reading a FIFO would wait for a writer. Such preferences read as absent and
    // cannot be written; Problem() says why.
    explicit QtPreferences(const std::string& iniPath);
    ~QtPreferences() override;
    QtPreferences(const QtPreferences&) = delete;
    QtPreferences& operator=(const QtPreferences&) = delete;

    // An entry that is absent, or that is not a whole number in 32 bits (an edited file),
    // gives the fallback.
    int GetInt(const std::string& section, const std::string& entry, int fallback) override;
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) override;
    // Written through to the disk at once, under the store's lock.
    void WriteInt(const std::string& section, const std::string& entry, int value) override;
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

    Read ReadNow(const std::string& section, const std::string& entry, std::string& text) override;
    // The lock is a file beside the store, named after the store's real path (symbolic links
    // followed, dangling ones too), so that every program reaching the same store by any name
    // takes the same lock. A store file with more than one name (hard links) is refused: a
    // write replaces the file, and the names would part into two counters.
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
    // written, a lock that cannot be had); a value that must not be lost, like the
    // serial-number counter, is checked.
    bool LastWriteOk() const override;

private:
    // The file's text now; Absent when there is none, Gone (why in text) when it must be there.
    Read ReadFile(std::string& text);
    bool WriteFile(const std::string& section, const std::string& entry, const std::string& value);
    bool Value(const std::string& section, const std::string& entry, std::string& value);
    void Store(const std::string& section, const std::string& entry, const std::string& value);
    bool FlushRegistry() const;
    void StoreInRegistry(const QString& key, const QVariant& value);

    std::string m_path;                    // the INI file; empty for the registry
    bool m_named = false;                  // a file the user named: its folder is never made
    bool m_seen = false;                   // the file was there once: vanishing is a fault
    std::unique_ptr<QSettings> m_registry; // the registry, on Windows
    std::string m_problem;
    bool m_lastWriteOk = true;
    std::unique_ptr<QLockFile> m_lock;
    std::function<bool()> m_interrupted;
};

} // namespace hx
