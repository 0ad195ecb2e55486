#include "gui/mainwindow/windowprompts.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace qs::gui {
namespace {
const QString ApplicationTitle = QStringLiteral("Quillmere Scan");
// A web address is typed in full, often longer than a short line: the box shows about this many
// characters, so its start stays in view.
constexpr int TypedCharacters = 80;
} // namespace

void WindowPrompts::showMessage(const QString &text, const QString & /*commandLineText*/)
{
    m_waiting.append(text);
    if (m_shown.isNull())
        showNext();
}

void WindowPrompts::showNext()
{
    if (m_waiting.isEmpty())
        return;
    // Owned by the window and deleted when closed.
    auto *box = new QMessageBox(QMessageBox::NoIcon, ApplicationTitle, m_waiting.takeFirst(), QMessageBox::Ok,
                                m_window);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box, &QMessageBox::finished, box, [this] { showNext(); });
    m_shown = box;
    box->show();
}

QString WindowPrompts::askText(const QString &prompt, const QString &title)
{
    QInputDialog dialog(m_window);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    if (auto *line = dialog.findChild<QLineEdit *>())
        line->setMinimumWidth(line->fontMetrics().averageCharWidth() * TypedCharacters);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

bool WindowPrompts::confirm(const QString &text)
{
    return QMessageBox::warning(m_window, ApplicationTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

} // namespace qs::gui
