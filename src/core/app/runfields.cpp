#include "core/app/runfields.h"

namespace qs::app {

QString fieldName(Field field)
{
    static const std::array<const char *, static_cast<std::size_t>(Field::Count)> names = {
        "txtURL",   "txtURLId",    "txtSenc",   "txtHTML", "txtStripHTML", "txtTitle",     "txtSogKeyw",
        "txtkw",    "txtResultat", "txtEtrap",  "txtKL",   "txtDB",        "txtreset",     "lblRun",
        "lblBDone", "lblDato",     "lblPoints", "lblTid",  "lblError",     "lblInetError", "lblServerRapport",
    };
    return QString::fromLatin1(names.at(static_cast<std::size_t>(field)));
}

RunFields::RunFields(QObject *parent)
    : QObject(parent)
{
    // The texts the window opens with.
    m_fields[index(Field::txtKL)] = QStringLiteral("12");
    m_fields[index(Field::txtreset)] = QStringLiteral("2003-01-01");
    m_fields[index(Field::lblRun)] = QStringLiteral("Not Startet");
    m_fields[index(Field::lblBDone)] = QStringLiteral("ikke");
    m_fields[index(Field::lblDato)] = QStringLiteral("00-00-0000");
    m_fields[index(Field::lblPoints)] = QStringLiteral("points");
    m_fields[index(Field::lblTid)] = QStringLiteral("klokken");
}

void RunFields::setText(Field field, const QString &value)
{
    QString &current = m_fields[index(field)];
    if (current == value)
        return;
    current = value;
    emit fieldChanged(field);
}

void RunFields::append(Field field, const QString &piece)
{
    if (piece.isEmpty())
        return;
    m_fields[index(field)] += piece;
    emit fieldAppended(field, piece);
}

void RunFields::setProgress(double value)
{
    m_progress = value;
    emit progressChanged(value);
}

} // namespace qs::app
