#ifndef ZORWRITEALL_H
#define ZORWRITEALL_H

#include <QtGlobal>

class QIODevice;

// Writes bytes to a device until all are taken or a write fails. A file on a disk that
// is filling up takes only part of a write without an error; offering the rest again
// ends in the device's own error, so that its errorString() says why.
class zorWriteAll
{
public:
    static bool to(QIODevice *out, const char *data, qint64 size);
};

#endif // ZORWRITEALL_H
