#include "app/zorAlertSound.h"

#include <QSound>

zorAlertSound::zorAlertSound(const QString &fileName, QObject *parent)
    : QObject(parent)
    , sound(new QSound(fileName, this))
{
}

void zorAlertSound::play()
{
    if (!sound->isFinished())
        return;
    sound->play();
    emit played();
}
