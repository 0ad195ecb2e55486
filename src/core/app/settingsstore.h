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
// Requests a run keeps in flight, in all and per host (host name and port).
inline const QString Parallel = QStringLiteral("Parallel");
inline const QString PerHost = QStringLiteral("PerHost");
// Seconds `quillmere-scan scan` waits for one database statement before it gives up.
inline const QString DatabaseTimeout = QStringLiteral("DatabaseTimeout");
} // namespace keys

// A whole-number setting with its range and the value used when none is stored.
struct NumberKey
{
    QString key;
    qint64 least = 0;
    qint64 most = 0;
    qint64 byDefault = 0;
};

namespace numbers {
inline const NumberKey Parallel{keys::Parallel, 1, 64, 10};
inline const NumberKey PerHost{keys::PerHost, 1, 8, 2};
inline const NumberKey DatabaseTimeout{keys::DatabaseTimeout, 1, 86400, 60};
} // namespace numbers

// A whole-number setting as read: the value to use, and why the stored text was not used (empty
// when nothing is stored or the text is good).
struct NumberSetting
{
    qint64 value = 0;
    QString problem;
};

// The settings as text values in one INI file per user.
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
    // The whole-number keys; null for a text key.
    static const NumberKey *numberKey(const QString &key);
    // Why text is not a good value for key (empty when it is).
    static QString valueProblem(const QString &key, const QString &text);

    // The stored text of key, or defaultValue when nothing is stored; never an error.
    QString read(const QString &key, const QString &defaultValue = {}) const;
    bool contains(const QString &key) const;
    NumberSetting readNumber(const NumberKey &key) const;
    // Why the settings file cannot be used (a folder, a link that leads nowhere, a file that
    // cannot be read or is not an INI file), naming the file; empty when it can, or does not
    // exist yet.
    QString problem() const;
    // Stores value exactly, leading and trailing blanks included. False when the file cannot be written.
    bool write(const QString &key, const QString &value);

    const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

} // namespace qs::app
