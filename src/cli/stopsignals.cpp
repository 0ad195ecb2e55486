#include "cli/stopsignals.h"

#include <array>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace qs::cli {
namespace {

// A handler may only do what is safe in one: it writes the signal's number to a socket that the
// event loop watches.
int signalSockets[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

constexpr std::array<int, 2> Handled = {SIGINT, SIGTERM};

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalSockets[1], &byte, 1) == 1)
            emit received(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
}

StopSignals::~StopSignals()
{
    for (int signalNumber : Handled)
        std::signal(signalNumber, SIG_DFL);
    m_notifier.reset();
    for (int &socket : signalSockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}

} // namespace qs::cli
