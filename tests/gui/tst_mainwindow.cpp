#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include "core/scan/scanrun.h"
#include "gui/mainwindow/windowprompts.h"
#include "loopbackhttpserver.h"
#include "windowworld.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using qs::test::LoopbackHttpServer;
using qs::test::WindowWorld;

namespace {

// A desktop's notification service of the test's own, on a private session bus.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown << summary + u": "_s + body + u" ["_s + actions.join(u',') + u']';
        return 7;
    }
};

} // namespace

// The main window driven through its widgets, as the operator drives it.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void startUpShowsTheStoredNameAndToday()
    {
        WindowWorld world(qs::test::Backend::Sqlite, WindowWorld::Start::FirstStart);
        QCOMPARE(world.child<QLineEdit>("txtURL")->text(), QString());
        world.settings.write(qs::app::keys::Dsn, u" Scans "_s);
        world.engine->load();
        QCOMPARE(world.state().text(Field::txtDB), u" Scans "_s);
        QCOMPARE(world.state().text(Field::lblDato), u"2026-12-06"_s);
        QVERIFY(world.prompts.messages.isEmpty());
        // The hidden diagnostic shows what is stored, and changes nothing.
        world.settings.write(qs::app::keys::Dsn, u"Stored"_s);
        world.click("Command1");
        QCOMPARE(world.prompts.messages, QStringList{u"Stored"_s});
        QCOMPARE(world.state().text(Field::txtDB), u" Scans "_s);
    }

    void startRunsAScanAndCannotBePressedTwice()
    {
        WindowWorld world;
        LoopbackHttpServer http;
        QVERIFY(http.listen());
        http.setResponse(u"/p"_s, LoopbackHttpServer::page("<title>Cars</title><p>a car b car c</p>")
                                      .delayed(std::chrono::milliseconds(300)));
        QVERIFY(world.db.exec(u"INSERT INTO listen (URL) VALUES ('ftp://refused/'), (?)"_s,
                              {http.url(u"/p"_s).toString()}));
        QVERIFY(world.db.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s));
        auto *start = world.child<QPushButton>("cmdRun");
        QSignalSpy ended(&world.engine->run(), &qs::scan::ScanRun::runEnded);

        start->click();
        QVERIFY(!start->isEnabled());
        QTRY_COMPARE(world.child<QLabel>("lblRun")->text(), u"Loading"_s);
        QVERIFY(ended.wait(10000));
        QVERIFY(start->isEnabled());
        QCOMPARE(world.child<QLineEdit>("txtTitle")->text(), u"Cars"_s);
        QVERIFY(
            world.child<QPlainTextEdit>("txtResultat")->toPlainText().contains(u"Found keywords; \ncar\n"_s));
        QVERIFY(world.child<QPlainTextEdit>("txtEtrap")
                    ->toPlainText()
                    .startsWith(u"Fetch Error ftp://refused/"_s));
    }

    void closingDuringARunGivesTheRowsBack()
    {
        WindowWorld world;
        LoopbackHttpServer http;
        QVERIFY(http.listen());
        http.setResponse(u"/stall"_s, LoopbackHttpServer::misbehaving(LoopbackHttpServer::Behaviour::Stall));
        QVERIFY(world.db.exec(u"INSERT INTO listen (URL, TAL) VALUES (?, 4)"_s,
                              {http.url(u"/stall"_s).toString()}));
        QVERIFY(world.db.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s));
        world.click("cmdRun");
        QTRY_COMPARE(http.requestCount(u"/stall"_s), 1);
        world.window->close();
        QVERIFY(!world.engine->run().isRunning());
        QCOMPARE(world.db.rows(u"SELECT DAGEN, TAL FROM listen"_s).value(0),
                 (QVariantList{QDate(2003, 1, 1), 4}));
    }

    void listButtonsRunTheirCommands()
    {
        WindowWorld world;
        QVERIFY(world.db.exec(u"INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (1, 'car', 40)"_s));
        world.prompts.textAnswers = QStringList{u" http://a.example/"_s};
        world.prompts.confirmAnswer = true;
        for (const char *name : {"cmdReset", "cmdAdd", "cmdWord", "cmdURL"})
            world.click(name);
        QCOMPARE(world.prompts.messages, QStringList{u"reset Finished"_s});
        // Added after the reset: due at once, with the usual sensitivity.
        QCOMPARE(world.db.rows(u"SELECT URL, DAGEN, TAL, SCENS FROM listen"_s),
                 (QList<QVariantList>{{u" http://a.example/"_s, QDate(2003, 1, 1), 0, 50}}));
        QCOMPARE(world.db.count(u"kw"_s), 0);
        QCOMPARE(qs::test::textOf(world.urlGrid(), 0, u"URL"_s), u" http://a.example/"_s);
        world.state().append(Field::txtResultat, u"report"_s);
        world.click("cmdSletMail");
        QCOMPARE(world.child<QPlainTextEdit>("txtResultat")->toPlainText(), QString());
    }

    void messagesAreReadInTheOrderTheyCame()
    {
        QWidget window;
        qs::gui::WindowPrompts prompts;
        prompts.setWindow(&window);
        // The mail's three warnings come at once; the first is the one the operator must read first.
        const QStringList raised{u"mailserver"_s, u"Sender"_s, u"mailto"_s};
        for (const QString &text : raised)
            prompts.showMessage(text);
        QStringList read;
        while (auto *box = window.findChild<QMessageBox *>()) {
            QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
            read << box->text();
            box->button(QMessageBox::Ok)->click();
            delete box;
        }
        QCOMPARE(read, raised);
    }

    void aRunWithFindingsNotifiesTheDesktop()
    {
        // A bus of this test's own: the address is set before anything uses the session bus.
        QTemporaryDir dir;
        QProcess bus;
        bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--address=unix:tmpdir="_s + dir.path(), u"--nofork"_s,
                                     u"--print-address=1"_s});
        if (!bus.waitForStarted() || !bus.waitForReadyRead(10000))
            QSKIP("no dbus-daemon to start a private bus with");
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection service =
            QDBusConnection::connectToBus(QString::fromLatin1(address), u"notifications"_s);
        NotificationService notifications;
        QVERIFY(service.registerObject(u"/org/freedesktop/Notifications"_s, &notifications,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(u"org.freedesktop.Notifications"_s));

        WindowWorld world;
        LoopbackHttpServer http;
        QVERIFY(http.listen());
        http.setResponse(u"/p"_s, LoopbackHttpServer::page("<p>a car b car c</p>"));
        QVERIFY(world.db.exec(u"INSERT INTO listen (URL) VALUES (?), ('http://127.0.0.1:1/')"_s,
                              {http.url(u"/p"_s).toString()}));
        QVERIFY(world.db.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s));
        world.click("cmdRun");
        QTRY_COMPARE_WITH_TIMEOUT(notifications.shown.size(), 1, 15000);
        QCOMPARE(notifications.shown.first(),
                 u"Scan finished: 1 keyword new, 0 changed, 1 URL failed [default,Show the report]"_s);
        QCOMPARE(world.child<QLabel>("runCounts")->text(),
                 u"Last run, ended 10:15: 2 URLs analysed, 1 failed, 1 new, 0 changed"_s);

        // Choosing it brings the report forward.
        world.child<QTabWidget>("SSTab1")->setCurrentIndex(3);
        QDBusMessage chosen = QDBusMessage::createSignal(
            u"/org/freedesktop/Notifications"_s, u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        chosen << 7u << u"default"_s;
        QVERIFY(service.send(chosen));
        QTRY_COMPARE(world.child<QTabWidget>("SSTab1")->currentIndex(), 0);
        // The counts go with the report.
        world.click("cmdSletMail");
        QCOMPARE(world.child<QLabel>("runCounts")->text(), QString());
        QDBusConnection::disconnectFromBus(u"notifications"_s);
        bus.kill();
        bus.waitForFinished();
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
