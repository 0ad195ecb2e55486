#pragma once

#include <QDialog>

class QLineEdit;

namespace qs::app {
class OperatorPrompts;
class RunFields;
class SettingsStore;
} // namespace qs::app

namespace qs::gui {

// "ODBC Settings": names the data source that holds the tables. Saving is all that applying
// takes, since every database command reads the name afresh before it connects; the dialog
// itself opens no connection.
class OdbcSettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    OdbcSettingsDialog(app::RunFields &fields, app::SettingsStore &settings, app::OperatorPrompts &prompts,
                       QWidget *parent = nullptr);

    // "Save and Apply": stores the name as typed; a blank field is refilled from the store instead.
    void cmdApplyClick();
    // "get db": shows the stored name.
    void command1Click();

private:
    void formLoad();

    app::RunFields &m_fields;
    app::SettingsStore &m_settings;
    app::OperatorPrompts &m_prompts;
    QLineEdit *m_txtDB = nullptr;
};

} // namespace qs::gui
