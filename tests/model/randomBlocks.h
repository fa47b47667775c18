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
    explicit randomBlocks(quint32 seed) : m_random(seed) {}

    quint32 bounded(quint32 limit) { return m_random.bounded(limit); }
    QByteArray bytes(int count);
    QByteArray text(int width);
    QByteArray feature();
    // The reply to a read address of the settings image.
    QByteArray block(quint8 address, quint32 type = 0x0300AA0F);
    // Name block with the given signature, device, channel and characteristic blocks.
    QByteArray fullImage(quint32 type);

private:
    QRandomGenerator m_random;
};

#endif // RANDOMBLOCKS_H
