#include "core/scan/pagefetcher.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <QLoggingCategory>

#include "core/scan/httptransfer.h"
#include "core/scan/requesturl.h"

// Each request and its outcome at debug level; switch them on with
// QT_LOGGING_RULES="qs.scan.fetch.debug=true".
Q_LOGGING_CATEGORY(lcFetch, "qs.scan.fetch", QtWarningMsg)

namespace qs::scan {

// Runs libcurl's multi interface on a thread of its own, so that name lookups, TLS handshakes and
// the decoding of large pages never hold up the window or the analysis of the pages before.
class PageFetcher::Worker
{
public:
    explicit Worker(PageFetcher &owner)
        : m_owner(owner)
        , m_multi(curl_multi_init())
    {
        m_thread = std::thread([this] { run(); });
    }

    ~Worker()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        curl_multi_wakeup(m_multi);
        m_thread.join();
        curl_multi_cleanup(m_multi);
    }

    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    void start(quint64 request, const QUrl &url, const TransferRules &rules)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_starts.push_back({request, url, rules});
        }
        curl_multi_wakeup(m_multi);
    }

    void abort(quint64 request)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_aborts.push_back(request);
        }
        curl_multi_wakeup(m_multi);
    }

    // Ends every request started before this call.
    void abortUpTo(quint64 lastRequest)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_abortUpTo = std::max(m_abortUpTo, lastRequest);
        }
        curl_multi_wakeup(m_multi);
    }

private:
    struct Start
    {
        quint64 request;
        QUrl url;
        TransferRules rules;
    };
    struct Running
    {
        quint64 request;
        std::unique_ptr<HttpTransfer> transfer;
        qint64 reportedBytes = -1;
    };

    void run()
    {
        for (;;) {
            std::vector<Start> starts;
            std::vector<quint64> aborts;
            quint64 abortUpTo = 0;
            {
                const std::lock_guard lock(m_mutex);
                if (m_stop)
                    break;
                starts.swap(m_starts);
                aborts.swap(m_aborts);
                abortUpTo = m_abortUpTo;
            }
            for (quint64 request : aborts)
                drop(request);
            std::erase_if(starts, [abortUpTo](const Start &start) { return start.request <= abortUpTo; });
            dropUpTo(abortUpTo);
            for (Start &start : starts)
                add(start);

            int running = 0;
            curl_multi_perform(m_multi, &running);
            collectFinished();
            reportProgress();
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
        for (auto &[easy, entry] : m_running)
            curl_multi_remove_handle(m_multi, easy);
        m_running.clear();
    }

    void add(const Start &start)
    {
        auto transfer = std::make_unique<HttpTransfer>(start.url, start.rules);
        CURL *easy = transfer->handle();
        if (easy == nullptr || curl_multi_add_handle(m_multi, easy) != CURLM_OK) {
            post(start.request, transfer->finish(CURLE_FAILED_INIT));
            return;
        }
        m_running[easy] = {start.request, std::move(transfer)};
    }

    void drop(quint64 request)
    {
        for (auto it = m_running.begin(); it != m_running.end(); ++it) {
            if (it->second.request == request) {
                curl_multi_remove_handle(m_multi, it->first);
                m_running.erase(it);
                return;
            }
        }
    }

    void dropUpTo(quint64 lastRequest)
    {
        for (auto it = m_running.begin(); it != m_running.end();) {
            if (it->second.request <= lastRequest) {
                curl_multi_remove_handle(m_multi, it->first);
                it = m_running.erase(it);
            } else {
                ++it;
            }
        }
    }

    void collectFinished()
    {
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL *easy = message->easy_handle;
            const CURLcode code = message->data.result;
            const auto it = m_running.find(easy);
            if (it == m_running.end())
                continue;
            FetchResult result = it->second.transfer->finish(code);
            const quint64 request = it->second.request;
            curl_multi_remove_handle(m_multi, easy);
            m_running.erase(it);
            post(request, std::move(result));
        }
    }

    void reportProgress()
    {
        // A progress bar needs no more than a few updates a second.
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastProgress < std::chrono::milliseconds(100))
            return;
        m_lastProgress = now;
        for (auto &[easy, entry] : m_running) {
            const qint64 received = entry.transfer->received();
            if (received == entry.reportedBytes)
                continue;
            entry.reportedBytes = received;
            const qint64 announced = entry.transfer->announced();
            QMetaObject::invokeMethod(
                &m_owner,
                [owner = &m_owner, request = entry.request, received, announced] {
                    emit owner->progressed(request, received, announced);
                },
                Qt::QueuedConnection);
        }
    }

    void post(quint64 request, FetchResult result)
    {
        qCDebug(lcFetch) << "request" << request << "ended: state" << result.state << "status"
                         << result.httpStatus << result.responseCode << result.responseInfo;
        QMetaObject::invokeMethod(
            &m_owner,
            [owner = &m_owner, request, result = std::move(result)] {
                emit owner->finished(request, result);
            },
            Qt::QueuedConnection);
    }

    PageFetcher &m_owner;
    CURLM *m_multi;
    std::thread m_thread;

    std::mutex m_mutex;
    std::vector<Start> m_starts;
    std::vector<quint64> m_aborts;
    quint64 m_abortUpTo = 0;
    bool m_stop = false;

    // Only the worker thread touches these.
    std::map<CURL *, Running> m_running;
    std::chrono::steady_clock::time_point m_lastProgress;
};

PageFetcher::PageFetcher(QObject *parent)
    : QObject(parent)
{
    // Safe to call more than once and from any thread in this libcurl; the mail calls it too.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    qRegisterMetaType<FetchResult>();
    m_worker = std::make_unique<Worker>(*this);
}

PageFetcher::~PageFetcher() = default;

quint64 PageFetcher::fetch(const QUrl &url)
{
    const quint64 request = ++m_lastRequest;
    qCDebug(lcFetch) << "request" << request << "GET" << url;
    m_worker->start(request, url, m_rules);
    return request;
}

std::variant<quint64, Refusal> PageFetcher::fetch(const QString &storedUrl)
{
    auto target = requestUrlFor(storedUrl);
    if (auto *refusal = std::get_if<Refusal>(&target))
        return *refusal;
    return fetch(std::get<QUrl>(target));
}

void PageFetcher::abort(quint64 request)
{
    m_worker->abort(request);
}

void PageFetcher::abortAll()
{
    m_worker->abortUpTo(m_lastRequest);
}

} // namespace qs::scan
