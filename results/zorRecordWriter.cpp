#include "results/zorRecordWriter.h"

#include "results/zorWriteAll.h"

#include <QFile>

bool zorRecordWriter::sweepDone(quint8 ch)
{
    const bool done = ch <= preCh;
    const quint32 bit = ch < 32 ? 1u << ch : 0u;
    inSweep = done ? bit : inSweep | bit;
    sinceGap |= bit;
    preCh = ch;
    return done;
}

void zorRecordWriter::gapBegins()
{
    preCh = -1;
    inSweep = 0;
    sinceGap = 0;
    afterGap = true;
}

quint32 zorRecordWriter::staleSinceGap(quint32 on)
{
    if (!afterGap)
        return 0;
    const quint32 stale = on & ~sinceGap;
    afterGap = stale != 0;
    return stale;
}

bool zorRecordWriter::rowDue(double t, int periodMinutes) const
{
    return !recorded || periodMinutes == 0 || t < lastTime || t - lastTime > 60.0 * periodMinutes;
}

void zorRecordWriter::restart()
{
    recorded = false;
    lastTime = 0.0;
    lost = 0;
    failing = false;
    error.clear();
}

bool zorRecordWriter::append(const QString &to, const QByteArray &row, double t,
                             const std::function<QByteArray()> &header)
{
    file = to;
    recorded = true;
    lastTime = t;
    if (waitingBytes + row.size() > maxWaitingBytes) {
        ++lost;
    } else {
        waiting << row;
        waitingBytes += row.size();
    }
    return flush(header);
}

bool zorRecordWriter::flush(const std::function<QByteArray()> &header)
{
    if (waiting.isEmpty())
        return true;
    QFile f(file);
    // Unbuffered, so that a failed write leaves nothing behind to be tried again on close.
    if (!f.open(QIODevice::Append | QIODevice::Unbuffered))
        return fail(f.errorString());
    const qint64 before = f.size();
    QByteArray bytes;
    bytes.reserve(int(waitingBytes) + 4096);
    if (before == 0)
        bytes += header();
    for (const QByteArray &row : qAsConst(waiting))
        bytes += row;
    if (!zorWriteAll::to(&f, bytes.constData(), bytes.size())) {
        const QString reason = f.errorString();
        f.resize(before);
        return fail(reason);
    }
    f.close();
    waiting.clear();
    waitingBytes = 0;
    failing = false;
    error.clear();
    return true;
}

void zorRecordWriter::drop()
{
    lost += waiting.size();
    waiting.clear();
    waitingBytes = 0;
    failing = false;
}

bool zorRecordWriter::fail(const QString &reason)
{
    failing = true;
    error = reason;
    return false;
}
