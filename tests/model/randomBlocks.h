#ifndef RANDOMBLOCKS_H
#define RANDOMBLOCKS_H

#include <QByteArray>
#include <QRandomGenerator>

// Seeded random instrument blocks that a well-behaved instrument could send:
// every byte random except the bytes the format fixes (reserved zeros and the
// texts, which are NUL-padded Windows-1251 without blanks at their ends).
class randomBlocks
{
public:
    explicit randomBlocks(quint32 seed);

    QByteArray bytes(int count);
    QByteArray text(int width);
    quint32 bounded(quint32 limit) { return m_random.bounded(limit); }

    QByteArray dev();
    QByteArray ch() { return bytes(224); }
    QByteArray ref();
    QByteArray refdU();
    QByteArray feature();
    QByteArray featBlock();
    QByteArray name() { return text(16); }
    // Name block with the given signature, device, channel and characteristic blocks.
    QByteArray fullImage(quint32 type);

private:
    QRandomGenerator m_random;
};

#endif // RANDOMBLOCKS_H
