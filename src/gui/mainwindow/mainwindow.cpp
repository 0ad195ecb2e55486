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
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/app/settingsstore.h"
#include "gui/dialogs/aboutwindow.h"
#include "gui/dialogs/mailsettingsdialog.h"
#include "gui/dialogs/odbcsettingsdialog.h"
#include "gui/mainwindow/gridview.h"
#include "core/scan/dailyscheduler.h"
#include "core/engine.h"
#include "core/scan/scanrun.h"
#include "core/store/gridmodel.h"
#include "core/lists/keywordmaintenance.h"
#include "core/lists/tablegrid.h"
#include "core/lists/urlmaintenance.h"
#include "gui/mainwindow/windowprompts.h"

// The window's icon is built into this static library; its resources must be registered by hand.
static void initialiseIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace qs::gui {

using app::Field;

MainWindow::MainWindow(scan::Engine &engine, QWidget *parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_state(engine.state())
    , m_settings(engine.settings())
    , m_prompts(std::make_unique<WindowPrompts>(this))
{
    m_engine.setPrompts(*m_prompts);
    // The commands talk to the operator through the engine's relay, which follows setPrompts().
    m_urls =
        std::make_unique<store::UrlMaintenance>(m_state, m_settings, engine.dataSource(), engine.prompts());
    m_keywords = std::make_unique<store::KeywordMaintenance>(m_state, m_settings, engine.dataSource(),
                                                             engine.prompts());
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillmere Scanner"));
    // The installed theme icon where there is one; the settings windows take it over.
    initialiseIconResources();
    setWindowIcon(QIcon::fromTheme(QStringLiteral("org.quillmere.QuillmereScan"),
                                   QIcon(QStringLiteral(":/icons/org.quillmere.QuillmereScan.png"))));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(buildTopRow());
    layout->addWidget(buildTitleFrame());
    layout->addWidget(buildTabs(), 1);
    setCentralWidget(central);
    buildMenus();
    bindState();
    connect(&m_urls->grid(), &store::TableGrid::modelChanged, this,
            [this](store::GridModel *model) { showGrid(m_urlGrid, m_urls->grid(), model); });
    connect(&m_keywords->grid(), &store::TableGrid::modelChanged, this,
            [this](store::GridModel *model) { showGrid(m_keywordGrid, m_keywords->grid(), model); });
    connect(m_urlGrid, &GridView::addRowRequested, this, [this] { addGridRow(m_urlGrid, m_urls->grid()); });
    connect(m_keywordGrid, &GridView::addRowRequested, this,
            [this] { addGridRow(m_keywordGrid, m_keywords->grid()); });
    connect(m_urlGrid, &GridView::deleteRowRequested, this,
            [this](int row) { deleteGridRow(m_urlGrid, m_urls->grid(), row); });
    connect(m_keywordGrid, &GridView::deleteRowRequested, this,
            [this](int row) { deleteGridRow(m_keywordGrid, m_keywords->grid(), row); });

    // The design area is 7845 x 7800 twips, 523 x 520 pixels at 15 twips a pixel; the desktop's
    // own font may need more, which the layouts take care of.
    resize(620, 560);
}

MainWindow::~MainWindow()
{
    // Also when the window goes without being closed first.
    writePendingEdits();
    // The models go with the commands that own them, before the views do.
    m_urlGrid->showGridModel(nullptr, {});
    m_keywordGrid->showGridModel(nullptr, {});
    // The engine outlives the window; its messages must not reach dialogs that are gone.
    m_engine.setPrompts(m_headless);
}

void MainWindow::setPrompts(std::unique_ptr<app::OperatorPrompts> prompts)
{
    m_prompts = std::move(prompts);
    m_engine.setPrompts(*m_prompts);
}

QPushButton *MainWindow::button(const char *objectName, const QString &caption)
{
    auto *result = new QPushButton(caption);
    result->setObjectName(QString::fromLatin1(objectName));
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

    QPushButton *start = button("cmdRun", QStringLiteral("Start"));
    QPushButton *resetDates = button("cmdReset", QStringLiteral("Reset date"));
    QPushButton *resetKeywords = button("cmdWord", QStringLiteral("Reset keywords"));
    connect(start, &QPushButton::clicked, this, [this] { m_engine.run().start(); });
    connect(resetDates, &QPushButton::clicked, this, &MainWindow::resetDates);
    connect(resetKeywords, &QPushButton::clicked, this, &MainWindow::resetKeywords);
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

    // Outside the visible area in the original design: shows the stored data-source name.
    QPushButton *getReg = button("Command1", QStringLiteral("getreg"));
    getReg->setParent(row);
    getReg->hide();
    connect(getReg, &QPushButton::clicked, this, &MainWindow::showStoredDsn);
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
    QPushButton *clear = button("cmdSletMail", QStringLiteral("Delete Result"));
    connect(clear, &QPushButton::clicked, this, [this] { m_state.clear(Field::txtResultat); });
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
    QPushButton *clear = button("Command2", QStringLiteral("Delete"));
    connect(clear, &QPushButton::clicked, this, [this] { m_state.clear(Field::txtEtrap); });
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
    QPushButton *setTime = button("cmdTime", QStringLiteral("Set start time to"));
    connect(setTime, &QPushButton::clicked, this, [this] {
        if (scan::DailyScheduler *scheduler = m_engine.scheduler())
            scheduler->cmdTimeClick(m_hourPicker->currentText());
    });
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
    QPushButton *load = button("cmdKWord", QStringLiteral("Load Keywords"));
    connect(load, &QPushButton::clicked, this, &MainWindow::loadKeywords);
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
    QPushButton *load = button("cmdURL", QStringLiteral("Load URL to edit"));
    QPushButton *add = button("cmdAdd", QStringLiteral("Add URL"));
    connect(load, &QPushButton::clicked, this, &MainWindow::loadUrls);
    connect(add, &QPushButton::clicked, this, &MainWindow::addUrl);
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

void MainWindow::bindState()
{
    connect(&m_state, &app::RunState::fieldChanged, this, &MainWindow::showField);
    connect(&m_state, &app::RunState::fieldAppended, this, &MainWindow::appendToField);
    connect(&m_state, &app::RunState::progressChanged, this,
            [this](double value) { m_progress->setValue(static_cast<int>(value)); });
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it)
        showField(it.key());
    for (auto it = m_labels.cbegin(); it != m_labels.cend(); ++it)
        showField(it.key());
    for (auto it = m_panes.cbegin(); it != m_panes.cend(); ++it)
        showField(it.key());
    m_progress->setValue(static_cast<int>(m_state.progress()));
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
    const QString text = displayText(m_state.text(field));
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

void MainWindow::showStoredDsn()
{
    m_prompts->showMessage(m_settings.read(app::keys::Dsn, m_state.strDSN()));
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

void MainWindow::resetDates()
{
    m_urls->cmdResetClick();
}

void MainWindow::resetKeywords()
{
    m_keywords->cmdWordClick();
}

void MainWindow::loadKeywords()
{
    m_keywordGrid->commitOpenEditor();
    m_keywords->cmdKWordClick();
}

void MainWindow::loadUrls()
{
    m_urlGrid->commitOpenEditor();
    m_urls->cmdURLClick();
}

void MainWindow::addUrl()
{
    m_urls->cmdAddClick();
}

void MainWindow::showGrid(GridView *view, store::TableGrid &grid, store::GridModel *model)
{
    view->showGridModel(model, grid.table().shownColumns);
    if (model == nullptr)
        return;
    if (const int sensitivity = model->fieldIndex(QStringLiteral("SCENS"));
        sensitivity >= 0 && view->itemDelegateForColumn(sensitivity) == nullptr)
        view->setItemDelegateForColumn(sensitivity, new SensitivityDelegate(view));
}

void MainWindow::addGridRow(GridView *view, store::TableGrid &grid)
{
    view->commitOpenEditor();
    view->editRow(grid.addRow());
}

void MainWindow::deleteGridRow(GridView *view, store::TableGrid &grid, int row)
{
    view->commitOpenEditor();
    grid.deleteRow(row);
}

void MainWindow::writePendingEdits()
{
    m_urlGrid->commitOpenEditor();
    m_keywordGrid->commitOpenEditor();
    m_urls->grid().writePending();
    m_keywords->grid().writePending();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
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
        m_odbcSettings = new OdbcSettingsDialog(m_state, m_settings, m_engine.prompts(), this);
    bringToFront(m_odbcSettings);
}

void MainWindow::showMailSettings()
{
    if (existing(m_mailSettings) == nullptr)
        m_mailSettings = new MailSettingsDialog(m_settings, this);
    bringToFront(m_mailSettings);
}

void MainWindow::showAbout()
{
    if (existing(m_about) == nullptr)
        m_about = new AboutWindow(m_settings, this);
    bringToFront(m_about);
}

} // namespace qs::gui
