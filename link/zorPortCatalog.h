#ifndef ZORPORTCATALOG_H
#define ZORPORTCATALOG_H

#include <QList>
#include <QString>

// The ports a user can choose: the system's serial ports plus this process's own list
// of extra ports, those the system does not list as serial ports (the demo instrument
// the program starts on a pseudo-terminal, a device path the user typed in). A port
// may also be named by the absolute path of a character device, so that stable links
// such as /dev/serial/by-id/... can be used directly.
class zorPortCatalog
{
public:
    struct _port
    {
        QString name;          // what to pass to ZORSerialPort::addDev
        QString description;
        bool registered;       // one of this process's extra ports
        bool busy;             // held by another program (system ports only)
        QString location;      // systemLocation() of the name
    };

    // System ports in the order the system lists them, then the registered ones by name.
    static QList<_port> ports();

    // Adds a port to (removes it from) this process's list of extra ports; any thread.
    static void registerPort(const QString &name, const QString &description);
    static void unregisterPort(const QString &name);

    // Listed and not busy, or an absolute path of an existing character device. location,
    // if given, takes what systemLocation() gives, from the same look at the system's
    // ports.
    static bool isUsable(const QString &name, QString *location = nullptr);

    // The port's device file exists and this user may not open it for reading and
    // writing (on Linux: not a member of the group owning serial ports, dialout).
    static bool accessDenied(const QString &name);

    // The device file a port name stands for, links resolved; names compare equal
    // exactly when they open the same device.
    static QString systemLocation(const QString &name);
};

#endif // ZORPORTCATALOG_H
