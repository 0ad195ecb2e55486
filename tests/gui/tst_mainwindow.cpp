#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "windowworld.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using qs::test::WindowWorld;

// The main window as the operator first sees it.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_world = std::make_unique<WindowWorld>(qs::test::Backend::Sqlite, WindowWorld::Start::FirstStart);
    }
    void cleanup() { m_world.reset(); }

    void startUp_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("no settings") << QString();
        QTest::newRow("stored name, blanks kept") << u" Scans "_s;
    }
    void startUp()
    {
        QFETCH(QString, stored);
        if (!stored.isNull()) {
            m_world->settings.write(qs::app::keys::Dsn, stored);
            m_world->engine->load();
        }
        QCOMPARE(state().text(Field::txtDB), stored);
        QCOMPARE(state().strConn(), u"DSN="_s + stored);
        QCOMPARE(state().text(Field::lblDato), u"2026-12-06"_s);
        QVERIFY(m_world->prompts->messages.isEmpty());
        QCOMPARE(child<QLabel>("lblRun")->text(), u"Not Startet"_s);
    }

    void captionsAndObjectNames_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QString>("caption");
        const auto row = [](const char *name, const char *type, const QString &caption = {}) {
            QTest::newRow(name) << QByteArray(type) << caption;
        };
        row("frmMain", "QMainWindow", u"Quillmere Scanner"_s);
        row("cmdRun", "QPushButton", u"Start"_s);
        row("cmdReset", "QPushButton", u"Reset date"_s);
        row("cmdWord", "QPushButton", u"Reset keywords"_s);
        row("cmdSletMail", "QPushButton", u"Delete Result"_s);
        row("Command2", "QPushButton", u"Delete"_s);
        row("cmdTime", "QPushButton", u"Set start time to"_s);
        row("cmdKWord", "QPushButton", u"Load Keywords"_s);
        row("cmdURL", "QPushButton", u"Load URL to edit"_s);
        row("cmdAdd", "QPushButton", u"Add URL"_s);
        row("Command1", "QPushButton", u"getreg"_s);
        row("Frame2", "QGroupBox", u"Title from pages"_s);
        row("frInfo", "QGroupBox", u"Scanning"_s);
        row("Frame1", "QGroupBox", u"Server Responce"_s);
        row("Label1", "QLabel", u"Database ID"_s);
        row("Label2", "QLabel", u"Scanning URL"_s);
        row("Label3", "QLabel", u"Sensitivity"_s);
        row("Label4", "QLabel",
            u"SCENS = Sensitivity of links! Low is 1-10 Normal is 50-100 High over 150"_s);
        row("lblTimersetup", "QLabel", u"Set Time"_s);
        row("menufile_2", "QAction", u"&Exit"_s);
        row("menuset_0", "QAction", u"ODBC Setup"_s);
        row("menuset_1", "QAction", u"Mail Setup"_s);
        row("menuhlp_3", "QAction", u"About"_s);
        for (const char *name : {"txtTitle", "txtURLId", "txtURL", "txtSenc"})
            row(name, "QLineEdit");
        row("txtResultat", "QPlainTextEdit");
        row("txtEtrap", "QPlainTextEdit");
        row("lblServerRapport", "QLabel");
        row("DataGrid1", "QTableView");
        row("DataGrid2", "QTableView");
        row("ProgressBar1", "QProgressBar");
    }
    void captionsAndObjectNames()
    {
        QFETCH(QByteArray, type);
        QFETCH(QString, caption);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QObject *object = name == m_world->window->objectName() ? m_world->window.get()
                                                                : m_world->window->findChild<QObject *>(name);
        QVERIFY(object != nullptr);
        QVERIFY2(object->inherits(type.constData()), object->metaObject()->className());
        QString shown;
        if (auto *button = qobject_cast<QAbstractButton *>(object))
            shown = button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(object))
            shown = group->title();
        else if (auto *label = qobject_cast<QLabel *>(object))
            shown = label->text();
        else if (auto *action = qobject_cast<QAction *>(object))
            shown = action->text();
        else if (object == m_world->window.get())
            shown = m_world->window->windowTitle();
        QCOMPARE(shown, caption);
    }

    void tabsInOrderOpeningOnTimer()
    {
        auto *tabs = child<QTabWidget>("SSTab1");
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, (QStringList{u"Search Result"_s, u"Server Info"_s, u"Errors"_s, u"Timer"_s,
                                        u"Keywords"_s, u"URL to Scan"_s}));
        QCOMPARE(tabs->currentIndex(), 3);
        QVERIFY(tabs->widget(0)->isAncestorOf(child<QPlainTextEdit>("txtResultat")));
        QVERIFY(tabs->widget(2)->isAncestorOf(child<QPlainTextEdit>("txtEtrap")));
        QVERIFY(tabs->widget(4)->isAncestorOf(child<QTableView>("DataGrid1")));
        QVERIFY(tabs->widget(5)->isAncestorOf(child<QTableView>("DataGrid2")));
    }

    void hourPickerIsEditableWithTwentyFourHours()
    {
        auto *picker = child<QComboBox>("Combo1");
        QVERIFY(picker->isEditable());
        QCOMPARE(picker->count(), 24);
        QCOMPARE(picker->itemText(0), u"0"_s);
        QCOMPARE(picker->itemText(23), u"23"_s);
        QCOMPARE(picker->currentText(), u"12"_s);

        picker->setEditText(u"07"_s);
        m_world->click("cmdTime");
        QCOMPARE(state().text(Field::txtKL), u"07"_s);
        QCOMPARE(child<QLabel>("lblRun")->text(), u"Timer set to: 07"_s);
    }

    void menusCarryTheirAccelerators()
    {
        QStringList menus;
        for (QAction *action : m_world->window->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{u"&Filer"_s, u"&Settings"_s, u"&Help"_s}));
        QVERIFY(child<QAction>("menufile_1")->isSeparator());
    }

    void getregShowsTheStoredNameOnly()
    {
        m_world->click("Command1");
        QCOMPARE(m_world->prompts->messages, QStringList{QString()});
        m_world->settings.write(qs::app::keys::Dsn, u"Stored"_s);
        m_world->click("Command1");
        QCOMPARE(m_world->prompts->messages.last(), u"Stored"_s);
        QCOMPARE(state().strDSN(), QString());
    }

    void fieldsFollowTheRunState()
    {
        state().setText(Field::txtURL, u"http://example.org/"_s);
        QCOMPARE(child<QLineEdit>("txtURL")->text(), u"http://example.org/"_s);
        state().append(Field::txtEtrap, u"first\r\n"_s);
        state().append(Field::txtEtrap, u"second\r\n"_s);
        QCOMPARE(child<QPlainTextEdit>("txtEtrap")->toPlainText(), u"first\nsecond\n"_s);
        state().clear(Field::txtEtrap);
        QCOMPARE(child<QPlainTextEdit>("txtEtrap")->toPlainText(), QString());
        state().setProgress(40);
        QCOMPARE(child<QProgressBar>("ProgressBar1")->value(), 40);
        QCOMPARE(child<QProgressBar>("ProgressBar1")->maximum(), 100);
        state().setText(Field::lblRun, u"Loading"_s);
        QCOMPARE(child<QLabel>("lblRun")->text(), u"Loading"_s);
    }

    void exitClosesTheWindow()
    {
        m_world->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_world->window.get()));
        child<QAction>("menufile_2")->trigger();
        QVERIFY(!m_world->window->isVisible());
    }

    // The commands themselves are tested on their own; here only that each button reaches its own.
    void listButtonsRunTheirCommands()
    {
        WindowWorld world;
        QVERIFY(world.exec(u"INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (1, 'car', 40)"_s));
        world.prompts->textAnswers = QStringList{u" http://a.example/"_s};
        world.prompts->confirmAnswer = true;
        for (const char *name : {"cmdReset", "cmdAdd", "cmdWord"})
            world.click(name);
        QCOMPARE(world.prompts->messages, QStringList{u"reset Finished"_s});
        QCOMPARE(world.prompts->questions, QStringList{u"Add URL: Enter Link"_s});
        QCOMPARE(world.column(u"SELECT URL FROM listen"_s), QStringList{u" http://a.example/"_s});
        QCOMPARE(world.prompts->confirmations,
                 QStringList{u"All the keywords found at scanning will be deleted!"_s});
        QCOMPARE(world.db.count(u"kw"_s), 0);
    }

    void everyControlHasANameForAssistiveTools()
    {
        QWidget *window = m_world->window.get();
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(window) && !qobject_cast<QTableView *>(widget))
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

    void windowFitsASmallScreen()
    {
        const QSize least = m_world->window->minimumSizeHint();
        QVERIFY2(least.width() <= 800 && least.height() <= 600,
                 qPrintable(u"%1 x %2"_s.arg(least.width()).arg(least.height())));
    }

private:
    template <typename T> T *child(const char *name)
    {
        T *object = m_world->child<T>(name);
        if (object == nullptr)
            qWarning() << "no" << name;
        return object;
    }
    qs::app::RunState &state() { return m_world->state(); }

    std::unique_ptr<WindowWorld> m_world;
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
