#pragma once

#include <QString>

// Every statement the program sends. They run unchanged on the SQLite ODBC driver and on
// psqlODBC: no bracketed names, no date function of the server (the client's date is bound
// instead, so that the date that selects a row is the date written into it), and values are
// always bound, never pasted into the text.
namespace qs::store::sql {

// The next URLs not yet taken today, in ID order, so that a run walks the table once however
// long it is; bind today and the batch size, and before them the last ID taken.
inline const QString selectDueUrls =
    QStringLiteral("SELECT ID, URL, DAGEN, TAL, SCENS FROM listen WHERE ? <> DAGEN ORDER BY ID LIMIT ?");
inline const QString selectDueUrlsAfter = QStringLiteral(
    "SELECT ID, URL, DAGEN, TAL, SCENS FROM listen WHERE ID > ? AND ? <> DAGEN ORDER BY ID LIMIT ?");
// Takes one due row. Succeeds only while the row is still due, so that two scanners sharing a
// database never take the same row; bind today, the ID, today.
inline const QString markUrlTaken =
    QStringLiteral("UPDATE listen SET DAGEN = ?, TAL = TAL + 1 WHERE ID = ? AND DAGEN <> ?");
// Gives a taken row its date and count back, only while they are still what taking wrote: a
// row that another scanner or the operator has changed since is left as it is. Bind the old
// date and count, the ID, today and the count written.
inline const QString giveUrlBack =
    QStringLiteral("UPDATE listen SET DAGEN = ?, TAL = ? WHERE ID = ? AND DAGEN = ? AND TAL = ?");
inline const QString giveUrlBackWithoutCount =
    QStringLiteral("UPDATE listen SET DAGEN = ? WHERE ID = ? AND DAGEN = ? AND TAL IS NULL");

inline const QString selectAllUrls = QStringLiteral("Select * from listen");
inline const QString selectUrlList =
    QStringLiteral("SELECT ID, URL, SCENS, DAGEN, TAL FROM listen ORDER BY ID");
inline const QString insertUrlWithSensitivity =
    QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES (?, ?)");
inline const QString deleteUrl = QStringLiteral("DELETE FROM listen WHERE ID = ?");
inline const QString insertKeyword = QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES (?)");
inline const QString deleteKeyword = QStringLiteral("DELETE FROM keyword WHERE KEYWORDS = ?");
inline const QString setUrlDate = QStringLiteral("UPDATE listen SET DAGEN = ? WHERE ID = ?");
inline const QString insertUrl = QStringLiteral("INSERT INTO listen (URL) VALUES (?)");

inline const QString selectKeywords = QStringLiteral("SELECT * FROM keyword");

inline const QString selectHit = QStringLiteral("SELECT * FROM kw WHERE KWID = ? AND KWORD = ?");
inline const QString insertHit = QStringLiteral("INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (?, ?, ?)");
inline const QString updateHit = QStringLiteral("UPDATE kw SET TALSUM = ? WHERE KWID = ? AND KWORD = ?");
inline const QString deleteAllHits = QStringLiteral("Delete from kw");

} // namespace qs::store::sql
