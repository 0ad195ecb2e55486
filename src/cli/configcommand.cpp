#include "cli/configcommand.h"

#include "cli/commandline.h"
#include "cli/headless.h"
#include "core/app/output.h"
#include "core/app/settingsstore.h"

namespace qs::cli {

int runConfigCommand(app::SettingsStore &settings, const QStringList &arguments)
{
    const QString &key = arguments.at(0);
    if (!app::SettingsStore::isKnownKey(key)) {
        app::writeLine(stderr,
                       QStringLiteral("quillmere-scan: unknown key \"%1\" (keys: DSN, Mailserver, Sender, "
                                      "Mailto, Subject, Parallel, PerHost, DatabaseTimeout)")
                           .arg(key));
        return ExitUsage;
    }
    // A file that cannot be read would print as an empty value, and a write would replace it.
    if (!settingsReadable(settings))
        return ExitFailure;
    if (arguments.size() == 1) {
        app::writeLine(stdout, settings.read(key));
        return ExitOk;
    }
    const QString &value = arguments.at(1);
    if (app::isBlank(value)) {
        app::writeLine(
            stderr,
            QStringLiteral("quillmere-scan: an empty value is not stored; %1 keeps its value").arg(key));
        return ExitUsage;
    }
    if (const QString problem = app::SettingsStore::valueProblem(key, value); !problem.isEmpty()) {
        app::writeLine(stderr,
                       QStringLiteral("quillmere-scan: ") + problem + QStringLiteral("; nothing stored"));
        return ExitUsage;
    }
    if (!settings.write(key, value)) {
        app::writeLine(stderr, QStringLiteral("quillmere-scan: cannot write %1").arg(settings.filePath()));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace qs::cli
