#ifndef ZORDECIMALTEXT_H
#define ZORDECIMALTEXT_H

// Fixed-point text of a number, the same text QString::number(value, 'f', decimals)
// gives (halves rounded away from zero), written straight into memory. A results file
// of a week's readings holds millions of values, and this is several times faster than
// going through QString.
class zorDecimalText
{
public:
    // The most a text takes: the largest doubles have 309 digits before the point.
    static constexpr int maxChars = 340;

    // Writes the text at out, which has room for maxChars (decimals at most 20), and
    // returns its end.
    static char *write(char *out, double value, int decimals);
};

#endif // ZORDECIMALTEXT_H
