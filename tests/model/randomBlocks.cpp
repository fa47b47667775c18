#include "tests/model/randomBlocks.h"

#include "link/bWord.h"

randomBlocks::randomBlocks(quint32 seed)
    : m_random(seed)
{
}

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

QByteArray randomBlocks::dev()
{
    QByteArray data = bytes(8);
    data[7] = 0;
    return data;
}

QByteArray randomBlocks::ref()
{
    QByteArray data = bytes(1008);
    data.replace(992, 8, text(8));
    return data;
}

QByteArray randomBlocks::refdU()
{
    QByteArray data = bytes(116);
    data[2] = 0;
    data[3] = 0;
    return data;
}

QByteArray randomBlocks::feature()
{
    QByteArray data = bytes(340);
    data.replace(1, 3, QByteArray(3, '\0'));
    data.replace(4, 16, text(16));
    return data;
}

QByteArray randomBlocks::featBlock()
{
    QByteArray data;
    for (int n = 0; n < 32; ++n)
        data += feature();
    return data;
}

QByteArray randomBlocks::fullImage(quint32 type)
{
    return bWord::getByte(type) + name() + dev() + ch() + featBlock();
}
