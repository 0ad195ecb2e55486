#pragma once

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

} // namespace qs::store
