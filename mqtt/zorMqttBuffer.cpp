#include "mqtt/zorMqttBuffer.h"

void zorMqttBuffer::setLimit(qint64 bytes)
{
    QMutexLocker lock(&mutex);
    limit = bytes;
}

int zorMqttBuffer::append(const _msg &msg)
{
    QMutexLocker lock(&mutex);
    entries.push_back({msg});
    size += sizeOf(msg);
    int dropped = 0;
    while (size > limit && entries.size() > 1) {
        if (!entries.front().done) {
            ++droppedCount;
            ++dropped;
        }
        popFront();
    }
    return dropped;
}

void zorMqttBuffer::popFront()
{
    const _entry &front = entries.front();
    if (front.handed && !front.done)
        --flying;
    size -= sizeOf(front.msg);
    entries.pop_front();
    ++firstSeq;
    if (next > 0)
        --next;
}

QVector<zorMqttBuffer::_handed> zorMqttBuffer::take(int max)
{
    QMutexLocker lock(&mutex);
    QVector<_handed> result;
    for (; next < entries.size() && result.size() < max; ++next) {
        _entry &e = entries[next];
        if (e.handed || e.done)
            continue;
        e.handed = true;
        ++flying;
        result.push_back({firstSeq + next, e.msg});
    }
    return result;
}

void zorMqttBuffer::confirm(quint64 seq)
{
    QMutexLocker lock(&mutex);
    if (seq < firstSeq || seq - firstSeq >= entries.size())
        return;
    _entry &e = entries[size_t(seq - firstSeq)];
    if (e.done || !e.handed)
        return;
    e.done = true;
    --flying;
    ++confirmedCount;
    while (!entries.empty() && entries.front().done)
        popFront();
}

void zorMqttBuffer::requeue()
{
    QMutexLocker lock(&mutex);
    for (size_t i = 0; i < next; ++i) {
        if (!entries[i].done)
            entries[i].handed = false;
    }
    next = 0;
    flying = 0;
}

void zorMqttBuffer::clear()
{
    QMutexLocker lock(&mutex);
    firstSeq += entries.size();
    entries.clear();
    next = 0;
    size = 0;
    flying = 0;
}

int zorMqttBuffer::inFlight() const
{
    QMutexLocker lock(&mutex);
    return flying;
}

int zorMqttBuffer::waiting() const
{
    QMutexLocker lock(&mutex);
    int count = 0;
    for (const _entry &e : entries)
        count += e.done ? 0 : 1;
    return count;
}

qint64 zorMqttBuffer::bytes() const
{
    QMutexLocker lock(&mutex);
    return size;
}

qint64 zorMqttBuffer::dropped() const
{
    QMutexLocker lock(&mutex);
    return droppedCount;
}

quint64 zorMqttBuffer::confirmed() const
{
    QMutexLocker lock(&mutex);
    return confirmedCount;
}
