#include "model/optionsZOR70.h"

// A reply to a block read as the registry hands it to the settings image: the first byte
// is the read address, the rest the reply (an identity reply 16 bytes longer among them).
// What was taken is then encoded and normalised as the dialogs and the next write do.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    QByteArray reply(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    optionsZOR70 options;
    options.devType = optionsZOR70::typeExtended;
    if (!options.setData(&reply, data[0]))
        return 0;
    options.getData();
    options.getRefData(true);
    for (quint8 c = 0; c < optionsZOR70::chMax; ++c)
        options.normalize(c);
    return 0;
}
