#include "cli/headless.h"

#include <cstdio>

#include <QLoggingCategory>

#include "core/app/output.h"
#include "core/app/settingsstore.h"

namespace qs::cli {

Engine::Options headlessOptions(bool withMail)
{
    Engine::Options options;
    options.withScheduler = false;
    options.withMail = withMail;
    return options;
}

void quietDriverWarnings()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
}

bool settingsReadable(const app::SettingsStore &settings)
{
    const QString problem = settings.problem();
    if (problem.isEmpty())
        return true;
    app::writeLine(stderr, QStringLiteral("quillmere-scan: ") + problem);
    return false;
}

} // namespace qs::cli
