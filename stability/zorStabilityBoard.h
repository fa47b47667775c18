#ifndef ZORSTABILITYBOARD_H
#define ZORSTABILITYBOARD_H

#include "stability/zorStabilityCriteria.h"
#include "stability/zorStabilityWindow.h"

#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

// The live stability of every channel of every instrument: each reading goes into
// its channel's sliding window (zorStabilityWindow), and the channel is stable while
// its window is full and meets the instrument's criteria for its unit. Devices are
// named by a key of the caller's choice (the plot index), channels by number.
//
// A device is stable when every active channel is: a channel is active while it has
// a reading within the last window of the device's newest one, so a channel the
// instrument no longer sends does not hold the device back. GUI thread only.
class zorStabilityBoard : public QObject
{
    Q_OBJECT

public:
    // One channel's window and verdict.
    struct state {
        zorStabilityWindow::fit fit;
        double window = zorStabilityCriteria::defaultWindow;
        double drift = 0.0; // slope × window
        QString unit;
        bool full = false;  // the series has run for a whole window
        bool stable = false;
    };
    // A stretch of time stamps over which a channel was stable: from the start of the
    // first window that met the criteria to the last reading that still did.
    using interval = QPair<double, double>;
    // Intervals kept per channel; the oldest go first.
    static constexpr int maxIntervals = 1000;

    explicit zorStabilityBoard(QObject *parent = nullptr);

    void setCriteria(int dev, const zorStabilityCriteria &criteria);
    zorStabilityCriteria criteria(int dev) const;

    // A reading of a channel at a time stamp in seconds (the plot store's time base).
    void take(int dev, int ch, double time, double value, const QString &unit);

    state channel(int dev, int ch) const;
    int channelCount(int dev) const;
    bool isDevStable(int dev) const;
    QVector<interval> intervals(int dev, int ch) const;

    // Forgets the device's readings (its plot was cleared), or the device itself.
    void clear(int dev);
    void removeDev(int dev);

signals:
    // A channel became stable or stopped being stable.
    void stableChanged(int dev, int ch, bool stable);
    // Every active channel of the device became stable, or one stopped being.
    void devStableChanged(int dev, bool stable);

private:
    struct chRec {
        zorStabilityWindow window;
        QString unit;
        double sigmaLimit = 0.0;
        double driftLimit = 0.0;
        double last = 0.0;
        bool stable = false;
        QVector<interval> intervals;
    };
    struct devRec {
        zorStabilityCriteria criteria;
        QVector<chRec> chs;
        double last = 0.0;
        bool stable = false;
    };

    void applyCriteria(const devRec &d, chRec &c) const;
    bool verdict(const chRec &c) const;
    bool allStable(const devRec &d) const;
    void updateDev(int dev, devRec &d);

    QMap<int, devRec> m_devs;
};

#endif // ZORSTABILITYBOARD_H
