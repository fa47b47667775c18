#ifndef ZORMQTTBUFFER_H
#define ZORMQTTBUFFER_H

#include <QByteArray>
#include <QMutex>
#include <QVector>

#include <deque>

// The messages between the GUI thread, which appends them, and the network thread,
// which hands them to the broker. A message stays until the broker has it (for QoS 1
// its PUBACK, for QoS 0 its write to the socket): when the connection breaks, those
// handed over but not confirmed are handed over again, in their order. Past the byte
// limit the oldest messages are dropped and counted. Every member is thread-safe.
class zorMqttBuffer
{
public:
    struct _msg
    {
        QByteArray topic;
        QByteArray payload;
        quint8 qos = 0;
        bool retain = false;
    };
    // A message handed over, with the number it is confirmed by.
    struct _handed
    {
        quint64 seq;
        _msg msg;
    };

    static constexpr qint64 defaultLimit = qint64(64) << 20;
    // Bytes counted per message besides its topic and payload.
    static constexpr int overhead = 64;

    explicit zorMqttBuffer(qint64 limit = defaultLimit) : limit(limit) {}

    void setLimit(qint64 bytes);
    // Appends; returns how many of the oldest messages were dropped to make room.
    int append(const _msg &msg);
    // Up to max messages not yet handed over, oldest first; they are now in flight.
    QVector<_handed> take(int max);
    // The broker has it; a number already dropped is ignored.
    void confirm(quint64 seq);
    // The connection broke: what was in flight waits again, in order.
    void requeue();
    void clear();

    int inFlight() const;
    int waiting() const;   // not yet confirmed, in flight or not
    qint64 bytes() const;
    qint64 dropped() const;
    quint64 confirmed() const;

private:
    struct _entry
    {
        _msg msg;
        bool handed = false;
        bool done = false;
    };
    static qint64 sizeOf(const _msg &msg) { return msg.topic.size() + msg.payload.size() + overhead; }
    void popFront();

    mutable QMutex mutex;
    std::deque<_entry> entries; // entry i has number firstSeq + i
    quint64 firstSeq = 0;
    size_t next = 0;            // entries before it have been looked at by take()
    qint64 size = 0;
    qint64 limit;
    int flying = 0;
    qint64 droppedCount = 0;
    quint64 confirmedCount = 0;
};

#endif // ZORMQTTBUFFER_H
