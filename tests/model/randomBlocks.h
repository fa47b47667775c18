#ifndef RANDOMBLOCKS_H
#define RANDOMBLOCKS_H

#include <QByteArray>
#include <QRandomGenerator>

// Seeded random instrument blocks that a well-behaved instrument could send:
// every byte random except those the format fixes (reserved zeros, the identity's
// signature, and texts: NUL-padded Windows-1251 without blanks at their ends).
class randomBlocks
{
public:
    explicit randomBlocks(quint32 seed) : random(seed) {}

    QByteArray bytes(int count);
    QByteArray text(int width);
    QByteArray feature(); // one characteristic record
    // The reply to a read address of the settings image; -1: a full image.
    QByteArray block(int address, quint32 type = 0x0301AA0F);

    QRandomGenerator random;
};

#endif // RANDOMBLOCKS_H
