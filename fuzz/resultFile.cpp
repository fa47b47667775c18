#include "results/zorResultReader.h"

#include <QBuffer>

#include <cstdlib>

// A results file read back as the import does: the header, then every row. The import
// files each value under its channel's unit, so a channel must be one of the header's.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    zorResultReader reader(&file);
    if (reader.readHeader() != zorResultReader::readOk)
        return 0;
    const int channels = reader.units().size();
    while (!reader.run([channels](int ch, double, double) {
        if (ch < 0 || ch >= channels)
            abort();
    }, QDeadlineTimer(QDeadlineTimer::Forever), 1000)) {
    }
    return 0;
}
