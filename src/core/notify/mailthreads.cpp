#include "core/notify/mailthreads.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>

#include <curl/curl.h>

Q_LOGGING_CATEGORY(lcMailThreads, "qs.notify.threads", QtWarningMsg)

namespace qs::notify {

namespace {

constexpr std::chrono::milliseconds interruptGrace{1000};

struct Entry
{
    quint64 id = 0;
    std::unique_ptr<QThread> thread;
};

class Registry
{
public:
    ~Registry()
    {
        for (Entry &entry : m_entries) {
            // Destroying a QThread that still runs aborts the process ("Destroyed while
            // thread is still running"). A mail thread that outlived waitForMailThreads() is
            // therefore left alone on purpose: it ends with the process.
            if (!entry.thread->isFinished())
                static_cast<void>(entry.thread.release());
        }
    }

    quint64 add(std::unique_ptr<QThread> thread)
    {
        std::lock_guard lock(m_mutex);
        const quint64 id = ++m_lastId;
        m_entries.push_back({id, std::move(thread)});
        return id;
    }

    // The thread has emitted finished(); its run() is at most a few instructions from its end.
    void reap(quint64 id)
    {
        std::unique_ptr<QThread> done;
        {
            std::lock_guard lock(m_mutex);
            const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                         [id](const Entry &entry) { return entry.id == id; });
            if (it == m_entries.end())
                return;
            done = std::move(it->thread);
            m_entries.erase(it);
        }
        done->wait();
    }

    int count()
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_entries.size());
    }

    bool waitAll(std::chrono::milliseconds limit)
    {
        std::vector<QThread *> busy;
        {
            std::lock_guard lock(m_mutex);
            for (const Entry &entry : m_entries)
                busy.push_back(entry.thread.get());
        }
        // The list cannot shrink behind our back: only this thread deletes entries.
        bool allEnded = true;
        const QDeadlineTimer deadline(limit);
        for (QThread *thread : busy)
            allEnded = thread->wait(deadline) && allEnded;
        if (!allEnded) {
            qCWarning(lcMailThreads) << "mail still being sent after" << limit.count()
                                     << "ms; giving up on it";
            for (QThread *thread : busy)
                thread->requestInterruption();
            const QDeadlineTimer grace(interruptGrace);
            for (QThread *thread : busy)
                thread->wait(grace);
        }
        std::lock_guard lock(m_mutex);
        std::erase_if(m_entries, [](const Entry &entry) { return entry.thread->isFinished(); });
        return allEnded;
    }

private:
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    quint64 m_lastId = 0;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void initialiseMailSupport()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Never undone with curl_global_cleanup(): a mail thread may outlive main().
        const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (result != CURLE_OK)
            qCCritical(lcMailThreads) << "curl_global_init failed:" << curl_easy_strerror(result);
    });
}

void startMailThread(std::unique_ptr<QThread> thread)
{
    QThread *started = thread.get();
    const quint64 id = registry().add(std::move(thread));
    // Without an application object there is no event loop to reap on; waitForMailThreads()
    // and the end of the process still take care of the thread.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        QObject::connect(
            started, &QThread::finished, app, [id] { registry().reap(id); }, Qt::QueuedConnection);
    }
    started->start();
}

int mailThreadCount()
{
    return registry().count();
}

bool waitForMailThreads(std::chrono::milliseconds limit)
{
    return registry().waitAll(limit);
}

} // namespace qs::notify
