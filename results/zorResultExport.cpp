#include "results/zorResultExport.h"

#include "results/zorWriteAll.h"

#include <QIODevice>

namespace {

// Rows gather in memory and go to the file in pieces of about this size.
constexpr int chunkBytes = 256 * 1024;

} // namespace

zorResultExport::zorResultExport(const QDateTime &start, const QVector<_channel> &channels,
                                 const zorResultLayout &layout, int periodMinutes)
    : start(start), chs(channels), layout(layout), period(60.0 * periodMinutes), cursor(channels.size(), -1)
{
    buffer.reserve(chunkBytes + 64 * 1024);   // kept across flushes
    for (int c = 0; c < chs.size(); ++c) {
        if (chs.at(c).time.isEmpty())
            continue;
        if (ref < 0 || chs.at(c).plottedStart < chs.at(ref).plottedStart)
            ref = c;
    }
}

bool zorResultExport::begin(QIODevice *device)
{
    out = device;
    QStringList units;
    for (const _channel &c : qAsConst(chs))
        units << c.dim;
    buffer += layout.header(start, units);
    return flush();
}

bool zorResultExport::run(const QDeadlineTimer &until)
{
    if (m_failed || !out)
        return false;
    const QVector<double> empty;
    const QVector<double> &times = ref < 0 ? empty : chs.at(ref).time;
    while (next < times.size()) {
        const double t = times.at(next);
        if (next == 0 || t - lastRow > period) {
            appendRow(t);
            lastRow = t;
        }
        ++next;
        if (buffer.size() >= chunkBytes && !flush())
            return false;
        if ((next & 255) == 0 && until.hasExpired())
            break;
    }
    return flush() && next >= times.size();
}

void zorResultExport::appendRow(double t)
{
    layout.beginRow(buffer, ++rows, t);
    for (int c = 0; c < chs.size(); ++c) {
        const _channel &ch = chs.at(c);
        const int n = ch.time.size();
        if (ch.pointError || n == 0 || t < 0.0 || t < ch.time.first() || t > ch.time.last()) {
            layout.noValue(buffer);
            continue;
        }
        int &i = cursor[c];
        while (i + 1 < n && ch.time.at(i + 1) <= t)
            ++i;
        if (i < 0)
            layout.noValue(buffer);
        else
            layout.value(buffer, ch.meas.at(i));
    }
    zorResultLayout::endRow(buffer);
}

bool zorResultExport::flush()
{
    if (!m_failed && !zorWriteAll::to(out, buffer.constData(), buffer.size()))
        m_failed = true;
    buffer.resize(0);
    return !m_failed;
}
