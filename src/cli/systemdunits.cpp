#include "cli/systemdunits.h"

#include <QDir>
#include <QRegularExpression>

#include "core/app/paths.h"

namespace qs::cli::systemd {
namespace {

const QString Header =
    QStringLiteral("# Written by 'quillmere-scan timer enable'; 'quillmere-scan timer disable' "
                   "removes it.\n");

// The variables that decide which settings and data sources a run uses.
const char *const CarriedVariables[] = {"XDG_CONFIG_HOME", "ODBCINI", "ODBCSYSINI"};

bool needsQuotes(const QString &word)
{
    static const QRegularExpression special(QStringLiteral(R"([\s"'\\])"));
    return word.isEmpty() || word.contains(special);
}

// A word of a unit file setting as systemd.syntax(7) reads it: % starts a specifier, so it is
// doubled; blanks, quotes and backslashes are kept by double quotes with C-style escapes.
QString unitWord(QString word)
{
    word.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!needsQuotes(word))
        return word;
    word.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    word.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + word + QLatin1Char('"');
}

} // namespace

QString userUnitDir()
{
    // The settings folder is <config home>/quillmere-scan, by the same XDG rule the service
    // manager follows.
    return QDir::cleanPath(app::paths::configDir() + QStringLiteral("/../systemd/user"));
}

std::optional<int> parseHour(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int hour = text.toInt();
    if (hour > 23)
        return std::nullopt;
    return hour;
}

bool startable(const QString &program)
{
    static const QRegularExpression refused(QStringLiteral(R"(["'\\\x00-\x1f\x7f])"));
    return QDir::isAbsolutePath(program) && !program.contains(refused);
}

QString serviceUnit(const QString &program, const QProcessEnvironment &environment)
{
    QString text = Header + QStringLiteral("[Unit]\n"
                                           "Description=Quillmere Scan: one scan run over the URLs not yet "
                                           "scanned today\n"
                                           "\n"
                                           "[Service]\n"
                                           "Type=oneshot\n");
    for (const char *name : CarriedVariables) {
        const QString value = environment.value(QLatin1String(name));
        if (!value.isEmpty() && QDir::isAbsolutePath(value))
            text += QStringLiteral("Environment=") +
                    unitWord(QLatin1String(name) + QLatin1Char('=') + value) + QLatin1Char('\n');
    }
    // The program path is not expanded for $ (only the arguments are), so only % is doubled.
    text += QStringLiteral("ExecStart=") + unitWord(program) + QStringLiteral(" scan\n");
    return text;
}

QString timerUnit(int hour)
{
    const QString at = QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
    return Header +
           QStringLiteral("[Unit]\n"
                          "Description=Daily Quillmere Scan run at %1\n"
                          "\n"
                          "[Timer]\n"
                          "OnCalendar=*-*-* %1:00\n"
                          "# A start missed while the computer was off or asleep runs as soon as the\n"
                          "# user's service manager runs again.\n"
                          "Persistent=true\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=timers.target\n")
               .arg(at);
}

std::optional<int> hourOfTimer(const QString &timerText)
{
    static const QRegularExpression calendar(QStringLiteral(R"(^OnCalendar=\*-\*-\* ([0-9]{1,2}):00:00\s*$)"),
                                             QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = calendar.match(timerText);
    if (!match.hasMatch())
        return std::nullopt;
    return parseHour(match.captured(1));
}

QString commandOfService(const QString &serviceText)
{
    static const QRegularExpression exec(QStringLiteral(R"(^ExecStart=(.*)$)"),
                                         QRegularExpression::MultilineOption);
    return exec.match(serviceText).captured(1).trimmed();
}

} // namespace qs::cli::systemd
