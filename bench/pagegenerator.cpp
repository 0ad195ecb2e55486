#include "pagegenerator.h"

#include <algorithm>

#include <QList>
#include <QRandomGenerator>
#include <QString>

namespace qs::bench {

namespace {

const QStringList &vocabulary()
{
    static const QStringList words =
        QStringLiteral(
            "the of and to in for on with by from at as is was are were be has have will not this that "
            "which after before over under between about more than new old first last year years week day "
            "council minister government company market price prices report plan plans project city town "
            "region county harbour station school hospital road water energy power board members public "
            "statement decision meeting agreement contract service services local national european "
            "growth share shares rate rates cost costs support proposal committee director chairman said "
            "says told announced expects expected million billion percent people workers customers "
            "kommune regeringen borgmester udvalg forslag aftale besluttede møde året første sidste "
            "kroner millioner procent næste uge måned både større økonomi område sundhed skole "
            "ændring færre kræver byrådet område vejen havnen være blevet også efter")
            .split(u' ', Qt::SkipEmptyParts);
    return words;
}

const QStringList &pathParts()
{
    static const QStringList parts =
        QStringLiteral("news nyheder local politik erhverv sport kultur archive 2023 2024 article page id")
            .split(u' ');
    return parts;
}

struct Occurrence
{
    qsizetype offset = 0;
    QString keyword;
};

class Writer
{
public:
    Writer(qsizetype target, quint32 seed, const QStringList &keywords)
        : m_random(seed)
        , m_target(target)
    {
        m_html.reserve(target + 4096);
        if (keywords.isEmpty())
            return;
        QStringList pool = keywords;
        const int chosen = std::min<int>(int(m_random.bounded(7)), int(pool.size()));
        for (int i = 0; i < chosen; ++i) {
            const QString keyword = pool.takeAt(qsizetype(m_random.bounded(quint32(pool.size()))));
            const int times = 2 + int(m_random.bounded(4));
            for (int t = 0; t < times; ++t)
                m_pending.append(
                    {qsizetype(m_random.bounded(quint32(std::max<qsizetype>(target, 1)))), keyword});
        }
        std::sort(m_pending.begin(), m_pending.end(),
                  [](const Occurrence &a, const Occurrence &b) { return a.offset > b.offset; });
    }

    QByteArray page()
    {
        head();
        m_html += "<body class=\"site\">\n";
        navigation();
        while (m_html.size() < m_target - 200 || !m_pending.isEmpty())
            block();
        m_html += "<div id=\"footer\"><p>&copy; Nordhavn Media &middot; <a "
                  "href=\"/kontakt\">Kontakt</a></p></div>\n"
                  "</body>\n</html>\n";
        return m_html;
    }

private:
    int pick(int bound) { return int(m_random.bounded(bound)); }
    bool chance(int percent) { return pick(100) < percent; }

    void append(const QString &text) { m_html += text.toUtf8(); }

    QString word()
    {
        const QStringList &words = vocabulary();
        return words.at(pick(int(words.size())));
    }

    QString withCase(const QString &keyword)
    {
        switch (pick(4)) {
        case 0:
            return keyword.toUpper();
        case 1:
            return keyword.left(1).toUpper() + keyword.mid(1).toLower();
        default:
            return keyword.toLower();
        }
    }

    // Running text; a keyword whose planned offset has been reached takes the place of a word.
    QString words(int count)
    {
        QString text;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                text += chance(6) ? QStringLiteral(", ") : QStringLiteral(" ");
            if (!m_pending.isEmpty() && m_html.size() + text.size() >= m_pending.last().offset)
                text += withCase(m_pending.takeLast().keyword);
            else
                text += word();
        }
        return text;
    }

    QString sentence()
    {
        QString text = words(6 + pick(14));
        text[0] = text.at(0).toUpper();
        return text + QStringLiteral(". ");
    }

    QString link()
    {
        // One draw per statement: C++ leaves the order in which function arguments are evaluated to
        // the compiler, and the page must be the same whatever the compiler.
        const QStringList &parts = pathParts();
        const QString &section = parts.at(pick(int(parts.size())));
        const QString &topic = parts.at(pick(int(parts.size())));
        const int id = 10000 + pick(90000);
        return QStringLiteral("/%1/%2/%3.html").arg(section, topic).arg(id);
    }

    void head()
    {
        m_html += "<!DOCTYPE html>\n<html lang=\"da\">\n<head>\n<meta charset=\"utf-8\">\n"
                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
        append(QStringLiteral("<title>%1 / Nordhavn Media</title>\n").arg(sentence().trimmed()));
        m_html += "<link rel=\"stylesheet\" href=\"/css/site.css\">\n<style>\n"
                  "body { margin: 0; font-family: sans-serif; }\n.nav > li { display: inline-block; }\n"
                  ".article h2 { font-size: 1.4em; }\n</style>\n<script>\n"
                  "var cfg = { section: 'news', ads: true };\n"
                  "function visible(el) { return el.offsetTop < window.innerHeight && el.offsetTop > 0; }\n"
                  "</script>\n</head>\n";
    }

    void navigation()
    {
        m_html += "<div id=\"top\"><ul class=\"nav\">";
        for (int i = 0; i < 8; ++i) {
            const QString href = link();
            append(QStringLiteral("<li><a href=\"%1\">%2</a></li>").arg(href, word()));
        }
        m_html += "</ul></div>\n";
    }

    void paragraph()
    {
        QString text = QStringLiteral("<p>");
        const int sentences = 1 + pick(4);
        for (int s = 0; s < sentences; ++s) {
            if (chance(30)) {
                const QString href = link();
                text += QStringLiteral("<a href=\"%1\">%2</a> ").arg(href, words(1 + pick(4)));
            }
            if (chance(25))
                text += QStringLiteral("<b>%1</b> ").arg(words(1 + pick(3)));
            if (chance(10))
                text += QStringLiteral("<em>%1</em> &amp; ").arg(words(2));
            text += sentence();
        }
        append(text + QStringLiteral("</p>\n"));
    }

    void block()
    {
        const int kind = pick(100);
        if (kind < 55) {
            append(QStringLiteral("<div class=\"article\" id=\"a%1\">\n<h2>%2</h2>\n")
                       .arg(pick(1000000))
                       .arg(sentence().trimmed()));
            const int paragraphs = 1 + pick(4);
            for (int i = 0; i < paragraphs; ++i)
                paragraph();
            m_html += "</div>\n";
        } else if (kind < 75) {
            m_html += "<ul class=\"list\">\n";
            const int items = 2 + pick(6);
            for (int i = 0; i < items; ++i) {
                const QString href = link();
                append(QStringLiteral("<li><a href=\"%1\">%2</a></li>\n").arg(href, words(2 + pick(6))));
            }
            m_html += "</ul>\n";
        } else if (kind < 88) {
            m_html += "<table class=\"data\">\n";
            const int rows = 2 + pick(5);
            for (int i = 0; i < rows; ++i) {
                const QString name = word();
                append(QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"num\">%3</td></tr>\n")
                           .arg(name, words(2))
                           .arg(pick(100000)));
            }
            m_html += "</table>\n";
        } else if (kind < 95) {
            append(QStringLiteral("<!-- block %1 -->\n<img src=\"/img/%1.jpg\" alt=\"%2\">\n")
                       .arg(pick(100000))
                       .arg(word()));
        } else {
            m_html += "<script>\nfor (var i = 0; i < slots.length; i++) { if (slots[i].h > 90) "
                      "show(slots[i]); }\n</script>\n";
        }
    }

    QRandomGenerator m_random;
    qsizetype m_target;
    QByteArray m_html;
    // Planned keyword occurrences, latest offset first.
    QList<Occurrence> m_pending;
};

} // namespace

QStringList sampleKeywords()
{
    return {QStringLiteral("tender"),   QStringLiteral("udbud"),         QStringLiteral("windfarm"),
            QStringLiteral("pipeline"), QStringLiteral("ferry"),         QStringLiteral("Harbour fees"),
            QStringLiteral("budget"),   QStringLiteral("merger"),        QStringLiteral("recall"),
            QStringLiteral("strike"),   QStringLiteral("fishing quota"), QStringLiteral("biogas"),
            QStringLiteral("railway"),  QStringLiteral("bridge"),        QStringLiteral("licence"),
            QStringLiteral("subsidy"),  QStringLiteral("election"),      QStringLiteral("drought"),
            QStringLiteral("vaccine"),  QStringLiteral("satellite")};
}

QByteArray generatePage(qsizetype approximateBytes, quint32 seed, const QStringList &keywords)
{
    return Writer(approximateBytes, seed, keywords).page();
}

} // namespace qs::bench
