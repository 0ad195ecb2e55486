#pragma once

#include <memory>

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace qs::app {
class OperatorPrompts;
class SettingsStore;
} // namespace qs::app

namespace qs::scan {
class Engine;
}

namespace qs::store {
class GridModel;
class KeywordMaintenance;
class TableGrid;
class UrlMaintenance;
} // namespace qs::store

namespace qs::gui {

class AboutWindow;
class GridView;
class MailSettingsDialog;
class OdbcSettingsDialog;

// The main window "Quillmere Scanner": buttons, the title frame, six tabs and the menus.
//
// It keeps no state of its own: the fields it shows belong to the core's RunState, and the
// buttons call the core's routines.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(scan::Engine &engine, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The prompts that the window's routines use; by default real dialogs over this window.
    app::OperatorPrompts &prompts() { return *m_prompts; }
    void setPrompts(std::unique_ptr<app::OperatorPrompts> prompts);

protected:
    // Edits still open in the grids are written before the window goes.
    void closeEvent(QCloseEvent *event) override;

private:
    void resetDates();
    void resetKeywords();
    void loadKeywords();
    void loadUrls();
    void addUrl();
    void showOdbcSettings();
    void showMailSettings();
    void showAbout();
    void writePendingEdits();
    void showGrid(GridView *view, store::TableGrid &grid, store::GridModel *model);
    void addGridRow(GridView *view, store::TableGrid &grid);
    void deleteGridRow(GridView *view, store::TableGrid &grid, int row);
    QWidget *gridButtons(GridView *view, const char *addName, const char *deleteName);
    template <typename Window> static Window *existing(QPointer<Window> &window);

    QWidget *buildTopRow();
    QWidget *buildTitleFrame();
    QTabWidget *buildTabs();
    QWidget *buildResultTab();
    QWidget *buildServerInfoTab();
    QWidget *buildErrorsTab();
    QWidget *buildTimerTab();
    QWidget *buildKeywordsTab();
    QWidget *buildUrlTab();
    void buildMenus();
    void bindState();
    void showField(app::Field field);
    void appendToField(app::Field field, const QString &piece);
    void showStoredDsn();

    QPushButton *button(const char *objectName, const QString &caption);
    QLineEdit *readOnlyLine(app::Field field);

    scan::Engine &m_engine;
    app::RunState &m_state;
    app::SettingsStore &m_settings;
    std::unique_ptr<app::OperatorPrompts> m_prompts;
    app::HeadlessPrompts m_headless;
    std::unique_ptr<store::UrlMaintenance> m_urls;
    std::unique_ptr<store::KeywordMaintenance> m_keywords;

    QHash<app::Field, QLineEdit *> m_lines;
    QHash<app::Field, QLabel *> m_labels;
    QHash<app::Field, QPlainTextEdit *> m_panes;
    QProgressBar *m_progress = nullptr;
    QComboBox *m_hourPicker = nullptr;
    GridView *m_keywordGrid = nullptr;
    GridView *m_urlGrid = nullptr;
    QPointer<OdbcSettingsDialog> m_odbcSettings;
    QPointer<MailSettingsDialog> m_mailSettings;
    QPointer<AboutWindow> m_about;
};

} // namespace qs::gui
