#include "model/optionsZOR70.h"
#include "registry/zorSnapShot.h"

// A stored snapshot loaded into an instrument's image as the snapshot box does: the
// first optionsZOR70::fullSize bytes are its data, the rest its reference data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    optionsZOR70 options;
    options.devType = optionsZOR70::typeExtended;
    if (!zorSnapShot::load(&options, bytes.left(optionsZOR70::fullSize), bytes.mid(optionsZOR70::fullSize)))
        return 0;
    zorSnapShot::data(options);
    zorSnapShot::refData(options);
    return 0;
}
