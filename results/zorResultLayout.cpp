#include "results/zorResultLayout.h"

#include "model/optionsZOR70.h"
#include "results/zorDecimalText.h"

#include <QTextCodec>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

zorResultLayout::zorResultLayout(const QString &fieldSep, const QString &pointSep, int decimals)
    : field(codec()->fromUnicode(fieldSep))
    // With a comma between fields a decimal comma would split every value in two.
    , point(pointSep == QLatin1String(",") && fieldSep != QLatin1String(",") ? ',' : '.')
    , decimals(std::clamp(decimals, 2, 7))
{
}

QTextCodec *zorResultLayout::codec()
{
    static QTextCodec *const cp1251 = QTextCodec::codecForName("Windows-1251");
    return cp1251;
}

QString zorResultLayout::unitText(const QString &dim)
{
    QString text = dim;
    return text.replace(optionsZOR70::getDimList().value(optionsZOR70::dimOhm), ohmText());
}

QByteArray zorResultLayout::header(const QDateTime &start, const QStringList &units) const
{
    const QString s = codec()->toUnicode(field);
    QString text = tr("Начало измерений. Дата ") + start.toString(QStringLiteral("dd.MM.yyyy")) + tr(" Время ")
        + start.toString(QStringLiteral("hh:mm:ss")) + s + QStringLiteral("\r\n\r\n");
    text += QStringLiteral("№") + s + QStringLiteral("dT") + s;
    for (int k = 1; k <= units.size(); ++k)
        text += tr("Канал ") + QString::number(k) + s;
    text += QStringLiteral("\r\n ") + s + tr("[c]") + s;
    for (const QString &unit : units)
        text += QLatin1Char('[') + unitText(unit) + QLatin1Char(']') + s;
    text += QStringLiteral("\r\n");
    return codec()->fromUnicode(text);
}

QByteArray zorResultLayout::valueText(double value) const
{
    QByteArray out;
    row(out, 0, 0.0, &value, 1);
    // The row is "0" S "0" S value S CR LF: the value lies between the second
    // separator and the last.
    const int from = 2 * (1 + field.size());
    return out.mid(from, out.size() - from - field.size() - 2);
}

char *zorResultLayout::append(char *p, const QByteArray &bytes) const
{
    std::memcpy(p, bytes.constData(), size_t(bytes.size()));
    return p + bytes.size();
}

void zorResultLayout::row(QByteArray &out, int number, double seconds, const double *values, int count) const
{
    // Room for the longest row first; the text is written in place and the array cut to it.
    const int from = out.size();
    out.resize(from + 2 * zorDecimalText::maxChars + count * (zorDecimalText::maxChars + field.size()));
    char *const start = out.data();
    char *p = std::to_chars(start + from, start + out.size(), number).ptr;
    p = append(p, field);
    // Whole seconds as an integer at every magnitude; times a file read back may carry
    // can be beyond what an integer holds.
    if (std::fabs(seconds) < 9.0e18)
        p = std::to_chars(p, start + out.size(), qint64(std::llround(seconds))).ptr;
    else
        p = zorDecimalText::write(p, seconds, 0);
    p = append(p, field);
    for (int c = 0; c < count; ++c) {
        if (std::isnan(values[c])) {
            *p++ = '-';
            *p++ = '-';
        } else {
            char *const text = p;
            p = zorDecimalText::write(p, values[c], decimals);
            if (point == ',')
                std::replace(text, p, '.', ',');
        }
        p = append(p, field);
    }
    *p++ = '\r';
    *p++ = '\n';
    out.resize(int(p - start));
}
