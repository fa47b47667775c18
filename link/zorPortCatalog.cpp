#include "zorPortCatalog.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

// This process's extra ports (name → description); registered from any thread.
QMutex registryLock;
QMap<QString, QString> &registry()
{
    static QMap<QString, QString> ports;
    return ports;
}

bool isRegistered(const QString &name)
{
    QMutexLocker locker(&registryLock);
    return registry().contains(name);
}

bool isCharacterDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
#else
    // Without device files to tell apart, whatever exists and is neither a file nor a
    // folder is taken for a device; opening it tells the rest.
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
#endif
}

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

} // namespace

QList<zorPortCatalog::_port> zorPortCatalog::ports()
{
    QList<_port> result;
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : system)
        result.append({info.portName(), info.description(), false, info.isBusy(), canonical(info.systemLocation())});
    QMutexLocker locker(&registryLock);
    for (auto it = registry().cbegin(); it != registry().cend(); ++it) {
        const QString &name = it.key();
        result.append({name, it.value(), true, false, QFileInfo(name).isAbsolute() ? canonical(name) : name});
    }
    return result;
}

void zorPortCatalog::registerPort(const QString &name, const QString &description)
{
    QMutexLocker locker(&registryLock);
    registry().insert(name, description);
}

void zorPortCatalog::unregisterPort(const QString &name)
{
    QMutexLocker locker(&registryLock);
    registry().remove(name);
}

bool zorPortCatalog::isUsable(const QString &name, QString *location)
{
    if (name.isEmpty())
        return false;
    if (isRegistered(name)) {
        if (location)
            *location = systemLocation(name);
        return true;
    }
    // Listing the system's ports takes milliseconds, tens of them on a busy machine: do
    // it once. A path is matched by the device it leads to, a name by the name listed.
    const bool isPath = QFileInfo(name).isAbsolute();
    const QString resolved = isPath ? canonical(name) : QString();
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : system) {
        const QString listed = canonical(info.systemLocation());
        if (isPath ? listed == resolved : info.portName() == name) {
            if (location)
                *location = listed;
            return !info.isBusy();
        }
    }
    if (location)
        *location = isPath ? resolved : name;
    return isPath && isCharacterDevice(name);
}

bool zorPortCatalog::accessDenied(const QString &name)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(systemLocation(name));
    return ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(name)
    return false;
#endif
}

QString zorPortCatalog::systemLocation(const QString &name)
{
    if (QFileInfo(name).isAbsolute())
        return canonical(name);
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : system)
        if (info.portName() == name)
            return canonical(info.systemLocation());
    return name;
}
