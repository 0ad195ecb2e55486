#include "core/app/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "core/app/paths.h"
#include "core/app/wholenumber.h"

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
           key == keys::Subject || numberKey(key) != nullptr;
}

const NumberKey *SettingsStore::numberKey(const QString &key)
{
    for (const NumberKey *number : {&numbers::Parallel, &numbers::PerHost, &numbers::DatabaseTimeout}) {
        if (number->key == key)
            return number;
    }
    return nullptr;
}

QString SettingsStore::valueProblem(const QString &key, const QString &text)
{
    const NumberKey *number = numberKey(key);
    if (number == nullptr)
        return {};
    return wholeNumberIn(key, text, number->least, number->most).problem;
}

NumberSetting SettingsStore::readNumber(const NumberKey &key) const
{
    if (!contains(key.key))
        return {key.byDefault, {}};
    const WholeNumber number = wholeNumberIn(key.key, read(key.key), key.least, key.most);
    if (!number.value)
        return {key.byDefault, number.problem + QStringLiteral(": %1 is used").arg(key.byDefault)};
    return {*number.value, {}};
}

QString SettingsStore::problem() const
{
    const QFileInfo file(m_filePath);
    if (file.isSymLink() && !file.exists())
        return QStringLiteral("The settings file %1 is a link that leads nowhere (or to itself)")
            .arg(m_filePath);
    if (!file.exists())
        return {};
    if (file.isDir())
        return QStringLiteral("The settings file %1 is a folder, not a file").arg(m_filePath);
    QFile in(m_filePath);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("The settings file %1 cannot be read: %2").arg(m_filePath, in.errorString());
    // Every line of an INI file is blank, a comment, a [section] or a key=value pair; anything
    // else would be read as no settings at all, and the operator would never learn why.
    qsizetype number = 0;
    for (const QByteArray &raw : in.readAll().split('\n')) {
        ++number;
        const QByteArray line = raw.trimmed();
        const bool fits =
            !line.contains('\0') && (line.isEmpty() || line.startsWith(';') || line.startsWith('#') ||
                                     (line.startsWith('[') && line.endsWith(']')) || line.contains('='));
        if (!fits)
            return QStringLiteral("The settings file %1 is not an INI file (line %2)")
                .arg(m_filePath)
                .arg(number);
    }
    return {};
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
