#include "core/lists/keywordcommands.h"

#include <QSqlRecord>

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/store/keywordlist.h"
#include "core/store/listtables.h"

namespace qs::lists {

namespace {

store::DbError notListed(const store::KeywordList &listed, const QString &keyword, const QString &replacing)
{
    if (listed.error.failed())
        return listed.error;
    const QString alike = store::alikeKeyword(listed.values, keyword, replacing);
    if (alike.isNull())
        return {};
    return {store::AlreadyListed,
            QStringLiteral("the keyword \"%1\" is listed already as \"%2\", and the search "
                           "does not tell them apart")
                .arg(keyword, alike)};
}

GridTable keywordTable()
{
    GridTable table;
    table.table = QStringLiteral("keyword");
    table.shownColumns = QStringList{QStringLiteral("KEYWORDS")};
    // The table has no key: sorted, a keyword keeps a predictable place after it is written.
    table.sortColumn = QStringLiteral("KEYWORDS");
    table.loadErrorPrefix = QStringLiteral("Keyword load Error ");
    table.writeErrorPrefix = QStringLiteral("Keyword edit Error ");
    table.deleteQuestion = QStringLiteral("Delete the keyword %1 from the list?");
    table.check = [](const QSqlDatabase &db, const QSqlRecord &edited, const QSqlRecord &stored) {
        return notListed(store::loadKeywords(db), edited.value(QStringLiteral("KEYWORDS")).toString(),
                         stored.isEmpty() ? QString() : stored.value(QStringLiteral("KEYWORDS")).toString());
    };
    return table;
}

} // namespace

store::DbError checkNotListed(const ListContext &context, const QString &keyword, const QString &replacing)
{
    return notListed(store::loadKeywords(context.dataSource, context.dataSourceName.current()), keyword,
                     replacing);
}

KeywordCommands::KeywordCommands(const ListContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_grid(context, keywordTable())
{}

void KeywordCommands::cmdKWordClick()
{
    m_grid.load();
}

void KeywordCommands::cmdWordClick()
{
    const QString dsn = m_context.dataSourceName.refresh();
    if (!m_context.prompts.confirm(QStringLiteral("All the keywords found at scanning will be deleted!")))
        return;

    const store::DbError error = store::deleteAllHits(m_context.dataSource, dsn);
    if (!error.failed())
        return;
    m_context.fields.append(app::Field::txtEtrap, app::errorEntry(QStringLiteral("Delete Error "),
                                                                  error.number, error.description));
    // Nothing was deleted: the operator must not be told otherwise.
    m_context.prompts.showMessage(
        QStringLiteral("The keywords found at scanning were not deleted: there was an error"));
}

CommandResult KeywordCommands::add(const QString &keyword)
{
    if (app::isBlank(keyword))
        return CommandResult::badInput(QStringLiteral("the keyword is empty; nothing added"));
    const QString dsn = m_context.dataSourceName.refresh();
    const store::DbError refusal = checkNotListed(m_context, keyword);
    if (refusal.number == store::AlreadyListed)
        return CommandResult::badInput(refusal.description + QStringLiteral("; nothing added"));
    if (refusal.failed())
        return CommandResult::fromError(refusal, QStringLiteral("reading the keyword list"));
    if (const store::DbError error = store::insertKeyword(m_context.dataSource, dsn, keyword); error.failed())
        return CommandResult::fromError(error, QStringLiteral("adding \"%1\"").arg(keyword));
    return {};
}

CommandResult KeywordCommands::remove(const QString &keyword)
{
    const QString dsn = m_context.dataSourceName.refresh();
    const store::KeywordList listed = store::loadKeywords(m_context.dataSource, dsn);
    if (listed.error.failed())
        return CommandResult::fromError(listed.error, QStringLiteral("reading the keyword list"));
    // The keyword as typed, else the one the search takes for it.
    const QString stored =
        listed.values.contains(keyword) ? keyword : store::alikeKeyword(listed.values, keyword);
    if (stored.isNull())
        return CommandResult::badInput(QStringLiteral("the keyword \"%1\" is not listed").arg(keyword));
    int deleted = 0;
    if (const store::DbError error = store::deleteKeyword(m_context.dataSource, dsn, stored, &deleted);
        error.failed())
        return CommandResult::fromError(error, QStringLiteral("removing \"%1\"").arg(stored));
    return {};
}

CommandResult KeywordCommands::resetHits()
{
    const QString dsn = m_context.dataSourceName.refresh();
    if (const store::DbError error = store::deleteAllHits(m_context.dataSource, dsn); error.failed())
        return CommandResult::fromError(error, QStringLiteral("deleting the recorded hits"));
    return {CommandResult::Kind::Done,
            {QStringLiteral("every recorded hit deleted: the next runs report every keyword as new")}};
}

} // namespace qs::lists
