// Stored hit rows hold positions and lengths that depend on the exact cutting rules, quirks and all,
// so the fast text algorithms must agree character for character with a plain reading of those
// rules: besides worked examples, each is compared with a slow, step-by-step reference version on
// random inputs and on generated pages.

#include <QRandomGenerator>
#include <QtTest>

#include <tuple>

#include "core/scan/keywordsearch.h"
#include "core/scan/responseanalysis.h"
#include "core/scan/tagstripper.h"
#include "pagegenerator.h"

using namespace Qt::Literals::StringLiterals;
using namespace qs::scan;

namespace {

// Reference versions, the yardstick for the fast ones: each rule one step at a time. Positions are
// 1-based, 0 means "not found", and every cut copies the rest of the string. Slow on purpose:
// nothing here may be clever.

qsizetype firstAt(const QString &text, QStringView what, Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    return text.indexOf(what, 0, cs) + 1;
}

QString fromCharacter(const QString &text, qsizetype position)
{
    return text.mid(position - 1);
}

QString trimBlanks(QString text)
{
    while (text.startsWith(u' '))
        text.remove(0, 1);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// Each character to its simple lower case, one for one; U+0130 to "i".
QString referenceLower(const QString &text)
{
    QString lower;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const char32_t code = QChar::toLower(QChar::surrogateToUcs4(c, text.at(++i)));
            lower += QString::fromUcs4(&code, 1);
        } else if (c.isSurrogate()) {
            lower += c;
        } else {
            lower += c.unicode() == 0x130 ? QChar(u'i') : c.toLower();
        }
    }
    return lower;
}

StripResult referenceStrip(const QString &htmlDoc)
{
    StripResult result; // the shown text starts cleared
    if (firstAt(htmlDoc, u"<") == 0) {
        result.text = htmlDoc;
        return result;
    }
    QString rest = htmlDoc;
    QString out;
    qsizetype open = firstAt(rest, u"<");
    for (;;) {
        out += rest.left(open - 1);
        const qsizetype headEnd = firstAt(rest, u"</head>");
        if (headEnd == 0)
            break;
        rest = fromCharacter(rest, headEnd + 7);
        open = firstAt(rest, u"<");
        if (open == 0)
            break;
    }
    for (;;) {
        const qsizetype close = firstAt(rest, u">");
        if (close == 0)
            break;
        rest = fromCharacter(rest, close + 1);
        open = firstAt(rest, u"<");
        if (open == 0)
            break;
        out += rest.left(open - 1);
    }
    out = trimBlanks(referenceLower(out));
    result.text = out;
    result.shownText = out;
    return result;
}

QList<KeywordFind> referenceSearch(const QString &returnedText, const QString &strippedText,
                                   const QStringList &rows)
{
    QStringList keywords;
    for (const QString &row : rows)
        keywords.append(row + u' ');
    const QString &t = strippedText;

    QList<KeywordFind> finds;
    QString w = returnedText;
    if (w.isEmpty() || keywords.isEmpty())
        return finds;

    QList<qsizetype> order{keywords.size() - 1};
    for (qsizetype i = 0; i < keywords.size() - 1; ++i)
        order.append(i);

    for (const qsizetype index : order) {
        const QString &k = keywords.at(index);
        qsizetype p = firstAt(w, k, Qt::CaseInsensitive);
        if (w.isEmpty())
            continue;
        auto pass = [&] {
            w = t;
            const qsizetype keep = w.size() - p - k.size();
            if (keep >= 0) // a negative count fails, and the failed step leaves W as it is
                w = w.right(keep);
            p = firstAt(w, k, Qt::CaseInsensitive);
        };
        pass();
        if (p == 1 && !w.isEmpty())
            pass();
        if (p > 1)
            finds.append({trimBlanks(k), p, w.size(), index});
    }
    return finds;
}

QString referenceTitle(const QString &page)
{
    QString work = page;
    QString title;
    const qsizetype open = firstAt(work, u"<title>", Qt::CaseInsensitive);
    if (open > 0 && firstAt(work, u"</Title>", Qt::CaseInsensitive) > 0) {
        work = fromCharacter(work, open + 7);
        const qsizetype slash = firstAt(work, u"/");
        if (slash - 2 >= 0) // a negative length fails and leaves the title empty
            title = work.left(slash - 2);
    }
    title = trimBlanks(title);
    for (const char16_t control : {u'\t', u'\n', u'\v', u'\f', u'\r'})
        title.replace(QChar(control), u' ');
    return title;
}

QString escaped(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            out += c;
        else
            out += u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0'));
    }
    return out;
}

QStringList described(const QList<KeywordFind> &finds)
{
    QStringList out;
    for (const KeywordFind &find : finds)
        out.append(u"%1 p=%2 L=%3 #%4"_s.arg(escaped(find.keyword))
                       .arg(find.position)
                       .arg(find.remainingLength)
                       .arg(find.keywordIndex));
    return out;
}

QStringList both(const StripResult &result)
{
    return {result.text, result.shownText};
}

QString unit(char16_t u)
{
    return QString(QChar(u));
}

// Random inputs are made of pieces (split at '|'), repeated to weight them: the markers the
// stripper looks for, characters with several case variants (Θ θ ϑ ϴ; K k and the Kelvin sign; ß and
// ẞ; σ ς Σ), dotted and dotless i, surrogate pairs with case (Deseret) and without (emoji), and lone
// surrogates, which a QString may well hold after a careless decode.
QStringList markupPieces()
{
    return u"<|<|<|>|>|>|/|</head>|</head>|</HEAD>|<head>|<b>| | |  "
           u"|a|A|a|\r\n|\t|x|æ|Ø|ß|Σ|ς|İ|𐐀|😀|Θ|ϑ|K|"
           u"\u212A|k"_s.split(u'|') +
           QStringList{unit(0xD801), unit(0xDC00)};
}

QStringList textPieces()
{
    return u" | | | |a|a|A|b|b|ab|a |b |x|ø|Ø|θ|Θ|ϑ|ϴ|k|K|\u212A|ß|ẞ|σ|ς|Σ|𐐀|𐐨|😀|\r\n|i|İ"_s.split(u'|') +
           QStringList{unit(0xD801), unit(0xDC00)};
}

struct Fuzz : QRandomGenerator
{
    using QRandomGenerator::QRandomGenerator;

    int below(int bound) { return int(bounded(bound)); }

    QString from(const QStringList &pieces, int maxPieces)
    {
        QString text;
        for (int count = below(maxPieces + 1); count > 0; --count)
            text += pieces.at(below(int(pieces.size())));
        return text;
    }

    // A stretch of `text` with the case of some characters changed, so that needles do occur.
    QString variantOf(const QString &text, int maxLength)
    {
        if (text.isEmpty())
            return text;
        QString part = text.mid(below(int(text.size())), 1 + below(maxLength));
        for (QChar &c : part) {
            const int change = below(4);
            c = change == 0   ? c.toUpper()
                : change == 1 ? c.toLower()
                : change == 2 ? QChar(char16_t(QChar::toCaseFolded(c.unicode())))
                              : c;
        }
        return part;
    }

    // Keywords for a search: stretches of the text, or made of keyword pieces.
    QStringList keywordsFor(const QString &text, int stretchOneIn, int maxPieces)
    {
        static const QStringList parts = u"a|a|A|b|ab|x|θ|ϑ|k|\u212A|ß|ς|𐐀|𐐨| a|a |ø|İ"_s.split(u'|');
        QStringList keywords;
        for (int i = 1 + below(4); i > 0; --i)
            keywords.append(below(stretchOneIn) == 0 ? variantOf(text, 4)
                                                     : from(parts, maxPieces) + parts.first());
        return keywords;
    }
};

// Compares make(fuzz, seed) -> (input, actual, expected) for `base` seeds, times QS_TEXT_FUZZ_SCALE
// when that is set (a long soak after touching the matcher or the stripper); fails on the first
// difference, naming the input.
template <typename Make> void everySeed(quint32 base, Make make)
{
    bool ok = false;
    const int scale = qEnvironmentVariableIntValue("QS_TEXT_FUZZ_SCALE", &ok);
    const quint32 rounds = ok && scale > 0 ? base * quint32(scale) : base;
    for (quint32 seed = 1; seed <= rounds; ++seed) {
        Fuzz fuzz(seed);
        const auto [input, actual, expected] = make(fuzz, seed);
        const auto shown = [](const auto &value) { return escaped((QStringList() << value).join(u" | "_s)); };
        if (actual != expected)
            QFAIL(qPrintable(
                u"\"%1\": got [%2], want [%3]"_s.arg(escaped(input), shown(actual), shown(expected))));
    }
}

} // namespace

class TestTextAlgorithms : public QObject
{
    Q_OBJECT

private slots:
    void strip_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("shown"); // false: a page without '<' is handed back whole but shows nothing
        const auto row = [](const char *name, const QString &page, const QString &expected,
                            bool shown = true) { QTest::newRow(name) << page << expected << shown; };
        row("no tag: unchanged", u"  Hello World > not a tag  \r\n"_s, u"  Hello World > not a tag  \r\n"_s,
            false);
        row("no tag: empty", QString(), QString(), false);
        row("head dropped, bold joined",
            u"<html><head><title>Greeting</title></head><body>Hello <b>World</b></body></html>"_s,
            u"hello world"_s);
        row("upper-case closing head is not a head end",
            u"<html><head><title>Greeting</title><script>go()</script></HEAD><body>Hello</body></html>"_s,
            u"greetinggo()hello"_s);
        row("text before the first tag kept, after the last lost", u"Intro <p>Body</p> Tail"_s,
            u"intro body"_s);
        row("bracket in running text repeats what follows it", u"<p>x > y<b>z</b>"_s, u"x > y yz"_s);
        row("two head ends", u"<head>A</head>B<i>C</i>D</head>E<p>F</p>"_s, u"bef"_s);
        row("text after a head end is scanned again for brackets", u"<head>t</head>a>b<p>c</p>"_s,
            u"a>bbc"_s);
        row("head end followed by text only", u"x<head>t</head>tail"_s, u"x"_s);
        row("blanks trimmed after lower-casing", u"  <p>  Hello  </p>  <br>"_s, u"hello"_s);
        row("line breaks at the ends stay", u"\r\n<p> Hi </p> \r\n<br>"_s, u"\r\n hi  \r\n"_s);
        row("lone opening bracket", u"<"_s, QString());
        row("unclosed tag at the end", u"Hello <b"_s, u"hello"_s);
        row("unclosed tag after text", u"<p>Hi<b"_s, u"hi"_s);
        row("closing bracket before the first tag", u"a>b<p>c</p>"_s, u"a>bbc"_s);
        row("adjacent tags leave nothing", u"<a><b><c>"_s, QString());
        row("non-ASCII lower-cased", u"<p>ÆØÅ ΣΟΦΙΑ</p>"_s, u"æøå σοφια"_s);
        row("dotted capital I becomes i, a lone surrogate stays", u"<p>Ä İ"_s + unit(0xD801) + u"</p>"_s,
            u"ä i"_s + unit(0xD801));
    }
    void strip()
    {
        QFETCH(QString, page);
        QFETCH(QString, expected);
        QFETCH(bool, shown);
        const QStringList want{expected, shown ? expected : QString()};
        QCOMPARE(both(stripTags(page)), want);
        // The reference version must agree on the worked examples too, or it is no yardstick.
        QCOMPARE(both(referenceStrip(page)), want);
    }

    void stripLowerCasesEveryCharacterToOne()
    {
        // Every code unit alone, then every character outside the BMP as a pair (all of plane 1, where
        // the cased ones are, and a sample of the rest), with a capital after it, amid markup. The
        // lower case is never longer: the stored lengths count characters.
        QStringList characters;
        for (char32_t code = 0; code <= 0xFFFF; ++code)
            characters.append(unit(char16_t(code)));
        for (char32_t code = 0x10000; code <= 0x10FFFF; code += code < 0x20000 ? 1 : 97)
            characters.append(QString::fromUcs4(&code, 1));
        for (const QString &c : std::as_const(characters)) {
            const QString page = u"<p>"_s + c + u"A<br>"_s;
            const QString stripped = stripTags(page).text;
            const bool markup = c == u"<"_s || c == u">"_s;
            if (stripped != referenceStrip(page).text || (!markup && stripped.size() > c.size() + 1))
                QFAIL(qPrintable(u"characters \"%1\": got \"%2\", want \"%3\""_s.arg(
                    escaped(c), escaped(stripped), escaped(referenceStrip(page).text))));
        }
    }

    void pageTitle_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");

        QTest::newRow("ordinary") << u"<html><head><title>Hi</title></head></html>"_s << u"Hi"_s;
        QTest::newRow("mixed-case tags") << u"<Title>Big News</tItLe>"_s << u"Big News"_s;
        QTest::newRow("slash in the title cuts it") << u"<title>News / Sport</title>"_s << u"News"_s;
        QTest::newRow("slash right after one character") << u"<title>A/B</title>"_s << QString();
        QTest::newRow("title starting with a slash") << u"<title>/Home</title>"_s << QString();
        QTest::newRow("no closing tag") << u"<title>Only open, a/b"_s << QString();
        QTest::newRow("no opening tag") << u"<p>x</title>"_s << QString();
        QTest::newRow("closing tag before the opening one counts")
            << u"</TITLE> <title>Late News</b>"_s << u"Late News"_s;
        QTest::newRow("no slash after the opening tag") << u"</title><title>No slash"_s << QString();
        QTest::newRow("leading line break becomes a leading blank")
            << u"<title>\r\n Hello </title>"_s << u"   Hello"_s;
        QTest::newRow("tab, vertical tab and form feed") << u"<title>a\tb\vc\fd</title>"_s << u"a b c d"_s;
        QTest::newRow("only blanks are trimmed") << u"<title>\t x \t</title>"_s << u"  x  "_s;
        QTest::newRow("first opening tag wins") << u"<title>One</title><title>Two</title>"_s << u"One"_s;
    }
    void pageTitle()
    {
        QFETCH(QString, page);
        QFETCH(QString, title);
        QCOMPARE(qs::scan::pageTitle(page), title);
        QCOMPARE(referenceTitle(page), title);
    }

    void pageTitleMatchesReferenceOnRandomPages()
    {
        const QStringList titlePieces =
            u"<title>|<TITLE>|</title>|</Title>|/|/| | |a|B|<|>|\r\n|\t|\v|\f|ø|😀|<titl"_s.split(u'|');
        everySeed(20000, [&](Fuzz &fuzz, quint32 seed) {
            const QString page = fuzz.from(titlePieces, 1 + seed % 30);
            return std::tuple(page, qs::scan::pageTitle(page), referenceTitle(page));
        });
    }

    void statusLineAndFrameset_data()
    {
        QTest::addColumn<QString>("text"); // a header block, or (frameset rows) a page
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("frameset");

        QTest::newRow("HTTP/1.1 200")
            << u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"_s << true << false;
        QTest::newRow("404") << u"HTTP/1.1 404 Not Found\r\n"_s << false << false;
        QTest::newRow("empty header (failed fetch)") << QString() << false << false;
        QTest::newRow("200 only further down")
            << u"HTTP/1.1 404 Not Found\r\nX-Note: 200 \r\n"_s << false << false;
        QTest::newRow("HTTP/2 puts the code elsewhere") << u"HTTP/2 200 \r\n"_s << false << false;
        QTest::newRow("no blank after the code") << u"HTTP/1.1 200\r\n"_s << false << false;
        QTest::newRow("2000 is not 200") << u"HTTP/1.1 2000 OK\r\n"_s << false << false;
        QTest::newRow("earlier 200 wins") << u"200 HTTP/1.1 200 OK\r\n"_s << false << false;
        QTest::newRow("frameset, lower case with blank")
            << u"<html><frameset rows=\"50%,50%\">"_s << true << true;
        QTest::newRow("frameset in capitals") << u"<HTML><FRAMESET ROWS=\"50%,50%\">"_s << false << true;
        QTest::newRow("frameset, no blank after it") << u"<frameset>"_s << false << true;
        QTest::newRow("frameset, line break after it") << u"<frameset\r\nrows=1>"_s << false << true;
        QTest::newRow("frameset in running text") << u"a frameset is"_s << true << true;
    }
    void statusLineAndFrameset()
    {
        QFETCH(QString, text);
        QFETCH(bool, frameset);
        QTEST(frameset ? hasFrameset(text) : statusLineIsGood(text), "yes");
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("shown"); // false: a page without '<', whose text the passes do not see
        const auto row = [](const char *name, const QString &text, const QStringList &keywords,
                            const QStringList &expected, bool shown = true) {
            QTest::newRow(name) << text << keywords << expected << shown;
        };
        row("second occurrence scores its position in the cut", u"xx car yy car zz"_s, {u"car"_s},
            {u"car p=3 L=8 #0"_s});
        row("once only", u"xx car yy"_s, {u"car"_s}, {});
        row("adjacent occurrences", u"car car xx"_s, {u"car"_s}, {});
        row("at the very end, no blank after it", u"xx car yy car"_s, {u"car"_s}, {});
        row("two characters between the occurrences", u"car xxcar y"_s, {u"car"_s}, {u"car p=2 L=6 #0"_s});
        row("found without the spoiler", u"b b b car x"_s, {u"b"_s}, {u"b p=2 L=8 #0"_s});
        row("occurrence ending one before the end empties the text for the rest", u"b b b car x"_s,
            {u"b"_s, u"car"_s}, {});
        row("keyword in capitals", u"xx car yy car zz"_s, {u"CAR"_s}, {u"CAR p=3 L=8 #0"_s});
        row("order c, a, b", u"a b c a b c x"_s, {u"a"_s, u"b"_s, u"c"_s},
            {u"c p=4 L=6 #2"_s, u"a p=5 L=11 #0"_s, u"b p=6 L=10 #1"_s});
        row("pass lands on an occurrence, retry finds the next", u"zcar xcar car z"_s, {u"car"_s},
            {u"car p=2 L=10 #0"_s});
        row("retry lands on an occurrence again", u"car xcar y"_s, {u"car"_s}, {});
        row("later keyword counted in the carried text, cut from the whole",
            u"horse q horse r dog s dog t dog u"_s, {u"dog"_s, u"horse"_s},
            {u"horse p=2 L=26 #1"_s, u"dog p=3 L=19 #0"_s});
        row("same keyword alone", u"horse q horse r dog s dog t dog u"_s, {u"dog"_s}, {u"dog p=2 L=12 #0"_s});
        row("absent from the carried text, found again in the whole", u"dog q dog x cat y cat z"_s,
            {u"dog"_s, u"cat"_s}, {u"cat p=2 L=6 #1"_s, u"dog p=3 L=19 #0"_s});
        row("carried text starts a retry", u"x x x x x x b q b r"_s, {u"b"_s, u"x"_s},
            {u"x p=2 L=16 #1"_s, u"b p=10 L=16 #0"_s});
        row("keyword with blanks is recorded trimmed", u"xx  car   yy  car   zz"_s, {u"  car  "_s},
            {u"car p=2 L=11 #0"_s});
        row("keyword with inner blank", u"the harbour fees rose; harbour fees fell"_s, {u"Harbour fees"_s},
            {u"Harbour fees p=6 L=22 #0"_s});
        row("no keywords", u"a a a"_s, {}, {});
        row("empty text", QString(), {u"a"_s}, {});
        row("keyword longer than the text", u"ab"_s, {u"abcdef"_s}, {});
        row("page without tags: nothing shown, nothing found", u"car x car y car z car"_s,
            {u"x"_s, u"y"_s, u"car"_s}, {}, false);
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, keywords);
        QFETCH(QStringList, expected);
        QFETCH(bool, shown);
        // A page without '<' is handed back whole but shows nothing; the passes search what is shown.
        if (!shown)
            QCOMPARE(both(stripTags(text)), (QStringList{text, QString()}));
        const QString seen = shown ? text : QString();
        QCOMPARE(described(searchKeywords(text, seen, keywords)), expected);
        QCOMPARE(described(referenceSearch(text, seen, keywords)), expected);
    }

    void searchComparesLikeQtCaseInsensitive_data()
    {
        // Each text is "x <first> y <second> z": the keyword counts (p=2) exactly when both forms match.
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("matches");

        QTest::newRow("æøå in capitals") << u"ÆØÅ"_s << u"æøå"_s << u"æøå"_s << true;
        QTest::newRow("sigma and final sigma") << u"ΟΔΟΣ"_s << u"οδοσ"_s << u"οδος"_s << true;
        QTest::newRow("theta variants") << u"ϑeta"_s << u"θeta"_s << u"ϴETA"_s << true;
        QTest::newRow("Kelvin sign") << u"\u212Aey"_s << u"key"_s << u"KEY"_s << true;
        QTest::newRow("capital sharp s folds to ß") << u"STRAẞE"_s << u"straße"_s << u"straße"_s << true;
        QTest::newRow("ß is not ss") << u"strasse"_s << u"straße"_s << u"straße"_s << false;
        QTest::newRow("dotted capital I matches itself") << u"İzmir"_s << u"İzmir"_s << u"İZMIR"_s << true;
        QTest::newRow("Deseret pair folds as one character") << u"𐐀x"_s << u"𐐨x"_s << u"𐐀X"_s << true;
        QTest::newRow("ASCII keyword against look-alikes") << u"key"_s << u"kеy"_s << u"key"_s << false;
    }
    void searchComparesLikeQtCaseInsensitive()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, matches);

        // The expectation is Qt's own verdict on the two forms, so it cannot drift from it.
        QCOMPARE(first.compare(keyword, Qt::CaseInsensitive) == 0 &&
                     second.compare(keyword, Qt::CaseInsensitive) == 0,
                 matches);

        const QString text = u"x "_s + first + u" y "_s + second + u" z"_s;
        const QStringList expected =
            matches ? QStringList{u"%1 p=2 L=%2 #0"_s.arg(escaped(keyword)).arg(second.size() + 3)}
                    : QStringList{};
        QCOMPARE(described(searchKeywords(text, text, {keyword})), expected);
        QCOMPARE(described(referenceSearch(text, text, {keyword})), expected);
    }

    void searchMatchesReferenceOnRandomText()
    {
        const QStringList pieces = textPieces();
        everySeed(40000, [&](Fuzz &fuzz, quint32 seed) {
            const QString text = fuzz.from(pieces, 1 + seed % 40);
            const QStringList keywords = fuzz.keywordsFor(text, 3, 3);
            // Most texts come from the stripper, where both texts are one; the page without '<' is the
            // one case where they differ.
            const QString shown = fuzz.below(8) == 0 ? QString() : text;
            return std::tuple(text + u" / "_s + keywords.join(u", "_s) +
                                  (shown.isNull() ? u" (unshown)"_s : QString()),
                              described(searchKeywords(text, shown, keywords)),
                              described(referenceSearch(text, shown, keywords)));
        });
    }

    void searchMatchesReferenceOnRandomMarkup()
    {
        const QStringList pieces = markupPieces() + textPieces();
        everySeed(40000, [&](Fuzz &fuzz, quint32 seed) {
            const QString page = fuzz.from(pieces, 1 + seed % 60);
            const StripResult stripped = stripTags(page);
            const QStringList keywords = fuzz.keywordsFor(stripped.text, 2, 2);
            return std::tuple(page + u" / "_s + keywords.join(u", "_s),
                              both(stripped) +
                                  described(searchKeywords(stripped.text, stripped.shownText, keywords)),
                              both(referenceStrip(page)) +
                                  described(referenceSearch(stripped.text, stripped.shownText, keywords)));
        });
    }

    void searchMatchesReferenceOnGeneratedPages_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QStringList>("keywords");

        const QStringList sample = qs::bench::sampleKeywords();
        // Common words occur all over a page, so that every keyword is cut many times and the text
        // carried between keywords is short or empty.
        const QList<QStringList> sets{sample, QStringList(sample.crbegin(), sample.crend()),
                                      u"the|og|Møde|ÅRET|of the|e|procent|være|and|to|a|in"_s.split(u'|'),
                                      u"and|tender|ØKONOMI|budget|station|s"_s.split(u'|')};
        quint32 seed = 7;
        for (const qsizetype size : {2'000, 20'000, 200'000, 1'500'000}) {
            for (int round = 0; round < 3; ++round, ++seed) {
                for (qsizetype set = 0; set < sets.size(); ++set)
                    QTest::addRow("%lld bytes, seed %u, set %lld", static_cast<long long>(size), seed,
                                  static_cast<long long>(set))
                        << size << seed << sets.at(set);
            }
        }
    }
    void searchMatchesReferenceOnGeneratedPages()
    {
        QFETCH(qsizetype, size);
        QFETCH(quint32, seed);
        QFETCH(QStringList, keywords);

        const StripResult stripped =
            stripTags(QString::fromUtf8(qs::bench::generatePage(size, seed, keywords)));
        QVERIFY(!stripped.text.isEmpty());
        QCOMPARE(described(searchKeywords(stripped.text, stripped.shownText, keywords)),
                 described(referenceSearch(stripped.text, stripped.shownText, keywords)));
    }

    void matcherAgreesWithQtForEveryCodeUnit()
    {
        // For every code unit, a needle that starts and ends with it (the two characters the fast scan
        // looks at) against haystacks holding each of its case variants, and the reverse. The padding
        // puts the candidate mid-block; the long haystack and needle make Qt use its skip-table search.
        const QString pad = QString(13, u'z');
        const QString longPad = QString(600, u'z');
        const auto variants = [](char16_t u) {
            QList<char16_t> out{u};
            for (const char32_t v : {QChar::toUpper(u), QChar::toLower(u), QChar::toTitleCase(u),
                                     QChar::toCaseFolded(u), QChar::toUpper(QChar::toCaseFolded(u))}) {
                if (v <= 0xFFFF && !out.contains(char16_t(v)))
                    out.append(char16_t(v));
            }
            return out;
        };
        const auto check = [](const QString &needle, const QString &hay) {
            const qsizetype expected = hay.indexOf(needle, 0, Qt::CaseInsensitive);
            const qsizetype actual = KeywordMatcher(needle).indexIn(hay);
            if (actual != expected)
                QFAIL(qPrintable(
                    u"needle \"%1\" in \"%2\": got %3, want %4"_s.arg(escaped(needle), escaped(hay))
                        .arg(actual)
                        .arg(expected)));
        };
        for (char32_t code = 0; code <= 0xFFFF && !QTest::currentTestFailed(); ++code) {
            const char16_t u = char16_t(code);
            if (QChar::isSurrogate(u))
                continue; // needles with surrogates take Qt's own search; the random test covers them
            for (const char16_t v : variants(u)) {
                check(unit(u) + u"q"_s + unit(u), pad + unit(v) + u"Q"_s + unit(v) + pad);
                check(unit(u) + u"qrstu"_s + unit(u), longPad + unit(v) + u"QRSTU"_s + unit(v) + pad);
                for (const char16_t w : variants(v)) {
                    if (!QChar::isSurrogate(w))
                        check(unit(w) + u"q"_s + unit(w), pad + unit(u) + u"Q"_s + unit(u) + pad);
                }
            }
        }
    }

    void matcherAgreesWithQtOnRandomText()
    {
        const QStringList pieces =
            textPieces() + markupPieces() +
            QStringList{u"abcdefgh"_s, u"ABCDEFGH "_s, u"æøå ÆØÅ "_s, u"Θεσσαλονίκη "_s};
        everySeed(20000, [&](Fuzz &fuzz, quint32 seed) {
            // Long enough now and then for Qt to switch to its skip-table search, and for the fast scan
            // to run whole blocks.
            const QString hay = fuzz.from(pieces, seed % 10 == 0 ? 600 : 1 + int(seed % 60));
            const QString needle = fuzz.below(3) == 0 ? fuzz.from(pieces, 4) : fuzz.variantOf(hay, 9);
            const KeywordMatcher matcher(needle);
            const qsizetype cut = hay.isEmpty() ? 0 : fuzz.below(int(hay.size()));
            const auto numbers = [](qsizetype whole, qsizetype tail) {
                return QStringList{QString::number(whole), QString::number(tail)};
            };
            return std::tuple(needle + u" in "_s + hay + u" (tail from %1)"_s.arg(cut),
                              numbers(matcher.indexIn(hay), matcher.indexIn(QStringView(hay).sliced(cut))),
                              numbers(hay.indexOf(needle, 0, Qt::CaseInsensitive),
                                      hay.mid(cut).indexOf(needle, 0, Qt::CaseInsensitive)));
        });
    }
};

QTEST_GUILESS_MAIN(TestTextAlgorithms)
#include "tst_textalgorithms.moc"
