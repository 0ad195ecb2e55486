#pragma once

#include <QString>

// Every statement the program sends. They run unchanged on the SQLite ODBC driver and on
// psqlODBC: no bracketed names, no date function of the server (the client's date is bound
// instead, so that the date that selects a row is the date written into it), and values are
// always bound, never pasted into the text.
namespace qs::store::sql {

// The URLs not yet taken today; bind today's date.
inline const QString selectDueUrls = QStringLiteral(
    "SELECT listen.ID, listen.URL, listen.DAGEN, listen.TAL, listen.SCENS From listen WHERE ((? <> DAGEN))");
// Takes one due row. Succeeds only while the row is still due, so that two scanners sharing a
// database never take the same row; bind today, the ID, today.
inline const QString markUrlTaken =
    QStringLiteral("UPDATE listen SET DAGEN = ?, TAL = TAL + 1 WHERE ID = ? AND DAGEN <> ?");

inline const QString selectAllUrls = QStringLiteral("Select * from listen");
inline const QString setUrlDate = QStringLiteral("UPDATE listen SET DAGEN = ? WHERE ID = ?");
inline const QString insertUrl = QStringLiteral("INSERT INTO listen (URL) VALUES (?)");

inline const QString selectKeywords = QStringLiteral("SELECT * FROM keyword");

inline const QString selectHit = QStringLiteral("SELECT * FROM kw WHERE KWID = ? AND KWORD = ?");
inline const QString insertHit = QStringLiteral("INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (?, ?, ?)");
inline const QString updateHit = QStringLiteral("UPDATE kw SET TALSUM = ? WHERE KWID = ? AND KWORD = ?");
inline const QString deleteAllHits = QStringLiteral("Delete from kw");

} // namespace qs::store::sql
