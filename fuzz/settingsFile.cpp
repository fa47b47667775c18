#include "model/optionsZOR70.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>

// A ".zor70" file loaded into the image of an instrument that is not connected, as the
// settings dialog's "load" does. The file lives in memory where the system allows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = (QDir("/dev/shm").exists() ? QString("/dev/shm") : QDir::tempPath())
                                + QString("/fuzz-%1.zor70").arg(QCoreApplication::applicationPid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        abort();
    file.close();
    optionsZOR70 options;
    options.loadFromFile(path, false);
    return 0;
}
