#include "results/zorDecimalText.h"

#include <QByteArray>

#include <cstring>

char *zorDecimalText::write(char *out, double value, int decimals)
{
    // |value| is m * 2^e exactly, with m an integer of 53 bits; value * 10^decimals is then
    // m * 5^decimals * 2^(e + decimals), and with the 5 powers in 128-bit integers the
    // rounding (halves away from zero, as Qt rounds) is exact. Numbers for which that
    // does not fit, huge or tiny ones, go through Qt.
    static constexpr quint64 pow5[] = {1ull, 5ull, 25ull, 125ull, 625ull, 3125ull, 15625ull, 78125ull, 390625ull,
                                       1953125ull, 9765625ull, 48828125ull, 244140625ull, 1220703125ull,
                                       6103515625ull, 30517578125ull, 152587890625ull, 762939453125ull,
                                       3814697265625ull, 19073486328125ull, 95367431640625ull};
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = int((bits >> 52) & 0x7ff);   // 0: zero or subnormal, 0x7ff: not finite
    const int shift = 1075 - biased - decimals;
    if (biased != 0 && biased != 0x7ff && decimals >= 0 && decimals <= 20 && shift >= 1 && shift <= 120) {
        using u128 = unsigned __int128;
        const quint64 m = (bits & ((quint64(1) << 52) - 1)) | (quint64(1) << 52);
        const u128 scaled = u128(m) * pow5[decimals];
        u128 q = scaled >> shift;
        if (scaled - (q << shift) >= (u128(1) << (shift - 1)))
            ++q;
        if (q < (u128(1) << 63)) {
            char digits[24];
            int n = 0;
            for (quint64 rest = quint64(q); rest != 0 || n <= decimals; rest /= 10)
                digits[n++] = char('0' + rest % 10);
            char *p = out;
            if (value < 0.0)
                *p++ = '-';
            while (n > 0) {
                if (n == decimals)
                    *p++ = '.';
                *p++ = digits[--n];
            }
            return p;
        }
    }
    const QByteArray text = QByteArray::number(value == 0.0 ? 0.0 : value, 'f', decimals);  // Qt writes -0 as 0
    std::memcpy(out, text.constData(), size_t(text.size()));
    return out + text.size();
}
