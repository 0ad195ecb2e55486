#pragma once

#include <memory>

#include <QObject>

class QSocketNotifier;

namespace qs::cli {

// Turns SIGINT and SIGTERM into a Qt signal, so that a run stopped from the terminal or by the
// service manager ends as the program chooses: with the rows it took given back.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace qs::cli
