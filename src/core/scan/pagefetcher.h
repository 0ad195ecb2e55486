#pragma once

#include <memory>
#include <variant>

#include <QObject>
#include <QUrl>

#include "core/scan/fetchresult.h"

namespace qs::scan {

// Fetches pages with HTTP GET, many at a time.
//
// Every request starts the moment fetch() is called: the caller decides how many run at once,
// so a request's time limit counts from when it is sent. The transfers run on a worker thread of
// their own (libcurl's multi interface); what they report arrives as signals on the thread this
// object lives in. The rules of each request are in HttpTransfer.
class PageFetcher : public QObject
{
    Q_OBJECT
public:
    explicit PageFetcher(QObject *parent = nullptr);
    ~PageFetcher() override;

    // Apply to the requests started afterwards.
    void setRules(const TransferRules &rules) { m_rules = rules; }
    const TransferRules &rules() const { return m_rules; }

    // Starts a GET of url and returns its number; exactly one finished() follows, unless the
    // request is aborted first.
    quint64 fetch(const QUrl &url);
    // The same for a URL as the operator stored it, or why it cannot be requested.
    std::variant<quint64, Refusal> fetch(const QString &storedUrl);
    // Ends a request; nothing more is reported of it.
    void abort(quint64 request);
    void abortAll();

signals:
    // Bytes of the body received so far, and the length the server announced (0: none).
    void progressed(quint64 request, qint64 received, qint64 announced);
    void finished(quint64 request, const qs::scan::FetchResult &result);

private:
    class Worker;

    TransferRules m_rules;
    std::unique_ptr<Worker> m_worker;
    quint64 m_lastRequest = 0;
};

} // namespace qs::scan
