#include <chrono>
#include <memory>
#include <optional>

#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/scan/fetchresult.h"
#include "core/scan/httptransfer.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/requesturl.h"
#include "loopbackhttpserver.h"
#include "testcertificate.h"

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using qs::scan::FetchResult;
using qs::scan::PageFetcher;
using qs::scan::Refusal;
using qs::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using Behaviour = LoopbackHttpServer::Behaviour;
using Framing = LoopbackHttpServer::Framing;
namespace fetchcode = qs::scan::fetchcode;

namespace {

const QByteArray UserAgentLine = "user-agent: Mozilla/4.0 (compatible; MSIE 6.0;)";
// Short enough that no test waits long, long enough for a loopback answer on a loaded machine.
constexpr auto ShortLimit = 300ms;
// How long a test waits for an outcome that should come quickly (DNS included).
constexpr int PatienceMs = 15'000;

// Starts one fetch and waits for its one outcome; state 0 (with a warning) when it was refused or
// never came, so that any check of the state fails.
FetchResult fetchAndWait(PageFetcher &fetcher, const QString &url)
{
    QSignalSpy finished(&fetcher, &PageFetcher::finished);
    if (std::holds_alternative<Refusal>(fetcher.fetch(url)) ||
        (finished.isEmpty() && !finished.wait(PatienceMs))) {
        qWarning() << "no outcome for" << url;
        FetchResult none;
        none.state = 0;
        return none;
    }
    return finished.constFirst().at(1).value<FetchResult>();
}

qs::scan::TransferRules rules(std::chrono::milliseconds timeLimit, qint64 maxBodyBytes = qint64{16} << 20,
                              const QString &caFile = {})
{
    return {timeLimit, maxBodyBytes, QFile::encodeName(caFile)};
}

// Digits, so that a body cut at the wrong place shows.
const QByteArray Digits = QByteArray("0123456789").repeated(500);

Response framed(const QByteArray &body, Framing framing)
{
    Response response = LoopbackHttpServer::page(body);
    response.framing = framing;
    return response;
}

Response trickled(const QByteArray &body, qsizetype bytes, std::chrono::milliseconds interval)
{
    Response response = LoopbackHttpServer::misbehaving(Behaviour::Trickle, body);
    response.trickleBytes = bytes;
    response.trickleInterval = interval;
    return response;
}

struct Credentials
{
    QSslCertificate certificate;
    QSslKey key;
    QString certificateFile;
};

// A throwaway certificate for name; nullopt (with a warning) when it cannot be made.
std::optional<Credentials> makeCredentials(const QString &folder, const QString &name, const QString &altName)
{
    QString certificateFile;
    QString keyFile;
    QString error;
    if (!qs::test::makeSelfSignedCertificate(folder, name, altName, &certificateFile, &keyFile, &error)) {
        qWarning() << error;
        return std::nullopt;
    }
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificateFile);
    QFile keyIn(keyFile);
    if (certificates.isEmpty() || !keyIn.open(QIODevice::ReadOnly))
        return std::nullopt;
    const Credentials credentials{certificates.constFirst(), QSslKey(&keyIn, QSsl::Ec), certificateFile};
    return credentials.key.isNull() ? std::nullopt : std::optional(credentials);
}

// A loopback server and a fetcher; get() serves a response at a path and fetches it once.
struct Loopback
{
    LoopbackHttpServer server;
    PageFetcher fetcher;

    // Plain http, or https with the given certificate, offering h2 as public servers do.
    explicit Loopback(const Credentials *tls = nullptr)
    {
        if (!(tls ? server.listenTls(tls->certificate, tls->key) : server.listen()))
            qWarning() << "cannot listen:" << server.errorString();
    }

    FetchResult get(const QString &path) { return fetchAndWait(fetcher, server.url(path).toString()); }
    FetchResult get(const QString &path, const Response &response)
    {
        server.setResponse(path, response);
        return get(path);
    }
};

// A failed request keeps nothing of a reply: state 11, the code with its reason, and no status,
// header or body (no part of a broken page is scored).
void verifyFailed(const FetchResult &result, int code, const QString &infoHas = {})
{
    QCOMPARE(result.state, FetchResult::Failed);
    QCOMPARE(result.responseCode, code);
    QCOMPARE(result.timedOut, code == fetchcode::Timeout);
    QVERIFY2(!result.responseInfo.isEmpty() && result.responseInfo.contains(infoHas, Qt::CaseInsensitive),
             qPrintable(result.responseInfo));
    QCOMPARE(result.httpStatus, 0);
    QCOMPARE(result.headerBlock, QString());
    QCOMPARE(result.body, QString());
    QVERIFY(!result.truncated);
}

} // namespace

class TestPageFetcher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_certificateDir;
    std::optional<Credentials> m_loopbackCredentials;  // names IP 127.0.0.1
    std::optional<Credentials> m_otherHostCredentials; // names other.example only

private slots:
    void initTestCase()
    {
        qRegisterMetaType<FetchResult>();
        if (!QSslSocket::supportsSsl() || !m_certificateDir.isValid())
            return;
        m_loopbackCredentials = makeCredentials(m_certificateDir.path(), u"127.0.0.1"_s, u"IP:127.0.0.1"_s);
        m_otherHostCredentials =
            makeCredentials(m_certificateDir.path(), u"other.example"_s, u"DNS:other.example"_s);
    }

    void request_sendsOnlyTheUserAgentAndNoCookies()
    {
        Loopback net;
        Response setter = LoopbackHttpServer::page("cookies");
        setter.headers = {{"Set-Cookie", "session=1; Path=/"}, {"Set-Cookie", "tracking=2; Path=/"}};
        QCOMPARE(net.get(u"/set"_s, setter).state, FetchResult::Completed);
        // Stored without a scheme and with blanks around: trimmed and requested over http.
        const auto bare = fetchAndWait(net.fetcher, u"  127.0.0.1:%1/set \t"_s.arg(net.server.port()));
        QCOMPARE(bare.state, FetchResult::Completed);
        QCOMPARE(bare.body, u"cookies"_s);

        // Nothing beyond what Qt sends on its own and the user agent: above all no Cookie line, which
        // would make the second page one shaped by the first.
        const QList<QByteArray> allowed{"host", "connection", "accept-encoding", "accept-language"};
        QCOMPARE(net.server.requestHeads().size(), 2);
        for (const QByteArray &head : net.server.requestHeads()) {
            QVERIFY2(head.startsWith("GET /set HTTP/1.1\r\n"), head.constData());
            QList<QByteArray> lines = LoopbackHttpServer::headerLines(head);
            QVERIFY2(lines.removeOne(UserAgentLine), head.constData());
            for (const QByteArray &line : std::as_const(lines))
                QVERIFY2(allowed.contains(line.left(line.indexOf(':')).toLower()), line.constData());
        }
    }

    void request_ignoresProxyEnvironment()
    {
        // A live "proxy": whatever reaches it is answered, so a proxied request would complete.
        LoopbackHttpServer proxy;
        QVERIFY(proxy.listen());
        const QByteArray proxyUrl = "http://127.0.0.1:" + QByteArray::number(proxy.port());
        for (const char *name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qputenv(name, proxyUrl);
        qunsetenv("no_proxy");
        qunsetenv("NO_PROXY");
        const auto unset = qScopeGuard([] {
            for (const char *name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
                qunsetenv(name);
        });
        PageFetcher fetcher;

        // Qt never proxies loopback addresses, so the target is a name only a proxy could reach
        // (.invalid never resolves, RFC 6761 section 6.4).
        verifyFailed(fetchAndWait(fetcher, u"http://proxied.invalid/page"_s), fetchcode::NameNotResolved,
                     u"proxied.invalid"_s);
        QCOMPARE(proxy.acceptedConnections(), 0);
    }

    void requestUrlFor_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("requested"); // empty when refused
        QTest::addColumn<int>("refusal");

        QTest::newRow("http as is") << u"http://example.com/a?b=c"_s << u"http://example.com/a?b=c"_s << 0;
        QTest::newRow("https as is") << u"https://example.com/"_s << u"https://example.com/"_s << 0;
        QTest::newRow("blanks around")
            << u" \t http://example.com/a \r\n"_s << u"http://example.com/a"_s << 0;
        QTest::newRow("upper-case scheme")
            << u"HTTPS://Example.COM/Path"_s << u"https://example.com/Path"_s << 0;
        QTest::newRow("no scheme") << u"www.example.com/x"_s << u"http://www.example.com/x"_s << 0;
        QTest::newRow("no scheme, host only") << u"example.com"_s << u"http://example.com"_s << 0;
        QTest::newRow("host:port/path") << u"example.com:8080/x"_s << u"http://example.com:8080/x"_s << 0;
        QTest::newRow("localhost:port") << u"localhost:8080"_s << u"http://localhost:8080"_s << 0;
        QTest::newRow("host:port?query") << u"localhost:8080?q=1"_s << u"http://localhost:8080?q=1"_s << 0;
        QTest::newRow("ipv6 literal with port") << u"[::1]:8080/x"_s << u"http://[::1]:8080/x"_s << 0;
        QTest::newRow("network-path reference") << u"//example.com/x"_s << u"http://example.com/x"_s << 0;
        QTest::newRow("blank inside path") << u"example.com/a b"_s << u"http://example.com/a%20b"_s << 0;

        const QString none;
        QTest::newRow("file with slashes")
            << u"file:///etc/hostname"_s << none << fetchcode::UnrecognizedScheme;
        QTest::newRow("file without slashes")
            << u"file:/etc/hostname"_s << none << fetchcode::UnrecognizedScheme;
        QTest::newRow("data") << u"data:text/plain,hello"_s << none << fetchcode::UnrecognizedScheme;
        QTest::newRow("host:notaport") << u"example.com:abc"_s << none << fetchcode::UnrecognizedScheme;
        QTest::newRow("blanks only") << u"   "_s << none << fetchcode::InvalidUrl;
        QTest::newRow("http without host") << u"http://"_s << none << fetchcode::InvalidUrl;
        QTest::newRow("http without slashes") << u"http:example.com"_s << none << fetchcode::InvalidUrl;
        QTest::newRow("https path only") << u"https:///path"_s << none << fetchcode::InvalidUrl;
    }
    void requestUrlFor()
    {
        QFETCH(QString, stored);

        const auto outcome = qs::scan::requestUrlFor(stored);
        if (const auto *refused = std::get_if<Refusal>(&outcome)) {
            QTEST(refused->number, "refusal");
            QVERIFY(!refused->description.isEmpty());
        } else {
            QTEST(std::get<QUrl>(outcome).toString(QUrl::FullyEncoded), "requested");
        }
    }

    void completed_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<double>>("progress");
        QTest::addColumn<QString>("head"); // how the header block starts
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("truncated");
        const auto row = [](const QByteArray &name, const Response &response, const QString &body,
                            const QList<double> &progress, const QString &head = u"HTTP/1.1 200 OK\r\n"_s,
                            qint64 limit = qint64{16} << 20, bool truncated = false) {
            QTest::newRow(name.constData()) << response << body << progress << head << limit << truncated;
        };

        Response ordered;
        ordered.reason = "Everything Fine";
        ordered.headers = {{"X-Zeta", "last letter first"},
                           {"Set-Cookie", "a=1"},
                           {"Set-Cookie", "b=2"},
                           {"content-type", "text/plain"},
                           {"X-Alpha", "Caf\xE9"}};
        ordered.body = "<p>Hello, world</p>";
        row("fields in server order, each on its own line", ordered, u"<p>Hello, world</p>"_s, {0, 0},
            u"HTTP/1.1 200 Everything Fine\r\nX-Zeta: last letter first\r\nSet-Cookie: a=1\r\nSet-Cookie: "
            u"b=2\r\n"
            u"content-type: text/plain\r\nX-Alpha: Caf\u00E9\r\nContent-Length: 19\r\n"_s);
        // An error status is an answer like any other: its page is read.
        for (const int status : {401, 404, 500}) {
            Response answer = LoopbackHttpServer::page("status");
            answer.status = status;
            answer.reason = "Reason " + QByteArray::number(status);
            row(QByteArray::number(status), answer, u"status"_s, {0, 0},
                u"HTTP/1.1 %1 Reason %1\r\n"_s.arg(status));
        }
        // "deflate" is the zlib format (RFC 9110 section 8.4.1.2): qCompress() without its 4-byte length.
        // Compressed, a one-letter page is longer than the page itself, so a length check on the
        // decompressed body would call it cut; the length of a compressed body is not the page's.
        for (const QByteArray &text : {QByteArray("a"), QByteArray(3000, 'z')}) {
            Response packed = LoopbackHttpServer::page(qCompress(text).mid(4));
            packed.headers.emplaceBack("Content-Encoding", "deflate");
            row("deflate, " + QByteArray::number(text.size()), packed, QString::fromLatin1(text), {});
        }
        const QByteArray digits = Digits.left(2500);
        const QString text = QString::fromLatin1(digits);
        row("announced length", LoopbackHttpServer::page(digits), text, {0, 40, 81, 81});
        row("chunked", framed(digits, Framing::Chunked), text, {});
        row("slow but in time", trickled(digits, 500, 5ms), text, {0, 40, 81, 81});
        row("header charset beats meta",
            LoopbackHttpServer::page("<meta charset=\"utf-8\">caf\xE9", "text/html; charset=iso-8859-1"),
            u"<meta charset=\"utf-8\">caf\u00E9"_s, {0, 0});

        const QString first = QString::fromLatin1(Digits.left(1000));
        const QString ok = u"HTTP/1.1 200 OK\r\n"_s;
        row("over the limit, at once", LoopbackHttpServer::page(Digits), first, {0, 0}, ok, 1000, true);
        row("over the limit, no length", framed(Digits, Framing::Close), first, {}, ok, 1000, true);
        row("over the limit, in pieces", trickled(Digits, 100, 1ms), first, {0, 0}, ok, 1000, true);
        row("at the limit", LoopbackHttpServer::page(Digits.left(1000)), first, {0, 0}, ok, 1000, false);
        row("one byte over", LoopbackHttpServer::page(Digits.left(1001)), first, {0, 0}, ok, 1000, true);
        // 1001 bytes end half-way through the 501st two-byte character.
        row("cut inside a character", LoopbackHttpServer::page(QString(600, QChar(0xE9)).toUtf8()),
            QString(500, QChar(0xE9)), {0, 0}, ok, 1001, true);
        // A few hundred compressed bytes that would grow to 50 MB: only the first part is kept.
        Response bomb = LoopbackHttpServer::page(qCompress(QByteArray(50'000'000, '0'), 9).mid(4));
        bomb.headers.emplaceBack("Content-Encoding", "deflate");
        row("decompression bomb", bomb, QString(1000, u'0'), {}, ok, 1000, true);
    }
    void completed()
    {
        QFETCH(Response, response);
        QFETCH(QString, body);
        QFETCH(QList<double>, progress);
        QFETCH(QString, head);
        QFETCH(qint64, limit);
        QFETCH(bool, truncated);
        Loopback net;
        net.fetcher.setRules(rules(10s, limit));

        const auto result = net.get(u"/page"_s, response);
        QCOMPARE(result.state, FetchResult::Completed);
        QCOMPARE(result.httpStatus, response.status);
        QVERIFY2(result.headerBlock.startsWith(head), qPrintable(result.headerBlock));
        QCOMPARE(result.body, body);
        QCOMPARE(result.truncated, truncated);
        QCOMPARE(result.progress, progress);
        QCOMPARE(result.responseCode, fetchcode::None);
        QCOMPARE(result.responseInfo, QString());
        QVERIFY(!result.timedOut);
    }

    void redirect_isFollowedToTheFinalPage()
    {
        Loopback net;
        net.server.setResponse(u"/old"_s, LoopbackHttpServer::redirect("/middle", 301));
        net.server.setResponse(u"/middle"_s,
                               LoopbackHttpServer::redirect(net.server.url(u"/new"_s).toEncoded()));
        net.server.setResponse(u"/new"_s, LoopbackHttpServer::page("new page"));

        const auto result = net.get(u"/old"_s);
        QCOMPARE(result.state, FetchResult::Completed);
        QVERIFY(result.headerBlock.startsWith(u"HTTP/1.1 200 OK\r\n"_s));
        QCOMPARE(result.body, u"new page"_s);
        QCOMPARE(result.finalUrl, net.server.url(u"/new"_s).toString());
        QCOMPARE(net.server.requestHeads().size(), 3);
    }

    void failure_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<bool>("refused"); // nothing listens at the port
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoHas");

        QTest::newRow("connection refused") << Response() << true << fetchcode::CannotConnect << QString();
        QTest::newRow("closed without response")
            << LoopbackHttpServer::misbehaving(Behaviour::CloseWithoutResponse) << false
            << fetchcode::ConnectionAborted << QString();
        QTest::newRow("body cut midway")
            << LoopbackHttpServer::misbehaving(Behaviour::CutMidway, QByteArray(4000, 'k')) << false
            << fetchcode::ConnectionAborted << QString();
        QTest::newRow("stalled") << LoopbackHttpServer::misbehaving(Behaviour::Stall) << false
                                 << fetchcode::Timeout << QString();
        // A byte every 20 ms: never silent, so only a limit on the whole request ends it early.
        QTest::newRow("trickling") << trickled(QByteArray(500, 't'), 1, 20ms) << false << fetchcode::Timeout
                                   << QString();
        for (const QByteArray location :
             {"file:///etc/hostname", "data:text/plain,secret", "ftp://127.0.0.1/file", "qrc:/page.html"}) {
            const QByteArray scheme = location.left(location.indexOf(':'));
            QTest::addRow("redirect to %s", scheme.constData())
                << LoopbackHttpServer::redirect(location) << false << fetchcode::RedirectFailed
                << QString::fromLatin1(scheme);
        }
    }
    void failure()
    {
        QFETCH(Response, response);
        QFETCH(bool, refused);
        QFETCH(int, code);
        QFETCH(QString, infoHas);
        Loopback net;
        net.server.setResponse(u"/page"_s, response);
        QString url = net.server.url(u"/page"_s).toString();
        if (refused) {
            LoopbackHttpServer gone;
            QVERIFY(gone.listen());
            url = gone.url(u"/page"_s).toString();
        }
        if (code == fetchcode::Timeout)
            net.fetcher.setRules(rules(ShortLimit));

        verifyFailed(fetchAndWait(net.fetcher, url), code, infoHas.isEmpty() ? u"127.0.0.1"_s : infoHas);

        // The next request carries nothing of this failure over.
        net.fetcher.setRules(rules(30s));
        const auto next = net.get(u"/ok"_s, LoopbackHttpServer::page("ok"));
        QCOMPARE(next.state, FetchResult::Completed);
        QCOMPARE(next.responseCode, fetchcode::None);
        QCOMPARE(next.responseInfo, QString());
        QVERIFY(!next.timedOut);
    }

    void progressValues_data()
    {
        QTest::addColumn<qsizetype>("characters");
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("nothing announced") << qsizetype(5000) << qint64(0) << QList<double>{};
        QTest::newRow("empty body announced") << qsizetype(0) << qint64(10) << QList<double>{0};
        QTest::newRow("exactly one piece") << qsizetype(1024) << qint64(1024) << QList<double>{0, 0};
        QTest::newRow("one piece and one character")
            << qsizetype(1025) << qint64(1025) << QList<double>{0, 99, 99};
        QTest::newRow("longer than announced")
            << qsizetype(3000) << qint64(1000) << QList<double>{0, 100, 100, 100};
    }
    void progressValues()
    {
        QFETCH(qsizetype, characters);
        QFETCH(qint64, announced);
        QTEST(qs::scan::progressValues(characters, announced), "expected");
    }

    void requests_runAtOnceAndAbortedOnesAreNotReported()
    {
        Loopback net;
        net.server.setResponse(u"/slow"_s, LoopbackHttpServer::page("slow").delayed(200ms));
        net.server.setResponse(u"/stall"_s, LoopbackHttpServer::misbehaving(Behaviour::Stall));
        QSignalSpy finished(&net.fetcher, &PageFetcher::finished);
        // Every request starts when it is asked for: the caller decides how many run at once.
        QList<quint64> requests;
        for (int i = 0; i < 6; ++i)
            requests << std::get<quint64>(net.fetcher.fetch(net.server.url(u"/slow?%1"_s.arg(i)).toString()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 6, PatienceMs);
        QCOMPARE(net.server.mostAtOnce(), 6);
        QSet<quint64> reported;
        for (const QList<QVariant> &outcome : std::as_const(finished))
            reported << outcome.at(0).value<quint64>();
        QCOMPARE(reported, QSet<quint64>(requests.cbegin(), requests.cend()));

        // An aborted request is never reported; the ones after it are.
        finished.clear();
        const quint64 stalled = std::get<quint64>(net.fetcher.fetch(net.server.url(u"/stall"_s).toString()));
        QTRY_COMPARE(net.server.requestCount(u"/stall"_s), 1);
        net.fetcher.abort(stalled);
        net.fetcher.abortAll();
        QCOMPARE(net.get(u"/ok"_s, LoopbackHttpServer::page("ok")).body, u"ok"_s);
        QCOMPARE(finished.size(), 1);
    }

    void lifetime_destroyedWithRequestInFlight()
    {
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(u"/stall"_s, LoopbackHttpServer::misbehaving(Behaviour::Stall));
        auto fetcher = std::make_unique<PageFetcher>();
        int outcomes = 0;
        connect(fetcher.get(), &PageFetcher::finished, this, [&outcomes] { ++outcomes; });
        fetcher->fetch(server.url(u"/stall"_s));
        QTRY_COMPARE(server.requestCount(u"/stall"_s), 1);
        QCOMPARE(server.openConnections(), 1);

        fetcher.reset();
        QTRY_COMPARE(server.openConnections(), 0); // the connection went with the fetcher
        QCOMPARE(outcomes, 0);
    }

    void tls_data()
    {
        QTest::addColumn<bool>("otherHost"); // the certificate names other.example, not 127.0.0.1
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("infoHas");
        QTest::newRow("self-signed") << false << false << u"/secret"_s << fetchcode::InvalidCa
                                     << u"self-signed"_s;
        QTest::newRow("trusted") << false << true << u"/secret"_s << fetchcode::None << QString();
        QTest::newRow("trusted for another name")
            << true << true << u"/secret"_s << fetchcode::CertNameInvalid << QString();
        QTest::newRow("redirect to plain http")
            << false << true << u"/down"_s << fetchcode::RedirectFailed << QString();
    }
    void tls()
    {
        if (!m_loopbackCredentials || !m_otherHostCredentials)
            QSKIP("no TLS backend, or no openssl command to make a throwaway certificate");
        QFETCH(bool, otherHost);
        QFETCH(bool, trusted);
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, infoHas);
        const Credentials &credentials = otherHost ? *m_otherHostCredentials : *m_loopbackCredentials;
        LoopbackHttpServer plain;
        QVERIFY(plain.listen());
        plain.setResponse(u"/secret"_s, LoopbackHttpServer::page("exposed"));
        Loopback net(&credentials);
        net.server.setResponse(u"/secret"_s, LoopbackHttpServer::page("secret"));
        net.server.setResponse(u"/down"_s, LoopbackHttpServer::redirect(plain.url(u"/secret"_s).toEncoded()));
        // A client that took h2 would wait for an HTTP/2 answer.
        net.fetcher.setRules(rules(5s, qint64{16} << 20, trusted ? credentials.certificateFile : QString()));

        const auto result = net.get(path);
        QCOMPARE(plain.acceptedConnections(), 0);
        if (code != fetchcode::None) {
            verifyFailed(result, code, infoHas);
            QCOMPARE(net.server.requestCount(u"/secret"_s), 0);
            return;
        }
        QCOMPARE(result.state, FetchResult::Completed);
        QCOMPARE(result.body, u"secret"_s);
        QCOMPARE(net.server.requestHeads().size(), 1);
        const QByteArray head = net.server.requestHeads().constFirst();
        QVERIFY2(head.startsWith("GET /secret HTTP/1.1\r\n"), head.constData());
        QVERIFY(LoopbackHttpServer::headerLines(head).contains(UserAgentLine));
    }
};

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
