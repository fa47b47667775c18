#ifndef BFLOAT_H
#define BFLOAT_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A 32-bit IEEE float that converts to and from the raw bytes of an instrument
// image and from the text a user types.
class bFloat
{
public:
    // Byte order of the image. rbmStored (the default argument of every byte
    // operation) defers to the order stored in the codec; any other stored
    // value than rbmReverse behaves as rbmDirect.
    enum ReverseByteMode : qint32 {
        rbmStored = 0,
        rbmReverse = 1,
        rbmDirect = 2, // memory order: little-endian on the x86 hosts we run on
    };

    static constexpr int size = 4;

    explicit bFloat(float value = 0, ReverseByteMode mode = rbmDirect);

    float value() const { return m_data.value; }
    void setValue(float value) { m_data.value = value; }
    ReverseByteMode mode() const { return m_mode; }

    // The 4 bytes of the value.
    QByteArray getByte(ReverseByteMode mode = rbmStored) const;

    // Takes the 4 bytes at byte position index * 4 + offset of array. The value
    // stays unchanged when the array does not hold them all; ok tells which.
    void setFloat(const QByteArray *array, int index, signed char offset = 0,
                  bool *ok = nullptr, ReverseByteMode mode = rbmStored);

    // Parses text with str2Float and stores the result whatever the outcome.
    bool setFloat(const QString &text);

    // Locale-tolerant number parsing: "3.25", " 3,25 " and "1e3" are numbers,
    // an empty text or a lone "-" is 0, anything else (including "nan" and
    // "inf") gives 0 with ok false.
    static float str2Float(const QString &text, bool *ok = nullptr);

private:
    union {
        float value;
        char bytes[size];
    } m_data;
    ReverseByteMode m_mode;
};

#endif // BFLOAT_H
