#include "platform/qt/QtPreferences.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <sys/stat.h>

namespace hx {

namespace {
QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(entry);
}
} // namespace

QtPreferences::QtPreferences()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("QORVA"),
                                             QStringLiteral("HX-5310-Config"))) {}

QtPreferences::QtPreferences(const std::string& iniPath) : m_path(iniPath) {
    struct stat st {};
    if (::stat(iniPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_problem = S_ISDIR(st.st_mode) ? "is a folder" : "is not a regular file";
        m_lastWriteOk = false;
        return;
    }
    m_settings = std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat);
}

QtPreferences::~QtPreferences() = default;

int QtPreferences::GetInt(const std::string& section, const std::string& entry, int fallback) {
    if (!m_settings)
        return fallback;
    const QVariant value = m_settings->value(Key(section, entry));
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    // A 32-bit value may have been stored unsigned (a serial number above 7FFFFFFF); it reads
    // back as the same 32 bits.
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return fallback;
    return static_cast<int>(static_cast<uint32_t>(number));
}

std::string QtPreferences::GetString(const std::string& section, const std::string& entry,
                                     const std::string& fallback) {
    if (!m_settings)
        return fallback;
    const QVariant value = m_settings->value(Key(section, entry));
    if (!value.isValid())
        return fallback;
    return value.toString().toStdString();
}

void QtPreferences::WriteInt(const std::string& section, const std::string& entry, int value) {
    Store(Key(section, entry), value);
}

void QtPreferences::WriteString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    Store(Key(section, entry), QString::fromStdString(value));
}

void QtPreferences::Store(const QString& key, const QVariant& value) {
    if (!m_settings) {
        m_lastWriteOk = false;
        return;
    }
    // QSettings::status() keeps the first problem it met. A failed write earlier says nothing
    // of this one: start from a fresh object then.
    if (m_settings->status() == QSettings::AccessError) {
        const QString name = m_settings->fileName();
        const QSettings::Format format = m_settings->format();
        m_settings = std::make_unique<QSettings>(name, format);
    }
    m_settings->setValue(key, value);
    m_settings->sync();
    // A malformed line read earlier (FormatError) does not keep the file from being written.
    m_lastWriteOk = m_settings->isWritable() && m_settings->status() != QSettings::AccessError;
}

bool QtPreferences::ReadNow(const std::string& section, const std::string& entry,
                            std::string& text) {
    if (!m_settings)
        return false;
    m_settings->sync(); // takes in what other programs wrote since
    const QVariant value = m_settings->value(Key(section, entry));
    if (!value.isValid())
        return false;
    text = value.toString().toStdString();
    return true;
}

std::string QtPreferences::LockPath() const {
    if (!m_settings)
        return m_path + ".counter.lock";
    const QFileInfo store(m_settings->fileName());
    if (!store.isAbsolute()) {
        // A store that is no file (the registry): a lock in the temporary folder, named after it.
        const QByteArray key =
            QCryptographicHash::hash(m_settings->fileName().toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16);
        return QDir::temp()
            .filePath(QStringLiteral("hx5310-counter-") + key + ".lock")
            .toStdString();
    }
    QString real = store.canonicalFilePath();
    if (real.isEmpty()) {
        // Not written yet: the real folder, and the name.
        QDir().mkpath(store.absolutePath());
        const QString folder = QFileInfo(store.absolutePath()).canonicalFilePath();
        real = (folder.isEmpty() ? store.absolutePath() : folder) + '/' + store.fileName();
    }
    return (real + QStringLiteral(".counter.lock")).toStdString();
}

bool QtPreferences::Lock(unsigned waitMs, std::string& why) {
    if (!m_settings) {
        why = m_path + " " + m_problem;
        return false;
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
    return m_settings ? m_settings->fileName().toStdString() : m_path;
}

bool QtPreferences::LastWriteOk() const {
    return m_lastWriteOk;
}

} // namespace hx
