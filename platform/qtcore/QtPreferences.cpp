#include "QtPreferences.h"

#include "Files.h"
#include "IniText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QSettings>

#ifdef _WIN32
#include <windows.h>
#endif
#include <QString>
#include <QVariant>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace hx {

namespace {

// How long a write waits for the lock that another program holds for its read and write.
constexpr unsigned kWriteLockWaitMs = 5000;

QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(entry);
}

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
    const size_t slash = path.find_last_of("/\\"); // Windows takes either separator
#else
    const size_t slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsRegistry() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

} // namespace

QtPreferences::QtPreferences() {
    QSettings own(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QORVA"),
                  QStringLiteral("HX-5310-Config"));
    if (IsRegistry())
        m_registry = std::make_unique<QSettings>(own.fileName(), QSettings::NativeFormat);
    else
        m_path = own.fileName().toStdString();
    std::string text;
    ReadFile(text);
}

QtPreferences::QtPreferences(const std::string& iniPath) : m_path(iniPath), m_named(true) {
    struct stat st {};
    if (::stat(iniPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_problem = S_ISDIR(st.st_mode) ? "is a folder" : "is not a regular file";
        m_lastWriteOk = false;
        return;
    }
    std::string text;
    ReadFile(text);
}

QtPreferences::~QtPreferences() = default;

QtPreferences::Read QtPreferences::ReadFile(std::string& text) {
    text.clear();
    if (!m_problem.empty()) {
        text = m_path + " " + m_problem;
        return Read::Gone;
    }
    int err = 0;
    std::FILE* f = OpenRegularFile(m_path, err);
    if (!f) {
        if (err == ENOENT || err == ENOTDIR) {
            if (m_seen) {
                text = m_path + " has vanished since it was read";
                return Read::Gone;
            }
            if (m_named && !FolderExists(FolderOf(m_path))) {
                text = "the folder of " + m_path + " does not exist";
                return Read::Gone;
            }
            return Read::Absent;
        }
        text = m_path + ": " + std::strerror(err);
        return Read::Gone;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        text = m_path + " cannot be read";
        return Read::Gone;
    }
    m_seen = true;
    return Read::Present;
}

bool QtPreferences::Value(const std::string& section, const std::string& entry,
                          std::string& value) {
    if (m_registry) {
        const QVariant v =
            QSettings(m_registry->fileName(), QSettings::NativeFormat).value(Key(section, entry));
        if (!v.isValid())
            return false;
        value = v.toString().toStdString();
        return true;
    }
    std::string text;
    return ReadFile(text) == Read::Present && IniValue(text, section, entry, value);
}

int QtPreferences::GetInt(const std::string& section, const std::string& entry, int fallback) {
    std::string text;
    if (!Value(section, entry, text))
        return fallback;
    bool ok = false;
    const qlonglong number = QString::fromStdString(text).trimmed().toLongLong(&ok);
    // A 32-bit value may have been stored unsigned (a serial number above 7FFFFFFF); it reads
    // back as the same 32 bits.
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return fallback;
    return static_cast<int>(static_cast<uint32_t>(number));
}

std::string QtPreferences::GetString(const std::string& section, const std::string& entry,
                                     const std::string& fallback) {
    std::string text;
    return Value(section, entry, text) ? text : fallback;
}

void QtPreferences::WriteInt(const std::string& section, const std::string& entry, int value) {
    if (m_registry)
        StoreInRegistry(Key(section, entry), value); // a number, as REG_DWORD
    else
        Store(section, entry, std::to_string(value));
}

void QtPreferences::WriteString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    Store(section, entry, value);
}

bool QtPreferences::WriteFile(const std::string& section, const std::string& entry,
                              const std::string& value) {
    std::string text;
    if (ReadFile(text) == Read::Gone)
        return false;
    if (!m_named && !MakeFolders(FolderOf(m_path)))
        return false;
    int err = 0;
    if (!ReplaceFileWith(m_path, IniWithValue(text, section, entry, value), err))
        return false;
    m_seen = true;
    return true;
}

void QtPreferences::Store(const std::string& section, const std::string& entry,
                          const std::string& value) {
    if (!m_problem.empty()) {
        m_lastWriteOk = false;
        return;
    }
    if (m_registry) {
        StoreInRegistry(Key(section, entry), QString::fromStdString(value));
        return;
    }
    // A write is a read of the whole file and a write of it: without the lock, it could put
    // back a counter that another program moved on meanwhile.
    const bool locked = m_lock != nullptr;
    std::string why;
    if (!locked && !Lock(kWriteLockWaitMs, why)) {
        m_lastWriteOk = false;
        return;
    }
    m_lastWriteOk = WriteFile(section, entry, value);
    if (!locked)
        Unlock();
}

void QtPreferences::StoreInRegistry(const QString& key, const QVariant& value) {
    QSettings registry(m_registry->fileName(), QSettings::NativeFormat);
    registry.setValue(key, value);
    registry.sync();
    m_lastWriteOk = registry.status() == QSettings::NoError && FlushRegistry();
}

bool QtPreferences::FlushRegistry() const {
#ifdef _WIN32
    // The registry writes its hives lazily; a number given to a box must survive a power cut
    // that comes right after, so the key goes to the disk before the box hears it.
    // The key's path as the settings name it ("\HKEY_CURRENT_USER\Software\QORVA\..."), taken
    // with either kind of slash and with or without the leading one.
    QString path = m_registry->fileName();
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    const QString root = QStringLiteral("HKEY_CURRENT_USER\\");
    if (!path.startsWith(root, Qt::CaseInsensitive))
        return true; // a hive the program does not own: left to the system
    path = path.mid(root.size());
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.utf16()), 0,
                        KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool flushed = ::RegFlushKey(key) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return flushed;
#else
    return true;
#endif
}

QtPreferences::Read QtPreferences::ReadNow(const std::string& section, const std::string& entry,
                                           std::string& text) {
    if (m_registry)
        return Value(section, entry, text) ? Read::Present : Read::Absent;
    std::string file;
    const Read r = ReadFile(file);
    if (r != Read::Present) {
        text = file;
        return r;
    }
    return IniValue(file, section, entry, text) ? Read::Present : Read::Absent;
}

std::string QtPreferences::LockPath() const {
    if (m_registry) {
        // A store that is no file: a lock in the temporary folder, named after its key.
        const QByteArray key =
            QCryptographicHash::hash(m_registry->fileName().toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16);
        return QDir::temp()
            .filePath(QStringLiteral("hx5310-counter-") + key + ".lock")
            .toStdString();
    }
    std::string real = RealFilePath(m_path);
    if (real.empty())
        real = m_path;
    return real + ".counter.lock";
}

bool QtPreferences::Lock(unsigned waitMs, std::string& why) {
    if (!m_problem.empty()) {
        why = m_path + " " + m_problem;
        return false;
    }
    if (!m_registry) {
        if (!m_named && !MakeFolders(FolderOf(RealFilePath(m_path)))) {
            why = "cannot make the folder of " + m_path;
            return false;
        }
        if (m_named && !FolderExists(FolderOf(RealFilePath(m_path)))) {
            why = "the folder of " + m_path + " does not exist";
            return false;
        }
        const int names = NameCount(m_path);
        if (names > 1) {
            why = m_path + " has " + std::to_string(names) +
                  " names (hard links); keep one name and use links of the symbolic kind";
            return false;
        }
    }
    const QString path = QString::fromStdString(LockPath());
    m_lock = std::make_unique<QLockFile>(path);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (m_lock->tryLock(50))
            return true;
        if (m_lock->error() != QLockFile::LockFailedError) {
            why = "cannot make " + path.toStdString();
            break;
        }
        if (m_interrupted && m_interrupted()) {
            why = "the wait for " + path.toStdString() + " was interrupted";
            break;
        }
        if (waited.elapsed() >= static_cast<qint64>(waitMs)) {
            why = path.toStdString() + " is held by another program";
            break;
        }
    }
    m_lock.reset();
    return false;
}

void QtPreferences::Unlock() {
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

std::string QtPreferences::Location() const {
    return m_registry ? m_registry->fileName().toStdString() : m_path;
}

bool QtPreferences::LastWriteOk() const {
    return m_lastWriteOk;
}

} // namespace hx
