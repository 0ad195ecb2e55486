#include "gui/dialogs/mailsettingsdialog.h"

#include <array>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/blanks.h"
#include "core/app/settingsstore.h"

namespace qs::gui {

MailSettingsDialog::MailSettingsDialog(app::SettingsStore &settings, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmMailsetup"));
    setWindowTitle(QStringLiteral("Mailsetup"));
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    struct RowText
    {
        QString label;
        QString field;
        QString key;
    };
    // In the order of the rows, which is also the tab order.
    const std::array<RowText, 4> texts{{
        {QStringLiteral("Mail server"), QStringLiteral("txtMailserver"), app::keys::Mailserver},
        {QStringLiteral("Sender Email"), QStringLiteral("txtSender"), app::keys::Sender},
        {QStringLiteral("Send mail to"), QStringLiteral("txtMailto"), app::keys::Mailto},
        {QStringLiteral("Massages Subject"), QStringLiteral("txtSubject"), app::keys::Subject},
    }};
    auto *form = new QFormLayout;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto *label = new QLabel(texts.at(i).label);
        label->setObjectName(QStringLiteral("lbl") + texts.at(i).field.mid(3));
        auto *field = new QLineEdit;
        field->setObjectName(texts.at(i).field);
        field->setAccessibleName(texts.at(i).label);
        // Addresses and server names are often long; the field shows a whole one.
        field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 48);
        label->setBuddy(field);
        form->addRow(label, field);
        m_rows.at(i) = Row{texts.at(i).key, field};
    }

    auto *save = new QPushButton(QStringLiteral("save"));
    save->setObjectName(QStringLiteral("cmdApply"));
    connect(save, &QPushButton::clicked, this, &MailSettingsDialog::cmdApplyClick);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    for (std::size_t i = 1; i < m_rows.size(); ++i)
        setTabOrder(m_rows.at(i - 1).field, m_rows.at(i).field);
    setTabOrder(m_rows.back().field, save);
    formLoad();
}

void MailSettingsDialog::formLoad()
{
    for (const Row &row : m_rows) {
        if (app::isBlank(row.field->text()))
            row.field->setText(m_settings.read(row.key, QString()));
    }
}

void MailSettingsDialog::cmdApplyClick()
{
    for (const Row &row : m_rows) {
        if (app::isBlank(row.field->text()))
            row.field->setText(m_settings.read(row.key, QString()));
        else
            m_settings.write(row.key, row.field->text());
    }
}

} // namespace qs::gui
