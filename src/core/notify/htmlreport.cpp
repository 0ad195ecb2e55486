#include "core/notify/htmlreport.h"

#include <QUrl>

#include "core/app/displaytext.h"
#include "core/app/runfindings.h"
#include "core/scan/requesturl.h"

namespace qs::notify {
namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString linkTo(const QString &address, const QString &text)
{
    const QUrl url(address);
    if (!url.isValid() || !scan::isFetchableScheme(url.scheme()))
        return escaped(text);
    return QStringLiteral("<a href=\"%1\" style=\"color:#1a4f8b\">%2</a>")
        .arg(escaped(address), escaped(text));
}

QString verdict(const app::KeywordFinding &keyword)
{
    if (keyword.isNew)
        return QStringLiteral("new: length %1, sensitivity %2").arg(keyword.length).arg(keyword.sensitivity);
    const QString stored =
        keyword.storedLength ? QString::number(*keyword.storedLength) : QStringLiteral("none");
    return QStringLiteral("changed: %1 \u2192 %2, sensitivity %3")
        .arg(stored)
        .arg(keyword.length)
        .arg(keyword.sensitivity);
}

QString quote(const app::KeywordFinding &keyword)
{
    if (keyword.hit.isEmpty())
        return {};
    const QString ellipsis = QStringLiteral("\u2026");
    return QStringLiteral("<div style=\"margin:2px 0 6px 16px;color:#444;font-style:italic\">%1%2"
                          "<b style=\"background:#fff3a0;font-style:normal\">%3</b>%4%5</div>")
        .arg(keyword.cutBefore ? ellipsis : QString(), escaped(keyword.before), escaped(keyword.hit),
             escaped(keyword.after), keyword.cutAfter ? ellipsis : QString());
}

} // namespace

QString htmlReport(const app::RunFindings &findings)
{
    QString html =
        QStringLiteral("<!DOCTYPE html><html><body style=\"font-family:sans-serif;font-size:14px\">");
    html +=
        QStringLiteral("<p style=\"font-weight:bold\">%1 scanned, %2 new, %3 changed, %4 failed</p>")
            .arg(app::counted(findings.scanned(), QStringLiteral("URL"), QStringLiteral("URLs")),
                 app::counted(findings.newKeywords(), QStringLiteral("keyword"), QStringLiteral("keywords")),
                 QString::number(findings.changedKeywords()),
                 app::counted(findings.failedUrls(), QStringLiteral("URL"), QStringLiteral("URLs")));
    for (const app::PageFinding &page : findings.pages()) {
        html += QStringLiteral("<h3 style=\"margin:14px 0 4px 0\">%1</h3>")
                    .arg(linkTo(page.link, page.title.isEmpty() ? page.url : page.title));
        html += QStringLiteral("<ul style=\"margin:0;padding-left:20px\">");
        for (const app::KeywordFinding &keyword : page.keywords) {
            html += QStringLiteral("<li><b>%1</b> \u2014 %2%3</li>")
                        .arg(escaped(keyword.keyword), escaped(verdict(keyword)), quote(keyword));
        }
        html += QStringLiteral("</ul>");
    }
    if (findings.pagesLeftOut() > 0)
        html +=
            QStringLiteral("<p>\u2026 and %1 more with new or changed keywords: the plain-text report lists "
                           "them all.</p>")
                .arg(app::counted(findings.pagesLeftOut(), QStringLiteral("page"), QStringLiteral("pages")));
    if (!findings.failures().isEmpty()) {
        html += QStringLiteral("<h3 style=\"margin:18px 0 4px 0\">Could not be checked</h3>"
                               "<ul style=\"margin:0;padding-left:20px\">");
        for (const app::FailedUrl &failure : findings.failures()) {
            const QString streak = failure.runsInARow > 0
                                       ? QStringLiteral(", failed %1 in a row")
                                             .arg(app::counted(failure.runsInARow, QStringLiteral("run"),
                                                               QStringLiteral("runs")))
                                       : QString();
            html += QStringLiteral("<li>%1: %2%3<div style=\"color:#666;font-size:12px\">%4</div></li>")
                        .arg(escaped(failure.url), escaped(failure.reason), streak, escaped(failure.detail));
        }
        if (const int more = findings.failedUrls() - int(findings.failures().size()); more > 0)
            html += QStringLiteral("<li>\u2026 and %1 more</li>")
                        .arg(app::counted(more, QStringLiteral("URL"), QStringLiteral("URLs")));
        html += QStringLiteral("</ul>");
    }
    html += QStringLiteral("</body></html>");
    return html;
}

} // namespace qs::notify
