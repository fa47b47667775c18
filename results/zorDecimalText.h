#ifndef ZORDECIMALTEXT_H
#define ZORDECIMALTEXT_H

#include <QByteArray>

// Fixed-point text of a number, the same text QString::number(value, 'f', decimals)
// gives (halves rounded away from zero), written straight into a byte array. A results
// file of a week's readings holds millions of values, and this is several times faster
// than going through QString.
class zorDecimalText
{
public:
    static void append(QByteArray &out, double value, int decimals);
};

#endif // ZORDECIMALTEXT_H
