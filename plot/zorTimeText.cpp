#include "plot/zorTimeText.h"

#include <QTime>

#include <cmath>

QString zorTimeText::timeFormat(double step)
{
    QString format = QStringLiteral("hh:mm");
    if (step < 60.0)
        format += QStringLiteral(":ss");
    if (step < 1.0)
        format += QStringLiteral(":zzz");
    return format;
}

QString zorTimeText::clock(double seconds, double step, bool withDay)
{
    const qint64 msecs = qint64(std::floor(seconds * 1000.0));
    const qint64 msecsPerDay = 86400000;
    qint64 day = msecs / msecsPerDay;
    qint64 inDay = msecs % msecsPerDay;
    if (inDay < 0) {
        inDay += msecsPerDay;
        --day;
    }
    QString text = QTime::fromMSecsSinceStartOfDay(int(inDay)).toString(timeFormat(step));
    if (withDay)
        text.prepend(QStringLiteral("%1 ").arg(day + 1, 2, 10, QLatin1Char('0')));
    return text;
}

QString zorTimeText::wallClock(const QDateTime &start, double seconds, double step, const QDateTime &now)
{
    const QDateTime moment = start.addMSecs(qint64(std::floor(seconds * 1000.0)));
    QString text = moment.toString(timeFormat(step));
    const bool recentToday = moment.secsTo(now) < 86400 && moment.date().day() == now.date().day();
    if (!recentToday)
        text.prepend(moment.toString(QStringLiteral("dd.MM.yy ")));
    return text;
}
