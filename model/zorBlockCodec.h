#ifndef ZORBLOCKCODEC_H
#define ZORBLOCKCODEC_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Field encodings shared by the instrument's blocks that the byte codecs do not
// cover: fixed-width Windows-1251 texts, offset-scaled bytes and words, and the
// little-endian 16-bit word.
class zorBlockCodec
{
public:
    // text in Windows-1251, cut to width bytes and NUL-padded to exactly width.
    // Every character takes one byte ('?' for those Windows-1251 lacks), so a cut
    // never splits a character and never spills into the next field.
    static QByteArray encodeText(const QString &text, int width);
    // The text of a field: up to the first NUL, trimmed.
    static QString decodeText(const QByteArray &field);

    // A field stored as value = (byte - 128) / scale: the nearest byte, clamped to
    // 0..255, so an out-of-range value never wraps to a different constant.
    static quint8 encodeScaledByte(double value, double scale);
    static double decodeScaledByte(quint8 byte, double scale);

    // A field stored as value = (word - 32768) / scale: the nearest word, clamped.
    static quint16 encodeScaledWord(double value, double scale);
    static double decodeScaledWord(quint16 word, double scale);

    static QByteArray wordBytes(quint16 word);
    static quint16 word(const QByteArray &bytes, int pos);

private:
    static qint64 nearestClamped(double value, qint64 low, qint64 high);
};

#endif // ZORBLOCKCODEC_H
