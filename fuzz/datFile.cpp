#include "model/featureDatFile.h"
#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"

#include <cstdlib>

// A ".dat" file as the characteristic editor reads it (featureDatFile::read decodes what
// it reads) and takes it into its record. What passes is a well-formed characteristic.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    featureDatFile::_content content;
    if (!featureDatFile::decode(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), &content))
        return 0;
    const featureTableLayout layout(content.type);
    if (!layout.isValid() || content.cells.size() < layout.cells() || content.cells.size() > featureZOR70::ratioCount)
        abort();
    featureZOR70 record;
    record.setFeature(content.type, content.name, content.cells);
    return 0;
}
