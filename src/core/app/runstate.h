#pragma once

#include <array>

#include <QObject>
#include <QString>

namespace qs::app {

// The working fields of the main window. They keep the names the operator's window shows
// them under (the visible ones are widgets with the same objectName), so both sides read alike.
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

// State of the scan engine and the scheduler, shared by the core routines and shown by the window.
//
// Every routine reads and writes these fields like variables; the window listens to the
// signals and never keeps a copy of its own. Appends are announced with the appended piece so
// that a view of a long pane need not be rebuilt.
class RunState : public QObject
{
    Q_OBJECT
public:
    explicit RunState(QObject *parent = nullptr);

    const QString &text(Field field) const { return m_fields[index(field)]; }
    void setText(Field field, const QString &value);
    void append(Field field, const QString &piece);
    void clear(Field field) { setText(field, QString()); }

    double progress() const { return m_progress; }
    void setProgress(double value);

    // The data-source name last read from the settings store, and the connection string
    // formed from it ("DSN=" and the name), as the database routines refresh them.
    const QString &strDSN() const { return m_strDSN; }
    const QString &strConn() const { return m_strConn; }
    void setDsn(const QString &name);

    // The URL of the current pass.
    QString strURL;

signals:
    void fieldChanged(qs::app::Field field);
    void fieldAppended(qs::app::Field field, const QString &piece);
    void progressChanged(double value);

private:
    static constexpr std::size_t index(Field field) { return static_cast<std::size_t>(field); }

    std::array<QString, static_cast<std::size_t>(Field::Count)> m_fields;
    double m_progress = 0;
    QString m_strDSN;
    QString m_strConn;
};

} // namespace qs::app
