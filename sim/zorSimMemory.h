#ifndef ZORSIMMEMORY_H
#define ZORSIMMEMORY_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

// The memory of a simulated instrument: its blocks by read address, what a write to
// each write address changes, and the exchange each selector opens. Not thread-safe;
// the simulator guards it.
class zorSimMemory
{
public:
    enum _exchangeKind { none, blockRead, recordRead, wordRead, blockWrite, wordWrite };
    enum _variant { basic, extended };

    // One switched-on channel as the reading stream reports it.
    struct _channel
    {
        quint8 number;     // 1-based, as in the stream
        quint8 unit;       // 0..9; the stream's unit character is 'A' + unit
        quint8 decimals;   // digits after the point
    };

    // An instrument with factory settings: every channel of the given count measures a
    // Pt100 resistance thermometer in degrees Celsius, cyclically.
    zorSimMemory(_variant type, quint32 serialNumber, const QString &name, int channels);

    _exchangeKind kindOf(quint8 selector) const;

    // The bytes a block read, record read or word read at this selector sends.
    QByteArray read(quint8 selector) const;
    // The length a block write to this selector carries.
    int writeLength(quint8 selector) const;
    // Stores a completed block or word write where the instrument keeps it.
    void write(quint8 selector, const QByteArray &data);

    void setBlock(quint8 selector, const QByteArray &bytes);
    void setRecords(quint8 selector, const QByteArray &records);
    void setWord(quint8 selector, const QByteArray &word);
    // A selector that takes a word write; the last word written is kept.
    void addWordTarget(quint8 selector);
    QByteArray writtenWord(quint8 selector) const;
    QByteArray clock() const { return clockData; }

    QVector<_channel> activeChannels() const;

private:
    QMap<quint8, QByteArray> blocks;     // block reads
    QMap<quint8, QByteArray> records;    // record reads
    QMap<quint8, QByteArray> words;      // word reads
    QMap<quint8, QByteArray> writtenWords;   // word writes
    QByteArray clockData;
};

#endif // ZORSIMMEMORY_H
