#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"

// A characteristic record from the database as the characteristic editor takes it and
// fills its table: every cell of its type's layout as text and at full precision.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    featureZOR70 record;
    if (!record.setData(QByteArray(reinterpret_cast<const char *>(data), int(size))))
        return 0;
    const featureTableLayout layout(record.getType());
    for (int row = 0; row < layout.rows(); ++row) {
        for (int column = 0; column < layout.columns(); ++column) {
            const int n = layout.ratioIndex(row, column, layout.rows(), layout.columns());
            record.getRatioStr(n);
            record.getRatio(n);
        }
    }
    return 0;
}
