#pragma once

#include <optional>

#include <QString>

namespace qs::app {
class OperatorPrompts;
class RunFields;
} // namespace qs::app

#include "core/app/runfindings.h"
#include "core/store/dberror.h"

namespace qs::store {
class DataSource;
struct HitRecording;
} // namespace qs::store

namespace qs::scan {

struct KeywordFind;
struct StripResult;

// One fetched page, as the analysis sees it.
struct AnalysedPage
{
    QString url;             // as stored, for the report and the error entries
    QString link;            // the address requested
    QString idText;          // the row's ID and sensitivity as the data source gave them: a value that
    QString sensitivityText; // is not a whole number is named in its error entry as it was read
    std::optional<qint64> id;
    std::optional<qint64> sensitivity;
    QString headerBlock; // empty when no answer arrived
    QString text;        // the decoded body; empty when the fetch failed
};

// What happens to a page once it has been fetched: its title and status line are checked, its
// mark-up is stripped, every keyword is searched, the hits are recorded in the kw table and the
// report gets an entry for what is new or changed.
class PageAnalysis
{
public:
    PageAnalysis(app::RunFields &fields, store::DataSource &dataSource, app::OperatorPrompts &prompts);

    enum class Outcome
    {
        Done,
        NoKeywords,     // the keyword table is empty: the run cannot go on
        DataSourceLost, // the data source cannot be opened any more
    };
    Outcome analyse(const QString &dsn, const AnalysedPage &page);
    // Why the data source was lost, after analyse() said so.
    const store::DbError &lostBecause() const { return m_lostBecause; }
    // What the last page reported, and why (no keywords when it reported nothing).
    const app::PageFinding &finding() const { return m_finding; }

private:
    static app::KeywordFinding findingOf(const KeywordFind &find, const QString &searched,
                                         const store::HitRecording &recording, qint64 sensitivity,
                                         const StripResult &stripped);
    Outcome searchForKW(const QString &dsn, const AnalysedPage &page, const QString &title);
    QString entryFor(const AnalysedPage &page, const QString &prefix, qint64 number,
                     const QString &text) const;

    app::RunFields &m_fields;
    store::DataSource &m_dataSource;
    app::OperatorPrompts &m_prompts;
    store::DbError m_lostBecause;
    app::PageFinding m_finding;
};

} // namespace qs::scan
