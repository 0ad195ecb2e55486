#pragma once

#include <array>
#include <vector>

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace qs::scan {

// A keyword that counts on a page.
struct KeywordFind
{
    QString keyword;               // without blanks around, as the kw table records it
    qsizetype position = 0;        // where the further occurrence stands: the points it adds (2 or more)
    qsizetype remainingLength = 0; // the page text left after it: the length the kw table compares
    qsizetype keywordIndex = 0;    // index into the keywords list passed in
};

// The order keywords are searched in: the last one first, then the others in load order.
QList<qsizetype> searchOrder(qsizetype keywordCount);

// Searches the stripped page for every keyword. returnedText is what stripTags() returned, where the
// search starts; strippedText is the text it left to count in (its shownText). keywords are the
// values as loaded, without blanks removed and without the blank each is searched with; blank ones
// are left out by the caller. Returns the keywords that count, in the order they are searched.
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
