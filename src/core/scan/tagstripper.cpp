#include "core/scan/tagstripper.h"

#include <array>

#include <QChar>
#include <QStringView>

#include "core/app/blanks.h"

namespace qs::scan {

namespace {

constexpr QStringView HeadEnd = u"</head>";

// Lower-cases one character to exactly one: the stored lengths count characters of the stripped
// text, and the title and keyword searches compare character by character, so a character must
// never grow. Unicode's simple mapping does that for every character; Qt's QChar::toLower() gives
// it, but for U+0130 (the capital I with a dot above, whose simple lower case is "i") it leaves the
// character as it is. One table lookup per code unit is also several times cheaper than Qt's
// string lower-casing, which matters on large pages.
class LowerTable
{
public:
    LowerTable()
    {
        for (char32_t code = 0; code < 0x10000; ++code)
            m_lower[code] = QChar::isSurrogate(code) ? char16_t(code) : char16_t(QChar::toLower(code));
        m_lower[0x0130] = u'i';
    }

    char16_t operator[](char16_t unit) const { return m_lower[unit]; }

private:
    std::array<char16_t, 0x10000> m_lower{};
};

const LowerTable &lowerTable()
{
    static const LowerTable table;
    return table;
}

// Lower-cases in place, character by character: a surrogate pair as the one character it is, a
// lone surrogate as it stands.
void lowerCharacterByCharacter(QString &text)
{
    const LowerTable &table = lowerTable();
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (QChar::isHighSurrogate(units[i]) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            const char32_t code = QChar::toLower(QChar::surrogateToUcs4(units[i], units[i + 1]));
            units[i] = QChar::highSurrogate(code);
            units[++i] = QChar::lowSurrogate(code);
            continue;
        }
        units[i] = table[units[i]];
    }
}

} // namespace

StripResult stripTags(const QString &htmlDoc)
{
    const QStringView doc(htmlDoc);
    // Position of the first '<' at or after the read position.
    qsizetype nextOpen = doc.indexOf(u'<');
    if (nextOpen < 0)
        return {htmlDoc, QString(), QString()};

    // Cutting the remaining text after every marker would copy the rest of the page once per tag. The
    // remaining text is kept as a read position instead; every marker search starts where that text
    // would begin, so the output is the same in linear time.
    QString out;
    qsizetype rest = 0;

    // The text before each tag is kept even while skipping heads; it also stays at the front of the
    // remaining text, so the tag loop below sees any '>' in it again.
    for (;;) {
        out.append(doc.sliced(rest, nextOpen - rest));
        const qsizetype headEnd = doc.indexOf(HeadEnd, rest);
        if (headEnd < 0)
            break;
        rest = headEnd + HeadEnd.size();
        nextOpen = doc.indexOf(u'<', rest);
        if (nextOpen < 0)
            break;
    }

    for (;;) {
        const qsizetype close = doc.indexOf(u'>', rest);
        if (close < 0)
            break;
        rest = close + 1;
        // A '>' inside running text leaves the next '<' where it was, so the last search stays valid
        // and a run of such '>' costs no rescans.
        if (nextOpen < rest)
            nextOpen = doc.indexOf(u'<', rest);
        if (nextOpen < 0)
            break;
        out.append(doc.sliced(rest, nextOpen - rest));
    }

    QString originalCase = app::trimBlanks(out);
    lowerCharacterByCharacter(out);
    // Only the blank is trimmed: line breaks and tabs at the ends stay.
    const QString text = app::trimBlanks(out);
    return {text, text, std::move(originalCase)};
}

} // namespace qs::scan
