#pragma once

#include <QSqlDatabase>
#include <QStringList>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

struct KeywordList
{
    // Every row's value in the order the data source returns them; a null value is an empty text.
    QStringList values;
    int rowCount = 0;
    DbError error;
};

KeywordList loadKeywords(DataSource &dataSource, const QString &dsnName);
// The same on a connection already open (a grid's).
KeywordList loadKeywords(const QSqlDatabase &db);

// The listed keyword that the search would not tell apart from keyword, since it ignores case; empty
// when there is none. One occurrence of `replacing` is left out: the row being edited.
QString alikeKeyword(const QStringList &listed, const QString &keyword, const QString &replacing = {});

} // namespace qs::store
