#pragma once

#include <QObject>

#include "core/lists/commandresult.h"
#include "core/lists/listcontext.h"
#include "core/lists/tablegrid.h"
#include "core/store/dberror.h"

namespace qs::lists {

// Refuses a keyword that the search would not tell apart from a listed one (replacing: the
// keyword of the row being edited, which is not counted).
store::DbError checkNotListed(const ListContext &context, const QString &keyword,
                              const QString &replacing = {});

// The operator's commands on the keyword list (table keyword) and on the hits that scanning has
// recorded (table kw).
class KeywordCommands : public QObject
{
    Q_OBJECT
public:
    explicit KeywordCommands(const ListContext &context, QObject *parent = nullptr);

    TableGrid &grid() { return m_grid; }

    // "Load Keywords": the keyword list in the grid.
    void cmdKWordClick();
    // "Reset keywords": after the operator's OK, deletes every recorded hit, so that the next
    // runs report every keyword as new.
    void cmdWordClick();

    // The same commands for the command line, where nothing is asked.
    CommandResult add(const QString &keyword);
    CommandResult remove(const QString &keyword);
    CommandResult resetHits();

private:
    ListContext m_context;
    TableGrid m_grid;
};

} // namespace qs::lists
