#pragma once

#include <QString>

#include "core/app/blanks.h"

namespace qs::app {

// The keys of the per-user settings store; no other key is read or written.
namespace keys {
inline const QString Dsn = QStringLiteral("DSN");
inline const QString Mailserver = QStringLiteral("Mailserver");
inline const QString Sender = QStringLiteral("Sender");
inline const QString Mailto = QStringLiteral("Mailto");
inline const QString Subject = QStringLiteral("Subject");
} // namespace keys

// The five settings as text values in one INI file per user.
//
// Every read and write opens the file afresh, so a value saved by a dialog, or by
// `quillmere-scan config` in another process, is seen at its very next use.
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath);

    // $XDG_CONFIG_HOME/quillmere-scan/quillmere-scan.conf (default ~/.config/...).
    static QString defaultFilePath();
    static bool isKnownKey(const QString &key);

    // The stored text of key, or defaultValue when nothing is stored; never an error.
    QString read(const QString &key, const QString &defaultValue = {}) const;
    bool contains(const QString &key) const;
    // Stores value exactly, leading and trailing blanks included. False when the file cannot be written.
    bool write(const QString &key, const QString &value);

    const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

} // namespace qs::app
