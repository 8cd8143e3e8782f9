#include "platform/qt/QtPreferences.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <cstdint>

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

QtPreferences::QtPreferences(const std::string& iniPath)
    : m_settings(
          std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QtPreferences::~QtPreferences() = default;

int QtPreferences::GetInt(const std::string& section, const std::string& entry, int fallback) {
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
    const QVariant value = m_settings->value(Key(section, entry));
    if (!value.isValid())
        return fallback;
    return value.toString().toStdString();
}

void QtPreferences::WriteInt(const std::string& section, const std::string& entry, int value) {
    m_settings->setValue(Key(section, entry), value);
    m_settings->sync();
}

void QtPreferences::WriteString(const std::string& section, const std::string& entry,
                                const std::string& value) {
    m_settings->setValue(Key(section, entry), QString::fromStdString(value));
    m_settings->sync();
}

std::string QtPreferences::Location() const {
    return m_settings->fileName().toStdString();
}

bool QtPreferences::LastWriteOk() const {
    return m_settings->status() == QSettings::NoError;
}

} // namespace hx
