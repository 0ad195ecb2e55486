#include "core/scan/scanrun.h"

#include <algorithm>

#include <QLocale>

#include "core/app/calendar.h"
#include "core/app/clock.h"
#include "core/app/datasourcename.h"
#include "core/app/displaytext.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/app/runfindings.h"
#include "core/app/settingsstore.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/requesturl.h"
#include "core/store/datasource.h"
#include "core/store/keywordlist.h"
#include "core/store/urlstatus.h"

namespace qs::scan {

using app::Field;

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString QueueEntryPrefix = QStringLiteral("Database Error 1st.hent ID ");
const QString NoDataSourceMessage =
    QStringLiteral("ODBC Drive not found! You need to setup an ODBC connection");

// Error numbers of the run's own checks; readers of the error pane match them.
constexpr qint64 OutOfMemory = 7;
constexpr qint64 TypeMismatch = 13;
constexpr qint64 InvalidUseOfNull = 94;

// Rows read per statement: enough to keep the requests busy, few enough that a row read ahead is
// rarely taken by another scanner before this one gets to it.
constexpr int CandidateBatch = 32;

// A column value as the operator sees it: a null value (QODBC hands it over as a typed default
// value, so toString() alone would turn a missing sensitivity into "0") is the empty text.
QString fieldText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// Why a URL could not be checked, in the words an operator uses.
QString failureReason(const std::optional<Refusal> &refusal, const FetchResult &result)
{
    if (refusal)
        return QStringLiteral("not a web address");
    if (result.state == FetchResult::Completed)
        return QStringLiteral("HTTP status %1").arg(result.httpStatus);
    switch (result.responseCode) {
    case fetchcode::NameNotResolved:
        return QStringLiteral("DNS");
    case fetchcode::CannotConnect:
        return QStringLiteral("refused");
    case fetchcode::Timeout:
        return QStringLiteral("time-out");
    case fetchcode::CertDateInvalid:
    case fetchcode::CertNameInvalid:
    case fetchcode::InvalidCa:
    case fetchcode::CertInvalid:
    case fetchcode::CertRevoked:
        return QStringLiteral("certificate");
    case fetchcode::SecurityChannelError:
        return QStringLiteral("TLS");
    case fetchcode::ConnectionAborted:
        return QStringLiteral("connection lost");
    case fetchcode::RedirectFailed:
        return QStringLiteral("redirect");
    default:
        return result.responseInfo.contains(QStringLiteral("too large"), Qt::CaseInsensitive)
                   ? QStringLiteral("too large")
                   : QStringLiteral("invalid answer");
    }
}

QString hostOf(const QUrl &url)
{
    return url.host().toLower() + QLatin1Char(':') +
           QString::number(
               url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80));
}

} // namespace

ScanRun::ScanRun(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_analysis(parts.fields, parts.dataSource, parts.prompts)
{
    connect(&m_parts.fetcher, &PageFetcher::finished, this, &ScanRun::onFetchFinished);
    connect(&m_parts.fetcher, &PageFetcher::progressed, this, &ScanRun::onFetchProgress);
}

ScanRun::~ScanRun()
{
    stop();
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

bool ScanRun::reportIsEmpty(const QString &report)
{
    // The stamp of a run that found nothing is one line; every entry starts with a line break.
    return report.isEmpty() ||
           (report.startsWith(QLatin1String("scannet ")) && !report.contains(QLatin1Char('\n')));
}

bool ScanRun::start()
{
    if (m_running)
        return false;
    m_running = true;
    m_ending = Ending::Completed;
    m_analysed = 0;
    m_failed = 0;
    m_new = 0;
    m_changed = 0;
    m_candidates.clear();
    m_lastId.reset();
    m_finalPass = false;
    m_queueDone = false;
    emit runStarted();
    emit countsChanged(0, 0);

    for (Field field :
         {Field::txtURL, Field::txtSenc, Field::txtkw, Field::txtURLId, Field::lblServerRapport})
        m_parts.fields.clear(field);
    // Settings that cannot be read would leave the data source unnamed: say which file is wrong.
    if (const QString problem = m_parts.settings.problem(); !problem.isEmpty()) {
        m_parts.prompts.showMessage(problem);
        m_ending = Ending::DataSourceFailed;
        endRun();
        return true;
    }
    m_dsn = m_parts.dataSourceName.refresh();
    readLimits();
    // Nothing is taken before it is known that the rows can be read and that there are keywords
    // to search for: a row taken is out of today's queue.
    if (const store::DbError error = readCandidates(); error.failed()) {
        reportUnreadable(error);
        m_ending = Ending::DataSourceFailed;
        endRun();
        return true;
    }
    if (!m_candidates.empty() && !keywordsAreListed()) {
        endRun();
        return true;
    }
    // Without the table of failure streaks the run goes on all the same, and says so once.
    const store::DbError streaks = store::prepareUrlStatus(m_parts.dataSource, m_dsn);
    m_keepsStreaks = !streaks.failed();
    if (streaks.failed())
        m_parts.fields.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Database urlstatus Error "),
                                                               streaks.number, streaks.description));
    takeAhead();
    startFetches();
    scheduleAdvance();
    return true;
}

void ScanRun::readLimits()
{
    for (auto [key, limit] :
         {std::pair{&app::numbers::Parallel, &m_parallel}, std::pair{&app::numbers::PerHost, &m_perHost}}) {
        const app::NumberSetting setting = m_parts.settings.readNumber(*key);
        *limit = static_cast<int>(setting.value);
        if (!setting.problem.isEmpty())
            m_parts.fields.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Settings Error "),
                                                                   TypeMismatch, setting.problem));
    }
}

store::DbError ScanRun::readCandidates()
{
    const store::DueRows due =
        store::selectDueRows(m_parts.dataSource, m_dsn, m_parts.calendar.today(), m_lastId, CandidateBatch);
    m_candidates.assign(due.rows.cbegin(), due.rows.cend());
    return due.error;
}

void ScanRun::reportNoDataSource(const store::DbError &error)
{
    m_parts.prompts.showMessage(
        NoDataSourceMessage,
        NoDataSourceMessage +
            QStringLiteral(": the data source \"%1\" could not be opened (%2). Name another with "
                           "'quillmere-scan config DSN NAME'; check this one with 'isql -v %1'.")
                .arg(m_dsn, error.description));
    // The window's message stays as it is; the pane says which data source was tried.
    m_parts.fields.append(
        Field::txtEtrap,
        app::errorEntry(
            QStringLiteral("ODBC Error "), error.number,
            QStringLiteral("the data source \"%1\" could not be opened: %2").arg(m_dsn, error.description)));
}

void ScanRun::reportUnreadable(const store::DbError &error)
{
    if (error.number == store::DataSourceNotFound)
        reportNoDataSource(error);
    else
        m_parts.fields.append(Field::txtEtrap, app::errorEntry(QueueEntryPrefix + QLatin1Char(' '),
                                                               error.number, error.description));
}

bool ScanRun::keywordsAreListed()
{
    const store::KeywordList keywords = store::loadKeywords(m_parts.dataSource, m_dsn);
    if (keywords.error.failed()) {
        if (keywords.error.number == store::DataSourceNotFound)
            reportNoDataSource(keywords.error);
        else
            m_parts.fields.append(Field::txtEtrap,
                                  app::errorEntry(QStringLiteral("Keyword Error "), keywords.error.number,
                                                  keywords.error.description));
        m_ending = Ending::DataSourceFailed;
        return false;
    }
    if (keywords.rowCount == 0) {
        m_parts.prompts.showMessage(QStringLiteral("There are no KEYWORDS to search for!!"));
        return false;
    }
    return true;
}

void ScanRun::takeAhead()
{
    const std::size_t window = std::size_t{4} * static_cast<std::size_t>(m_parallel);
    while (!m_queueDone && m_slots.size() < window) {
        if (m_candidates.empty()) {
            if (const store::DbError error = readCandidates(); error.failed()) {
                // Shown at its turn, after the pages taken before it; no row comes after it.
                Slot failure;
                failure.queueError = error;
                m_slots.push_back(failure);
                m_queueDone = true;
                break;
            }
            if (m_candidates.empty())
                endWalk();
            continue;
        }
        takeCandidate();
    }
}

void ScanRun::endWalk()
{
    // One more walk from the lowest ID takes the rows given back or made due again while this
    // run went on.
    m_candidates.clear();
    if (m_finalPass) {
        m_queueDone = true;
    } else {
        m_finalPass = true;
        m_lastId.reset();
    }
}

void ScanRun::takeCandidate()
{
    const store::DueRow row = m_candidates.front();
    m_candidates.pop_front();
    Slot slot;
    slot.row = row;
    const std::optional<qint64> id = store::storedNumber(row.id);
    if (!id) {
        // The walk goes by ID; a row whose ID is no number ends it.
        slot.queueError = {TypeMismatch, QStringLiteral("Type mismatch: the ID is not a whole number")};
        endWalk();
        m_slots.push_back(slot);
        return;
    }
    m_lastId = *id;

    const QDate today = m_parts.calendar.today();
    const store::Claim claim = store::claimRow(m_parts.dataSource, m_dsn, row, today);
    switch (claim.outcome) {
    case store::Claim::Outcome::TakenElsewhere:
        return;
    case store::Claim::Outcome::Taken:
        slot.takenOn = today;
        break;
    case store::Claim::Outcome::StoredTwice:
        slot.queueError = {claim.error.number,
                           QStringLiteral("The ID %1 is stored in more than one row; none of them is scanned")
                               .arg(fieldText(row.id))};
        m_slots.push_back(slot);
        return;
    case store::Claim::Outcome::Failed:
        slot.queueError = claim.error;
        m_slots.push_back(slot);
        m_queueDone = true;
        return;
    }

    if (!row.url.isNull()) {
        auto target = requestUrlFor(row.url.toString());
        if (auto *refusal = std::get_if<Refusal>(&target)) {
            slot.refusal = *refusal;
        } else {
            slot.url = std::get<QUrl>(target);
            slot.host = hostOf(slot.url);
            slot.fetch = Slot::Fetch::Waiting;
        }
    }
    m_slots.push_back(std::move(slot));
}

void ScanRun::startFetches()
{
    for (Slot &slot : m_slots) {
        if (m_requestsInFlight >= m_parallel)
            return;
        if (slot.fetch != Slot::Fetch::Waiting || m_requestsPerHost[slot.host] >= m_perHost)
            continue;
        slot.fetch = Slot::Fetch::Running;
        slot.request = m_parts.fetcher.fetch(slot.url);
        ++m_requestsInFlight;
        ++m_requestsPerHost[slot.host];
    }
}

ScanRun::Slot *ScanRun::slotOf(quint64 request)
{
    const auto found = std::find_if(m_slots.begin(), m_slots.end(), [request](const Slot &slot) {
        return slot.fetch == Slot::Fetch::Running && slot.request == request;
    });
    return found == m_slots.end() ? nullptr : &*found;
}

void ScanRun::onFetchFinished(quint64 request, const FetchResult &result)
{
    Slot *slot = slotOf(request);
    if (slot == nullptr)
        return; // a request of a run that was stopped, or of someone else
    slot->fetch = Slot::Fetch::Done;
    slot->result = result;
    --m_requestsInFlight;
    if (--m_requestsPerHost[slot->host] == 0)
        m_requestsPerHost.erase(slot->host);
    startFetches();
    scheduleAdvance();
}

void ScanRun::onFetchProgress(quint64 request, qint64 received, qint64 announced)
{
    Slot *slot = slotOf(request);
    if (slot == nullptr)
        return;
    slot->received = received;
    slot->announced = announced;
    if (slot == &m_slots.front())
        showLoading(*slot);
}

void ScanRun::scheduleAdvance()
{
    // One page per pass of the event loop: the window stays responsive however many pages are
    // ready, and the call depth never grows with the number of URLs.
    if (m_advanceQueued)
        return;
    m_advanceQueued = true;
    QMetaObject::invokeMethod(this, &ScanRun::advance, Qt::QueuedConnection);
}

void ScanRun::advance()
{
    m_advanceQueued = false;
    if (!m_running)
        return;
    if (m_slots.empty()) {
        endRun();
        return;
    }
    if (const Slot &head = m_slots.front();
        head.fetch == Slot::Fetch::Waiting || head.fetch == Slot::Fetch::Running) {
        showLoading(head);
        return;
    }
    const Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    switch (analyse(slot)) {
    case PageAnalysis::Outcome::Done:
        break;
    case PageAnalysis::Outcome::NoKeywords:
        endEarly(Ending::Completed);
        return;
    case PageAnalysis::Outcome::DataSourceLost:
        reportNoDataSource(slot.queueError.failed() ? slot.queueError : m_analysis.lostBecause());
        endEarly(Ending::DataSourceFailed);
        return;
    }
    takeAhead();
    startFetches();
    scheduleAdvance();
}

PageAnalysis::Outcome ScanRun::analyse(const Slot &slot)
{
    app::RunFields &fields = m_parts.fields;
    // The fields of a page are set as its analysis starts, in the order a one-at-a-time run
    // sets them, so that the window shows one page at a time whatever was fetched ahead.
    for (Field field :
         {Field::txtURL, Field::txtSenc, Field::txtkw, Field::txtURLId, Field::lblServerRapport})
        fields.clear(field);
    const QString idText = fieldText(slot.row.id);
    if (slot.queueError.failed()) {
        if (slot.queueError.number == store::DataSourceNotFound)
            return PageAnalysis::Outcome::DataSourceLost;
        fields.append(Field::txtEtrap, app::errorEntry(QueueEntryPrefix + idText + QLatin1Char(' '),
                                                       slot.queueError.number, slot.queueError.description));
        return PageAnalysis::Outcome::Done;
    }

    const QVariant &url = slot.row.url;
    const QVariant &sensitivity = slot.row.sensitivity;
    fields.setText(Field::txtURLId, idText);
    fields.setText(Field::txtSenc, fieldText(sensitivity));
    // A field without a value stays empty, and the row's error line names it.
    if (url.isNull() || sensitivity.isNull())
        fields.append(Field::txtEtrap,
                      app::errorEntry(QueueEntryPrefix + idText + QLatin1Char(' '), InvalidUseOfNull,
                                      QStringLiteral("Invalid use of Null")));
    else
        fields.setText(Field::lblError, QStringLiteral("Database Okay"));
    if (url.isNull())
        return PageAnalysis::Outcome::Done;

    const QString urlText = url.toString();
    fields.setText(Field::txtURL, urlText);
    for (Field field : {Field::txtTitle, Field::txtHTML, Field::txtSogKeyw})
        fields.clear(field);
    ++m_analysed;
    if (slot.refusal) {
        fields.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Fetch Error ") + urlText,
                                                       slot.refusal->number, slot.refusal->description));
        noteOutcome(slot, store::storedNumber(slot.row.id).value_or(0));
        return PageAnalysis::Outcome::Done;
    }

    // What the fetch reported, as it would have while the page was loading and when it ended.
    const FetchResult &result = slot.result;
    fields.setProgress(0.001);
    fields.setText(Field::lblRun, QStringLiteral("Loading"));
    fields.setText(Field::lblInetError, QStringLiteral("Trappable Error : ") + app::numberText(0));
    if (result.state == FetchResult::Failed)
        fields.append(Field::txtEtrap,
                      urlText + CrLf + QStringLiteral("11") + result.responseInfo + CrLf + CrLf);
    if (result.responseCode == fetchcode::NameNotResolved)
        fields.append(Field::txtEtrap,
                      urlText + CrLf + app::numberText(0) + result.responseInfo + CrLf + CrLf);
    // The sensitivity goes along as text too, on purpose: a column that holds something else
    // than a number must give its own error entry at the analysis, naming what it held, instead
    // of counting as 0.
    AnalysedPage page{urlText,
                      slot.url.toString(QUrl::FullyEncoded),
                      idText,
                      fieldText(sensitivity),
                      store::storedNumber(slot.row.id),
                      store::storedNumber(sensitivity),
                      QString(),
                      QString()};
    if (result.state == FetchResult::Completed) {
        page.headerBlock = app::safeForDisplay(result.headerBlock);
        fields.setText(Field::lblServerRapport, page.headerBlock);
        for (double percentage : result.progress)
            fields.setProgress(percentage);
        page.text = result.body;
        if (result.truncated)
            fields.append(
                Field::txtEtrap,
                app::errorEntry(
                    QStringLiteral("Fetch Error ") + urlText, OutOfMemory,
                    QStringLiteral("The page is larger than 16 MiB: only its first 16 MiB are searched")));
    }
    fields.setText(Field::txtHTML, page.text);
    fields.setText(Field::lblRun, QStringLiteral("Examination"));
    const PageAnalysis::Outcome outcome = m_analysis.analyse(m_dsn, page);
    noteOutcome(slot, page.id.value_or(0));
    if (result.timedOut)
        fields.append(Field::txtEtrap, QStringLiteral("Err : ***** Timout ***** ") + CrLf + CrLf);
    else
        fields.setText(Field::lblInetError,
                       QStringLiteral("Trappable Error : ") + app::numberText(0) + result.responseInfo);
    return outcome;
}

void ScanRun::noteOutcome(const Slot &slot, qint64 id)
{
    // Failed: a fetch that did not complete, or an answer other than 200.
    const FetchResult &result = slot.result;
    const bool failed = slot.refusal || result.state == FetchResult::Failed || result.httpStatus != 200;
    const QString outcome =
        slot.refusal ? slot.refusal->description
        : result.state == FetchResult::Completed
            ? app::safeForDisplay(result.headerBlock.section(QStringLiteral("\r\n"), 0, 0))
            : result.responseInfo;
    qint64 runsInARow = failed ? 1 : 0;
    if (m_keepsStreaks) {
        const store::StatusRecording streak =
            store::recordUrlStatus(m_parts.dataSource, m_dsn, id, m_parts.clock.now(), outcome, failed);
        runsInARow = streak.error.failed() ? 0 : streak.failures;
    }
    app::RunFindings &findings = m_parts.findings;
    findings.addScanned();
    if (failed) {
        ++m_failed;
        findings.addFailure(
            {slot.row.url.toString(), failureReason(slot.refusal, result), outcome, runsInARow});
    }
    if (!slot.refusal && !m_analysis.finding().keywords.isEmpty()) {
        findings.addPage(m_analysis.finding());
        for (const app::KeywordFinding &keyword : m_analysis.finding().keywords)
            ++(keyword.isNew ? m_new : m_changed);
    }
    emit countsChanged(m_analysed, m_failed);
}

void ScanRun::showLoading(const Slot &head)
{
    m_parts.fields.setText(Field::lblRun, QStringLiteral("Loading"));
    const double percentage =
        head.announced > 0 && head.received > 0
            ? std::min(100.0, std::floor(100.0 * double(head.received) / double(head.announced)))
            : 0.001;
    if (percentage != m_parts.fields.progress())
        m_parts.fields.setProgress(percentage);
}

void ScanRun::giveBackAll()
{
    for (const Slot &slot : m_slots) {
        if (!slot.takenOn.isValid())
            continue;
        const store::DbError error = store::giveBack(m_parts.dataSource, m_dsn, slot.row, slot.takenOn);
        if (!error.failed())
            continue;
        m_parts.fields.append(Field::txtEtrap,
                              app::errorEntry(QStringLiteral("Database Error giving back ID ") +
                                                  fieldText(slot.row.id) + QLatin1Char(' '),
                                              error.number, error.description));
        // Without the data source every further try fails the same way; those rows stay taken.
        if (error.number == store::DataSourceNotFound)
            return;
    }
}

void ScanRun::dropTakenRows()
{
    m_parts.fetcher.abortAll();
    giveBackAll();
    m_slots.clear();
    m_candidates.clear();
    m_requestsPerHost.clear();
    m_requestsInFlight = 0;
}

void ScanRun::endEarly(Ending ending)
{
    dropTakenRows();
    m_ending = ending;
    endRun();
}

void ScanRun::stop()
{
    if (!m_running)
        return;
    dropTakenRows();
    m_ending = Ending::Stopped;
    m_running = false;
    m_parts.fields.setText(Field::lblRun, QStringLiteral("Stoppet"));
    emit runEnded();
}

void ScanRun::endRun()
{
    m_running = false;
    app::RunFields &fields = m_parts.fields;
    fields.setText(Field::lblRun, QStringLiteral("Stoppet"));
    const QString stamp = stampText(m_parts.clock.now());
    const bool hasReport = !reportIsEmpty(fields.text(Field::txtResultat));
    if (hasReport)
        fields.append(Field::txtResultat, CrLf + QStringLiteral("Scan complet @ ") + stamp);
    else
        fields.setText(Field::txtResultat, QStringLiteral("scannet ") + stamp);
    if (hasReport)
        emit reportReady(fields.text(Field::txtResultat));
    emit runEnded();
}

} // namespace qs::scan
