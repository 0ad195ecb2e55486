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

// A mail thread checks for interruption at least once a second (libcurl calls its progress
// function that often while it waits for the server); this leaves room for one check.
constexpr std::chrono::milliseconds interruptGrace{1500};

struct Entry
{
    quint64 id = 0;
    std::unique_ptr<QThread> thread;
    QDeadlineTimer deadline;
    bool decided = false;
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

    quint64 add(std::unique_ptr<QThread> thread, QDeadlineTimer deadline)
    {
        std::lock_guard lock(m_mutex);
        const quint64 id = ++m_lastId;
        m_entries.push_back({id, std::move(thread), deadline});
        return id;
    }

    void decide(const QThread *thread)
    {
        std::lock_guard lock(m_mutex);
        for (Entry &entry : m_entries) {
            if (entry.thread.get() != thread)
                continue;
            entry.decided = true;
            // The end of the program is already waiting: nothing left is worth waiting for.
            if (m_closing)
                entry.thread->requestInterruption();
        }
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
        struct Busy
        {
            QThread *thread;
            QDeadlineTimer deadline;
            bool decided;
        };
        std::vector<Busy> busy;
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            for (const Entry &entry : m_entries)
                busy.push_back({entry.thread.get(), entry.deadline, entry.decided});
        }
        // The list cannot shrink behind our back: only this thread deletes entries.
        bool allEnded = true;
        const QDeadlineTimer overall(limit);
        for (const Busy &entry : busy) {
            // A decided mail only closes its session: it is asked to stop with the rest below.
            if (!entry.decided)
                allEnded = entry.thread->wait(std::min(overall, entry.deadline)) && allEnded;
        }
        if (!allEnded) {
            qCWarning(lcMailThreads) << "mail still being sent after" << limit.count()
                                     << "ms or past its deadline; giving up on it";
        }
        const QDeadlineTimer grace(interruptGrace);
        for (const Busy &entry : busy) {
            entry.thread->requestInterruption();
            entry.thread->wait(grace);
        }
        std::lock_guard lock(m_mutex);
        m_closing = false;
        std::erase_if(m_entries, [](const Entry &entry) { return entry.thread->isFinished(); });
        return allEnded;
    }

private:
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    quint64 m_lastId = 0;
    bool m_closing = false;
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

void startMailThread(std::unique_ptr<QThread> thread, QDeadlineTimer deadline)
{
    QThread *started = thread.get();
    const quint64 id = registry().add(std::move(thread), deadline);
    // Without an application object there is no event loop to reap on; waitForMailThreads()
    // and the end of the process still take care of the thread.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        QObject::connect(
            started, &QThread::finished, app, [id] { registry().reap(id); }, Qt::QueuedConnection);
    }
    started->start();
}

void mailOutcomeDecided()
{
    registry().decide(QThread::currentThread());
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
