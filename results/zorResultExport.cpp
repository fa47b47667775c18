#include "results/zorResultExport.h"

#include "results/zorWriteAll.h"

#include <QIODevice>

namespace {

// Rows gather in memory and go to the file in pieces of about this size.
constexpr int chunkBytes = 256 * 1024;

} // namespace

zorResultExport::zorResultExport(const QDateTime &start, const QVector<_channel> &channels,
                                 const zorResultLayout &layout, int periodMinutes)
    : start(start), chs(channels), layout(layout), period(60.0 * periodMinutes), values(channels.size())
{
    for (const _channel &c : qAsConst(chs))
        cursors.push_back({c.time.constData(), c.meas.constData(), c.pointError ? 0 : c.time.size()});
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
    for (size_t c = 0; c < cursors.size(); ++c) {
        _cursor &k = cursors[c];
        values[c] = qQNaN();
        if (k.count == 0 || t < k.time[0] || t > k.time[k.count - 1])
            continue;
        while (k.at + 1 < k.count && k.time[k.at + 1] <= t)
            ++k.at;
        values[c] = k.meas[k.at];
    }
    layout.row(buffer, ++rows, t, values.data(), int(values.size()));
}

QVector<zorResultExport::_channel> zorResultExport::channelsOf(const zorPointStore &store, int qwtIndex)
{
    QVector<_channel> result;
    const zorPointStore::_dev *dev = store.findDev(qwtIndex);
    if (!dev)
        return result;
    for (const zorPointStore::_ch &c : dev->chs) {
        _channel ch;
        ch.time = c.time.toVector();
        ch.meas = c.meas.toVector();
        const zorChunkedSeries &drawn = *zorPointStore::plotted(c, false).time;
        ch.plottedStart = drawn.isEmpty() ? c.time.value(0) : drawn.first();
        ch.pointError = c.pointError;
        ch.dim = c.dim;
        result << ch;
    }
    return result;
}

bool zorResultExport::flush()
{
    if (!m_failed && !zorWriteAll::to(out, buffer.constData(), buffer.size()))
        m_failed = true;
    buffer.resize(0);
    return !m_failed;
}
