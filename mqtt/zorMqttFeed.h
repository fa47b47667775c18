#ifndef ZORMQTTFEED_H
#define ZORMQTTFEED_H

#include "registry/zorList.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>

class zorMqttPublisher;

// Turns what the registry reports into messages for the publisher:
//   <prefix>/<serial>/ch<N>  one per reading (N from 1):
//                            {"t":"<ISO 8601, ms, offset>","v":<value>,"u":"<unit>","err":<code or null>}
//   <prefix>/<serial>/state  retained, whenever it changes: name, type, channels,
//                            connected, thermostat, lastError and the program's client id.
// Instruments not yet identified (serial number 0) are not published. GUI thread.
class zorMqttFeed : public QObject
{
    Q_OBJECT

public:
    // list and publisher are not owned and must outlive the feed.
    zorMqttFeed(zorList *list, zorMqttPublisher *publisher, QObject *parent = nullptr);

private:
    // The record of an identified instrument, else null.
    const zorList::_zor *identified(int index) const;
    void reading(int index, double meas, quint8 ch, const QString &unit);
    void chError(int index, quint8 ch, quint8 code);
    void devError(int index, quint8 code, const QString &msg);
    // err < 0 for a value, else the error code (the value is not used).
    void publishReading(int index, quint8 ch, double value, const QString &unit, int err);
    QByteArray readingPayload(qint64 msecsSinceEpoch, double value, const QString &unit, int err);
    // Publishes the instrument's state when it differs from the last one sent (always
    // when force is set, for a broker that may have lost it).
    void state(int index, bool force = false);
    void removed(int index);
    void republishAll();
    QByteArray topicOf(quint32 serial, const char *leaf);
    const QByteArray &timeText(qint64 msecs);

    zorList *list;
    zorMqttPublisher *publisher;
    QHash<quint64, QByteArray> chTopics;       // (serial << 8 | channel) → topic
    QString topicPrefix;                       // the prefix the topics were made with
    QHash<QString, QByteArray> unitTexts;      // unit → its JSON string
    qint64 second = -1;                        // the second timeText() holds
    QByteArray secondText;                     // "yyyy-MM-ddTHH:mm:ss."
    QByteArray offsetText;                     // "+03:00"
    QByteArray stamp;
    QHash<int, quint32> serials;               // registry index → serial, for removal
    QHash<quint32, QByteArray> lastState;      // serial → last state payload sent
    QHash<quint32, QPair<int, QString>> lastError; // serial → last instrument error
};

#endif // ZORMQTTFEED_H
