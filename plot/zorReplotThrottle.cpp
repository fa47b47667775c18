#include "plot/zorReplotThrottle.h"

zorReplotThrottle::zorReplotThrottle(QObject *parent, int intervalMs)
    : QObject(parent)
    , m_interval(intervalMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &zorReplotThrottle::fire);
}

void zorReplotThrottle::request()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceLast.isValid() ? m_sinceLast.elapsed() : m_interval;
    m_timer.start(int(qMax<qint64>(0, m_interval - since)));
}

void zorReplotThrottle::fire()
{
    m_sinceLast.start();
    emit due();
}
