#include "results/zorResultLayout.h"

#include "model/optionsZOR70.h"
#include "results/zorDecimalText.h"

#include <QTextCodec>

#include <algorithm>
#include <cmath>

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

QByteArray zorResultLayout::timeText(double seconds)
{
    // Times a file read back may carry can be beyond what an integer holds.
    if (std::fabs(seconds) < 9.0e18)
        return QByteArray::number(qint64(std::llround(seconds)));
    return QByteArray::number(seconds, 'f', 0);
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

void zorResultLayout::beginRow(QByteArray &out, int number, double seconds) const
{
    out += QByteArray::number(number);
    out += field;
    out += timeText(seconds);
    out += field;
}

void zorResultLayout::value(QByteArray &out, double value) const
{
    const int from = out.size();
    zorDecimalText::append(out, value, decimals);
    if (point == ',')
        std::replace(out.begin() + from, out.end(), '.', ',');
    out += field;
}

void zorResultLayout::noValue(QByteArray &out) const
{
    out += "--";
    out += field;
}
