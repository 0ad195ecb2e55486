#pragma once

#include <memory>

#include <QHash>
#include <QTemporaryDir>
#include <QVariant>

#include "core/app/runfields.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "fakeclock.h"
#include "loopbackhttpserver.h"
#include "recordingprompts.h"
#include "testdatasource.h"

namespace qs::test {

// One scanner with its own database, settings, web server and clock: the real core, put
// together as the program does, without a window, a scheduler or a mail unless asked for.
struct ScanWorld
{
    static Engine::Options quickOptions();

    explicit ScanWorld(Backend backend = Backend::Sqlite, Engine::Options options = quickOptions());

    QVariant addUrl(const QVariant &url, const QVariant &sensitivity = 50);
    void addKeyword(const QString &keyword);
    QString url(const QString &path) const { return http.url(path).toString(); }
    const QString &text(app::Field field) const { return engine->fields().text(field); }

    // Starts a run and waits for its end.
    bool runToEnd(int timeoutMs = 20000);
    // Tomorrow, with the panes cleared as the daily start clears them.
    void nextDay();
    // KWID, KWORD and TALSUM of the hit of a keyword on a URL; empty when there is none.
    QVariantList hit(const QVariant &id, const QString &keyword);
    // DAGEN and TAL of a row.
    QVariantList dateAndCount(const QVariant &id);

    QTemporaryDir dir;
    TestDataSource db;
    app::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf"))};
    RecordingPrompts prompts;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(12, 0, 5))};
    LoopbackHttpServer http;
    std::unique_ptr<Engine> engine;
};

} // namespace qs::test
