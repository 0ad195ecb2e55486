#include "core/scan/pageanalysis.h"

#include "core/app/blanks.h"
#include "core/app/displaytext.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/scan/hitcontext.h"
#include "core/scan/keywordsearch.h"
#include "core/scan/responseanalysis.h"
#include "core/scan/tagstripper.h"
#include "core/store/datasource.h"
#include "core/store/hitrecord.h"
#include "core/store/keywordlist.h"

namespace qs::scan {

using app::Field;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The number the error pane gives a value that is not of the type a step needs.
constexpr qint64 TypeMismatch = 13;

} // namespace

PageAnalysis::PageAnalysis(app::RunFields &fields, store::DataSource &dataSource,
                           app::OperatorPrompts &prompts)
    : m_fields(fields)
    , m_dataSource(dataSource)
    , m_prompts(prompts)
{}

QString PageAnalysis::entryFor(const AnalysedPage &page, const QString &prefix, qint64 number,
                               const QString &text) const
{
    return app::errorEntry(prefix + page.url, number, text);
}

app::KeywordFinding PageAnalysis::findingOf(const KeywordFind &find, const QString &searched,
                                            const store::HitRecording &recording, qint64 sensitivity,
                                            const StripResult &stripped)
{
    app::KeywordFinding finding;
    finding.keyword = find.keyword;
    finding.isNew = recording.outcome == store::HitOutcome::New;
    if (!finding.isNew && !recording.storedLength.isNull())
        finding.storedLength = recording.storedLength.toLongLong();
    finding.length = find.remainingLength;
    finding.sensitivity = sensitivity;
    const qsizetype first = KeywordMatcher(searched + u' ').indexIn(stripped.shownText);
    const HitContext context = hitContext(stripped.originalCase, first, searched.size());
    finding.before = app::safeForDisplay(context.before);
    finding.hit = app::safeForDisplay(context.hit);
    finding.after = app::safeForDisplay(context.after);
    finding.cutBefore = context.cutBefore;
    finding.cutAfter = context.cutAfter;
    return finding;
}

PageAnalysis::Outcome PageAnalysis::analyse(const QString &dsn, const AnalysedPage &page)
{
    m_fields.clear(Field::lblRun);
    const QString title = app::safeForDisplay(pageTitle(page.text));
    m_finding = {title, page.url, page.link, {}};
    m_fields.setText(Field::txtTitle, title);
    if (!statusLineIsGood(page.headerBlock))
        m_fields.append(Field::txtEtrap,
                        QStringLiteral("Error in Header ") + page.url + CrLf + page.headerBlock + CrLf);
    if (hasFrameset(page.text))
        m_fields.append(Field::txtEtrap, QStringLiteral("Frameset found :") + page.url + CrLf + CrLf);
    return searchForKW(dsn, page, title);
}

PageAnalysis::Outcome PageAnalysis::searchForKW(const QString &dsn, const AnalysedPage &page,
                                                const QString &title)
{
    store::DbError error;
    m_dataSource.connection(dsn, &error);
    if (error.failed()) {
        m_fields.append(Field::txtEtrap,
                        entryFor(page, QStringLiteral("Keyword Error "), error.number, error.description));
        m_lostBecause = error;
        return error.number == store::DataSourceNotFound ? Outcome::DataSourceLost : Outcome::Done;
    }

    if (!page.id || !page.sensitivity) {
        m_fields.append(
            Field::txtEtrap,
            entryFor(
                page, QStringLiteral("Search Error "), TypeMismatch,
                QStringLiteral("Type mismatch: the ID \"%1\" or the sensitivity \"%2\" is not a whole number")
                    .arg(page.idText, page.sensitivityText)));
        return Outcome::Done;
    }

    const store::KeywordList loaded = store::loadKeywords(m_dataSource, dsn);
    if (loaded.error.failed()) {
        m_fields.append(Field::txtEtrap, entryFor(page, QStringLiteral("Keyword Error "), loaded.error.number,
                                                  loaded.error.description));
        m_lostBecause = loaded.error;
        return loaded.error.number == store::DataSourceNotFound ? Outcome::DataSourceLost : Outcome::Done;
    }
    if (loaded.rowCount == 0) {
        m_prompts.showMessage(QStringLiteral("There are no KEYWORDS to search for!!"));
        return Outcome::NoKeywords;
    }

    QStringList keywords;
    for (const QString &keyword : loaded.values) {
        // A blank keyword would match almost every page.
        if (app::isBlank(keyword))
            continue;
        m_fields.append(Field::txtkw, QLatin1Char(' ') + keyword + QLatin1Char(' ') + CrLf);
        keywords << keyword;
    }

    const StripResult stripped = stripTags(page.text);
    m_fields.setText(Field::txtStripHTML, stripped.shownText);
    qint64 points = 0;
    QString reported;
    if (!stripped.text.isEmpty()) {
        for (const KeywordFind &find : searchKeywords(stripped.text, stripped.shownText, keywords)) {
            points += find.position;
            m_fields.setText(Field::lblPoints, QString::number(points));
            const store::HitRecording recording = store::recordHit(
                m_dataSource, dsn, *page.id, *page.sensitivity, find.keyword, find.remainingLength);
            for (const store::DbError &failure : recording.errors)
                m_fields.append(Field::txtEtrap, entryFor(page, QStringLiteral("Database kw Error "),
                                                          failure.number, failure.description));
            if (recording.outcome == store::HitOutcome::Unchanged) {
                points -= find.position;
                m_fields.setText(Field::lblPoints, QString::number(points));
            } else {
                reported += find.keyword + CrLf;
                m_fields.append(Field::txtSogKeyw, find.keyword + CrLf);
                m_finding.keywords.append(
                    findingOf(find, keywords.at(find.keywordIndex), recording, *page.sensitivity, stripped));
            }
        }
    }

    if (points > 0) {
        m_fields.append(Field::txtResultat, CrLf + QStringLiteral("@ ") + title + CrLf +
                                                QStringLiteral("Found keywords; ") + CrLf + reported +
                                                QStringLiteral("Click to go ") + page.url + CrLf + CrLf);
    }
    return Outcome::Done;
}

} // namespace qs::scan
