#ifndef ZORSIMSTREAM_H
#define ZORSIMSTREAM_H

#include <QByteArray>
#include <QRandomGenerator>

// The text a simulated instrument sends on its own: readings that drift slowly with a
// little noise around a value typical of their unit, error markers and status lines.
// Every token ends with its blank.
class zorSimStream
{
public:
    static constexpr int errorMarker = -999999;

    explicit zorSimStream(quint32 seed);

    // A reading of channel (1-based) in unit 0..9, seconds after the start.
    double value(quint8 channel, quint8 unit, double seconds);

    // "3:21.4567D ": channel, colon, value, unit character 'A' + unit.
    static QByteArray reading(quint8 channel, double value, quint8 decimals, quint8 unit);
    // The error marker reading, its unit character carrying the error code + '0'.
    static QByteArray errorReading(quint8 channel, quint8 code);
    // "s#t#f#": s is 0, or an instrument error code + 48; t is 1 while the thermostat
    // is on; f carries the change flags in bits 0..3. The byte after the last "#"
    // closes the token, so the three fields stay whole.
    static QByteArray status(quint8 code, bool thermostat, quint8 changeFlags);

    // A standard normal deviate.
    double noise();

private:

    QRandomGenerator random;
};

#endif // ZORSIMSTREAM_H
