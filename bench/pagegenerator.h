#pragma once

#include <QByteArray>
#include <QStringList>

namespace qs::bench {

// Twenty keywords of the kind an operator watches for.
QStringList sampleKeywords();

// A deterministic page of about `approximateBytes` bytes of UTF-8 HTML, shaped like a news or
// authority site: a head with title, style and script, then navigation, articles with headings,
// paragraphs, links and emphasis, lists, tables, comments and the odd inline script (with its own
// '<' and '>'). Between zero and six of `keywords`, picked by `seed`, occur two to five times each
// in the running text, spread over the page and in varying case. The same arguments always give the
// same bytes.
QByteArray generatePage(qsizetype approximateBytes, quint32 seed, const QStringList &keywords);

} // namespace qs::bench
