#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include "core/scan/scanrun.h"
#include "gui/mainwindow/windowprompts.h"
#include "loopbackhttpserver.h"
#include "windowworld.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using qs::test::LoopbackHttpServer;
using qs::test::WindowWorld;

// The main window driven through its widgets, as the operator drives it.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void startUpShowsTheStoredNameAndToday();
    void startRunsAScanAndCannotBePressedTwice();
    void closingDuringARunGivesTheRowsBack();
    void listButtonsRunTheirCommands();
    void messagesAreReadInTheOrderTheyCame();
};

void MainWindowTest::startUpShowsTheStoredNameAndToday()
{
    WindowWorld world(qs::test::Backend::Sqlite, WindowWorld::Start::FirstStart);
    QCOMPARE(world.child<QLineEdit>("txtURL")->text(), QString());
    world.settings.write(qs::app::keys::Dsn, u" Scans "_s);
    world.engine->load();
    QCOMPARE(world.state().text(Field::txtDB), u" Scans "_s);
    QCOMPARE(world.state().text(Field::lblDato), u"2026-12-06"_s);
    QVERIFY(world.prompts->messages.isEmpty());
    // The hidden diagnostic shows what is stored, and changes nothing.
    world.settings.write(qs::app::keys::Dsn, u"Stored"_s);
    world.click("Command1");
    QCOMPARE(world.prompts->messages, QStringList{u"Stored"_s});
    QCOMPARE(world.state().text(Field::txtDB), u" Scans "_s);
}

void MainWindowTest::startRunsAScanAndCannotBePressedTwice()
{
    WindowWorld world;
    LoopbackHttpServer http;
    QVERIFY(http.listen());
    LoopbackHttpServer::Response slow =
        LoopbackHttpServer::page("<title>Cars</title><p>a car b car c</p>");
    slow.delay = std::chrono::milliseconds(300);
    http.setResponse(u"/p"_s, slow);
    QVERIFY(world.exec(u"INSERT INTO listen (URL) VALUES ('ftp://refused/'), (?)"_s, {http.url(u"/p"_s).toString()}));
    QVERIFY(world.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s));
    auto *start = world.child<QPushButton>("cmdRun");
    QSignalSpy ended(&world.engine->run(), &qs::scan::ScanRun::runEnded);

    start->click();
    QVERIFY(!start->isEnabled());
    QTRY_COMPARE(world.child<QLabel>("lblRun")->text(), u"Loading"_s);
    QVERIFY(ended.wait(10000));
    QVERIFY(start->isEnabled());
    QCOMPARE(world.child<QLineEdit>("txtTitle")->text(), u"Cars"_s);
    QVERIFY(world.child<QPlainTextEdit>("txtResultat")->toPlainText().contains(u"Found keywords; \ncar\n"_s));
    QVERIFY(world.child<QPlainTextEdit>("txtEtrap")->toPlainText().startsWith(u"Fetch Error ftp://refused/"_s));
    QCOMPARE(world.child<QLabel>("runCounts")->text(), u"2 URL(s) analysed, 1 failed"_s);
}

void MainWindowTest::closingDuringARunGivesTheRowsBack()
{
    WindowWorld world;
    LoopbackHttpServer http;
    QVERIFY(http.listen());
    LoopbackHttpServer::Response stall;
    stall.behaviour = LoopbackHttpServer::Behaviour::Stall;
    http.setResponse(u"/stall"_s, stall);
    QVERIFY(world.exec(u"INSERT INTO listen (URL, TAL) VALUES (?, 4)"_s, {http.url(u"/stall"_s).toString()}));
    QVERIFY(world.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s));
    world.click("cmdRun");
    QTRY_COMPARE(http.requestCount(u"/stall"_s), 1);
    world.window->close();
    QVERIFY(!world.engine->run().isRunning());
    QCOMPARE(world.db.rows(u"SELECT DAGEN, TAL FROM listen"_s).value(0), (QVariantList{QDate(2003, 1, 1), 4}));
}

void MainWindowTest::listButtonsRunTheirCommands()
{
    WindowWorld world;
    QVERIFY(world.exec(u"INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (1, 'car', 40)"_s));
    world.prompts->textAnswers = QStringList{u" http://a.example/"_s};
    world.prompts->confirmAnswer = true;
    for (const char *name : {"cmdReset", "cmdAdd", "cmdWord", "cmdURL"})
        world.click(name);
    QCOMPARE(world.prompts->messages, QStringList{u"reset Finished"_s});
    QCOMPARE(world.urlsStored(), QStringList{u" http://a.example/"_s});
    QCOMPARE(world.db.count(u"kw"_s), 0);
    QCOMPARE(qs::test::textOf(world.urlGrid(), 0, u"URL"_s), u" http://a.example/"_s);
    world.state().append(Field::txtResultat, u"report"_s);
    world.click("cmdSletMail");
    QCOMPARE(world.child<QPlainTextEdit>("txtResultat")->toPlainText(), QString());
}

void MainWindowTest::messagesAreReadInTheOrderTheyCame()
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

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
