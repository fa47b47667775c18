#ifndef ZORCALPOINT_H
#define ZORCALPOINT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// One calibration point: what every chosen channel read over its stability window
// at the moment the point was fixed, with the user's set point and comment.
struct zorCalPoint
{
    struct channel {
        int deviceId = 0;     // database id of the instrument
        QString devName;
        QString devNumber;    // serial number as shown
        int ch = 0;           // 0-based
        QString unit;
        double mean = 0.0;
        double sigma = 0.0;
        double drift = 0.0;   // per window
        double window = 0.0;  // seconds
        int n = 0;
        QDateTime from;
        QDateTime to;
    };

    // The channel a deviation is taken from: an instrument and a channel.
    struct reference {
        int deviceId = 0;
        int ch = -1;
        bool isSet() const { return ch >= 0; }
    };

    int id = 0;            // database id; 0 while not stored
    QDateTime fixedAt;
    QString setPoint;
    QString comment;
    QVector<channel> channels;

    // The index of the reference's channel in the point; -1 when the point lacks it.
    int indexOf(const reference &ref) const;
    // channels[i].mean minus the reference's mean; false (no deviation) when the point
    // lacks the reference or the units differ: those are not compared.
    bool deviation(int i, const reference &ref, double *value) const;

    // The channels as stored in the database, and back; unreadable text gives none.
    QByteArray channelsData() const;
    static QVector<channel> channelsFrom(const QByteArray &data);
};

#endif // ZORCALPOINT_H
