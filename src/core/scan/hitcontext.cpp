#include "core/scan/hitcontext.h"

#include <algorithm>

namespace qs::scan {
namespace {

QString collapsed(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            out += c;
        else if (!out.endsWith(u' '))
            out += u' ';
    }
    return out;
}

} // namespace

HitContext hitContext(const QString &text, qsizetype start, qsizetype length, qsizetype around)
{
    HitContext context;
    if (start < 0 || start >= text.size())
        return context;
    length = std::min(length, text.size() - start);
    const qsizetype from = std::max<qsizetype>(0, start - around);
    const qsizetype to = std::min(text.size(), start + length + around);
    const QStringView view(text);
    context.before = collapsed(view.sliced(from, start - from));
    context.hit = collapsed(view.sliced(start, length));
    context.after = collapsed(view.sliced(start + length, to - start - length));
    // A blank that joins the quote to the hit is kept; one at the outer ends is not needed.
    if (context.before.startsWith(u' '))
        context.before.remove(0, 1);
    if (context.after.endsWith(u' '))
        context.after.chop(1);
    context.cutBefore = from > 0;
    context.cutAfter = to < text.size();
    return context;
}

} // namespace qs::scan
