// Throughput of the per-page text work of a scan: stripping the mark-up and scoring the keywords.
// Usage: bench_textalgorithms [minimum seconds per size, default 1]

#include <algorithm>
#include <cstdio>
#include <limits>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include "core/scan/keywordsearch.h"
#include "core/scan/tagstripper.h"
#include "pagegenerator.h"

namespace {

struct Timing
{
    qint64 stripNs = std::numeric_limits<qint64>::max();
    qint64 searchNs = std::numeric_limits<qint64>::max();
    qint64 totalNs = std::numeric_limits<qint64>::max();
    int runs = 0;
    qsizetype strippedLength = 0;
    qsizetype finds = 0;
};

Timing measure(const QString &page, const QStringList &keywords, double minimumSeconds)
{
    Timing timing;
    QElapsedTimer wall;
    wall.start();
    while (timing.runs < 5 || (wall.nsecsElapsed() < qint64(minimumSeconds * 1e9) && timing.runs < 1000)) {
        QElapsedTimer clock;
        clock.start();
        const qs::scan::StripResult stripped = qs::scan::stripTags(page);
        const qint64 afterStrip = clock.nsecsElapsed();
        const QList<qs::scan::KeywordFind> finds =
            qs::scan::searchKeywords(stripped.text, stripped.shownText, keywords);
        const qint64 total = clock.nsecsElapsed();

        timing.stripNs = std::min(timing.stripNs, afterStrip);
        timing.searchNs = std::min(timing.searchNs, total - afterStrip);
        timing.totalNs = std::min(timing.totalNs, total);
        timing.strippedLength = stripped.text.size();
        timing.finds = finds.size();
        ++timing.runs;
    }
    return timing;
}

} // namespace

int main(int argc, char **argv)
{
    const double minimumSeconds = argc > 1 ? std::max(0.0, QByteArray(argv[1]).toDouble()) : 1.0;
    const QStringList keywords = qs::bench::sampleKeywords();
    const qsizetype sizes[] = {10'000, 100'000, 1'000'000, 2'000'000, 5'000'000};

    // What a scan needs to keep up with large pages on a modest machine.
    constexpr double GoalMBps = 70.0;

    std::printf("stripTags + searchKeywords, %d keywords, best of the runs (MB = 10^6 bytes of page)\n",
                int(keywords.size()));
    std::printf("%10s %10s %6s %5s %10s %10s %10s %9s %8s\n", "page B", "text ch", "finds", "runs",
                "strip ms", "search ms", "total ms", "MB/s", "ns/B");
    double slowestMBps = std::numeric_limits<double>::max();
    qsizetype slowestSize = 0;
    double fewestNsPerByte = std::numeric_limits<double>::max();
    double mostNsPerByte = 0;
    quint32 seed = 20240601;
    for (const qsizetype size : sizes) {
        const QByteArray html = qs::bench::generatePage(size, seed++, keywords);
        const QString page = QString::fromUtf8(html);
        const Timing t = measure(page, keywords, minimumSeconds);
        const double bytes = double(html.size());
        const double mbps = bytes / (double(t.totalNs) / 1e9) / 1e6;
        const double nsPerByte = double(t.totalNs) / bytes;
        std::printf("%10lld %10lld %6lld %5d %10.3f %10.3f %10.3f %9.1f %8.2f\n",
                    static_cast<long long>(html.size()), static_cast<long long>(t.strippedLength),
                    static_cast<long long>(t.finds), t.runs, t.stripNs / 1e6, t.searchNs / 1e6,
                    t.totalNs / 1e6, mbps, nsPerByte);
        if (mbps < slowestMBps) {
            slowestMBps = mbps;
            slowestSize = html.size();
        }
        fewestNsPerByte = std::min(fewestNsPerByte, nsPerByte);
        mostNsPerByte = std::max(mostNsPerByte, nsPerByte);
    }

    std::printf("\nslowest: %.1f MB/s at %lld bytes; goal %.0f MB/s: %s\n", slowestMBps,
                static_cast<long long>(slowestSize), GoalMBps, slowestMBps >= GoalMBps ? "met" : "MISSED");
    // Linear work costs the same per byte at every size; the largest pages no longer fit in the
    // caches, so some rise is expected, but a cost that grows with the page would show as a
    // ratio well above 2.
    std::printf("ns per byte from %.2f to %.2f across the sizes (ratio %.2f)\n", fewestNsPerByte,
                mostNsPerByte, mostNsPerByte / fewestNsPerByte);
    std::printf("(wall-clock times: run on an idle machine for figures worth comparing)\n");
    return 0;
}
