#include "stability/zorStabilityWindow.h"

#include <algorithm>
#include <cmath>

zorStabilityWindow::zorStabilityWindow(double span)
    : m_span(span > 0.0 ? span : 600.0)
    , m_ring(64)
{
}

void zorStabilityWindow::setSpan(double span)
{
    if (!(span > 0.0))
        return;
    m_span = span;
    while (m_size > 1 && m_origin + at(0).t < m_last - m_span)
        popOldest();
}

void zorStabilityWindow::clear()
{
    m_head = m_size = m_leftSinceExact = 0;
    m_mt = m_mv = m_ctt = m_ctv = m_cvv = 0.0;
}

void zorStabilityWindow::add(double time, double value)
{
    if (!std::isfinite(time) || !std::isfinite(value))
        return;
    if (m_size == 0 || time < m_last) {
        clear();
        m_origin = m_start = time;
    }
    m_last = time;
    push({time - m_origin, value});
    while (m_size > 1 && m_origin + at(0).t < time - m_span)
        popOldest();
    if (m_leftSinceExact >= std::max<size_t>(m_size, 16))
        recompute();
}

void zorStabilityWindow::push(const reading &r)
{
    if (m_size == m_ring.size()) {
        std::vector<reading> bigger(m_ring.size() * 2);
        for (size_t i = 0; i < m_size; ++i)
            bigger[i] = at(i);
        m_ring.swap(bigger);
        m_head = 0;
    }
    m_ring[(m_head + m_size) & (m_ring.size() - 1)] = r;
    ++m_size;
    const double n = double(m_size);
    const double dt = r.t - m_mt;
    m_mt += dt / n;
    const double dv = r.v - m_mv;
    m_mv += dv / n;
    m_ctt += dt * (r.t - m_mt);
    m_ctv += dt * (r.v - m_mv);
    m_cvv += dv * (r.v - m_mv);
}

// Welford's update run backwards: the sums as if the oldest reading never came.
void zorStabilityWindow::popOldest()
{
    const reading r = at(0);
    m_head = (m_head + 1) & (m_ring.size() - 1);
    --m_size;
    ++m_leftSinceExact;
    if (m_size == 0) {
        m_mt = m_mv = m_ctt = m_ctv = m_cvv = 0.0;
        return;
    }
    const double n = double(m_size);
    const double dt = r.t - m_mt;
    const double dv = r.v - m_mv;
    m_mt -= dt / n;
    const double mvBefore = m_mv;
    m_mv -= dv / n;
    m_ctt -= dt * (r.t - m_mt);
    m_ctv -= (r.t - m_mt) * (r.v - mvBefore);
    m_cvv -= dv * (r.v - m_mv);
}

// Two passes over the window from a new origin at its oldest reading: the rounding
// the updates left behind goes.
void zorStabilityWindow::recompute()
{
    m_leftSinceExact = 0;
    if (m_size == 0)
        return;
    const double shift = at(0).t;
    m_origin += shift;
    double st = 0.0, sv = 0.0;
    for (size_t i = 0; i < m_size; ++i) {
        reading &r = m_ring[(m_head + i) & (m_ring.size() - 1)];
        r.t -= shift;
        st += r.t;
        sv += r.v;
    }
    const double n = double(m_size);
    m_mt = st / n;
    m_mv = sv / n;
    double ctt = 0.0, ctv = 0.0, cvv = 0.0;
    for (size_t i = 0; i < m_size; ++i) {
        const double dt = at(i).t - m_mt, dv = at(i).v - m_mv;
        ctt += dt * dt;
        ctv += dt * dv;
        cvv += dv * dv;
    }
    m_ctt = ctt;
    m_ctv = ctv;
    m_cvv = cvv;
}

zorStabilityWindow::fit zorStabilityWindow::result() const
{
    fit f;
    f.n = int(m_size);
    if (m_size == 0)
        return f;
    f.mean = m_mv;
    f.from = m_origin + at(0).t;
    f.to = m_last;
    if (m_size >= 2 && m_ctt > 0.0)
        f.slope = m_ctv / m_ctt;
    if (m_size >= 3) {
        const double residual = m_ctt > 0.0 ? m_cvv - m_ctv * m_ctv / m_ctt : m_cvv;
        f.sigma = std::sqrt(std::max(0.0, residual) / double(m_size - 2));
    }
    return f;
}
