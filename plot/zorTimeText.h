#ifndef ZORTIMETEXT_H
#define ZORTIMETEXT_H

#include <QDateTime>
#include <QString>

// Texts of a time position on the X axis, shared by the tick labels, the tracker
// and the measuring panel. The X step decides how fine the text is: seconds are
// shown below a one-minute step, milliseconds below a one-second step.
class zorTimeText
{
public:
    // Elapsed seconds as a clock "hh:mm[:ss[:zzz]]"; with withDay, prefixed by the
    // day of the run counted from 01 ("02 01:01" is one day and an hour in).
    static QString clock(double seconds, double step, bool withDay);

    // Seconds after start as wall-clock time "hh:mm[:ss[:zzz]]", prefixed by the
    // date "dd.MM.yy " unless the moment lies within the last day on today's date.
    static QString wallClock(const QDateTime &start, double seconds, double step, const QDateTime &now);

private:
    static QString timeFormat(double step);
};

#endif // ZORTIMETEXT_H
