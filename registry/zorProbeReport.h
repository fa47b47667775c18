#ifndef ZORPROBEREPORT_H
#define ZORPROBEREPORT_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class optionsZOR70;

// The texts the command-line probe prints about an instrument: its identity, its
// device settings, one table row per channel, and its readings and errors.
class zorProbeReport
{
    Q_DECLARE_TR_FUNCTIONS(zorProbeReport)

public:
    static QStringList identity(const optionsZOR70 &options, const QString &portName);
    static QStringList deviceSettings(const optionsZOR70 &options);
    // A header and one row for each of the instrument's channels.
    static QStringList channels(const optionsZOR70 &options);

    // What a channel measures with: the sensor type, the characteristic slot with its
    // name, or "-" for the modes that need none.
    static QString sensorName(const optionsZOR70 &options, int ch);
    // The compensation thermometer of a thermocouple channel, "-" otherwise.
    static QString compensationName(const optionsZOR70 &options, int ch);

    // ch is 0-based, as the registry reports it; the texts show it 1-based. A value
    // is shown with the decimals of the channel's rounding.
    static QString reading(const optionsZOR70 &options, int ch, double value, const QString &unit);
    static QString channelError(int ch, int code, const QString &msg);
    static QString deviceError(int code, const QString &msg);
    // A block reply the registry refused: which block, and the length received.
    static QString rejectedBlock(quint8 address, int length);
};

#endif // ZORPROBEREPORT_H
