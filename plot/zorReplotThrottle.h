#ifndef ZORREPLOTTHROTTLE_H
#define ZORREPLOTTHROTTLE_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Folds many redraw requests into one: the first request after a quiet spell is
// served on the next turn of the event loop, later ones at most once per interval.
// So a burst of readings costs one redraw per interval, and the screen is never
// more than one interval behind the data.
class zorReplotThrottle : public QObject
{
    Q_OBJECT

public:
    explicit zorReplotThrottle(QObject *parent, int intervalMs = 40);

    void request();

signals:
    void due();

private:
    void fire();

    const int m_interval;
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
};

#endif // ZORREPLOTTHROTTLE_H
