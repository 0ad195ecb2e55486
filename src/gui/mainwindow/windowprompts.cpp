#include "gui/mainwindow/windowprompts.h"

#include <QInputDialog>
#include <QMessageBox>

namespace qs::gui {
namespace {
const QString ApplicationTitle = QStringLiteral("Quillmere Scan");
}

WindowPrompts::WindowPrompts(QWidget *parent)
    : m_parent(parent)
{}

void WindowPrompts::showMessage(const QString &text)
{
    // Owned by the window and deleted when closed.
    auto *box = new QMessageBox(QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok, m_parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString WindowPrompts::askText(const QString &prompt, const QString &title)
{
    bool accepted = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

bool WindowPrompts::confirm(const QString &text)
{
    return QMessageBox::warning(m_parent, ApplicationTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

} // namespace qs::gui
