#ifndef ZORSTABILITYWINDOW_H
#define ZORSTABILITYWINDOW_H

#include <cstddef>
#include <vector>

// The least-squares line of one channel's value against time over a sliding window
// of the newest readings: the readings of the last `span` seconds.
//
// Each reading costs O(1): the means and the centred sums of squares and products
// are updated as a reading enters and as one leaves (Welford's updates), on time
// stamps taken relative to an origin near the window, so that a channel read for
// days keeps small numbers. Entering and leaving readings still leave rounding
// behind; once as many readings have left as the window holds, the sums are
// computed anew from the readings in two passes and the origin moves to the oldest
// one. That costs O(n) once per n readings, and σ stays exact to many more digits
// than the instruments give, also a million seconds after the start.
class zorStabilityWindow
{
public:
    // What the line says about the window.
    struct fit {
        int n = 0;            // readings in the window
        double mean = 0.0;    // mean value
        double slope = 0.0;   // unit per second; 0 with fewer than 2 readings
        double sigma = 0.0;   // standard deviation of the residuals (n - 2 degrees of freedom); 0 below 3
        double from = 0.0;    // time stamps of the oldest and the newest reading
        double to = 0.0;
    };

    explicit zorStabilityWindow(double span = 600.0);

    double span() const { return m_span; }
    // A new span drops the readings that fall out of it.
    void setSpan(double span);
    // Forgets every reading.
    void clear();

    // Adds a reading. A time stamp before the newest one (the series was cleared and
    // started again) restarts the window with this reading.
    void add(double time, double value);

    int count() const { return int(m_size); }
    // Seconds the series has run without a restart: the window is full once it
    // reaches the span.
    double runTime() const { return m_size ? m_last - m_start : 0.0; }
    bool isFull() const { return m_size > 2 && runTime() >= m_span; }
    fit result() const;

private:
    struct reading {
        double t; // seconds after the origin
        double v;
    };

    const reading &at(size_t i) const { return m_ring[(m_head + i) & (m_ring.size() - 1)]; }
    void push(const reading &r);
    void popOldest();
    void recompute();

    double m_span;
    std::vector<reading> m_ring; // capacity a power of two
    size_t m_head = 0;
    size_t m_size = 0;
    size_t m_leftSinceExact = 0;
    double m_origin = 0.0; // absolute time of t = 0
    double m_start = 0.0;  // absolute time of the first reading since the restart
    double m_last = 0.0;   // absolute time of the newest reading
    // Means and centred sums over the window (times relative to the origin).
    double m_mt = 0.0, m_mv = 0.0;
    double m_ctt = 0.0, m_ctv = 0.0, m_cvv = 0.0;
};

#endif // ZORSTABILITYWINDOW_H
