#ifndef ZORALERTSOUND_H
#define ZORALERTSOUND_H

#include <QObject>

class QSound;

// The limit alarm's sound. Readings beyond a limit may come many times a second:
// a new alarm while the sound still plays does not restart it.
class zorAlertSound : public QObject
{
    Q_OBJECT

public:
    explicit zorAlertSound(const QString &fileName, QObject *parent = nullptr);

    void play();

signals:
    // The sound was started.
    void played();

private:
    QSound *sound;
};

#endif // ZORALERTSOUND_H
