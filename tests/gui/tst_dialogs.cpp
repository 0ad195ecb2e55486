#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

#include "app/paths.h"
#include "dialogs/aboutwindow.h"
#include "loopbackhttpserver.h"
#include "windowworld.h"

using qs::app::Field;
using namespace qs::test;

namespace {

// The least size a control may have: its design size in twips at 15 twips a pixel.
QSize designSize(int widthTwips, int heightTwips)
{
    return {(widthTwips + 7) / 15, (heightTwips + 7) / 15};
}

bool atLeast(const QSize &size, const QSize &least)
{
    return size.width() >= least.width() && size.height() >= least.height();
}

// Types text over whatever the field holds, as the operator would.
void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

} // namespace

// The ODBC and mail settings dialogs and the About window, opened from the menus.
class DialogTest : public QObject
{
    Q_OBJECT
private slots:
    // ODBC settings
    void odbcDialogCaptionsAndLayout();
    void odbcDialogOpensWithTheStoredName();
    void odbcDialogWithNothingStoredClearsTheMainWindowsName();
    void odbcSaveStoresTheNameAsTypedAndShowsIt();
    void odbcSaveWithABlankFieldRefillsAndSavesNothing();
    void odbcGetDbShowsTheStoredName();
    void odbcSavedNameIsUsedByTheNextDatabaseCommand();
    void odbcMenuTwiceShowsOneDialogLoadedAfreshAfterClosing();
    void odbcTabOrder();

    // Mail settings
    void mailDialogCaptionsAndLayout();
    void mailFirstUseOpensEmptyAndSavesNothing();
    void mailSaveWritesEveryFilledFieldAsTyped();
    void mailBlankFieldIsRefilledAndNotWritten();
    void mailMenuAgainKeepsTheOpenDialogAsItIs();
    void mailTabOrder();

    // About
    void aboutShowsVersionsLicenceAndPaths();
    void aboutLoadsNothingFromOutside();
    void aboutMenuTwiceShowsOneWindow();
};

namespace {

// The window on show after choosing the menu entry (one closed a moment ago may still wait
// for its deletion).
template <typename T> T *openFromMenu(WindowWorld &world, const char *action, const char *window)
{
    world.window->findChild<QAction *>(QString::fromLatin1(action))->trigger();
    T *shown = nullptr;
    for (T *candidate : world.window->findChildren<T *>(QString::fromLatin1(window))) {
        if (candidate->isVisible()) {
            if (shown != nullptr)
                qWarning() << "more than one" << window << "on show";
            shown = candidate;
        }
    }
    return shown;
}

QDialog *openOdbcDialog(WindowWorld &world)
{
    return openFromMenu<QDialog>(world, "menuset_0", "frmSettings");
}

QDialog *openMailDialog(WindowWorld &world)
{
    return openFromMenu<QDialog>(world, "menuset_1", "frmMailsetup");
}

QWidget *openAbout(WindowWorld &world)
{
    return openFromMenu<QWidget>(world, "menuhlp_3", "frmAbout");
}

template <typename T> T *in(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QString::fromLatin1(name));
}

// Forgets every stored setting, as on a first start.
void forgetSettings(WindowWorld &world)
{
    QFile::remove(world.settings.filePath());
}

} // namespace

// --- ODBC settings ---------------------------------------------------------------------------

void DialogTest::odbcDialogCaptionsAndLayout()
{
    WindowWorld world;
    QDialog *dialog = openOdbcDialog(world);
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("ODBC Settings"));
    auto *label = in<QLabel>(dialog, "lblODBC");
    auto *field = in<QLineEdit>(dialog, "txtDB");
    auto *apply = in<QPushButton>(dialog, "cmdApply");
    auto *getDb = in<QPushButton>(dialog, "Command1");
    QCOMPARE(label->text(), QStringLiteral("ODBC Connection to use"));
    QCOMPARE(apply->text(), QStringLiteral("Save and Apply"));
    QCOMPARE(getDb->text(), QStringLiteral("get db"));
    QCOMPARE(label->buddy(), field);
    QVERIFY(!field->accessibleName().isEmpty());
    QVERIFY(atLeast(label->size(), designSize(2295, 255)));
    QVERIFY(atLeast(field->size(), designSize(1935, 375)));
    QVERIFY(atLeast(apply->size(), designSize(1935, 615)));
    QVERIFY(atLeast(getDb->size(), designSize(1935, 735)));
    // Label left of the field, the buttons below it, one above the other.
    QVERIFY(label->geometry().right() <= field->geometry().left());
    QVERIFY(field->geometry().bottom() < apply->geometry().top());
    QVERIFY(apply->geometry().bottom() < getDb->geometry().top());
    // The label's text fits.
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    // The main window goes on working while the dialog is open.
    QVERIFY(world.window->isEnabled());
}

void DialogTest::odbcDialogOpensWithTheStoredName()
{
    WindowWorld world;
    world.settings.write(qs::app::keys::Dsn, QStringLiteral(" Stored name "));
    QDialog *dialog = openOdbcDialog(world);
    QCOMPARE(in<QLineEdit>(dialog, "txtDB")->text(), QStringLiteral(" Stored name "));
    QCOMPARE(world.state().text(Field::txtDB), QStringLiteral(" Stored name "));
    // The dialog shows the name; the database routines pick it up themselves.
    QCOMPARE(world.state().strDSN(), world.db.name());
}

void DialogTest::odbcDialogWithNothingStoredClearsTheMainWindowsName()
{
    WindowWorld world;
    forgetSettings(world);
    QCOMPARE(world.state().text(Field::txtDB), world.db.name());
    QDialog *dialog = openOdbcDialog(world);
    QCOMPARE(in<QLineEdit>(dialog, "txtDB")->text(), QString());
    QCOMPARE(world.state().text(Field::txtDB), QString());
}

void DialogTest::odbcSaveStoresTheNameAsTypedAndShowsIt()
{
    WindowWorld world;
    QDialog *dialog = openOdbcDialog(world);
    auto *field = in<QLineEdit>(dialog, "txtDB");
    retype(field, QStringLiteral("Scans "));
    in<QPushButton>(dialog, "cmdApply")->click();
    QCOMPARE(world.settings.read(qs::app::keys::Dsn), QStringLiteral("Scans "));
    QCOMPARE(world.state().text(Field::txtDB), QStringLiteral("Scans "));
    QCOMPARE(field->text(), QStringLiteral("Scans "));
    QVERIFY(dialog->isVisible());
    QVERIFY(world.prompts->messages.isEmpty());
    QCOMPARE(world.state().strDSN(), world.db.name());
}

void DialogTest::odbcSaveWithABlankFieldRefillsAndSavesNothing()
{
    WindowWorld world;
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("Stored"));
    QDialog *dialog = openOdbcDialog(world);
    world.state().setText(Field::txtDB, QStringLiteral("shown before"));
    auto *field = in<QLineEdit>(dialog, "txtDB");
    retype(field, QStringLiteral("   "));
    in<QPushButton>(dialog, "cmdApply")->click();
    QCOMPARE(field->text(), QStringLiteral("Stored"));
    QCOMPARE(world.settings.read(qs::app::keys::Dsn), QStringLiteral("Stored"));
    QCOMPARE(world.state().text(Field::txtDB), QStringLiteral("shown before"));

    // Nothing stored: the blank field is kept and no key appears.
    WindowWorld first;
    forgetSettings(first);
    QDialog *empty = openOdbcDialog(first);
    retype(in<QLineEdit>(empty, "txtDB"), QStringLiteral(" "));
    in<QPushButton>(empty, "cmdApply")->click();
    QVERIFY(!first.settings.contains(qs::app::keys::Dsn));
    QCOMPARE(in<QLineEdit>(empty, "txtDB")->text(), QStringLiteral(" "));
}

void DialogTest::odbcGetDbShowsTheStoredName()
{
    WindowWorld world;
    forgetSettings(world);
    QDialog *dialog = openOdbcDialog(world);
    in<QPushButton>(dialog, "Command1")->click();
    QCOMPARE(world.prompts->messages, QStringList{QString()});
    retype(in<QLineEdit>(dialog, "txtDB"), QStringLiteral("Fresh"));
    in<QPushButton>(dialog, "cmdApply")->click();
    in<QPushButton>(dialog, "Command1")->click();
    QCOMPARE(world.prompts->messages.last(), QStringLiteral("Fresh"));
}

void DialogTest::odbcSavedNameIsUsedByTheNextDatabaseCommand()
{
    WindowWorld world;
    TestDataSource other(Backend::Sqlite);
    QVERIFY(other.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('from the other')")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('from the first')")));
    auto *keywords = world.keywordGrid();
    world.child<QPushButton>("cmdKWord")->click();
    QCOMPARE(textOf(keywords, 0, QStringLiteral("KEYWORDS")), QStringLiteral("from the first"));

    QDialog *dialog = openOdbcDialog(world);
    retype(in<QLineEdit>(dialog, "txtDB"), other.name());
    in<QPushButton>(dialog, "cmdApply")->click();
    world.child<QPushButton>("cmdKWord")->click();
    QCOMPARE(world.state().text(Field::txtDB), other.name());
    QCOMPARE(world.state().strConn(), QStringLiteral("DSN=") + other.name());
    QCOMPARE(textOf(keywords, 0, QStringLiteral("KEYWORDS")), QStringLiteral("from the other"));
    QVERIFY(world.prompts->messages.isEmpty());
    world.window.reset();
}

void DialogTest::odbcMenuTwiceShowsOneDialogLoadedAfreshAfterClosing()
{
    WindowWorld world;
    QVERIFY(world.show());
    QDialog *dialog = openOdbcDialog(world);
    retype(in<QLineEdit>(dialog, "txtDB"), QStringLiteral("typed, not saved"));
    QCOMPARE(openOdbcDialog(world), dialog);
    QCOMPARE(world.window->findChildren<QDialog *>(QStringLiteral("frmSettings")).size(), 1);
    QCOMPARE(in<QLineEdit>(dialog, "txtDB")->text(), QStringLiteral("typed, not saved"));
    QTRY_VERIFY(dialog->isActiveWindow());

    // Closing saves nothing; the next opening starts from the stored name.
    QPointer<QDialog> closed = dialog;
    QVERIFY(dialog->close());
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("Changed meanwhile"));
    QDialog *again = openOdbcDialog(world);
    QVERIFY(again != nullptr);
    QCOMPARE(in<QLineEdit>(again, "txtDB")->text(), QStringLiteral("Changed meanwhile"));
    QTRY_VERIFY(closed.isNull());
    QCOMPARE(world.window->findChildren<QDialog *>(QStringLiteral("frmSettings")).size(), 1);

    // Escape closes it as well.
    QPointer<QDialog> escaped = again;
    QTest::keyClick(again, Qt::Key_Escape);
    QTRY_VERIFY(escaped.isNull());
}

void DialogTest::odbcTabOrder()
{
    WindowWorld world;
    QDialog *dialog = openOdbcDialog(world);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    auto *field = in<QLineEdit>(dialog, "txtDB");
    field->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), in<QPushButton>(dialog, "cmdApply"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), in<QPushButton>(dialog, "Command1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), field);
}

// --- Mail settings ---------------------------------------------------------------------------

void DialogTest::mailDialogCaptionsAndLayout()
{
    WindowWorld world;
    QDialog *dialog = openMailDialog(world);
    QVERIFY(dialog != nullptr);
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Mailsetup"));
    const QList<std::pair<const char *, QString>> rows{
        {"txtMailserver", QStringLiteral("Mail server")},
        {"txtSender", QStringLiteral("Sender Email")},
        {"txtMailto", QStringLiteral("Send mail to")},
        {"txtSubject", QStringLiteral("Massages Subject")},
    };
    int previousTop = -1;
    for (const auto &[name, caption] : rows) {
        auto *field = in<QLineEdit>(dialog, name);
        QVERIFY2(field != nullptr, name);
        QLabel *label = nullptr;
        for (QLabel *candidate : dialog->findChildren<QLabel *>()) {
            if (candidate->buddy() == field)
                label = candidate;
        }
        QVERIFY2(label != nullptr, name);
        QCOMPARE(label->text(), caption);
        QCOMPARE(field->accessibleName(), caption);
        QVERIFY(label->geometry().right() < field->geometry().left());
        QVERIFY(field->geometry().top() > previousTop);
        previousTop = field->geometry().top();
        QVERIFY(atLeast(field->size(), designSize(6855, 375)));
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(caption),
                 qPrintable(QStringLiteral("%1: %2 < %3")
                                .arg(caption)
                                .arg(label->width())
                                .arg(label->fontMetrics().horizontalAdvance(caption))));
    }
    auto *save = in<QPushButton>(dialog, "cmdApply");
    QCOMPARE(save->text(), QStringLiteral("save"));
    QVERIFY(atLeast(save->size(), designSize(1095, 495)));
    // Below the fields, at the right.
    auto *subject = in<QLineEdit>(dialog, "txtSubject");
    QVERIFY(save->geometry().top() > subject->geometry().bottom());
    QVERIFY(save->geometry().right() >= subject->geometry().right() - 2);
    QVERIFY(dialog->width() >= 8925 / 15);
}

void DialogTest::mailFirstUseOpensEmptyAndSavesNothing()
{
    WindowWorld world;
    forgetSettings(world);
    QDialog *dialog = openMailDialog(world);
    for (const char *name : {"txtMailserver", "txtSender", "txtMailto", "txtSubject"})
        QCOMPARE(in<QLineEdit>(dialog, name)->text(), QString());
    in<QPushButton>(dialog, "cmdApply")->click();
    for (const QString &key :
         {qs::app::keys::Mailserver, qs::app::keys::Sender, qs::app::keys::Mailto, qs::app::keys::Subject})
        QVERIFY(!world.settings.contains(key));
    QVERIFY(dialog->isVisible());
    QVERIFY(world.prompts->messages.isEmpty());
}

void DialogTest::mailSaveWritesEveryFilledFieldAsTyped()
{
    WindowWorld world;
    world.settings.write(qs::app::keys::Mailserver, QStringLiteral("smtp.example.org"));
    world.settings.write(qs::app::keys::Sender, QStringLiteral("scan@example.org"));
    world.settings.write(qs::app::keys::Subject, QStringLiteral("Scan"));
    QDialog *dialog = openMailDialog(world);
    QCOMPARE(in<QLineEdit>(dialog, "txtMailserver")->text(), QStringLiteral("smtp.example.org"));
    QCOMPARE(in<QLineEdit>(dialog, "txtSender")->text(), QStringLiteral("scan@example.org"));
    QCOMPARE(in<QLineEdit>(dialog, "txtMailto")->text(), QString());
    QCOMPARE(in<QLineEdit>(dialog, "txtSubject")->text(), QStringLiteral("Scan"));

    retype(in<QLineEdit>(dialog, "txtMailto"), QStringLiteral(" me@example.org "));
    retype(in<QLineEdit>(dialog, "txtSubject"), QStringLiteral("Daily scan æøå"));
    in<QPushButton>(dialog, "cmdApply")->click();
    QCOMPARE(world.settings.read(qs::app::keys::Mailserver), QStringLiteral("smtp.example.org"));
    QCOMPARE(world.settings.read(qs::app::keys::Sender), QStringLiteral("scan@example.org"));
    QCOMPARE(world.settings.read(qs::app::keys::Mailto), QStringLiteral(" me@example.org "));
    QCOMPARE(world.settings.read(qs::app::keys::Subject), QStringLiteral("Daily scan æøå"));
}

void DialogTest::mailBlankFieldIsRefilledAndNotWritten()
{
    WindowWorld world;
    world.settings.write(qs::app::keys::Mailto, QStringLiteral("me@example.org"));
    QDialog *dialog = openMailDialog(world);
    auto *mailto = in<QLineEdit>(dialog, "txtMailto");
    retype(mailto, QStringLiteral("  "));
    retype(in<QLineEdit>(dialog, "txtSender"), QStringLiteral("scan@example.org"));
    in<QPushButton>(dialog, "cmdApply")->click();
    QCOMPARE(mailto->text(), QStringLiteral("me@example.org"));
    QCOMPARE(world.settings.read(qs::app::keys::Mailto), QStringLiteral("me@example.org"));
    QCOMPARE(world.settings.read(qs::app::keys::Sender), QStringLiteral("scan@example.org"));
    // An empty field with nothing stored stays empty and unwritten.
    QCOMPARE(in<QLineEdit>(dialog, "txtMailserver")->text(), QString());
    QVERIFY(!world.settings.contains(qs::app::keys::Mailserver));
}

void DialogTest::mailMenuAgainKeepsTheOpenDialogAsItIs()
{
    WindowWorld world;
    QDialog *dialog = openMailDialog(world);
    retype(in<QLineEdit>(dialog, "txtMailserver"), QStringLiteral("typed, not saved"));
    world.settings.write(qs::app::keys::Mailserver, QStringLiteral("stored meanwhile"));
    QCOMPARE(openMailDialog(world), dialog);
    QCOMPARE(world.window->findChildren<QDialog *>(QStringLiteral("frmMailsetup")).size(), 1);
    QCOMPARE(in<QLineEdit>(dialog, "txtMailserver")->text(), QStringLiteral("typed, not saved"));

    QPointer<QDialog> closed = dialog;
    dialog->close();
    QDialog *again = openMailDialog(world);
    QCOMPARE(in<QLineEdit>(again, "txtMailserver")->text(), QStringLiteral("stored meanwhile"));
    QTRY_VERIFY(closed.isNull());
}

void DialogTest::mailTabOrder()
{
    WindowWorld world;
    QDialog *dialog = openMailDialog(world);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QWidget *first = in<QLineEdit>(dialog, "txtMailserver");
    first->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), first);
    QStringList order{first->objectName()};
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{QStringLiteral("txtMailserver"), QStringLiteral("txtSender"),
                                 QStringLiteral("txtMailto"), QStringLiteral("txtSubject"),
                                 QStringLiteral("cmdApply"), QStringLiteral("txtMailserver")}));
}

// --- About -----------------------------------------------------------------------------------

void DialogTest::aboutShowsVersionsLicenceAndPaths()
{
    WindowWorld world;
    QWidget *about = openAbout(world);
    QVERIFY(about != nullptr);
    QVERIFY(about->isWindow());
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Quillmere Scan"));
    QVERIFY(about->findChildren<QAbstractButton *>().isEmpty());
    auto *browser = in<QTextBrowser>(about, "WebBrowser1");
    QVERIFY(browser != nullptr);
    const QString text = browser->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("Quillmere Scan " QS_VERSION)), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("GPL-3.0-or-later")));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("Qt\\s+") +
                                             QRegularExpression::escape(QString::fromLatin1(qVersion())))));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("unixODBC\\s+\\d+\\.\\d+"))), qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("libcurl\\s+\\d+\\.\\d+\\.\\d+"))),
             qPrintable(text));
    QVERIFY(text.contains(world.settings.filePath()));
    QVERIFY(text.contains(qs::app::paths::userOdbcIni()));
    QVERIFY(text.contains(qs::app::paths::dataDir()));
    QVERIFY(text.contains(world.db.name()));
}

void DialogTest::aboutLoadsNothingFromOutside()
{
    WindowWorld world;
    LoopbackHttpServer server;
    QVERIFY(server.listen());
    server.setResponse(QStringLiteral("/logo.png"), LoopbackHttpServer::page("not an image", "image/png"));

    QWidget *about = openAbout(world);
    auto *browser = in<QTextBrowser>(about, "WebBrowser1");
    QVERIFY(!browser->openExternalLinks());
    QVERIFY(!browser->openLinks());
    // The page names nothing that lives elsewhere.
    const QString page = qs::gui::AboutWindow::pageHtml(world.settings);
    QVERIFY(!page.isEmpty());
    for (const char *scheme : {"http:", "https:", "ftp:", "file:", "src="})
        QVERIFY2(!page.contains(QString::fromLatin1(scheme)), scheme);

    // Not even a page that asks for a picture or a link elsewhere gets anything from outside.
    const QString picture = server.url(QStringLiteral("/logo.png")).toString();
    browser->setHtml(QStringLiteral("<p><img src=\"%1\"><a href=\"%1\">link</a></p>").arg(picture));
    QVERIFY(browser->loadResource(QTextDocument::ImageResource, QUrl(picture)).isNull());
    QVERIFY(browser->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("file:///etc/hostname")))
                .isNull());
    QTest::qWait(100);
    QCOMPARE(server.acceptedConnections(), 0);
}

void DialogTest::aboutMenuTwiceShowsOneWindow()
{
    WindowWorld world;
    QWidget *about = openAbout(world);
    QCOMPARE(openAbout(world), about);
    QCOMPARE(world.window->findChildren<QWidget *>(QStringLiteral("frmAbout")).size(), 1);
    QPointer<QWidget> closed = about;
    QVERIFY(about->close());
    QTRY_VERIFY(closed.isNull());
    QVERIFY(openAbout(world) != nullptr);
}

QTEST_MAIN(DialogTest)
#include "tst_dialogs.moc"
