#include "gui/dialogs/odbcsettingsdialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/blanks.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/app/settingsstore.h"

namespace qs::gui {

OdbcSettingsDialog::OdbcSettingsDialog(app::RunFields &fields, app::SettingsStore &settings,
                                       app::OperatorPrompts &prompts, QWidget *parent)
    : QDialog(parent)
    , m_fields(fields)
    , m_settings(settings)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("ODBC Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Escape hides a dialog without closing it; it must go all the same, to load afresh next time.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    auto *label = new QLabel(QStringLiteral("ODBC Connection to use"));
    label->setObjectName(QStringLiteral("lblODBC"));
    m_txtDB = new QLineEdit;
    m_txtDB->setObjectName(QStringLiteral("txtDB"));
    m_txtDB->setAccessibleName(QStringLiteral("ODBC Connection to use"));
    label->setBuddy(m_txtDB);
    auto *apply = new QPushButton(QStringLiteral("Save and Apply"));
    apply->setObjectName(QStringLiteral("cmdApply"));
    auto *getDb = new QPushButton(QStringLiteral("get db"));
    getDb->setObjectName(QStringLiteral("Command1"));
    getDb->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, &OdbcSettingsDialog::cmdApplyClick);
    connect(getDb, &QPushButton::clicked, this, &OdbcSettingsDialog::command1Click);

    auto *form = new QFormLayout;
    form->addRow(label, m_txtDB);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(apply, 0, Qt::AlignHCenter);
    layout->addWidget(getDb, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    setTabOrder(m_txtDB, apply);
    setTabOrder(apply, getDb);
    formLoad();
}

void OdbcSettingsDialog::formLoad()
{
    // The field is still empty, so the stored name is shown (or the empty text).
    const QString name = m_settings.read(app::keys::Dsn, m_txtDB->text());
    m_txtDB->setText(name);
    m_fields.setText(app::Field::txtDB, name);
}

void OdbcSettingsDialog::cmdApplyClick()
{
    const QString text = m_txtDB->text();
    if (app::isBlank(text)) {
        m_txtDB->setText(m_settings.read(app::keys::Dsn, text));
        return;
    }
    m_settings.write(app::keys::Dsn, text);
    m_fields.setText(app::Field::txtDB, text);
    m_txtDB->setText(text);
}

void OdbcSettingsDialog::command1Click()
{
    m_prompts.showMessage(m_settings.read(app::keys::Dsn, QString()));
}

} // namespace qs::gui
