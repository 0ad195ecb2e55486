#include "core/scan/tagstripper.h"

#include <array>
#include <utility>

#include <QChar>
#include <QStringView>

#include "core/app/blanks.h"

namespace qs::scan {

namespace {

constexpr QStringView HeadEnd = u"</head>";

// Marks the code units that QString::toLower does not turn into exactly one unit: surrogates, whose
// case belongs to the pair, and characters that grow (İ becomes i and a combining dot). No character
// lower-cases to a surrogate, so the value is free.
constexpr char16_t NotOneUnit = 0xD800;

// What QString::toLower makes of each code unit standing alone. Qt's lower-casing looks up a table
// per character and is the larger part of stripping a big page; one lookup here is several times
// cheaper, and taking the answers from QString::toLower itself keeps them identical.
class LowerTable
{
public:
    LowerTable()
    {
        for (char32_t code = 0; code < 0x10000; ++code) {
            const char16_t unit = char16_t(code);
            if (QChar::isSurrogate(unit)) {
                m_lower[code] = NotOneUnit;
                continue;
            }
            const QString lowered = QString(QChar(unit)).toLower();
            m_lower[code] = lowered.size() == 1 ? lowered.front().unicode() : NotOneUnit;
        }
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

// True when every character of the text lower-cases on its own: through the table, or for a whole
// surrogate pair through QChar::toLower into another pair. Qt lower-cases every character
// independently of its neighbours, so then the text can be lower-cased character by character. Lone
// surrogates and growing characters are left to QString::toLower: what it does with a lone surrogate
// depends on where the first character that changes stands.
bool lowersCharacterByCharacter(QStringView text)
{
    const LowerTable &table = lowerTable();
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (table[units[i]] != NotOneUnit)
            continue;
        if (i + 1 < size && QChar::isHighSurrogate(units[i]) && QChar::isLowSurrogate(units[i + 1]) &&
            QChar::requiresSurrogates(QChar::toLower(QChar::surrogateToUcs4(units[i], units[i + 1])))) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// Lower-cases in place a text for which lowersCharacterByCharacter() holds.
void lowerCharacterByCharacter(QString &text)
{
    const LowerTable &table = lowerTable();
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t lowered = table[units[i]];
        if (lowered != NotOneUnit) {
            units[i] = lowered;
            continue;
        }
        const char32_t code = QChar::toLower(QChar::surrogateToUcs4(units[i], units[i + 1]));
        units[i] = QChar::highSurrogate(code);
        units[++i] = QChar::lowSurrogate(code);
    }
}

} // namespace

StripResult stripTags(const QString &htmlDoc)
{
    const QStringView doc(htmlDoc);
    // Position of the first '<' at or after the read position.
    qsizetype nextOpen = doc.indexOf(u'<');
    if (nextOpen < 0)
        return {htmlDoc, QString()};

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

    QString text;
    if (lowersCharacterByCharacter(out)) {
        lowerCharacterByCharacter(out);
        text = std::move(out);
    } else {
        // The result must not depend on which of Qt's toLower overloads gets picked. They differ in
        // one way: once an earlier character has grown, the in-place overload turns a high surrogate
        // at the very end into U+FFFD, while the copying one, which is what `text.toLower()` on any
        // named string calls, keeps it. The copy is made only for such a text; on a large page it
        // would be a noticeable part of the stripping time.
        const bool endsInHighSurrogate = !out.isEmpty() && out.back().isHighSurrogate();
        text = endsInHighSurrogate ? std::as_const(out).toLower() : std::move(out).toLower();
    }
    // Only the blank is trimmed: line breaks and tabs at the ends stay.
    text = app::trimBlanks(text);
    return {text, text};
}

} // namespace qs::scan
