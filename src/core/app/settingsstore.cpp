#include "core/app/settingsstore.h"

#include <QDir>
#include <QSettings>

#include "core/app/paths.h"

namespace qs::app {

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{}

QString SettingsStore::defaultFilePath()
{
    return paths::configDir() + QStringLiteral("/quillmere-scan.conf");
}

bool SettingsStore::isKnownKey(const QString &key)
{
    return key == keys::Dsn || key == keys::Mailserver || key == keys::Sender || key == keys::Mailto ||
           key == keys::Subject;
}

QString SettingsStore::read(const QString &key, const QString &defaultValue) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

bool SettingsStore::contains(const QString &key) const
{
    return QSettings(m_filePath, QSettings::IniFormat).contains(key);
}

bool SettingsStore::write(const QString &key, const QString &value)
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace qs::app
