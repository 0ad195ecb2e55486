#pragma once

#include <array>
#include <vector>

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qs::scan {

struct KeywordFind
{
    QString keyword;               // trimmed of leading/trailing blanks, as it is recorded
    qsizetype position = 0;        // p: the points it adds (>1)
    qsizetype remainingLength = 0; // L: length of the working text after the pass
    qsizetype keywordIndex = 0;    // index into the keywords list passed in
};

// The order keywords are searched in: the last one first, then the others in load order.
QList<qsizetype> searchOrder(qsizetype keywordCount);

// returnedText = what stripTags returned (the starting working text), strippedText = its shownText.
// keywords = keyword values as loaded (not yet trimmed, without the appended blank; the caller has
// already dropped null/blank-only ones). Returns the keywords that count as found, in search order.
QList<KeywordFind> searchKeywords(const QString &returnedText, const QString &strippedText,
                                  const QStringList &keywords);

// Finds one needle case-insensitively. indexIn() returns exactly what
// QStringView::indexOf(needle, 0, Qt::CaseInsensitive) returns, but scans multi-megabyte pages for a
// score of keywords without folding every character of the page for each of them.
class KeywordMatcher
{
public:
    explicit KeywordMatcher(QString needle);

    const QString &needle() const { return m_needle; }
    qsizetype indexIn(QStringView text) const;
    // True when whether the needle matches at a position depends only on the characters there, never
    // on the one before. Only then may a match found in one view of a text be reused for another.
    bool isContextFree() const { return m_contextFree; }

private:
    // The code units that fold to the needle's folded character at one offset.
    struct Anchor
    {
        std::array<char16_t, 4> units{};
        int count = 0;
    };

    bool matchesAt(const char16_t *candidate) const;
    qsizetype scanFrom(const char16_t *text, qsizetype lastStart, qsizetype start) const;

    QString m_needle;
    std::vector<char16_t> m_folded;
    Anchor m_first;
    Anchor m_last;
    bool m_contextFree = false;
    bool m_anchored = false;
};

} // namespace qs::scan
