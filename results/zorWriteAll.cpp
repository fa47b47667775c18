#include "results/zorWriteAll.h"

#include <QIODevice>

bool zorWriteAll::to(QIODevice *out, const char *data, qint64 size)
{
    for (qint64 from = 0; from < size;) {
        const qint64 written = out->write(data + from, size - from);
        if (written <= 0)
            return false;
        from += written;
    }
    return true;
}
