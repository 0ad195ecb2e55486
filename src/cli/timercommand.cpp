#include "cli/timercommand.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "cli/commandline.h"
#include "cli/systemdunits.h"
#include "core/app/output.h"

namespace qs::cli {
namespace {

// A user manager that has not answered in this time is treated as absent.
constexpr int SystemctlTimeoutMs = 30000;

const QString Prefix = QStringLiteral("quillmere-scan: ");

void say(const QString &text)
{
    app::writeLine(stdout, text);
}

void complain(const QString &text)
{
    app::writeLine(stderr, Prefix + text);
}

int usage(const QString &problem)
{
    complain(problem + QStringLiteral("; try 'quillmere-scan --help'"));
    return ExitUsage;
}

QString runningProgram()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

struct Units
{
    QString dir = systemd::userUnitDir();
    QString service = dir + QLatin1Char('/') + QLatin1String(systemd::ServiceName);
    QString timer = dir + QLatin1Char('/') + QLatin1String(systemd::TimerName);
    // Where `systemctl enable` links the timer in.
    QString wantsLink = dir + QStringLiteral("/timers.target.wants/") + QLatin1String(systemd::TimerName);

    bool exist() const { return QFileInfo::exists(service) || QFileInfo::exists(timer); }
};

struct Answer
{
    bool ok = false;
    QString output;
    QString error;
};

// Why the user's service manager is not asked, or an empty string when it may be.
QString unreachableReason()
{
    const QString noSystemd = qEnvironmentVariable("QUILLMERE_SCAN_NO_SYSTEMD");
    if (!noSystemd.isEmpty() && noSystemd != QLatin1String("0"))
        return QStringLiteral("QUILLMERE_SCAN_NO_SYSTEMD is set");
    if (QStandardPaths::findExecutable(QStringLiteral("systemctl")).isEmpty())
        return QStringLiteral("systemctl is not installed");
    return {};
}

Answer systemctl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    if (!process.waitForStarted())
        return {false, {}, process.errorString()};
    if (!process.waitForFinished(SystemctlTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {false, {}, QStringLiteral("no answer within %1 seconds").arg(SystemctlTimeoutMs / 1000)};
    }
    Answer answer;
    answer.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    answer.error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    answer.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!answer.ok && answer.error.isEmpty())
        answer.error = QStringLiteral("exit status %1").arg(process.exitCode());
    return answer;
}

// systemctl reports what it did first and why it failed last.
QString lastLine(const QString &text)
{
    return text.trimmed().section(QLatin1Char('\n'), -1);
}

bool writeFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        complain(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool removeFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isSymLink() && !file.exists())
        return true;
    if (!file.remove()) {
        complain(QStringLiteral("cannot remove %1: %2").arg(path, file.errorString()));
        return false;
    }
    say(QStringLiteral("removed ") + path);
    return true;
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// `systemctl show` prints Key=Value lines; an unset time is empty or "n/a".
QString shownValue(const QString &shown, const QString &key)
{
    const QString start = key + QLatin1Char('=');
    for (const QString &line : shown.split(QLatin1Char('\n'))) {
        if (line.startsWith(start)) {
            const QString value = line.mid(start.size()).trimmed();
            return value == QLatin1String("n/a") ? QString() : value;
        }
    }
    return {};
}

void printManualSteps(const Units &units, const QString &reason)
{
    complain(QStringLiteral("no user service manager answers (%1); the timer is written but not switched on")
                 .arg(reason));
    for (const QString &path : {units.service, units.timer}) {
        say(QStringLiteral("--- %1").arg(path));
        app::writeText(stdout, readFile(path));
    }
    say(QStringLiteral("---\nSwitch it on in a session where your user service manager runs:\n"
                       "  systemctl --user daemon-reload\n"
                       "  systemctl --user enable --now %1")
            .arg(QLatin1String(systemd::TimerName)));
}

int enable(const QStringList &arguments)
{
    QString hourText;
    if (arguments.size() == 2 && arguments.at(0) == QLatin1String("--hour"))
        hourText = arguments.at(1);
    else if (arguments.size() == 1 && arguments.at(0).startsWith(QLatin1String("--hour=")))
        hourText = arguments.at(0).mid(7);
    else
        return usage(QStringLiteral("timer enable takes --hour H"));
    const std::optional<int> hour = systemd::parseHour(hourText);
    if (!hour)
        return usage(
            QStringLiteral("the hour must be a whole number from 0 to 23, not \"%1\"").arg(hourText));

    const QString program = runningProgram();
    if (!systemd::startable(program)) {
        complain(QStringLiteral("systemd does not start a program whose path holds a quote, a backslash or a "
                                "control character: %1; move it to another folder first")
                     .arg(program));
        return ExitFailure;
    }
    const Units units;
    if (!QDir().mkpath(units.dir)) {
        complain(QStringLiteral("cannot create the folder %1").arg(units.dir));
        return ExitFailure;
    }
    if (!writeFile(units.service, systemd::serviceUnit(program, QProcessEnvironment::systemEnvironment())) ||
        !writeFile(units.timer, systemd::timerUnit(*hour)))
        return ExitFailure;

    QString reason = unreachableReason();
    if (reason.isEmpty()) {
        if (const Answer reload = systemctl({QStringLiteral("daemon-reload")}); !reload.ok)
            reason = QStringLiteral("systemctl --user: ") + lastLine(reload.error);
    }
    if (!reason.isEmpty()) {
        printManualSteps(units, reason);
        return ExitOk;
    }
    if (const Answer enabled =
            systemctl({QStringLiteral("enable"), QStringLiteral("--now"), QLatin1String(systemd::TimerName)});
        !enabled.ok) {
        complain(QStringLiteral("systemctl --user enable --now %1 failed: %2")
                     .arg(QLatin1String(systemd::TimerName), enabled.error));
        return ExitFailure;
    }
    say(QStringLiteral("The timer runs '%1 scan' every day at %2:00; a start missed while the computer was "
                       "off or asleep runs when your user service manager runs again.")
            .arg(program)
            .arg(*hour, 2, 10, QLatin1Char('0')));
    const Answer shown = systemctl({QStringLiteral("show"), QLatin1String(systemd::TimerName),
                                    QStringLiteral("-p"), QStringLiteral("NextElapseUSecRealtime")});
    if (const QString next = shownValue(shown.output, QStringLiteral("NextElapseUSecRealtime"));
        !next.isEmpty())
        say(QStringLiteral("Next start: ") + next);
    return ExitOk;
}

int disable()
{
    const Units units;
    if (!units.exist() && !QFileInfo(units.wantsLink).isSymLink()) {
        say(QStringLiteral("No timer is set up; nothing to remove."));
        return ExitOk;
    }
    QString reason = unreachableReason();
    if (reason.isEmpty()) {
        const QString timer = QLatin1String(systemd::TimerName);
        if (const Answer disabled = systemctl({QStringLiteral("disable"), QStringLiteral("--now"), timer});
            disabled.ok) {
            // Forget the last start, so that a timer set up again later does not catch up at once.
            systemctl({QStringLiteral("clean"), QStringLiteral("--what=state"), timer});
        } else {
            reason = QStringLiteral("systemctl --user: ") + lastLine(disabled.error);
        }
    }
    if (!reason.isEmpty())
        complain(QStringLiteral("no user service manager answers (%1); the files are removed all the same")
                     .arg(reason));
    // Without a manager the link `enable` made is removed by hand, so that none dangles.
    bool removed = removeFile(units.wantsLink);
    removed = removeFile(units.timer) && removed;
    removed = removeFile(units.service) && removed;
    if (reason.isEmpty())
        systemctl({QStringLiteral("daemon-reload")});
    return removed ? ExitOk : ExitFailure;
}

int status()
{
    const Units units;
    if (!units.exist()) {
        say(QStringLiteral("No timer is set up ('quillmere-scan timer enable --hour H' sets one up)."));
        return ExitOk;
    }
    const std::optional<int> hour = systemd::hourOfTimer(readFile(units.timer));
    const QString command = systemd::commandOfService(readFile(units.service));
    say(QStringLiteral("Timer: every day at %1, running %2")
            .arg(hour ? QStringLiteral("%1:00").arg(*hour, 2, 10, QLatin1Char('0'))
                      : QStringLiteral("(unreadable)"),
                 command.isEmpty() ? QStringLiteral("(unreadable)") : command));
    say(QStringLiteral("Units: %1, %2").arg(units.timer, units.service));
    if (!command.isEmpty() && !command.startsWith(runningProgram() + QLatin1Char(' ')))
        say(QStringLiteral("This program is %1; 'timer enable' again makes the timer run it.")
                .arg(runningProgram()));

    QString reason = unreachableReason();
    Answer timer;
    if (reason.isEmpty()) {
        timer = systemctl({QStringLiteral("show"), QLatin1String(systemd::TimerName), QStringLiteral("-p"),
                           QStringLiteral("ActiveState,NextElapseUSecRealtime,LastTriggerUSec")});
        if (!timer.ok)
            reason = QStringLiteral("systemctl --user: ") + lastLine(timer.error);
    }
    if (!reason.isEmpty()) {
        say(QStringLiteral("No user service manager answers (%1), so the next and last start are unknown.")
                .arg(reason));
        return ExitOk;
    }
    const QString state = shownValue(timer.output, QStringLiteral("ActiveState"));
    if (state != QLatin1String("active"))
        say(QStringLiteral("The timer is not switched on (%1): systemctl --user enable --now %2")
                .arg(state.isEmpty() ? QStringLiteral("unknown") : state, QLatin1String(systemd::TimerName)));
    const QString next = shownValue(timer.output, QStringLiteral("NextElapseUSecRealtime"));
    const QString last = shownValue(timer.output, QStringLiteral("LastTriggerUSec"));
    say(QStringLiteral("Next start: ") + (next.isEmpty() ? QStringLiteral("none") : next));
    say(QStringLiteral("Last start: ") + (last.isEmpty() ? QStringLiteral("none yet") : last));
    if (!last.isEmpty()) {
        const Answer service =
            systemctl({QStringLiteral("show"), QLatin1String(systemd::ServiceName), QStringLiteral("-p"),
                       QStringLiteral("ActiveState,ExecMainStatus")});
        if (shownValue(service.output, QStringLiteral("ActiveState")) == QLatin1String("activating"))
            say(QStringLiteral("A run is under way."));
        else if (const QString code = shownValue(service.output, QStringLiteral("ExecMainStatus"));
                 !code.isEmpty())
            say(QStringLiteral("Last run ended with exit status %1 (see 'quillmere-scan --help').")
                    .arg(code));
    }
    return ExitOk;
}

} // namespace

int runTimerCommand(const QStringList &arguments)
{
    const QString word = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (word == QLatin1String("enable"))
        return enable(rest);
    if (word == QLatin1String("disable") && rest.isEmpty())
        return disable();
    if (word == QLatin1String("status") && rest.isEmpty())
        return status();
    if (word == QLatin1String("disable") || word == QLatin1String("status"))
        return usage(QStringLiteral("timer %1 takes no arguments").arg(word));
    return usage(QStringLiteral("timer takes enable --hour H, disable or status"));
}

} // namespace qs::cli
