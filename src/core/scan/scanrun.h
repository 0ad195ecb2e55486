#pragma once

#include <deque>
#include <map>
#include <optional>

#include <QDate>
#include <QObject>
#include <QUrl>

#include "core/scan/fetchresult.h"
#include "core/scan/pageanalysis.h"
#include "core/store/urlqueue.h"

namespace qs::app {
class Calendar;
class Clock;
class DataSourceName;
class OperatorPrompts;
class RunFields;
class RunFindings;
class SettingsStore;
} // namespace qs::app

namespace qs::store {
class DataSource;
}

namespace qs::scan {

class PageFetcher;

// One scan run over the URLs not yet scanned today.
//
// The run walks the listen table once in ID order and takes the due rows a few at a time ahead
// of the analysis: up to four times `Parallel` rows are taken and fetched, at most `Parallel`
// requests in flight and `PerHost` per host. The pages are analysed strictly in the order their
// rows were taken, so the report, the error pane and the kw table come out as they would if the
// pages were fetched one after another. A failure writes an entry and the run goes on; the run
// always reaches its end step, and rows it took but did not analyse (an early end, a stop) are
// given back for another run the same day.
class ScanRun : public QObject
{
    Q_OBJECT
public:
    // What a run works with; the engine owns them all.
    struct Parts
    {
        app::RunFields &fields;
        app::RunFindings &findings;
        const app::SettingsStore &settings;
        app::DataSourceName &dataSourceName;
        const app::Calendar &calendar;
        const app::Clock &clock;
        store::DataSource &dataSource;
        PageFetcher &fetcher;
        app::OperatorPrompts &prompts;
    };

    // How the last run ended.
    enum class Ending
    {
        Completed,
        DataSourceFailed, // the data source could not be opened, or its lists could not be read
        Stopped,
    };

    explicit ScanRun(const Parts &parts, QObject *parent = nullptr);
    ~ScanRun() override;

    // The Start button. A run already under way goes on and no second one starts: returns false.
    bool start();
    // Ends the run under way without its end step: no stamp, no mail; the rows it took and did
    // not analyse are given back.
    void stop();
    bool isRunning() const { return m_running; }
    Ending lastEnding() const { return m_ending; }
    // Pages analysed by this run, and those of them that failed (a fetch that did not complete,
    // or a status other than 200).
    int analysedCount() const { return m_analysed; }
    int failedCount() const { return m_failed; }
    // Keywords this run reported as new, and as changed.
    int newCount() const { return m_new; }
    int changedCount() const { return m_changed; }

    // The stamp of the report: the user's short date, then the time with seconds.
    static QString stampText(const QDateTime &moment);
    // Whether a report holds nothing to mail: no text, or only the stamp of a run that found
    // nothing.
    static bool reportIsEmpty(const QString &report);

signals:
    void runStarted();
    // The run has ended with a report to mail (emitted before runEnded).
    void reportReady(const QString &report);
    void runEnded();
    void countsChanged(int analysed, int failed);

private:
    // A row taken from the queue, from its claim to its analysis.
    struct Slot
    {
        enum class Fetch
        {
            NotNeeded, // nothing to fetch: no URL, or one that cannot be requested
            Waiting,   // for a free request
            Running,
            Done,
        };
        store::DueRow row;         // null for a failure of the queue that names no row
        QDate takenOn;             // set when the row was claimed: it is given back if not analysed
        store::DbError queueError; // the queue's own failure, shown at the row's turn
        std::optional<Refusal> refusal;
        QUrl url;
        QString host;
        Fetch fetch = Fetch::NotNeeded;
        quint64 request = 0;
        FetchResult result;
        qint64 received = 0;
        qint64 announced = 0;
    };

    void readLimits();
    store::DbError readCandidates();
    void reportUnreadable(const store::DbError &error);
    void reportNoDataSource(const store::DbError &error);
    bool keywordsAreListed();
    void takeAhead();
    void endWalk();
    void takeCandidate();
    void startFetches();
    void onFetchFinished(quint64 request, const qs::scan::FetchResult &result);
    void onFetchProgress(quint64 request, qint64 received, qint64 announced);
    void scheduleAdvance();
    void advance();
    PageAnalysis::Outcome analyse(const Slot &slot);
    void showLoading(const Slot &head);
    void noteOutcome(const Slot &slot, qint64 id);
    void giveBackAll();
    // Aborts the fetches under way and gives back every row taken and not analysed.
    void dropTakenRows();
    void endEarly(Ending ending);
    void endRun();
    Slot *slotOf(quint64 request);

    Parts m_parts;
    PageAnalysis m_analysis;

    bool m_running = false;
    Ending m_ending = Ending::Completed;
    QString m_dsn; // the data source the run started with, used for all its statements
    int m_parallel = 1;
    int m_perHost = 1;

    std::deque<store::DueRow> m_candidates;
    std::optional<qint64> m_lastId; // the walk goes on after it; empty: from the lowest ID
    bool m_finalPass = false;       // the second walk, for rows made due again during the run
    bool m_queueDone = false;
    std::deque<Slot> m_slots; // in the order the rows were taken
    std::map<QString, int> m_requestsPerHost;
    int m_requestsInFlight = 0;
    bool m_advanceQueued = false;
    int m_analysed = 0;
    int m_failed = 0;
    int m_new = 0;
    int m_changed = 0;
    bool m_keepsStreaks = false; // the urlstatus table can be written
};

} // namespace qs::scan
