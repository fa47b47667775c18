#include "results/zorDecimalText.h"

#include <charconv>
#include <cmath>

void zorDecimalText::append(QByteArray &out, double value, int decimals)
{
    // One digit more than asked, rounded correctly by to_chars. Rounding that text once
    // more at the asked place gives the right digits unless the extra digit is a 5: the
    // value may then lie exactly on a half, where to_chars and Qt round differently, so
    // that rare case goes through Qt.
    if (value == 0.0)
        value = 0.0;                      // Qt writes no sign for -0
    char buf[400];
    const auto [end, error] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals + 1);
    if (error != std::errc() || !std::isfinite(value) || end[-1] == '5') {
        out += QByteArray::number(value, 'f', decimals);
        return;
    }
    const bool roundUp = end[-1] > '5';
    char *last = end - 1;                 // drop the extra digit
    if (decimals == 0)
        --last;                           // and the point before it
    if (roundUp) {
        char *p = last - 1;
        const char *first = buf[0] == '-' ? buf + 1 : buf;
        for (;; --p) {
            if (*p == '.')
                continue;
            if (*p != '9') {
                ++*p;
                break;
            }
            *p = '0';
            if (p == first) {             // 9.99 became 10.00: one digit more in front
                out.append(buf, int(first - buf));
                out.append('1');
                out.append(first, int(last - first));
                return;
            }
        }
    }
    out.append(buf, int(last - buf));
}
