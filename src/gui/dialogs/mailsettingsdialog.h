#pragma once

#include <array>

#include <QDialog>

class QLineEdit;

namespace qs::app {
class SettingsStore;
}

namespace qs::gui {

// "Mailsetup": the four values the result mail needs (server, sender, recipient, subject). They
// are read again by every mail, so a value saved here applies to the next one.
class MailSettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit MailSettingsDialog(app::SettingsStore &settings, QWidget *parent = nullptr);

    // "save": each field as typed; a blank field is refilled from the store and nothing is
    // written for it, so a stored value can be replaced but never cleared here.
    void cmdApplyClick();

private:
    struct Row
    {
        QString key;
        QLineEdit *field = nullptr;
    };

    void formLoad();

    app::SettingsStore &m_settings;
    std::array<Row, 4> m_rows;
};

} // namespace qs::gui
