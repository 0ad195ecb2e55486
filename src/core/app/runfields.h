#pragma once

#include <array>

#include <QObject>
#include <QString>

namespace qs::app {

// The fields a run shows to the operator. The visible ones are widgets of the main window with the
// same objectName; the others are kept for the operator's diagnostics and for the tests.
enum class Field
{
    txtURL,
    txtURLId,
    txtSenc,
    txtHTML,
    txtStripHTML,
    txtTitle,
    txtSogKeyw,
    txtkw,
    txtResultat,
    txtEtrap,
    txtKL,
    txtDB,
    txtreset,
    lblRun,
    lblBDone,
    lblDato,
    lblPoints,
    lblTid,
    lblError,
    lblInetError,
    lblServerRapport,
    Count
};

QString fieldName(Field field);

// The texts the core shows: the report (txtResultat), the error pane (txtEtrap) and the state of
// the page under analysis. The core writes them; the window listens to the signals and keeps no
// copy. Working values live, typed, in the classes that own them. Only the report and the error
// pane are read back: the operator may clear them, and what they hold is what is mailed and
// printed. Appends are announced with the appended piece, so that a view of a long pane need not
// be rebuilt.
class RunFields : public QObject
{
    Q_OBJECT
public:
    explicit RunFields(QObject *parent = nullptr);

    const QString &text(Field field) const { return m_fields[index(field)]; }
    void setText(Field field, const QString &value);
    void append(Field field, const QString &piece);
    void clear(Field field) { setText(field, QString()); }

    double progress() const { return m_progress; }
    void setProgress(double value);

signals:
    void fieldChanged(qs::app::Field field);
    void fieldAppended(qs::app::Field field, const QString &piece);
    void progressChanged(double value);

private:
    static constexpr std::size_t index(Field field) { return static_cast<std::size_t>(field); }

    std::array<QString, static_cast<std::size_t>(Field::Count)> m_fields;
    double m_progress = 0;
};

} // namespace qs::app
