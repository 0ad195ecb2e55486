-- Quillmere Scan tables for SQLite (the embedded default data source).
-- A new URL gets a date in the past, so that the next run scans it, a count of 0 and the
-- normal sensitivity of 50.
CREATE TABLE listen (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    URL TEXT,
    DAGEN DATE DEFAULT '2003-01-01',
    TAL INTEGER DEFAULT 0,
    SCENS INTEGER DEFAULT 50
);

-- Unique without regard to case: the search ignores case, so "Car" and "car" would be found and
-- reported twice. (NOCASE folds ASCII letters; the program itself refuses any other pair.)
CREATE TABLE keyword (
    KEYWORDS VARCHAR(255) COLLATE NOCASE UNIQUE
);

-- One row per URL and keyword: how much page text followed the keyword when it was last reported.
CREATE TABLE kw (
    KWID INTEGER,
    KWORD VARCHAR(255),
    TALSUM INTEGER
);

CREATE INDEX kw_kwid_kword ON kw (KWID, KWORD);

-- Per URL, the last check, its outcome and how many runs in a row it failed (the program creates
-- the table in a database that lacks it).
CREATE TABLE urlstatus (
    ID BIGINT PRIMARY KEY,
    LASTCHECK VARCHAR(19),
    OUTCOME VARCHAR(255),
    FAILURES INTEGER
);
