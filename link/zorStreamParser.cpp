#include "zorStreamParser.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

bool isBlankChar(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Narrows [*begin, *end) to its text without surrounding white space.
void trim(const char **begin, const char **end)
{
    while (*begin < *end && isBlankChar(**begin))
        ++*begin;
    while (*end > *begin && isBlankChar((*end)[-1]))
        --*end;
}

// A channel number: a decimal integer, white space around it allowed. Anything else,
// and any number that is no channel of an instrument byte (outside 0..255), gives 0:
// garbage must not turn into a reading of some other channel.
quint8 toChannel(const char *begin, const char *end)
{
    trim(&begin, &end);
    bool negative = false;
    if (begin < end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    if (begin == end)
        return 0;
    int value = 0;
    for (; begin < end; ++begin) {
        if (*begin < '0' || *begin > '9')
            return 0;
        value = value * 10 + (*begin - '0');
        if (value > 255)
            return 0;
    }
    return negative ? 0 : quint8(value);
}

// A value in the C locale (decimal point), white space around it and a leading sign
// allowed. Infinities and NaN are no readings.
bool toValue(const char *begin, const char *end, double *value)
{
    trim(&begin, &end);
    if (begin < end && *begin == '+') {
        ++begin;
        // One sign at most: "+-90" is line noise, not -90.
        if (begin < end && *begin == '-')
            return false;
    }
    if (begin == end)
        return false;
    const std::from_chars_result r = std::from_chars(begin, end, *value);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(*value);
}

} // namespace

bool zorStreamParser::append(const QByteArray &bytes, QVector<_token> &tokens)
{
    if (sync == toBlank) {
        const int blank = bytes.indexOf(' ');
        if (blank < 0)
            return false;
        sync = inStep;
        return append(bytes.mid(blank + 1), tokens);
    }
    buffer.append(bytes);
    if (sync == strayFirst) {
        if (buffer.size() < 2)
            return false;
        sync = inStep;
        if (buffer.at(1) >= '0' && buffer.at(1) <= '9') {
            sync = toBlank;
            return append(std::exchange(buffer, QByteArray()), tokens);
        }
    }
    const int last = buffer.lastIndexOf(' ');
    if (last < 0) {
        if (buffer.size() > maxPending)
            buffer.clear();
        return false;
    }
    const char *data = buffer.constData();
    int start = 0;
    while (start <= last) {
        const char *blank = static_cast<const char *>(std::memchr(data + start, ' ', last + 1 - start));
        const int end = int(blank - data);
        if (end > start)
            tokens.append(decode(data + start, end - start));
        start = end + 1;
    }
    buffer = buffer.mid(last + 1).trimmed();
    return true;
}

zorStreamParser::_token zorStreamParser::decode(const char *data, int size)
{
    _token t;
    t.source.reserve(size + 1);
    t.source.append(data, size).append(' ');
    t.dim = data[size - 1];

    // Every colon makes the text gathered since the previous one the channel number;
    // what follows the last colon, up to the unit character, is the gathered text.
    const char *textEnd = data + size - 1;
    const char *gathered = data;
    bool hasChannel = false;
    const char *channelBegin = data;
    const char *channelEnd = data;
    bool hasHash = false;
    for (const char *p = data; p < textEnd; ++p) {
        if (*p == ':') {
            channelBegin = gathered;
            channelEnd = p;
            hasChannel = true;
            gathered = p + 1;
            hasHash = false;
        } else if (*p == '#') {
            hasHash = true;
        }
    }
    if (hasChannel)
        t.ch = toChannel(channelBegin, channelEnd);

    if (hasHash) {
        t.type = status;
        t.fields = QString::fromLatin1(gathered, int(textEnd - gathered)).split('#', Qt::SkipEmptyParts);
    } else if (t.ch != 0 && t.dim != 0 && gathered < textEnd && toValue(gathered, textEnd, &t.meas)) {
        t.type = measurement;
    }
    return t;
}
