#include "tests/model/randomBlocks.h"

#include "link/bWord.h"
#include "model/optionsZOR70.h"

QByteArray randomBlocks::bytes(int count)
{
    QByteArray data(count, '\0');
    for (char &byte : data)
        byte = char(random.bounded(256));
    return data;
}

QByteArray randomBlocks::text(int width)
{
    // Printable ASCII without the blank, and the Cyrillic letters А..я.
    QByteArray data(width, '\0');
    const int length = int(random.bounded(width + 1));
    for (int i = 0; i < length; ++i) {
        const int pick = int(random.bounded(94 + 64));
        data[i] = char(pick < 94 ? 0x21 + pick : 0xC0 + pick - 94);
    }
    return data;
}

QByteArray randomBlocks::feature()
{
    return bytes(1) + QByteArray(3, '\0') + text(16) + bytes(320);
}

QByteArray randomBlocks::block(int address, quint32 type)
{
    using O = optionsZOR70;
    switch (address) {
    case O::rdRef: return bytes(992) + text(8) + bytes(8);
    case O::rdRefdU: return bytes(2) + QByteArray(2, '\0') + bytes(112);
    case O::rdDev: return bytes(7) + '\0';
    case O::rdCh: return bytes(224);
    case O::rdIdent: return bWord::getByte(type) + text(16) + bWord::getByte(1 + random.bounded(9999));
    case O::rdName: return text(16);
    case -1: return bWord::getByte(type) + text(16) + block(O::rdDev) + block(O::rdCh) + block(O::rdFeat);
    }
    QByteArray data;
    for (int n = 0; n < O::chMax; ++n)
        data += feature();
    return data;
}
