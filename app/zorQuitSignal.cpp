#include "app/zorQuitSignal.h"
#include "app/zorAppLog.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int zorQuitSignal::fds[2] = {-1, -1};

zorQuitSignal::zorQuitSignal(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        qCWarning(lcApp) << "no socket pair for the termination signals: they end the program at once";
        return;
    }
    notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char signal = 0;
        if (::read(fds[1], &signal, 1) == 1) {
            qCInfo(lcApp) << "signal" << signal << "received: closing";
            emit received(signal);
        }
    });
    struct sigaction action = {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

zorQuitSignal::~zorQuitSignal()
{
    if (!notifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::close(fds[0]);
    ::close(fds[1]);
    fds[0] = fds[1] = -1;
}

// Runs inside the signal: only async-signal-safe calls.
void zorQuitSignal::handle(int signal)
{
    const unsigned char byte = static_cast<unsigned char>(signal);
    const ssize_t written = ::write(fds[0], &byte, 1);
    (void)written;
}
