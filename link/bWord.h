#ifndef BWORD_H
#define BWORD_H

#include <QByteArray>
#include <QtGlobal>

// Unsigned 32-bit words of an instrument image. Stateless.
class bWord
{
public:
    enum ReverseByteMode : qint32 {
        rbmReverse = 1, // first byte most significant
        rbmDirect = 2,  // first byte least significant (the instrument's order)
    };

    static constexpr int size = 4;

    // The word at byte position index * 4 + offset of array; 0 when the array
    // does not hold all 4 bytes there.
    static quint32 getWord(const QByteArray *array, int index, signed char offset = 0,
                           ReverseByteMode mode = rbmDirect);

    // The 4 bytes of word.
    static QByteArray getByte(quint32 word, ReverseByteMode mode = rbmDirect);

    // Shared by the value codecs: copies the count bytes at byte position pos of
    // array into dest, reversed when asked. False, and dest untouched, when the
    // array does not hold them all.
    static bool copyBytes(const QByteArray *array, qint64 pos, int count, char *dest, bool reverse);
    // count bytes of source in memory order, or reversed.
    static QByteArray toBytes(const char *source, int count, bool reverse);
};

#endif // BWORD_H
