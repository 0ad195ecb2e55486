#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "core/app/runfields.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace qs {
class Engine;
}
namespace qs::app {
class OperatorPrompts;
}
namespace qs::lists {
class TableGrid;
}
namespace qs::store {
class GridModel;
}

namespace qs::gui {

class AboutWindow;
class DesktopNotification;
class GridView;
class MailSettingsDialog;
class OdbcSettingsDialog;
class UrlStatusColumns;

// The main window "Quillmere Scanner": buttons, the title frame, six tabs and the menus.
//
// It keeps no state of its own: the fields it shows belong to the core, and each operator
// command is one action connected straight to the core object that carries it out.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // prompts: where the window's own messages go (the engine's prompts, shown over this window).
    MainWindow(Engine &engine, app::OperatorPrompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    // A run under way stops and gives its rows back; edits still open in the grids are written.
    void closeEvent(QCloseEvent *event) override;

private:
    // One per operator command, shared by its button.
    struct Actions
    {
        QAction *start = nullptr;
        QAction *resetDates = nullptr;
        QAction *resetKeywords = nullptr;
        QAction *deleteResult = nullptr;
        QAction *deleteErrors = nullptr;
        QAction *loadKeywords = nullptr;
        QAction *loadUrls = nullptr;
        QAction *addUrl = nullptr;
        QAction *setStartHour = nullptr;
    };

    void buildActions();
    QAction *action(const char *objectName, const QString &text);
    QPushButton *button(const char *objectName, const QString &caption, QAction *command = nullptr);
    QLineEdit *readOnlyLine(app::Field field);

    QWidget *buildTopRow();
    QWidget *buildTitleFrame();
    QTabWidget *buildTabs();
    QWidget *buildResultTab();
    QWidget *buildServerInfoTab();
    QWidget *buildErrorsTab();
    QWidget *buildTimerTab();
    QWidget *buildKeywordsTab();
    QWidget *buildUrlTab();
    QWidget *gridButtons(GridView *view, const char *addName, const char *deleteName);
    void buildMenus();
    void buildStatusBar();
    // Brings the window forward on the report, as choosing the desktop notification asks.
    void showReport();
    void bindFields();
    void bindGrid(GridView *view, lists::TableGrid &grid, QAction *load);
    void showField(app::Field field);
    void appendToField(app::Field field, const QString &piece);
    void showGrid(GridView *view, lists::TableGrid &grid, store::GridModel *model);
    void writePendingEdits();

    void showOdbcSettings();
    void showMailSettings();
    void showAbout();
    template <typename Window> static Window *existing(QPointer<Window> &window);

    Engine &m_engine;
    app::OperatorPrompts &m_prompts;
    app::RunFields &m_fields;
    Actions m_actions;

    QHash<app::Field, QLineEdit *> m_lines;
    QHash<app::Field, QLabel *> m_labels;
    QHash<app::Field, QPlainTextEdit *> m_panes;
    QProgressBar *m_progress = nullptr;
    QComboBox *m_hourPicker = nullptr;
    GridView *m_keywordGrid = nullptr;
    GridView *m_urlGrid = nullptr;
    QLabel *m_runCounts = nullptr;
    QTabWidget *m_tabs = nullptr;
    DesktopNotification *m_notification = nullptr;
    UrlStatusColumns *m_urlStatus = nullptr;
    QPointer<OdbcSettingsDialog> m_odbcSettings;
    QPointer<MailSettingsDialog> m_mailSettings;
    QPointer<AboutWindow> m_about;
};

} // namespace qs::gui
