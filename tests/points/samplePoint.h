#ifndef SAMPLEPOINT_H
#define SAMPLEPOINT_H

#include "stability/zorCalPoint.h"

// A point fixed on 1 March 2026 at 10:10: two thermometers of instrument 1, a thermometer
// and a resistance of instrument 2, each over the ten minutes before.
inline zorCalPoint samplePoint()
{
    const QDateTime from(QDate(2026, 3, 1), QTime(10, 0));
    const auto channel = [&from](int dev, int ch, const QString &unit, double mean) {
        return zorCalPoint::channel{dev, QString("Стенд %1").arg(dev), QString("900%1").arg(dev), ch, unit, mean,
                                    0.0004, -0.0012, 600, 375, from, from.addSecs(600)};
    };
    zorCalPoint p;
    p.id = 1;
    p.fixedAt = from.addSecs(600);
    p.setPoint = "50";
    p.comment = "мешалка; включена";
    p.channels = {channel(1, 0, "°С", 50.0012), channel(1, 1, "°С", 50.0031), channel(2, 2, "°С", 49.9987),
                  channel(2, 3, "Ω", 119.4021)};
    return p;
}

#endif // SAMPLEPOINT_H
