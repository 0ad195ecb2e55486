#include "scanworld.h"

#include <QSignalSpy>

#include "core/scan/scanrun.h"

namespace qs::test {

Engine::Options ScanWorld::quickOptions()
{
    Engine::Options options;
    // Short enough that a server that never answers cannot hold a test up for long.
    options.requestTimeout = std::chrono::milliseconds(3000);
    options.withScheduler = false;
    options.withMail = false;
    return options;
}

ScanWorld::ScanWorld(Backend backend, Engine::Options options)
    : db(backend)
{
    settings.write(app::keys::Dsn, db.name());
    http.listen();
    engine = std::make_unique<Engine>(settings, prompts, clock, options);
    engine->load();
}

QVariant ScanWorld::addUrl(const QVariant &url, const QVariant &sensitivity)
{
    db.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES (?, ?)"), {url, sensitivity});
    return db.value(QStringLiteral("SELECT MAX(ID) FROM listen"));
}

void ScanWorld::addKeyword(const QString &keyword)
{
    db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES (?)"), {keyword});
}

bool ScanWorld::runToEnd(int timeoutMs)
{
    QSignalSpy ended(&engine->run(), &scan::ScanRun::runEnded);
    if (!engine->run().start())
        return false;
    return !ended.isEmpty() || ended.wait(timeoutMs);
}

void ScanWorld::nextDay()
{
    clock.advance(std::chrono::hours(24));
    engine->load();
    engine->fields().clear(app::Field::txtResultat);
    engine->fields().clear(app::Field::txtEtrap);
}

QVariantList ScanWorld::hit(const QVariant &id, const QString &keyword)
{
    return db
        .rows(QStringLiteral("SELECT KWID, KWORD, TALSUM FROM kw WHERE KWID = ? AND KWORD = ?"),
              {id, keyword})
        .value(0);
}

QVariantList ScanWorld::dateAndCount(const QVariant &id)
{
    return db.rows(QStringLiteral("SELECT DAGEN, TAL FROM listen WHERE ID = ?"), {id}).value(0);
}

} // namespace qs::test
