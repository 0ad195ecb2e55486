#pragma once

#include <QObject>

#include "core/scan/fetchresult.h"

namespace qs::app {
class OperatorPrompts;
class RunState;
class SettingsStore;
} // namespace qs::app

namespace qs::store {
class DataSource;
}

namespace qs::scan {

class Clock;
class PageFetcher;

// One scan run over the URLs not yet scanned today.
//
// Each pass takes the next due row of the listen table, fetches its page, analyses and strips
// it, searches every keyword, records the hits and appends to the report; then the next pass is
// queued on the event loop, so the call depth never grows with the number of URLs. The run
// always reaches its end step: a failure in a pass writes an entry into the error pane and the
// run goes on with the next URL.
class ScanRun : public QObject
{
    Q_OBJECT
public:
    ScanRun(app::RunState &state, const app::SettingsStore &settings, store::DataSource &dataSource,
            PageFetcher &fetcher, app::OperatorPrompts &prompts, const Clock &clock,
            QObject *parent = nullptr);

    // The Start button. A run already under way goes on and no second one starts: returns false.
    bool start();
    bool isRunning() const { return m_running; }
    // Whether the last run met a data source that could not be opened.
    bool dataSourceFailed() const { return m_dataSourceFailed; }

    // The stamp of the report: the user's short date, then the time with seconds.
    static QString stampText(const QDateTime &moment);

signals:
    void runStarted();
    // The run has ended with a report to mail (emitted before runEnded).
    void reportReady();
    void runEnded();

private:
    void cmdRunClick();
    void startScanList();
    void scanNextUrl();
    void fetchUrl();
    void onLoading();
    void onFetchFinished(const qs::scan::FetchResult &result);
    void meta(const QString &url);
    void searchForKW(const QString &page);
    void nextPass();
    void endRun();

    QString errorEntryForUrl(const QString &prefix, qint64 number, const QString &description) const;
    QDate today() const;

    app::RunState &m_state;
    const app::SettingsStore &m_settings;
    store::DataSource &m_dataSource;
    PageFetcher &m_fetcher;
    app::OperatorPrompts &m_prompts;
    const Clock &m_clock;
    bool m_running = false;
    bool m_dataSourceFailed = false;
    bool m_awaitingPage = false;
};

} // namespace qs::scan
