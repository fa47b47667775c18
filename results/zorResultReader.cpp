#include "results/zorResultReader.h"

#include "model/optionsZOR70.h"
#include "results/zorResultLayout.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QTextCodec>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

zorResultReader::zorResultReader(QIODevice *in) : in(in), buf(maxLine + 1)
{
}

zorResultReader::error zorResultReader::readHeader()
{
    static const QRegularExpression dateRe(QStringLiteral("([\\d]{2}).([\\d]{2}).([\\d]{4})"));
    static const QRegularExpression timeRe(QStringLiteral("([\\d]{2}):([\\d]{2}):([\\d]{2})"));
    m_start = QDateTime::currentDateTime();
    m_units.clear();

    const QString first = nextText();
    const QRegularExpressionMatch date = dateRe.match(first);
    if (!date.hasMatch())
        return noDate;
    QRegularExpressionMatch time = timeRe.match(first);
    older = !time.hasMatch();
    if (older)
        time = timeRe.match(nextText());
    if (!time.hasMatch())
        return noTime;
    const QDateTime start(QDate(date.captured(3).toInt(), date.captured(2).toInt(), date.captured(1).toInt()),
                          QTime(time.captured(1).toInt(), time.captured(2).toInt(), time.captured(3).toInt()));
    if (!start.isValid())
        return noTime;
    m_start = start;

    if (first.size() <= 9)
        return noColumns;
    const QChar s = older ? first.at(9) : first.at(first.size() - 1);
    sep = zorResultLayout::codec()->fromUnicode(QString(s)).at(0);
    decimalComma = sep != ',';
    const QChar sepChar = zorResultLayout::codec()->toUnicode(&sep, 1).at(0);

    nextText();   // the empty line
    QStringList columns = nextText().split(sepChar);
    if (older && columns.size() > 2)
        columns.removeAt(2);
    if (columns.size() < 3)
        return noColumns;
    readUnits(older ? columns : nextText().split(sepChar), !older);
    return readOk;
}

void zorResultReader::readUnits(QStringList fields, bool bracketsOnly)
{
    static const QRegularExpression unitRe(QStringLiteral("\\[s{0,1}(.*)\\]"));
    const QString ohm = optionsZOR70::getDimList().value(optionsZOR70::dimOhm);
    // A blank before a blank separator leaves an empty field that is no channel.
    if (sep == ' ' && fields.size() >= 2 && fields.at(0).isEmpty() && fields.at(1).isEmpty())
        fields.removeFirst();
    // The separator closing the line leaves an empty last field.
    if (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    leftOut = 0;
    for (int k = 2; k < fields.size(); ++k) {
        if (m_units.size() == maxChannels) {
            leftOut = int(fields.size()) - k;
            break;
        }
        const QRegularExpressionMatch unit = unitRe.match(fields.at(k));
        if (unit.hasMatch())
            m_units << (unit.captured(1) == zorResultLayout::ohmText() ? ohm : unit.captured(1));
        else if (!bracketsOnly)
            m_units << QStringLiteral("-");
    }
}

bool zorResultReader::run(const sink &take, const QDeadlineTimer &until, int maxRows)
{
    for (int n = 1;; ++n) {
        int length = readLine();
        if (length < 0)
            return true;
        if (!lineEnded && length > 0 && buf[size_t(length) - 1] != sep) {
            // Cut off inside its last field, whose value may have lost digits.
            while (length > 0 && buf[size_t(length) - 1] != sep)
                --length;
        }
        readRow(buf.data(), buf.data() + length, take);
        if (n == maxRows || (n % 64 == 0 && until.hasExpired()))
            return in->atEnd();
    }
}

void zorResultReader::readRow(const char *begin, const char *end, const sink &take)
{
    fields.clear();
    const char *from = begin;
    for (const char *p = begin; p < end; ++p) {
        if (*p == sep) {
            fields.emplace_back(from, p);
            from = p + 1;
        }
    }
    fields.emplace_back(from, end);
    if (older && fields.size() > 2)
        fields.erase(fields.begin() + 2);
    double t = 0.0;
    if (fields.size() < 3 || !number(fields[1], t))
        return;
    const int count = std::min(int(fields.size()) - 2, int(m_units.size()));
    for (int c = 0; c < count; ++c) {
        double value = 0.0;
        if (number(fields[size_t(c) + 2], value))
            take(c, t, value);
    }
}

// As QString::toDouble reads it (blanks around it allowed), and with a decimal comma
// too unless commas separate the fields. Infinities and not-a-number are no readings.
bool zorResultReader::number(const field &f, double &value) const
{
    const char *begin = f.first;
    const char *end = f.second;
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    if (begin < end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    char text[64];
    const std::ptrdiff_t length = end - begin;
    if (length <= 0 || length >= std::ptrdiff_t(sizeof text))
        return false;
    if (decimalComma && std::memchr(begin, ',', size_t(length))) {
        std::memcpy(text, begin, size_t(length));
        for (std::ptrdiff_t i = 0; i < length; ++i)
            if (text[i] == ',')
                text[i] = '.';
        begin = text;
        end = text + length;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

qint64 zorResultReader::position() const
{
    return in->pos();
}

qint64 zorResultReader::size() const
{
    return in->isSequential() ? 0 : in->size();
}

int zorResultReader::readLine()
{
    const qint64 length = in->readLine(buf.data(), qint64(buf.size()));
    if (length <= 0) {
        // A device that gives nothing before its end has failed (a lost share, a bad disk).
        if (!in->atEnd() && m_failure.isEmpty())
            m_failure = in->errorString();
        return -1;
    }
    lineEnded = buf[size_t(length) - 1] == '\n';
    if (!lineEnded && length == qint64(buf.size()) - 1) {
        // Longer than any line of ours: the rest of it is skipped.
        char rest[4096];
        qint64 more = 0;
        while ((more = in->readLine(rest, sizeof rest)) > 0 && rest[more - 1] != '\n') {
        }
    }
    int end = int(length);
    while (end > 0 && (buf[size_t(end) - 1] == '\n' || buf[size_t(end) - 1] == '\r'))
        --end;
    return end;
}

QString zorResultReader::nextText()
{
    const int length = readLine();
    return length < 0 ? QString() : zorResultLayout::codec()->toUnicode(buf.data(), length);
}
