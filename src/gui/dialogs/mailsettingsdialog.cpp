#include "gui/dialogs/mailsettingsdialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/blanks.h"
#include "core/app/settingsstore.h"
#include "gui/dialogs/twips.h"

namespace qs::gui {

namespace {

struct RowDesign
{
    const char *label;
    const char *field;
    int labelWidth; // twips
};

// In the order of the rows, which is also the tab order.
constexpr std::array<RowDesign, 4> Design{{
    {"Mail server", "txtMailserver", 975},
    {"Sender Email", "txtSender", 1215},
    {"Send mail to", "txtMailto", 1095},
    {"Massages Subject", "txtSubject", 1575},
}};

} // namespace

MailSettingsDialog::MailSettingsDialog(app::SettingsStore &settings, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmMailsetup"));
    setWindowTitle(QStringLiteral("Mailsetup"));
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    const std::array<QString, 4> keys{app::keys::Mailserver, app::keys::Sender, app::keys::Mailto,
                                      app::keys::Subject};
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(twips::pixels(105));
    grid->setVerticalSpacing(twips::pixels(225));
    for (std::size_t i = 0; i < Design.size(); ++i) {
        const RowDesign &design = Design.at(i);
        auto *label = new QLabel(QString::fromLatin1(design.label));
        label->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(design.field).mid(3));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        twips::setLeastSize(label, design.labelWidth, 375);
        auto *field = new QLineEdit;
        field->setObjectName(QString::fromLatin1(design.field));
        field->setAccessibleName(label->text());
        twips::setLeastSize(field, 6855, 375);
        label->setBuddy(field);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(field, static_cast<int>(i), 1);
        m_rows.at(i) = Row{keys.at(i), field};
    }
    grid->setColumnStretch(1, 1);

    auto *save = new QPushButton(QStringLiteral("save"));
    save->setObjectName(QStringLiteral("cmdApply"));
    twips::setLeastSize(save, 1095, 495);
    connect(save, &QPushButton::clicked, this, &MailSettingsDialog::cmdApplyClick);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(twips::pixels(240), twips::pixels(120), twips::pixels(150),
                               twips::pixels(120));
    layout->setSpacing(0);
    layout->addLayout(grid);
    layout->addSpacing(twips::pixels(3360 - 2295));
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
