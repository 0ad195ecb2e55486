#include "core/scan/keywordsearch.h"

#include <algorithm>
#include <bit>
#include <utility>

#include <QChar>

#include "core/app/blanks.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qs::scan {

namespace {

// Simple case folding of every UTF-16 code unit, as Qt's case-insensitive search applies it, plus the
// reverse: which code units fold to a given value (at most four do, e.g. Θ θ ϑ ϴ).
class FoldTable
{
public:
    FoldTable()
    {
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const char32_t folded = QChar::toCaseFolded(unit);
            // A fold that left the BMP could never equal the fold of a BMP needle character; a lone
            // surrogate value keeps it from ever matching one.
            m_fold[unit] = folded > 0xFFFF ? char16_t(0xD800) : char16_t(folded);
            if (m_fold[unit] != unit)
                m_others.emplace_back(m_fold[unit], char16_t(unit));
        }
        std::sort(m_others.begin(), m_others.end());
    }

    char16_t fold(char16_t unit) const { return m_fold[unit]; }

    template <typename Sink> void forEachUnitFoldingTo(char16_t folded, Sink sink) const
    {
        if (m_fold[folded] == folded)
            sink(folded);
        auto it = std::lower_bound(m_others.begin(), m_others.end(), std::pair(folded, char16_t(0)));
        for (; it != m_others.end() && it->first == folded; ++it)
            sink(it->second);
    }

private:
    std::array<char16_t, 0x10000> m_fold{};
    std::vector<std::pair<char16_t, char16_t>> m_others;
};

const FoldTable &foldTable()
{
    static const FoldTable table;
    return table;
}

// Compares the inner characters of a candidate whose first and last characters already matched.
bool innerMatches(const char16_t *candidate, const char16_t *folded, qsizetype length)
{
    const FoldTable &table = foldTable();
    for (qsizetype j = 1; j < length - 1; ++j) {
        if (table.fold(candidate[j]) != folded[j])
            return false;
    }
    return true;
}

#if defined(__SSE2__)
// Up to four code units, each repeated over the eight lanes.
struct LaneUnits
{
    __m128i lanes[4];
};

template <int Count> inline __m128i equalsAny(__m128i chunk, const LaneUnits &units)
{
    __m128i hit = _mm_cmpeq_epi16(chunk, units.lanes[0]);
    for (int k = 1; k < Count; ++k)
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(chunk, units.lanes[k]));
    return hit;
}

// Tests eight candidate starts at a time against the first and last needle characters. Returns the
// first match, or -1 with `start` left at the first candidate not yet tested.
template <int FirstCount, int LastCount>
qsizetype scanBlocks(const char16_t *text, qsizetype &start, qsizetype lastStart, const char16_t *folded,
                     qsizetype length, const LaneUnits &first, const LaneUnits &last)
{
    const qsizetype lastOffset = length - 1;
    for (; start + 7 <= lastStart; start += 8) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + start));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + start + lastOffset));
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(equalsAny<FirstCount>(heads, first), equalsAny<LastCount>(tails, last))));
        while (mask != 0) {
            const qsizetype candidate = start + std::countr_zero(mask) / 2;
            if (innerMatches(text + candidate, folded, length))
                return candidate;
            mask &= mask - 1; // each lane sets two bits
            mask &= mask - 1;
        }
    }
    return -1;
}

using BlockScan = qsizetype (*)(const char16_t *, qsizetype &, qsizetype, const char16_t *, qsizetype,
                                const LaneUnits &, const LaneUnits &);

template <int... Index>
constexpr std::array<BlockScan, sizeof...(Index)> blockScans(std::integer_sequence<int, Index...>)
{
    return {&scanBlocks<Index / 4 + 1, Index % 4 + 1>...};
}

constexpr auto BlockScans = blockScans(std::make_integer_sequence<int, 16>());
#endif

qsizetype positionIn(qsizetype found, qsizetype offset)
{
    return found < 0 ? 0 : found - offset + 1;
}

bool sameText(const QString &a, const QString &b)
{
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

// "First match at or after `from`" over one text for one keyword. A pass cuts the text and searches
// again, often from a point the previous search already scanned past; remembering the last answer
// keeps every keyword at about one scan of the page.
class MatchCursor
{
public:
    MatchCursor(const KeywordMatcher &matcher, QStringView text)
        : m_matcher(matcher)
        , m_text(text)
    {}

    qsizetype firstFrom(qsizetype from)
    {
        if (!m_matcher.isContextFree())
            return absolute(m_matcher.indexIn(m_text.sliced(from)), from);

        if (m_scannedFrom >= 0) {
            const qsizetype knownUpTo = m_found >= 0 ? m_found : m_text.size();
            if (from >= m_scannedFrom && from <= knownUpTo)
                return m_found;
            if (from < m_scannedFrom) {
                // Only starts before the scanned range are unknown.
                const qsizetype end = std::min(m_text.size(), m_scannedFrom + m_matcher.needle().size() - 1);
                const qsizetype found = absolute(m_matcher.indexIn(m_text.sliced(from, end - from)), from);
                if (found >= 0)
                    m_found = found;
                m_scannedFrom = from;
                return m_found;
            }
        }
        m_scannedFrom = from;
        m_found = absolute(m_matcher.indexIn(m_text.sliced(from)), from);
        return m_found;
    }

private:
    static qsizetype absolute(qsizetype found, qsizetype from) { return found < 0 ? -1 : found + from; }

    const KeywordMatcher &m_matcher;
    QStringView m_text;
    qsizetype m_scannedFrom = -1;
    qsizetype m_found = -1;
};

} // namespace

KeywordMatcher::KeywordMatcher(QString needle)
    : m_needle(std::move(needle))
{
    const FoldTable &table = foldTable();
    m_contextFree = !m_needle.isEmpty();
    m_folded.reserve(m_needle.size());
    for (const QChar c : std::as_const(m_needle)) {
        const char16_t folded = table.fold(c.unicode());
        // Qt folds surrogate pairs as whole characters, so a match there can depend on the unit
        // before the match; such needles go to Qt's own search.
        if (c.isSurrogate() || QChar::isSurrogate(folded))
            m_contextFree = false;
        m_folded.push_back(folded);
    }
    if (!m_contextFree)
        return;

    auto collect = [&table](char16_t folded, Anchor &anchor) {
        bool fits = true;
        table.forEachUnitFoldingTo(folded, [&](char16_t unit) {
            if (anchor.count < int(anchor.units.size()))
                anchor.units[anchor.count++] = unit;
            else
                fits = false;
        });
        return fits;
    };
    m_anchored = collect(m_folded.front(), m_first) && collect(m_folded.back(), m_last);
}

bool KeywordMatcher::matchesAt(const char16_t *candidate) const
{
    const FoldTable &table = foldTable();
    const qsizetype length = qsizetype(m_folded.size());
    return table.fold(candidate[0]) == m_folded.front() &&
           table.fold(candidate[length - 1]) == m_folded.back() &&
           innerMatches(candidate, m_folded.data(), length);
}

qsizetype KeywordMatcher::scanFrom(const char16_t *text, qsizetype lastStart, qsizetype start) const
{
    for (; start <= lastStart; ++start) {
        if (matchesAt(text + start))
            return start;
    }
    return -1;
}

qsizetype KeywordMatcher::indexIn(QStringView text) const
{
    if (!m_contextFree)
        return text.indexOf(m_needle, 0, Qt::CaseInsensitive);

    const qsizetype length = qsizetype(m_folded.size());
    const qsizetype lastStart = text.size() - length;
    if (lastStart < 0)
        return -1;
    const char16_t *units = text.utf16();
    qsizetype start = 0;
#if defined(__SSE2__)
    if (m_anchored) {
        LaneUnits first;
        LaneUnits last;
        for (int k = 0; k < 4; ++k) {
            first.lanes[k] = _mm_set1_epi16(short(m_first.units[k < m_first.count ? k : 0]));
            last.lanes[k] = _mm_set1_epi16(short(m_last.units[k < m_last.count ? k : 0]));
        }
        const BlockScan scan = BlockScans[(m_first.count - 1) * 4 + (m_last.count - 1)];
        const qsizetype found = scan(units, start, lastStart, m_folded.data(), length, first, last);
        if (found >= 0)
            return found;
    }
#endif
    return scanFrom(units, lastStart, start);
}

QList<qsizetype> searchOrder(qsizetype keywordCount)
{
    QList<qsizetype> order;
    if (keywordCount <= 0)
        return order;
    order.reserve(keywordCount);
    order.append(keywordCount - 1);
    for (qsizetype i = 0; i + 1 < keywordCount; ++i)
        order.append(i);
    return order;
}

QList<KeywordFind> searchKeywords(const QString &returnedText, const QString &strippedText,
                                  const QStringList &keywords)
{
    QList<KeywordFind> finds;
    if (returnedText.isEmpty())
        return finds;

    // The working text is carried from keyword to keyword. It starts as the returned text and after
    // the first pass is always a tail of the stripped text, so it is held as an offset into that.
    const QStringView whole(strippedText);
    const qsizetype wholeLength = whole.size();
    bool onReturnedText = !sameText(returnedText, strippedText);
    qsizetype offset = 0;

    for (const qsizetype index : searchOrder(keywords.size())) {
        const KeywordMatcher matcher(keywords.at(index) + u' ');
        const qsizetype keywordLength = matcher.needle().size();
        MatchCursor cursor(matcher, whole);

        // 1-based position in the working text, 0 when absent.
        qsizetype position = 0;
        if (onReturnedText) {
            position = positionIn(matcher.indexIn(returnedText), 0);
        } else {
            if (offset == wholeLength)
                continue; // nothing left to search in, for this and every later keyword
            position = positionIn(cursor.firstFrom(offset), offset);
        }

        // A pass restarts from the whole stripped text and drops as many characters as the position
        // just found plus the keyword, even when that position was counted in an already cut text;
        // a cut that would go past the end leaves the whole text.
        auto pass = [&](qsizetype cutAt) {
            offset = wholeLength - cutAt - keywordLength < 0 ? 0 : cutAt + keywordLength;
            onReturnedText = false;
            return positionIn(cursor.firstFrom(offset), offset);
        };
        position = pass(position);
        // A match right at the cut is looked past once; should the retry land there again, the keyword
        // scores nothing, as repeating would give the same answer forever.
        if (position == 1)
            position = pass(1);
        if (position > 1)
            finds.append({app::trimBlanks(keywords.at(index)), position, wholeLength - offset, index});
    }
    return finds;
}

} // namespace qs::scan
