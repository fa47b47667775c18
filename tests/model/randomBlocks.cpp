#include "tests/model/randomBlocks.h"

#include "link/bWord.h"
#include "model/optionsZOR70.h"

QByteArray randomBlocks::bytes(int count)
{
    QByteArray data(count, '\0');
    for (char &byte : data)
        byte = char(m_random.bounded(256));
    return data;
}

QByteArray randomBlocks::text(int width)
{
    // Printable ASCII without the blank, and the Cyrillic letters А..я.
    QByteArray data(width, '\0');
    const int length = int(m_random.bounded(width + 1));
    for (int i = 0; i < length; ++i) {
        const int pick = int(m_random.bounded(94 + 64));
        data[i] = char(pick < 94 ? 0x21 + pick : 0xC0 + pick - 94);
    }
    return data;
}

QByteArray randomBlocks::feature()
{
    return bytes(1) + QByteArray(3, '\0') + text(16) + bytes(320);
}

QByteArray randomBlocks::block(quint8 address, quint32 type)
{
    switch (address) {
    case optionsZOR70::rdRef: return bytes(992) + text(8) + bytes(8);
    case optionsZOR70::rdRefdU: return bytes(2) + QByteArray(2, '\0') + bytes(112);
    case optionsZOR70::rdDev: return bytes(7) + '\0';
    case optionsZOR70::rdCh: return bytes(224);
    case optionsZOR70::rdIdent: return bWord::getByte(type) + text(16) + bWord::getByte(1 + bounded(9999));
    case optionsZOR70::rdName: return text(16);
    }
    QByteArray data;
    for (int n = 0; n < 32; ++n)
        data += feature();
    return data;
}

QByteArray randomBlocks::fullImage(quint32 type)
{
    return bWord::getByte(type) + text(16) + block(optionsZOR70::rdDev) + block(optionsZOR70::rdCh)
           + block(optionsZOR70::rdFeat);
}
