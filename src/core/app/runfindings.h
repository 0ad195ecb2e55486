#pragma once

#include <optional>

#include <QList>
#include <QObject>
#include <QString>

namespace qs::app {

// One keyword a run reported on a page, with why: new, or how far its length moved.
struct KeywordFinding
{
    QString keyword;
    bool isNew = true;
    std::optional<qint64> storedLength; // before this run; none for a new keyword
    qint64 length = 0;                  // the length compared now
    qint64 sensitivity = 0;
    // The page text around the first hit, in the page's own letters.
    QString before;
    QString hit;
    QString after;
    bool cutBefore = false;
    bool cutAfter = false;
};

struct PageFinding
{
    QString title;
    QString url;  // as stored
    QString link; // the address requested, when it is http or https; empty otherwise
    QList<KeywordFinding> keywords;
};

// A URL that could not be checked: the fetch did not complete, or the status was not 200.
struct FailedUrl
{
    QString url;
    QString reason;        // in plain words: "DNS", "refused", "time-out", "HTTP status 404", ...
    QString detail;        // the status line or the fetcher's own text
    qint64 runsInARow = 1; // 0 when the count could not be kept
};

// What the runs reported since the report was last cleared: the report says what is new or
// changed, this says where and why, for the alerts beside it (the mail's HTML part, the window's
// status). It lives and is cleared with the report.
//
// The details (page text around each hit, the reasons of failures) are kept for the first pages
// only; after them only the counts go on. A first run over a long list finds something on most
// pages, and the details of all of them would make the run's memory grow with the list, for a mail
// part no one reads to its end; the plain-text report still lists every page.
class RunFindings : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype DetailedPages = 500;
    static constexpr qsizetype DetailedFailures = 500;

    using QObject::QObject;

    void addScanned() { ++m_scanned; }
    void addPage(const PageFinding &page);
    void addFailure(const FailedUrl &failure);
    void clear();

    int scanned() const { return m_scanned; }
    int newKeywords() const { return m_new; }
    int changedKeywords() const { return m_changed; }
    int failedUrls() const { return m_failed; }
    // Pages with findings beyond the first DetailedPages, counted only.
    int pagesLeftOut() const { return m_pagesLeftOut; }
    const QList<PageFinding> &pages() const { return m_pages; }
    const QList<FailedUrl> &failures() const { return m_failures; }

signals:
    void cleared();

private:
    int m_scanned = 0;
    int m_new = 0;
    int m_changed = 0;
    int m_failed = 0;
    int m_pagesLeftOut = 0;
    QList<PageFinding> m_pages;
    QList<FailedUrl> m_failures;
};

} // namespace qs::app
