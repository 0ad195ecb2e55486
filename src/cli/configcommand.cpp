#include "cli/configcommand.h"

#include <cstdio>

#include "core/app/settingsstore.h"
#include "cli/commandline.h"

namespace qs::cli {
namespace {

void printLine(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int runConfigCommand(app::SettingsStore &settings, const QStringList &arguments)
{
    const QString &key = arguments.at(0);
    if (!app::SettingsStore::isKnownKey(key)) {
        printLine(stderr, QStringLiteral("quillmere-scan: unknown key \"%1\" (keys: DSN, Mailserver, Sender, "
                                         "Mailto, Subject)")
                              .arg(key));
        return ExitUsage;
    }
    if (arguments.size() == 1) {
        printLine(stdout, settings.read(key));
        return ExitOk;
    }
    const QString &value = arguments.at(1);
    if (app::isBlank(value)) {
        printLine(
            stderr,
            QStringLiteral("quillmere-scan: an empty value is not stored; %1 keeps its value").arg(key));
        return ExitUsage;
    }
    if (!settings.write(key, value)) {
        printLine(stderr, QStringLiteral("quillmere-scan: cannot write %1").arg(settings.filePath()));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace qs::cli
