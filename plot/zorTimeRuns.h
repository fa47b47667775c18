#ifndef ZORTIMERUNS_H
#define ZORTIMERUNS_H

#include "plot/zorChunkedSeries.h"

#include <QVector>

// The time stamps of a growing series seen as runs of ordered times, with their
// bounds. Time stamps normally only grow, but a clock set back or a file read back
// may break the order: one run normally, a few after such a break. Searches by time
// work run by run; a series broken into maxRuns runs or more is "chaotic" and is
// searched point by point. Like zorMinMaxIndex it only ever appends: the caller hands
// the series in after every append and clears it when it empties the series.
class zorTimeRuns
{
public:
    // Takes in the time stamps of series not seen yet.
    void sync(const zorChunkedSeries &series);
    void clear();

    // Number of time stamps taken in.
    int size() const { return m_size; }
    // Number of runs, 0 for a chaotic series; run k is [start(k), start(k + 1)).
    int count() const;
    int start(int k) const;
    // Smallest and largest time stamp; meaningless while size() is 0.
    double lo() const { return m_lo; }
    double hi() const { return m_hi; }

    static constexpr int maxRuns = 1024;

private:
    int m_size = 0;
    QVector<int> m_starts; // starts of the runs after the first
    bool m_chaotic = false;
    double m_lo = 0.0;
    double m_hi = 0.0;
};

#endif // ZORTIMERUNS_H
