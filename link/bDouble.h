#ifndef BDOUBLE_H
#define BDOUBLE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A 64-bit IEEE double that converts to and from the raw bytes of an instrument
// image and from the text a user types.
class bDouble
{
public:
    // Byte order of the image; see bFloat::ReverseByteMode.
    enum ReverseByteMode : qint32 {
        rbmStored = 0,
        rbmReverse = 1,
        rbmDirect = 2,
    };

    static constexpr int size = 8;

    explicit bDouble(double value = 0, ReverseByteMode mode = rbmDirect);

    double value() const { return m_data.value; }
    void setValue(double value) { m_data.value = value; }
    ReverseByteMode mode() const { return m_mode; }

    // The 8 bytes of the value.
    QByteArray getByte(ReverseByteMode mode = rbmStored) const;

    // Takes the 8 bytes at byte position index * 8 + offset of array (offset 4
    // addresses doubles that sit 4 bytes off the 8-byte grid). The value stays
    // unchanged when the array does not hold them all; ok tells which.
    void setDouble(const QByteArray *array, int index, signed char offset = 0,
                   bool *ok = nullptr, ReverseByteMode mode = rbmStored);

    // Parses text with str2Double and stores the result whatever the outcome.
    bool setDouble(const QString &text);

    // Same rules as bFloat::str2Float, in double precision.
    static double str2Double(const QString &text, bool *ok);

private:
    union {
        double value;
        char bytes[size];
    } m_data;
    ReverseByteMode m_mode;
};

#endif // BDOUBLE_H
