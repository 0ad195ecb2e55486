// Writes a synthetic site for the scan benchmarks: pages page0000.html, page0001.html ... and the
// keywords (keywords.txt).
// Usage: bench_sitegen FOLDER [PAGES, default 1000] [MEDIAN_BYTES]
// Without MEDIAN_BYTES, page sizes follow a log-normal spread around a median of about 60 KB, with
// a few pages of up to 2 MB. With it, they stay within half and twice that median (the scale run
// uses a few KB). Each page holds between none and six of twenty keywords, a few times each.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "pagegenerator.h"

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_sitegen FOLDER [PAGES]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int pages = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const double median = argc > 3 ? std::max(1000, std::atoi(argv[3])) : 0.0;
    QDir().mkpath(folder);

    const QStringList keywords = qs::bench::sampleKeywords();
    QFile keywordFile(folder + QStringLiteral("/keywords.txt"));
    if (!keywordFile.open(QIODevice::WriteOnly))
        return 1;
    keywordFile.write(keywords.join(QLatin1Char('\n')).toUtf8() + '\n');

    QRandomGenerator random(20261206);
    qint64 total = 0;
    for (int i = 0; i < pages; ++i) {
        // Box-Muller: a normal deviate for the log of the size.
        const double u1 = std::max(random.generateDouble(), 1e-12);
        const double u2 = random.generateDouble();
        const double normal = std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
        const auto bytes =
            median > 0 ? qsizetype(std::clamp(median * std::exp(0.3 * normal), median / 2, median * 2))
                       : qsizetype(std::clamp(60'000.0 * std::exp(0.8 * normal), 4'000.0, 2'000'000.0));
        const QByteArray html = qs::bench::generatePage(bytes, quint32(i + 1), keywords);
        QFile page(folder + QStringLiteral("/page%1.html").arg(i, 4, 10, QLatin1Char('0')));
        if (!page.open(QIODevice::WriteOnly) || page.write(html) != html.size())
            return 1;
        total += html.size();
    }
    std::printf("%d pages, %.1f MB\n", pages, double(total) / 1e6);
    return 0;
}
