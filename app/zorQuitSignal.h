#ifndef ZORQUITSIGNAL_H
#define ZORQUITSIGNAL_H

#include <QObject>

class QSocketNotifier;

// Turns the termination signals (SIGTERM from a session that ends or a service manager,
// SIGINT from Ctrl+C in a terminal) into a Qt signal of the GUI thread, so that the
// program closes its window as the user would and exits normally, with its database and
// log closed. The handler only writes a byte to a socket pair; the rest runs in the event
// loop. One object at a time.
class zorQuitSignal : public QObject
{
    Q_OBJECT

public:
    explicit zorQuitSignal(QObject *parent = nullptr);
    ~zorQuitSignal() override;

signals:
    void received(int signal);

private:
    static void handle(int signal);

    static int fds[2];
    QSocketNotifier *notifier = nullptr;
};

#endif // ZORQUITSIGNAL_H
