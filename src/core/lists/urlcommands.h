#pragma once

#include <optional>

#include <QObject>

#include "core/lists/commandresult.h"
#include "core/lists/listcontext.h"
#include "core/lists/tablegrid.h"
#include "core/store/urlstatus.h"

namespace qs::lists {

// The operator's commands on the URL list (table listen): show it for editing, add one URL,
// and date every URL back so that the next run scans them all again.
class UrlCommands : public QObject
{
    Q_OBJECT
public:
    explicit UrlCommands(const ListContext &context, QObject *parent = nullptr);

    TableGrid &grid() { return m_grid; }
    // The date "Reset date" writes; shown in txtreset.
    const QString &resetDate() const { return m_resetDate; }

    // "Load URL to edit": the URLs and their sensitivities in the grid.
    void cmdURLClick();
    // "Add URL": asks for one URL and adds it as a new row, exactly as typed.
    void cmdAddClick();
    // "Reset date": writes the reset date into every row.
    void cmdResetClick();

    // The last check of every URL, by ID (empty when it cannot be read).
    QHash<qint64, store::UrlStatus> statuses();

    // The same commands for the command line, where nothing is asked.
    CommandResult add(const QString &url, std::optional<qint64> sensitivity);
    CommandResult remove(qint64 id);
    // Dates the rows with these IDs back (every row when there are none), so that the next run
    // scans them again.
    CommandResult resetDates(const QList<qint64> &ids);

private:
    store::DbError writeResetDate(const QString &dsn, const QList<QVariant> &ids);

    ListContext m_context;
    TableGrid m_grid;
    // A date in the past, so that every URL is due again on any day after it.
    QString m_resetDate = QStringLiteral("2003-01-01");
};

} // namespace qs::lists
