#include "link/bWord.h"

#include <algorithm>

quint32 bWord::getWord(const QByteArray *array, int index, signed char offset, ReverseByteMode mode)
{
    unsigned char bytes[size];
    if (!copyBytes(array, qint64(index) * size + offset, size, reinterpret_cast<char *>(bytes),
                   mode == rbmReverse))
        return 0;
    return quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16
           | quint32(bytes[3]) << 24;
}

QByteArray bWord::getByte(quint32 word, ReverseByteMode mode)
{
    const char bytes[size] = {char(word & 0xFF), char(word >> 8 & 0xFF), char(word >> 16 & 0xFF),
                              char(word >> 24 & 0xFF)};
    return toBytes(bytes, size, mode == rbmReverse);
}

bool bWord::copyBytes(const QByteArray *array, qint64 pos, int count, char *dest, bool reverse)
{
    // Positions are 64-bit so that index arithmetic on a huge index cannot wrap
    // into a valid range.
    if (!array || pos < 0 || pos + count > array->size())
        return false;
    const char *source = array->constData() + pos;
    if (reverse)
        std::reverse_copy(source, source + count, dest);
    else
        std::copy(source, source + count, dest);
    return true;
}

QByteArray bWord::toBytes(const char *source, int count, bool reverse)
{
    QByteArray bytes(source, count);
    if (reverse)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}
