#include "core/scan/scanrun.h"

#include <cmath>
#include <optional>

#include <QLocale>

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"
#include "core/scan/clock.h"
#include "core/scan/keywordsearch.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/responseanalysis.h"
#include "core/store/datasource.h"
#include "core/store/hitrecord.h"
#include "core/store/keywordlist.h"
#include "core/store/urlqueue.h"
#include "core/scan/tagstripper.h"

namespace qs::scan {

using app::Field;

namespace {

const QString CrLf = QStringLiteral("\r\n");

// Error numbers of the run's own checks, as the routines have always reported them.
constexpr qint64 OutOfMemory = 7;
constexpr qint64 TypeMismatch = 13;
constexpr qint64 InvalidUseOfNull = 94;

// A column value as a field shows it: a null value (QODBC hands it over as a typed default
// value, so toString() alone would turn a missing sensitivity into "0") is the empty text.
QString fieldText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// A whole number as the fields hold it; blanks around it are allowed.
std::optional<qint64> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (ok)
        return value;
    const double real = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(real) && std::abs(real) < 9.0e18)
        return qRound64(real);
    return std::nullopt;
}

} // namespace

ScanRun::ScanRun(app::RunState &state, const app::SettingsStore &settings, store::DataSource &dataSource,
                 PageFetcher &fetcher, app::OperatorPrompts &prompts, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_settings(settings)
    , m_dataSource(dataSource)
    , m_fetcher(fetcher)
    , m_prompts(prompts)
    , m_clock(clock)
{
    connect(&m_fetcher, &PageFetcher::loading, this, &ScanRun::onLoading);
    connect(&m_fetcher, &PageFetcher::finished, this, &ScanRun::onFetchFinished);
}

QString ScanRun::stampText(const QDateTime &moment)
{
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(QLatin1Char('s')))
        timeFormat.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), timeFormat);
}

bool ScanRun::start()
{
    if (m_running)
        return false;
    m_running = true;
    m_dataSourceFailed = false;
    emit runStarted();
    cmdRunClick();
    return true;
}

void ScanRun::cmdRunClick()
{
    for (Field field :
         {Field::txtURL, Field::txtSenc, Field::txtkw, Field::txtURLId, Field::lblServerRapport})
        m_state.clear(field);
    startScanList();
}

void ScanRun::startScanList()
{
    const QString dsn = app::refreshDataSourceName(m_state, m_settings);
    const store::TakenUrl taken = store::takeNextDueUrl(m_dataSource, dsn, today());
    using Outcome = store::TakenUrl::Outcome;
    switch (taken.outcome) {
    case Outcome::Taken: {
        m_state.setText(Field::txtURLId, fieldText(taken.id));
        m_state.setText(Field::txtSenc, fieldText(taken.sensitivity));
        // A field without a value stays empty, and the row's error line names it.
        if (taken.url.isNull() || taken.sensitivity.isNull())
            m_state.append(Field::txtEtrap,
                           app::errorEntry(QStringLiteral("Database Error 1st.hent ID ") +
                                               m_state.text(Field::txtURLId) + QLatin1Char(' '),
                                           InvalidUseOfNull, QStringLiteral("Invalid use of Null")));
        else
            m_state.setText(Field::lblError, QStringLiteral("Database Okay"));
        if (taken.url.isNull()) {
            // Later rows are still due: go on with them instead of ending the run here.
            nextPass();
            return;
        }
        m_state.setText(Field::txtURL, fieldText(taken.url));
        break;
    }
    case Outcome::NoneLeft:
        break;
    case Outcome::SelectFailed:
        if (taken.error.number == store::DataSourceNotFound) {
            m_dataSourceFailed = true;
            m_prompts.showMessage(
                QStringLiteral("ODBC Drive not found! You need to setup an ODBC connection"));
        } else {
            m_state.append(Field::txtEtrap,
                           app::errorEntry(QStringLiteral("Database Error 1st.hent ID ") +
                                               m_state.text(Field::txtURLId) + QLatin1Char(' '),
                                           taken.error.number, taken.error.description));
        }
        break;
    case Outcome::MarkFailed:
        // The row would stay due and be taken again at every pass: end the run instead.
        m_state.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Database Error 1st.hent ID ") +
                                                            fieldText(taken.id) + QLatin1Char(' '),
                                                        taken.error.number, taken.error.description));
        break;
    }
    scanNextUrl();
}

void ScanRun::scanNextUrl()
{
    m_state.strURL = app::trimBlanks(m_state.text(Field::txtURL));
    for (Field field : {Field::txtTitle, Field::txtHTML, Field::txtSogKeyw})
        m_state.clear(field);
    if (m_state.text(Field::txtURL).isEmpty()) {
        endRun();
        return;
    }
    fetchUrl();
}

void ScanRun::fetchUrl()
{
    m_awaitingPage = true;
    if (const std::optional<Refusal> refusal = m_fetcher.fetch(m_state.text(Field::txtURL))) {
        m_awaitingPage = false;
        m_state.append(Field::txtEtrap, errorEntryForUrl(QStringLiteral("Fetch Error "), refusal->number,
                                                         refusal->description));
        nextPass();
    }
}

void ScanRun::onLoading()
{
    if (!m_awaitingPage)
        return;
    m_state.setProgress(0.001);
    m_state.clear(Field::txtHTML);
    m_state.strURL = m_state.text(Field::txtURL);
    m_state.setText(Field::lblRun, QStringLiteral("Loading"));
    m_state.setText(Field::lblInetError, QStringLiteral("Trappable Error : ") + app::numberText(0));
}

void ScanRun::onFetchFinished(const FetchResult &result)
{
    if (!m_awaitingPage)
        return;
    m_awaitingPage = false;

    m_state.setProgress(0.001);
    if (result.state == FetchResult::Failed)
        m_state.append(Field::txtEtrap,
                       m_state.strURL + CrLf + QStringLiteral("11") + result.responseInfo + CrLf + CrLf);
    if (result.responseCode == fetchcode::NameNotResolved)
        m_state.append(Field::txtEtrap,
                       m_state.strURL + CrLf + app::numberText(0) + result.responseInfo + CrLf + CrLf);

    QString page;
    if (result.state == FetchResult::Completed) {
        m_state.setText(Field::lblServerRapport, result.headerBlock);
        for (double percentage : result.progress)
            m_state.setProgress(percentage);
        page = result.body;
        if (result.truncated)
            m_state.append(
                Field::txtEtrap,
                errorEntryForUrl(QStringLiteral("Fetch Error "), OutOfMemory,
                                 QStringLiteral("The page is larger than 16 MiB: only its first 16 MiB "
                                                "are searched")));
    }
    m_state.setText(Field::txtHTML, page);
    m_state.strURL = m_state.text(Field::txtURL);
    m_state.setText(Field::lblRun, QStringLiteral("Examination"));
    meta(m_state.strURL);

    if (result.timedOut)
        m_state.append(Field::txtEtrap, QStringLiteral("Err : ***** Timout ***** ") + CrLf + CrLf);
    else
        m_state.setText(Field::lblInetError,
                        QStringLiteral("Trappable Error : ") + app::numberText(0) + result.responseInfo);
}

void ScanRun::meta(const QString &url)
{
    m_state.clear(Field::lblRun);
    const QString page = m_state.text(Field::txtHTML);
    m_state.setText(Field::txtTitle, pageTitle(page));
    const QString &header = m_state.text(Field::lblServerRapport);
    if (!statusLineIsGood(header))
        m_state.append(Field::txtEtrap, QStringLiteral("Error in Header ") + url + CrLf + header + CrLf);
    if (hasFrameset(page))
        m_state.append(Field::txtEtrap, QStringLiteral("Frameset found :") + url + CrLf + CrLf);
    searchForKW(page);
}

void ScanRun::searchForKW(const QString &page)
{
    const QString dsn = app::refreshDataSourceName(m_state, m_settings);
    store::DbError error;
    m_dataSource.connection(dsn, &error);
    if (error.failed()) {
        m_state.append(Field::txtEtrap,
                       errorEntryForUrl(QStringLiteral("Keyword Error "), error.number, error.description));
        nextPass();
        return;
    }

    const std::optional<qint64> urlId = wholeNumber(m_state.text(Field::txtURLId));
    const std::optional<qint64> sensitivity = wholeNumber(m_state.text(Field::txtSenc));
    if (!urlId || !sensitivity) {
        m_state.append(
            Field::txtEtrap,
            errorEntryForUrl(QStringLiteral("Search Error "), TypeMismatch,
                             QStringLiteral("Type mismatch: the ID \"%1\" or the sensitivity \"%2\" is "
                                            "not a whole number")
                                 .arg(m_state.text(Field::txtURLId), m_state.text(Field::txtSenc))));
        nextPass();
        return;
    }

    const store::KeywordList loaded = store::loadKeywords(m_dataSource, dsn);
    if (loaded.error.failed()) {
        m_state.append(Field::txtEtrap, errorEntryForUrl(QStringLiteral("Keyword Error "),
                                                         loaded.error.number, loaded.error.description));
        nextPass();
        return;
    }
    if (loaded.rowCount == 0) {
        m_prompts.showMessage(QStringLiteral("There are no KEYWORDS to search for!!"));
        // Queued, so that the page's own last entries come before the end stamp.
        QMetaObject::invokeMethod(this, &ScanRun::endRun, Qt::QueuedConnection);
        return;
    }

    QStringList keywords;
    for (const QString &keyword : loaded.values) {
        // A blank keyword would match almost every page.
        if (app::isBlank(keyword))
            continue;
        m_state.append(Field::txtkw, QLatin1Char(' ') + keyword + QLatin1Char(' ') + CrLf);
        keywords << keyword;
    }

    const StripResult stripped = stripTags(page);
    m_state.setText(Field::txtStripHTML, stripped.shownText);
    qint64 points = 0;
    if (!stripped.text.isEmpty()) {
        for (const KeywordFind &find : searchKeywords(stripped.text, stripped.shownText, keywords)) {
            points += find.position;
            m_state.setText(Field::lblPoints, QString::number(points));
            const store::HitRecording recording =
                store::recordHit(m_dataSource, dsn, *urlId, *sensitivity, find.keyword, find.remainingLength);
            for (const store::DbError &failure : recording.errors)
                m_state.append(Field::txtEtrap, errorEntryForUrl(QStringLiteral("Database kw Error "),
                                                                 failure.number, failure.description));
            if (recording.outcome == store::HitOutcome::Unchanged) {
                points -= find.position;
                m_state.setText(Field::lblPoints, QString::number(points));
            } else {
                m_state.append(Field::txtSogKeyw, find.keyword + CrLf);
            }
        }
    }

    if (points > 0) {
        m_state.append(Field::txtResultat,
                       CrLf + QStringLiteral("@ ") + m_state.text(Field::txtTitle) + CrLf +
                           QStringLiteral("Found keywords; ") + CrLf + m_state.text(Field::txtSogKeyw) +
                           QStringLiteral("Click to go ") + m_state.text(Field::txtURL) + CrLf + CrLf);
    }
    nextPass();
}

void ScanRun::nextPass()
{
    QMetaObject::invokeMethod(this, &ScanRun::cmdRunClick, Qt::QueuedConnection);
}

void ScanRun::endRun()
{
    m_state.setText(Field::lblRun, QStringLiteral("Stoppet"));
    m_state.setText(Field::lblBDone, QStringLiteral("ikke"));
    const QString stamp = stampText(m_clock.now());
    const bool hasReport = !m_state.text(Field::txtResultat).isEmpty();
    if (hasReport)
        m_state.append(Field::txtResultat, CrLf + QStringLiteral("Scan complet @ ") + stamp);
    else
        m_state.setText(Field::txtResultat, QStringLiteral("scannet ") + stamp);
    m_running = false;
    if (hasReport)
        emit reportReady();
    emit runEnded();
}

QString ScanRun::errorEntryForUrl(const QString &prefix, qint64 number, const QString &description) const
{
    return app::errorEntry(prefix + m_state.text(Field::txtURL), number, description);
}

QDate ScanRun::today() const
{
    const QDate shown = QDate::fromString(m_state.text(Field::lblDato), QStringLiteral("yyyy-MM-dd"));
    return shown.isValid() ? shown : m_clock.now().date();
}

} // namespace qs::scan
