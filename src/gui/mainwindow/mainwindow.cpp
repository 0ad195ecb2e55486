#include "gui/mainwindow/mainwindow.h"

#include <limits>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/app/clock.h"
#include "core/app/datasourcename.h"
#include "core/app/displaytext.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfindings.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "core/lists/keywordcommands.h"
#include "core/lists/tablegrid.h"
#include "core/lists/urlcommands.h"
#include "core/scan/dailyscheduler.h"
#include "core/scan/scanrun.h"
#include "core/store/gridmodel.h"
#include "gui/dialogs/aboutwindow.h"
#include "gui/dialogs/mailsettingsdialog.h"
#include "gui/dialogs/odbcsettingsdialog.h"
#include "gui/mainwindow/desktopnotification.h"
#include "gui/mainwindow/gridview.h"
#include "gui/mainwindow/urlstatuscolumns.h"

// The window's icon is built into this static library; its resources must be registered by hand.
static void initialiseIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace qs::gui {

using app::counted;
using app::Field;

MainWindow::MainWindow(Engine &engine, app::OperatorPrompts &prompts, QWidget *parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_prompts(prompts)
    , m_fields(engine.fields())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillmere Scanner"));
    // The installed theme icon where there is one; the settings windows take it over.
    initialiseIconResources();
    setWindowIcon(QIcon::fromTheme(QStringLiteral("org.quillmere.QuillmereScan"),
                                   QIcon(QStringLiteral(":/icons/org.quillmere.QuillmereScan.png"))));

    buildActions();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(buildTopRow());
    layout->addWidget(buildTitleFrame());
    layout->addWidget(buildTabs(), 1);
    setCentralWidget(central);
    buildMenus();
    buildStatusBar();
    bindFields();
    m_urlStatus = new UrlStatusColumns(this);
    // After a run the grid shows the checks it made.
    connect(&m_engine.run(), &scan::ScanRun::runEnded, m_urlStatus, [this] {
        if (m_urlStatus->sourceModel() != nullptr)
            m_urlStatus->setStatuses(m_engine.urls().statuses());
    });
    bindGrid(m_urlGrid, m_engine.urls().grid(), m_actions.loadUrls);
    connect(m_actions.loadUrls, &QAction::triggered, &m_engine.urls(), &lists::UrlCommands::cmdURLClick);
    bindGrid(m_keywordGrid, m_engine.keywords().grid(), m_actions.loadKeywords);
    connect(m_actions.loadKeywords, &QAction::triggered, &m_engine.keywords(),
            &lists::KeywordCommands::cmdKWordClick);
    resize(620, 560);
}

MainWindow::~MainWindow()
{
    // Also when the window goes without being closed first.
    writePendingEdits();
    // The models go with the commands that own them, before the views do.
    m_urlGrid->showGridModel(nullptr, {});
    m_keywordGrid->showGridModel(nullptr, {});
}

QAction *MainWindow::action(const char *objectName, const QString &text)
{
    auto *result = new QAction(text, this);
    result->setObjectName(QString::fromLatin1(objectName));
    return result;
}

void MainWindow::buildActions()
{
    scan::ScanRun &run = m_engine.run();
    lists::UrlCommands &urls = m_engine.urls();
    lists::KeywordCommands &keywords = m_engine.keywords();
    m_actions.start = action("actionStart", QStringLiteral("Start"));
    connect(m_actions.start, &QAction::triggered, &run, &scan::ScanRun::start);
    // A run under way goes on; a second Start would do nothing, so it cannot be pressed.
    connect(&run, &scan::ScanRun::runStarted, m_actions.start,
            [this] { m_actions.start->setEnabled(false); });
    connect(&run, &scan::ScanRun::runEnded, m_actions.start, [this] { m_actions.start->setEnabled(true); });

    m_actions.resetDates = action("actionResetDates", QStringLiteral("Reset date"));
    connect(m_actions.resetDates, &QAction::triggered, &urls, &lists::UrlCommands::cmdResetClick);
    m_actions.resetKeywords = action("actionResetKeywords", QStringLiteral("Reset keywords"));
    connect(m_actions.resetKeywords, &QAction::triggered, &keywords, &lists::KeywordCommands::cmdWordClick);
    m_actions.deleteResult = action("actionDeleteResult", QStringLiteral("Delete Result"));
    connect(m_actions.deleteResult, &QAction::triggered, &m_fields,
            [this] { m_fields.clear(app::Field::txtResultat); });
    m_actions.deleteErrors = action("actionDeleteErrors", QStringLiteral("Delete"));
    connect(m_actions.deleteErrors, &QAction::triggered, &m_fields,
            [this] { m_fields.clear(app::Field::txtEtrap); });
    // Connected to their commands with their grids, after what those grids do first.
    m_actions.loadKeywords = action("actionLoadKeywords", QStringLiteral("Load Keywords"));
    m_actions.loadUrls = action("actionLoadUrls", QStringLiteral("Load URL to edit"));
    m_actions.addUrl = action("actionAddUrl", QStringLiteral("Add URL"));
    connect(m_actions.addUrl, &QAction::triggered, &urls, &lists::UrlCommands::cmdAddClick);
    m_actions.setStartHour = action("actionSetStartHour", QStringLiteral("Set start time to"));
    if (scan::DailyScheduler *scheduler = m_engine.scheduler()) {
        connect(m_actions.setStartHour, &QAction::triggered, scheduler,
                [this, scheduler] { scheduler->cmdTimeClick(m_hourPicker->currentText()); });
    } else {
        m_actions.setStartHour->setEnabled(false);
    }
}

QPushButton *MainWindow::button(const char *objectName, const QString &caption, QAction *command)
{
    auto *result = new QPushButton(caption);
    result->setObjectName(QString::fromLatin1(objectName));
    if (command != nullptr) {
        connect(result, &QPushButton::clicked, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, result, &QPushButton::setEnabled);
        result->setEnabled(command->isEnabled());
    }
    return result;
}

QLineEdit *MainWindow::readOnlyLine(Field field)
{
    auto *line = new QLineEdit;
    line->setObjectName(app::fieldName(field));
    line->setReadOnly(true);
    m_lines.insert(field, line);
    return line;
}

QWidget *MainWindow::buildTopRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);

    QPushButton *start = button("cmdRun", QStringLiteral("Start"), m_actions.start);
    QPushButton *resetDates = button("cmdReset", QStringLiteral("Reset date"), m_actions.resetDates);
    QPushButton *resetKeywords = button("cmdWord", QStringLiteral("Reset keywords"), m_actions.resetKeywords);
    layout->addWidget(start);
    layout->addWidget(resetDates);
    layout->addWidget(resetKeywords);
    layout->addStretch(1);

    auto *status = new QVBoxLayout;
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setMinimumWidth(160);
    m_progress->setAccessibleName(QStringLiteral("Page received"));
    auto *runLabel = new QLabel;
    runLabel->setObjectName(app::fieldName(Field::lblRun));
    runLabel->setAccessibleName(QStringLiteral("Run status"));
    m_labels.insert(Field::lblRun, runLabel);
    status->addWidget(m_progress);
    status->addWidget(runLabel);
    layout->addLayout(status);

    // A diagnostic kept out of sight: shows the stored data-source name.
    QPushButton *getReg = button("Command1", QStringLiteral("getreg"));
    getReg->setParent(row);
    getReg->hide();
    connect(getReg, &QPushButton::clicked, this, [this] {
        m_prompts.showMessage(m_engine.settings().read(app::keys::Dsn, m_engine.dataSourceName().current()));
    });
    return row;
}

QWidget *MainWindow::buildTitleFrame()
{
    auto *frame = new QGroupBox(QStringLiteral("Title from pages"));
    frame->setObjectName(QStringLiteral("Frame2"));
    auto *layout = new QVBoxLayout(frame);
    QLineEdit *title = readOnlyLine(Field::txtTitle);
    title->setAccessibleName(QStringLiteral("Title from pages"));
    layout->addWidget(title);
    return frame;
}

QTabWidget *MainWindow::buildTabs()
{
    auto *tabs = new QTabWidget;
    m_tabs = tabs;
    tabs->setObjectName(QStringLiteral("SSTab1"));
    tabs->addTab(buildResultTab(), QStringLiteral("Search Result"));
    tabs->addTab(buildServerInfoTab(), QStringLiteral("Server Info"));
    tabs->addTab(buildErrorsTab(), QStringLiteral("Errors"));
    tabs->addTab(buildTimerTab(), QStringLiteral("Timer"));
    tabs->addTab(buildKeywordsTab(), QStringLiteral("Keywords"));
    tabs->addTab(buildUrlTab(), QStringLiteral("URL to Scan"));
    tabs->setCurrentIndex(3);
    return tabs;
}

QWidget *MainWindow::buildResultTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *report = new QPlainTextEdit;
    report->setObjectName(app::fieldName(Field::txtResultat));
    report->setReadOnly(true);
    report->setLineWrapMode(QPlainTextEdit::NoWrap);
    report->setAccessibleName(QStringLiteral("Search result"));
    m_panes.insert(Field::txtResultat, report);
    QPushButton *clear = button("cmdSletMail", QStringLiteral("Delete Result"), m_actions.deleteResult);
    layout->addWidget(report, 1);
    layout->addWidget(clear, 0, Qt::AlignLeft);
    return tab;
}

QWidget *MainWindow::buildServerInfoTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);

    auto *scanning = new QGroupBox(QStringLiteral("Scanning"));
    scanning->setObjectName(QStringLiteral("frInfo"));
    auto *form = new QFormLayout(scanning);
    const auto addRow = [&](const char *labelName, const QString &caption, Field field) {
        auto *label = new QLabel(caption);
        label->setObjectName(QString::fromLatin1(labelName));
        QLineEdit *line = readOnlyLine(field);
        line->setAccessibleName(caption);
        label->setBuddy(line);
        form->addRow(label, line);
    };
    addRow("Label1", QStringLiteral("Database ID"), Field::txtURLId);
    addRow("Label2", QStringLiteral("Scanning URL"), Field::txtURL);
    addRow("Label3", QStringLiteral("Sensitivity"), Field::txtSenc);

    auto *response = new QGroupBox(QStringLiteral("Server Responce"));
    response->setObjectName(QStringLiteral("Frame1"));
    auto *responseLayout = new QVBoxLayout(response);
    auto *header = new QLabel;
    header->setObjectName(app::fieldName(Field::lblServerRapport));
    header->setTextFormat(Qt::PlainText);
    header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    header->setAccessibleName(QStringLiteral("Server response"));
    m_labels.insert(Field::lblServerRapport, header);
    auto *scroll = new QScrollArea;
    scroll->setWidget(header);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    responseLayout->addWidget(scroll);

    layout->addWidget(scanning);
    layout->addWidget(response, 1);
    return tab;
}

QWidget *MainWindow::buildErrorsTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *errors = new QPlainTextEdit;
    errors->setObjectName(app::fieldName(Field::txtEtrap));
    errors->setReadOnly(true);
    errors->setAccessibleName(QStringLiteral("Errors"));
    m_panes.insert(Field::txtEtrap, errors);
    QPushButton *clear = button("Command2", QStringLiteral("Delete"), m_actions.deleteErrors);
    layout->addWidget(errors, 1);
    layout->addWidget(clear, 0, Qt::AlignLeft);
    return tab;
}

QWidget *MainWindow::buildTimerTab()
{
    auto *tab = new QWidget;
    auto *layout = new QHBoxLayout(tab);
    auto *caption = new QLabel(QStringLiteral("Set Time"));
    caption->setObjectName(QStringLiteral("lblTimersetup"));
    m_hourPicker = new QComboBox;
    m_hourPicker->setObjectName(QStringLiteral("Combo1"));
    m_hourPicker->setEditable(true);
    m_hourPicker->setInsertPolicy(QComboBox::NoInsert);
    for (int hour = 0; hour < 24; ++hour)
        m_hourPicker->addItem(QString::number(hour));
    m_hourPicker->setCurrentText(QStringLiteral("12"));
    m_hourPicker->setAccessibleName(QStringLiteral("Start hour"));
    caption->setBuddy(m_hourPicker);
    QPushButton *setTime = button("cmdTime", QStringLiteral("Set start time to"), m_actions.setStartHour);
    layout->addWidget(caption);
    layout->addWidget(m_hourPicker);
    layout->addWidget(setTime);
    layout->addStretch(1);

    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(tab);
    pageLayout->addStretch(1);
    return page;
}

QWidget *MainWindow::buildKeywordsTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    m_keywordGrid = new GridView;
    m_keywordGrid->setObjectName(QStringLiteral("DataGrid1"));
    m_keywordGrid->setAccessibleName(QStringLiteral("Keywords"));
    m_keywordGrid->setToolTip(QStringLiteral("Insert adds a keyword, Delete deletes one; a row is saved "
                                             "when you press Enter or leave it"));
    QPushButton *load = button("cmdKWord", QStringLiteral("Load Keywords"), m_actions.loadKeywords);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(load);
    buttons->addStretch(1);
    buttons->addWidget(gridButtons(m_keywordGrid, "cmdKeywordNew", "cmdKeywordDelete"));
    layout->addWidget(m_keywordGrid, 1);
    layout->addLayout(buttons);
    return tab;
}

QWidget *MainWindow::buildUrlTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *explanation = new QLabel(
        QStringLiteral("SCENS = Sensitivity of links! Low is 1-10 Normal is 50-100 High over 150"));
    explanation->setObjectName(QStringLiteral("Label4"));
    explanation->setWordWrap(true);
    m_urlGrid = new GridView;
    m_urlGrid->setObjectName(QStringLiteral("DataGrid2"));
    m_urlGrid->setAccessibleName(QStringLiteral("URLs to scan"));
    m_urlGrid->setToolTip(QStringLiteral("Insert adds a row, Delete deletes one; a row is saved when you "
                                         "press Enter or leave it"));
    explanation->setBuddy(m_urlGrid);
    auto *buttons = new QHBoxLayout;
    QPushButton *load = button("cmdURL", QStringLiteral("Load URL to edit"), m_actions.loadUrls);
    QPushButton *add = button("cmdAdd", QStringLiteral("Add URL"), m_actions.addUrl);
    buttons->addWidget(load);
    buttons->addWidget(add);
    buttons->addStretch(1);
    buttons->addWidget(gridButtons(m_urlGrid, "cmdUrlNew", "cmdUrlDelete"));
    layout->addWidget(explanation);
    layout->addWidget(m_urlGrid, 1);
    layout->addLayout(buttons);
    return tab;
}

QWidget *MainWindow::gridButtons(GridView *view, const char *addName, const char *deleteName)
{
    // The grid's own actions, so that the buttons are enabled exactly when the keys work.
    auto *box = new QWidget;
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto toolButton = [&](const char *name, QAction *action) {
        auto *result = new QToolButton;
        result->setObjectName(QString::fromLatin1(name));
        result->setDefaultAction(action);
        result->setFocusPolicy(Qt::StrongFocus);
        result->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(result);
    };
    toolButton(addName, view->addRowAction());
    toolButton(deleteName, view->deleteRowAction());
    return box;
}

void MainWindow::showReport()
{
    m_tabs->setCurrentIndex(0);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::buildStatusBar()
{
    m_notification = new DesktopNotification(this);
    connect(m_notification, &DesktopNotification::chosen, this, &MainWindow::showReport);
    m_runCounts = new QLabel;
    m_runCounts->setObjectName(QStringLiteral("runCounts"));
    statusBar()->addPermanentWidget(m_runCounts);
    scan::ScanRun &run = m_engine.run();
    connect(&run, &scan::ScanRun::countsChanged, m_runCounts, [this](int analysed, int failed) {
        m_runCounts->setText(counted(analysed, tr("URL analysed"), tr("URLs analysed")) +
                             tr(", %1 failed").arg(failed));
    });
    // The last run's counts stay until the report they belong to is cleared.
    connect(&run, &scan::ScanRun::runEnded, m_runCounts, [this, &run] {
        m_runCounts->setText(
            tr("Last run, ended %1: ").arg(m_engine.clock().now().toString(QStringLiteral("HH:mm"))) +
            counted(run.analysedCount(), tr("URL analysed"), tr("URLs analysed")) +
            tr(", %1 failed, %2 new, %3 changed")
                .arg(run.failedCount())
                .arg(run.newCount())
                .arg(run.changedCount()));
        if (run.newCount() + run.changedCount() + run.failedCount() > 0)
            m_notification->show(tr("Scan finished"),
                                 counted(run.newCount(), tr("keyword new"), tr("keywords new")) +
                                     tr(", %1 changed, ").arg(run.changedCount()) +
                                     counted(run.failedCount(), tr("URL failed"), tr("URLs failed")));
    });
    connect(&m_engine.findings(), &app::RunFindings::cleared, m_runCounts, &QLabel::clear);
}

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Filer"));
    file->setObjectName(QStringLiteral("menufile"));
    file->addSeparator()->setObjectName(QStringLiteral("menufile_1"));
    QAction *exitAction = file->addAction(QStringLiteral("&Exit"));
    exitAction->setObjectName(QStringLiteral("menufile_2"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu *settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    settings->setObjectName(QStringLiteral("menuset"));
    QAction *odbc = settings->addAction(QStringLiteral("ODBC Setup"));
    odbc->setObjectName(QStringLiteral("menuset_0"));
    QAction *mail = settings->addAction(QStringLiteral("Mail Setup"));
    mail->setObjectName(QStringLiteral("menuset_1"));
    connect(odbc, &QAction::triggered, this, &MainWindow::showOdbcSettings);
    connect(mail, &QAction::triggered, this, &MainWindow::showMailSettings);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuhlp"));
    QAction *about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("menuhlp_3"));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::bindFields()
{
    connect(&m_fields, &app::RunFields::fieldChanged, this, &MainWindow::showField);
    connect(&m_fields, &app::RunFields::fieldAppended, this, &MainWindow::appendToField);
    connect(&m_fields, &app::RunFields::progressChanged, this,
            [this](double value) { m_progress->setValue(static_cast<int>(value)); });
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it)
        showField(it.key());
    for (auto it = m_labels.cbegin(); it != m_labels.cend(); ++it)
        showField(it.key());
    for (auto it = m_panes.cbegin(); it != m_panes.cend(); ++it)
        showField(it.key());
    m_progress->setValue(static_cast<int>(m_fields.progress()));
}

namespace {
// CR LF ends the lines of the run's texts; a text view wants a single line break.
QString displayText(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}
} // namespace

void MainWindow::showField(Field field)
{
    const QString text = displayText(m_fields.text(field));
    if (QLineEdit *line = m_lines.value(field)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (QLabel *label = m_labels.value(field)) {
        label->setText(text);
    } else if (QPlainTextEdit *pane = m_panes.value(field)) {
        pane->setPlainText(text);
    }
}

void MainWindow::appendToField(Field field, const QString &piece)
{
    QPlainTextEdit *pane = m_panes.value(field);
    if (pane == nullptr) {
        showField(field);
        return;
    }
    // Appending keeps a long pane cheap to update.
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(displayText(piece));
}

namespace {

// A negative sensitivity would make every length count as changed; the column is a 32-bit integer.
class SensitivityDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem & /*option*/,
                          const QModelIndex & /*index*/) const override
    {
        auto *editor = new QSpinBox(parent);
        editor->setFrame(false);
        editor->setRange(0, std::numeric_limits<qint32>::max());
        return editor;
    }
};

} // namespace

void MainWindow::bindGrid(GridView *view, lists::TableGrid &grid, QAction *load)
{
    connect(&grid, &lists::TableGrid::modelChanged, this,
            [this, view, &grid](store::GridModel *model) { showGrid(view, grid, model); });
    connect(view, &GridView::addRowRequested, this, [view, &grid] {
        view->commitOpenEditor();
        view->editRow(grid.addRow());
    });
    connect(view, &GridView::deleteRowRequested, this, [view, &grid](int row) {
        view->commitOpenEditor();
        grid.deleteRow(row);
    });
    // A reload writes what is still being typed first, as leaving the row would.
    connect(load, &QAction::triggered, view, &GridView::commitOpenEditor);
}

void MainWindow::showGrid(GridView *view, lists::TableGrid &grid, store::GridModel *model)
{
    // The URL grid shows each URL's last check beside its own columns.
    QAbstractItemModel *shown = nullptr;
    if (view == m_urlGrid && model != nullptr) {
        m_urlStatus->setSourceModel(model);
        m_urlStatus->setStatuses(m_engine.urls().statuses());
        shown = m_urlStatus;
    }
    view->showGridModel(model, grid.table().shownColumns, shown);
    if (model == nullptr)
        return;
    if (const int sensitivity = model->fieldIndex(QStringLiteral("SCENS"));
        sensitivity >= 0 && view->itemDelegateForColumn(sensitivity) == nullptr)
        view->setItemDelegateForColumn(sensitivity, new SensitivityDelegate(view));
}

void MainWindow::writePendingEdits()
{
    m_urlGrid->commitOpenEditor();
    m_keywordGrid->commitOpenEditor();
    m_engine.urls().grid().writePending();
    m_engine.keywords().grid().writePending();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_engine.run().stop();
    writePendingEdits();
    QMainWindow::closeEvent(event);
}

template <typename Window> Window *MainWindow::existing(QPointer<Window> &window)
{
    // A window closed a moment ago may still wait for its deletion; it does not count.
    if (window != nullptr && !window->isVisible()) {
        window->deleteLater();
        window = nullptr;
    }
    return window;
}

namespace {
void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

void MainWindow::showOdbcSettings()
{
    if (existing(m_odbcSettings) == nullptr)
        m_odbcSettings = new OdbcSettingsDialog(m_fields, m_engine.settings(), m_prompts, this);
    bringToFront(m_odbcSettings);
}

void MainWindow::showMailSettings()
{
    if (existing(m_mailSettings) == nullptr)
        m_mailSettings = new MailSettingsDialog(m_engine.settings(), this);
    bringToFront(m_mailSettings);
}

void MainWindow::showAbout()
{
    if (existing(m_about) == nullptr)
        m_about = new AboutWindow(m_engine.settings(), this);
    bringToFront(m_about);
}

} // namespace qs::gui
