#include "model/zorBlockCodec.h"

#include <QTextCodec>

#include <cmath>

namespace {
QTextCodec *windows1251()
{
    static QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}
} // namespace

QByteArray zorBlockCodec::encodeText(const QString &text, int width)
{
    QByteArray bytes = windows1251()->fromUnicode(text).left(width);
    bytes.append(QByteArray(width - bytes.size(), '\0'));
    return bytes;
}

QString zorBlockCodec::decodeText(const QByteArray &field)
{
    const int end = field.indexOf('\0');
    return windows1251()->toUnicode(end < 0 ? field : field.left(end)).trimmed();
}

quint8 zorBlockCodec::encodeScaledByte(double value, double scale)
{
    return quint8(nearestClamped(value * scale + 128, 0, 255));
}

double zorBlockCodec::decodeScaledByte(quint8 byte, double scale)
{
    return (int(byte) - 128) / scale;
}

quint16 zorBlockCodec::encodeScaledWord(double value, double scale)
{
    return quint16(nearestClamped(value * scale + 32768, 0, 65535));
}

double zorBlockCodec::decodeScaledWord(quint16 word, double scale)
{
    return (int(word) - 32768) / scale;
}

QByteArray zorBlockCodec::wordBytes(quint16 word)
{
    const char bytes[2] = {char(word & 0xFF), char(word >> 8)};
    return QByteArray(bytes, 2);
}

quint16 zorBlockCodec::word(const QByteArray &bytes, int pos)
{
    return quint16(quint8(bytes.at(pos)) | quint8(bytes.at(pos + 1)) << 8);
}

qint64 zorBlockCodec::nearestClamped(double value, qint64 low, qint64 high)
{
    // A value that is not a number has no nearest field value: take the middle,
    // which every scaled field reads as zero.
    if (std::isnan(value))
        return (low + high + 1) / 2;
    if (value <= low)
        return low;
    if (value >= high)
        return high;
    return qint64(std::llround(value));
}
