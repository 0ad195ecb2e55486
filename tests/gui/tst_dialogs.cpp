#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

#include "core/app/paths.h"
#include "core/version.h"
#include "gui/dialogs/aboutwindow.h"
#include "loopbackhttpserver.h"
#include "windowworld.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using namespace qs::test;

namespace {

// Types text over whatever the field holds, as the operator would.
void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// The window on show after choosing the menu entry (one closed a moment ago may still wait
// for its deletion).
QWidget *openFromMenu(WindowWorld &world, const QByteArray &action)
{
    static const QHash<QByteArray, QString> windows{
        {"menuset_0", u"frmSettings"_s}, {"menuset_1", u"frmMailsetup"_s}, {"menuhlp_3", u"frmAbout"_s}};
    world.child<QAction>(action.constData())->trigger();
    QWidget *shown = nullptr;
    for (QWidget *candidate : world.window->findChildren<QWidget *>(windows.value(action))) {
        if (candidate->isVisible()) {
            if (shown != nullptr)
                qWarning() << "more than one" << windows.value(action) << "on show";
            shown = candidate;
        }
    }
    return shown;
}

// The settings key behind a dialog's field.
QString keyOf(const QString &field)
{
    namespace keys = qs::app::keys;
    const QHash<QString, QString> keyOfField{{u"txtDB"_s, keys::Dsn},
                                             {u"txtMailserver"_s, keys::Mailserver},
                                             {u"txtSender"_s, keys::Sender},
                                             {u"txtMailto"_s, keys::Mailto},
                                             {u"txtSubject"_s, keys::Subject}};
    return keyOfField.value(field);
}

} // namespace

// The ODBC and mail settings dialogs and the About window, opened from the menus.
class DialogTest : public QObject
{
    Q_OBJECT
private slots:
    void settingsAreSavedAsTypedAndBlanksRefilled_data()
    {
        // Field name to text; a field not named is empty, its key not stored. After saving, a field
        // shows what is stored or, with nothing stored, what was typed.
        QTest::addColumn<QByteArray>("menu");
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QVariantMap>("typed");
        QTest::addColumn<QVariantMap>("saved");
        const auto dsn = [](const QString &text) { return QVariantMap{{u"txtDB"_s, text}}; };
        QTest::newRow("odbc, name as typed")
            << "menuset_0"_ba << dsn(u"Stored"_s) << dsn(u"Scans "_s) << dsn(u"Scans "_s);
        QTest::newRow("odbc, blank refilled")
            << "menuset_0"_ba << dsn(u" Stored "_s) << dsn(u"   "_s) << dsn(u" Stored "_s);
        QTest::newRow("odbc, blank and nothing stored")
            << "menuset_0"_ba << QVariantMap() << dsn(u" "_s) << QVariantMap();
        QTest::newRow("mail, nothing stored")
            << "menuset_1"_ba << QVariantMap() << QVariantMap() << QVariantMap();
        QTest::newRow("mail, typed and blank") << "menuset_1"_ba
                                               << QVariantMap{{u"txtMailserver"_s, u"smtp.example.org"_s},
                                                              {u"txtMailto"_s, u"me@example.org"_s},
                                                              {u"txtSubject"_s, u"Scan"_s}}
                                               << QVariantMap{{u"txtSender"_s, u" scan@example.org "_s},
                                                              {u"txtMailto"_s, u"  "_s},
                                                              {u"txtSubject"_s, u"Daily scan æøå"_s}}
                                               << QVariantMap{{u"txtMailserver"_s, u"smtp.example.org"_s},
                                                              {u"txtSender"_s, u" scan@example.org "_s},
                                                              {u"txtMailto"_s, u"me@example.org"_s},
                                                              {u"txtSubject"_s, u"Daily scan æøå"_s}};
    }
    void settingsAreSavedAsTypedAndBlanksRefilled()
    {
        QFETCH(QByteArray, menu);
        QFETCH(QVariantMap, stored);
        QFETCH(QVariantMap, typed);
        QFETCH(QVariantMap, saved);
        WindowWorld world;
        QFile::remove(world.settings.filePath());
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            world.settings.write(keyOf(it.key()), it.value().toString());
        const bool odbc = menu == "menuset_0";
        QWidget *dialog = openFromMenu(world, menu);
        const QList<QLineEdit *> fields = dialog->findChildren<QLineEdit *>();
        QCOMPARE(fields.size(), odbc ? 1 : 4);
        // Each field opens with what is stored; the ODBC name is shown in the main window, too.
        for (QLineEdit *field : fields)
            QCOMPARE(field->text(), stored.value(field->objectName()).toString());
        if (odbc)
            QCOMPARE(world.state().text(Field::txtDB), stored.value(u"txtDB"_s).toString());

        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            retype(dialog->findChild<QLineEdit *>(it.key()), it.value().toString());
        dialog->findChild<QPushButton *>(u"cmdApply"_s)->click();
        for (QLineEdit *field : fields) {
            const QString name = field->objectName();
            QCOMPARE(field->text(), saved.value(name, typed.value(name)).toString());
            QCOMPARE(world.settings.contains(keyOf(name)), saved.contains(name));
            QCOMPARE(world.settings.read(keyOf(name)), saved.value(name).toString());
        }
        QVERIFY(dialog->isVisible());
        QVERIFY(world.prompts.messages.isEmpty());
        if (odbc) {
            QCOMPARE(world.state().text(Field::txtDB), saved.value(u"txtDB"_s).toString());
            // The database routines pick the name up themselves.
            QCOMPARE(world.engine->dataSourceName().current(), world.db.name());
            // "get db" shows what is stored, not what the field holds.
            dialog->findChild<QPushButton *>(u"Command1"_s)->click();
            QCOMPARE(world.prompts.messages, QStringList{saved.value(u"txtDB"_s).toString()});
        }
    }

    void menuShowsOneWindowLoadedAfreshAfterClosing_data()
    {
        QTest::addColumn<QByteArray>("menu");
        QTest::addColumn<QString>("field");
        QTest::newRow("odbc") << "menuset_0"_ba << u"txtDB"_s;
        QTest::newRow("mail") << "menuset_1"_ba << u"txtMailserver"_s;
        QTest::newRow("about") << "menuhlp_3"_ba << QString();
    }
    void menuShowsOneWindowLoadedAfreshAfterClosing()
    {
        QFETCH(QByteArray, menu);
        QFETCH(QString, field);
        WindowWorld world;
        QVERIFY(world.show());
        QWidget *window = openFromMenu(world, menu);
        QVERIFY(window != nullptr);
        auto *typedInto = field.isEmpty() ? nullptr : window->findChild<QLineEdit *>(field);
        if (typedInto != nullptr)
            retype(typedInto, u"typed, not saved"_s);
        QCOMPARE(openFromMenu(world, menu), window);
        QCOMPARE(world.window->findChildren<QWidget *>(window->objectName()).size(), 1);
        QTRY_VERIFY(window->isActiveWindow());
        if (typedInto != nullptr)
            QCOMPARE(typedInto->text(), u"typed, not saved"_s);

        // Closing saves nothing; the next opening starts from the store.
        QPointer<QWidget> closed = window;
        QVERIFY(window->close());
        if (!field.isEmpty())
            world.settings.write(keyOf(field), u"Changed meanwhile"_s);
        QWidget *again = openFromMenu(world, menu);
        QVERIFY(again != nullptr);
        QTRY_VERIFY(closed.isNull());
        QCOMPARE(world.window->findChildren<QWidget *>(again->objectName()).size(), 1);
        if (!field.isEmpty())
            QCOMPARE(again->findChild<QLineEdit *>(field)->text(), u"Changed meanwhile"_s);
        // Escape closes a dialog as well.
        if (qobject_cast<QDialog *>(again) != nullptr) {
            QPointer<QWidget> escaped = again;
            QTest::keyClick(again, Qt::Key_Escape);
            QTRY_VERIFY(escaped.isNull());
        }
    }

    void aboutShowsVersionsAndPathsAndLoadsNothingFromOutside()
    {
        WindowWorld world;
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(u"/logo.png"_s, LoopbackHttpServer::page("not an image", "image/png"));
        QWidget *about = openFromMenu(world, "menuhlp_3");
        QVERIFY(about->findChildren<QAbstractButton *>().isEmpty());
        auto *browser = about->findChild<QTextBrowser *>(u"WebBrowser1"_s);
        QVERIFY(browser != nullptr);
        // This program's version, those of the libraries in use here, and this operator's files.
        const QString text = browser->toPlainText();
        QVERIFY2(text.contains(u"Quillmere Scan " QS_VERSION ""_s), qPrintable(text));
        QVERIFY(text.contains(
            QRegularExpression(u"Qt\\s+"_s + QRegularExpression::escape(QString::fromLatin1(qVersion())))));
        QVERIFY2(text.contains(QRegularExpression(u"unixODBC\\s+\\d+\\.\\d+"_s)), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(u"libcurl\\s+\\d+\\.\\d+\\.\\d+"_s)), qPrintable(text));
        for (const QString &path : {world.settings.filePath(), qs::app::paths::userOdbcIni(),
                                    qs::app::paths::dataDir(), world.db.name()})
            QVERIFY2(text.contains(path), qPrintable(path));

        QVERIFY(!browser->openExternalLinks());
        QVERIFY(!browser->openLinks());
        // The page names nothing that lives elsewhere.
        const QString page = qs::gui::AboutWindow::pageHtml(world.settings);
        QVERIFY(!page.isEmpty());
        for (const char *scheme : {"http:", "https:", "ftp:", "file:", "src="})
            QVERIFY2(!page.contains(QString::fromLatin1(scheme)), scheme);
        // Not even a page that asks for a picture or a link elsewhere gets anything from outside.
        const QString picture = server.url(u"/logo.png"_s).toString();
        browser->setHtml(u"<p><img src=\"%1\"><a href=\"%1\">link</a></p>"_s.arg(picture));
        QVERIFY(browser->loadResource(QTextDocument::ImageResource, QUrl(picture)).isNull());
        QVERIFY(browser->loadResource(QTextDocument::HtmlResource, QUrl(u"file:///etc/hostname"_s)).isNull());
        QTest::qWait(100);
        QCOMPARE(server.acceptedConnections(), 0);
    }
};

QTEST_MAIN(DialogTest)
#include "tst_dialogs.moc"
