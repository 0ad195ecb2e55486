#include <QAbstractButton>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "app/mainwindow.h"
#include "app/runstate.h"
#include "app/settingsstore.h"
#include "fakeclock.h"
#include "recordingprompts.h"
#include "scan/engine.h"
#include "windowworld.h"

using qs::app::Field;

// The main window as the operator first sees it.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpWithNoSettings();
    void startUpShowsTheStoredName();
    void captionsAndObjectNames();
    void tabsInOrderOpeningOnTimer();
    void hourPickerIsEditableWithTwentyFourHours();
    void menusCarryTheirAccelerators();
    void getregShowsTheStoredNameOnly();
    void fieldsFollowTheRunState();
    void exitClosesTheWindow();

    // The list commands behind the buttons
    void resetDateButtonDatesEveryUrlBack();
    void resetKeywordsButtonCancelledKeepsTheHits();
    void resetKeywordsButtonWithoutDataSourceSaysNothingWasDeleted();
    void addUrlButtonStoresTheUrlAsTyped();
    void listCommandsWithoutDataSource();
    void everyControlHasANameForAssistiveTools();
    void windowFitsASmallScreen();

private:
    template <typename T> T *child(const char *name)
    {
        T *widget = m_window->findChild<T *>(QString::fromLatin1(name));
        if (widget == nullptr)
            qWarning() << "no" << name;
        return widget;
    }

    QTemporaryDir m_dir;
    qs::test::FakeClock m_clock{QDateTime(QDate(2026, 12, 6), QTime(10, 15))};
    qs::app::HeadlessPrompts m_headless;
    std::unique_ptr<qs::app::SettingsStore> m_settings;
    std::unique_ptr<qs::scan::Engine> m_engine;
    qs::app::RunState *m_state = nullptr;
    std::unique_ptr<qs::gui::MainWindow> m_window;
    qs::test::RecordingPrompts *m_prompts = nullptr;
};

void MainWindowTest::init()
{
    m_settings = std::make_unique<qs::app::SettingsStore>(m_dir.filePath(QStringLiteral("settings.conf")));
    m_engine = std::make_unique<qs::scan::Engine>(*m_settings, m_headless, m_clock);
    m_state = &m_engine->state();
    m_window = std::make_unique<qs::gui::MainWindow>(*m_engine);
    auto prompts = std::make_unique<qs::test::RecordingPrompts>();
    m_prompts = prompts.get();
    m_window->setPrompts(std::move(prompts));
}

void MainWindowTest::cleanup()
{
    m_window.reset();
    m_engine.reset();
    QFile::remove(m_settings->filePath());
}

void MainWindowTest::startUpWithNoSettings()
{
    m_engine->load();
    QCOMPARE(m_state->text(Field::txtDB), QString());
    QCOMPARE(m_state->strConn(), QStringLiteral("DSN="));
    QCOMPARE(m_state->text(Field::lblDato), QStringLiteral("2026-12-06"));
    QVERIFY(m_prompts->messages.isEmpty());
    QCOMPARE(child<QLabel>("lblRun")->text(), QStringLiteral("Not Startet"));
}

void MainWindowTest::startUpShowsTheStoredName()
{
    m_settings->write(qs::app::keys::Dsn, QStringLiteral(" Scans "));
    m_engine->load();
    QCOMPARE(m_state->strDSN(), QStringLiteral(" Scans "));
    QCOMPARE(m_state->strConn(), QStringLiteral("DSN= Scans "));
    QCOMPARE(m_state->text(Field::lblDato), QStringLiteral("2026-12-06"));
}

void MainWindowTest::captionsAndObjectNames()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillmere Scanner"));
    QCOMPARE(m_window->objectName(), QStringLiteral("frmMain"));
    const QList<std::pair<const char *, QString>> buttons{
        {"cmdRun", QStringLiteral("Start")},           {"cmdReset", QStringLiteral("Reset date")},
        {"cmdWord", QStringLiteral("Reset keywords")}, {"cmdSletMail", QStringLiteral("Delete Result")},
        {"Command2", QStringLiteral("Delete")},        {"cmdTime", QStringLiteral("Set start time to")},
        {"cmdKWord", QStringLiteral("Load Keywords")}, {"cmdURL", QStringLiteral("Load URL to edit")},
        {"cmdAdd", QStringLiteral("Add URL")},         {"Command1", QStringLiteral("getreg")},
    };
    for (const auto &[name, caption] : buttons) {
        auto *button = child<QPushButton>(name);
        QVERIFY2(button != nullptr, name);
        QCOMPARE(button->text(), caption);
    }
    QCOMPARE(child<QGroupBox>("Frame2")->title(), QStringLiteral("Title from pages"));
    QCOMPARE(child<QGroupBox>("frInfo")->title(), QStringLiteral("Scanning"));
    QCOMPARE(child<QGroupBox>("Frame1")->title(), QStringLiteral("Server Responce"));
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Database ID"));
    QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("Scanning URL"));
    QCOMPARE(child<QLabel>("Label3")->text(), QStringLiteral("Sensitivity"));
    QCOMPARE(child<QLabel>("Label4")->text(),
             QStringLiteral("SCENS = Sensitivity of links! Low is 1-10 Normal is 50-100 High over 150"));
    QCOMPARE(child<QLabel>("lblTimersetup")->text(), QStringLiteral("Set Time"));
    for (const char *name : {"txtTitle", "txtURLId", "txtURL", "txtSenc"})
        QVERIFY2(child<QLineEdit>(name) != nullptr, name);
    for (const char *name : {"txtResultat", "txtEtrap"})
        QVERIFY2(child<QPlainTextEdit>(name) != nullptr, name);
    QVERIFY(child<QLabel>("lblServerRapport") != nullptr);
    QVERIFY(child<QTableView>("DataGrid1") != nullptr);
    QVERIFY(child<QTableView>("DataGrid2") != nullptr);
    auto *progress = child<QProgressBar>("ProgressBar1");
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(progress->value(), 0);
}

void MainWindowTest::tabsInOrderOpeningOnTimer()
{
    auto *tabs = child<QTabWidget>("SSTab1");
    const QStringList expected{QStringLiteral("Search Result"), QStringLiteral("Server Info"),
                               QStringLiteral("Errors"),        QStringLiteral("Timer"),
                               QStringLiteral("Keywords"),      QStringLiteral("URL to Scan")};
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    QCOMPARE(captions, expected);
    QCOMPARE(tabs->currentIndex(), 3);
    QVERIFY(tabs->widget(0)->isAncestorOf(child<QPlainTextEdit>("txtResultat")));
    QVERIFY(tabs->widget(2)->isAncestorOf(child<QPlainTextEdit>("txtEtrap")));
    QVERIFY(tabs->widget(4)->isAncestorOf(child<QTableView>("DataGrid1")));
    QVERIFY(tabs->widget(5)->isAncestorOf(child<QTableView>("DataGrid2")));
}

void MainWindowTest::hourPickerIsEditableWithTwentyFourHours()
{
    auto *picker = child<QComboBox>("Combo1");
    QVERIFY(picker->isEditable());
    QCOMPARE(picker->count(), 24);
    QCOMPARE(picker->itemText(0), QStringLiteral("0"));
    QCOMPARE(picker->itemText(23), QStringLiteral("23"));
    QCOMPARE(picker->currentText(), QStringLiteral("12"));

    picker->setEditText(QStringLiteral("07"));
    child<QPushButton>("cmdTime")->click();
    QCOMPARE(m_state->text(Field::txtKL), QStringLiteral("07"));
    QCOMPARE(child<QLabel>("lblRun")->text(), QStringLiteral("Timer set to: 07"));
}

void MainWindowTest::menusCarryTheirAccelerators()
{
    QStringList menus;
    for (QAction *action : m_window->menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus,
             (QStringList{QStringLiteral("&Filer"), QStringLiteral("&Settings"), QStringLiteral("&Help")}));
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("menufile_2"))->text(), QStringLiteral("&Exit"));
    QVERIFY(m_window->findChild<QAction *>(QStringLiteral("menufile_1"))->isSeparator());
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("menuset_0"))->text(),
             QStringLiteral("ODBC Setup"));
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("menuset_1"))->text(),
             QStringLiteral("Mail Setup"));
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("menuhlp_3"))->text(), QStringLiteral("About"));
}

void MainWindowTest::getregShowsTheStoredNameOnly()
{
    child<QPushButton>("Command1")->click();
    QCOMPARE(m_prompts->messages, QStringList{QString()});
    m_settings->write(qs::app::keys::Dsn, QStringLiteral("Stored"));
    child<QPushButton>("Command1")->click();
    QCOMPARE(m_prompts->messages.last(), QStringLiteral("Stored"));
    QCOMPARE(m_state->strDSN(), QString());
}

void MainWindowTest::fieldsFollowTheRunState()
{
    m_state->setText(Field::txtURL, QStringLiteral("http://example.org/"));
    QCOMPARE(child<QLineEdit>("txtURL")->text(), QStringLiteral("http://example.org/"));
    m_state->append(Field::txtEtrap, QStringLiteral("first\r\n"));
    m_state->append(Field::txtEtrap, QStringLiteral("second\r\n"));
    QCOMPARE(child<QPlainTextEdit>("txtEtrap")->toPlainText(), QStringLiteral("first\nsecond\n"));
    m_state->clear(Field::txtEtrap);
    QCOMPARE(child<QPlainTextEdit>("txtEtrap")->toPlainText(), QString());
    m_state->setProgress(40);
    QCOMPARE(child<QProgressBar>("ProgressBar1")->value(), 40);
    m_state->setText(Field::lblRun, QStringLiteral("Loading"));
    QCOMPARE(child<QLabel>("lblRun")->text(), QStringLiteral("Loading"));
}

void MainWindowTest::exitClosesTheWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->findChild<QAction *>(QStringLiteral("menufile_2"))->trigger();
    QVERIFY(!m_window->isVisible());
}

void MainWindowTest::resetDateButtonDatesEveryUrlBack()
{
    qs::test::WindowWorld world;
    for (const char *url : {"http://a.example/", "http://b.example/", "http://c.example/"})
        QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, DAGEN) VALUES (?, ?)"),
                           {QString::fromLatin1(url), QDate(2026, 12, 6)}));
    world.child<QPushButton>("cmdReset")->click();
    QCOMPARE(world.prompts->messages, QStringList{QStringLiteral("reset Finished")});
    QCOMPARE(world.column(QStringLiteral("SELECT DAGEN FROM listen")),
             QStringList(3, QStringLiteral("2003-01-01")));

    QVERIFY(world.exec(QStringLiteral("DELETE FROM listen")));
    world.child<QPushButton>("cmdReset")->click();
    QCOMPARE(world.prompts->messages, QStringList(2, QStringLiteral("reset Finished")));
}

void MainWindowTest::resetKeywordsButtonCancelledKeepsTheHits()
{
    qs::test::WindowWorld world;
    QVERIFY(world.exec(QStringLiteral("INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (1, 'car', 40)")));
    // A name saved since start-up is read before the question.
    qs::test::TestDataSource other(qs::test::Backend::Sqlite);
    world.settings.write(qs::app::keys::Dsn, other.name());
    world.prompts->confirmAnswer = false;
    world.child<QPushButton>("cmdWord")->click();
    QCOMPARE(world.prompts->confirmations,
             QStringList{QStringLiteral("All the keywords found at scanning will be deleted!")});
    QCOMPARE(world.state().text(Field::txtDB), other.name());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);

    world.settings.write(qs::app::keys::Dsn, world.db.name());
    world.prompts->confirmAnswer = true;
    world.child<QPushButton>("cmdWord")->click();
    QCOMPARE(world.db.count(QStringLiteral("kw")), 0);
    QVERIFY(world.prompts->messages.isEmpty());
}

void MainWindowTest::resetKeywordsButtonWithoutDataSourceSaysNothingWasDeleted()
{
    qs::test::WindowWorld world;
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("qs_no_such_source"));
    world.prompts->confirmAnswer = true;
    world.child<QPushButton>("cmdWord")->click();
    const QString pane = world.child<QPlainTextEdit>("txtEtrap")->toPlainText();
    QVERIFY2(pane.startsWith(QStringLiteral("Delete Error -2147467259")), qPrintable(pane));
    QVERIFY(pane.endsWith(QStringLiteral("16\n")));
    QCOMPARE(
        world.prompts->messages,
        QStringList{QStringLiteral("The keywords found at scanning were not deleted: there was an error")});
}

void MainWindowTest::addUrlButtonStoresTheUrlAsTyped()
{
    qs::test::WindowWorld world;
    world.prompts->textAnswers = QStringList{QStringLiteral(" http://a.example/"), QStringLiteral("   ")};
    world.child<QPushButton>("cmdAdd")->click();
    world.child<QPushButton>("cmdAdd")->click();
    QCOMPARE(world.prompts->questions, QStringList(2, QStringLiteral("Add URL: Enter Link")));
    QCOMPARE(world.column(QStringLiteral("SELECT URL FROM listen")),
             QStringList{QStringLiteral(" http://a.example/")});
    QVERIFY(world.prompts->messages.isEmpty());
}

void MainWindowTest::listCommandsWithoutDataSource()
{
    qs::test::WindowWorld world;
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("qs_no_such_source"));
    for (const char *name : {"cmdURL", "cmdKWord", "cmdReset"})
        world.child<QPushButton>(name)->click();
    QCOMPARE(world.prompts->messages, QStringList(3, QStringLiteral("ODBC Drive not found")));
    QCOMPARE(world.pane(), QString());

    world.prompts->textAnswers = QStringList{QStringLiteral("http://a.example/")};
    world.child<QPushButton>("cmdAdd")->click();
    QVERIFY(world.prompts->messages.last().startsWith(QStringLiteral("Error -2147467259")));
    QVERIFY(world.pane().startsWith(QStringLiteral("Database Add Error -2147467259")));
}

void MainWindowTest::everyControlHasANameForAssistiveTools()
{
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(m_window.get()) && !qobject_cast<QTableView *>(widget))
            continue;
        if (qobject_cast<QLineEdit *>(widget) || qobject_cast<QPlainTextEdit *>(widget) ||
            qobject_cast<QComboBox *>(widget) || qobject_cast<QProgressBar *>(widget) ||
            qobject_cast<QTableView *>(widget)) {
            if (widget->parent() != nullptr && qobject_cast<QComboBox *>(widget->parent()))
                continue; // the combo box's own line edit
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            QVERIFY2(!button->text().isEmpty() || !button->accessibleName().isEmpty(),
                     qPrintable(widget->objectName()));
    }
}

void MainWindowTest::windowFitsASmallScreen()
{
    const QSize least = m_window->minimumSizeHint();
    QVERIFY2(least.width() <= 800 && least.height() <= 600,
             qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
