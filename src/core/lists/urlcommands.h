#pragma once

#include <QObject>

#include "core/lists/listcontext.h"
#include "core/lists/tablegrid.h"

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

private:
    ListContext m_context;
    TableGrid m_grid;
    // A date in the past, so that every URL is due again on any day after it.
    QString m_resetDate = QStringLiteral("2003-01-01");
};

} // namespace qs::lists
