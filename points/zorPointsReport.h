#ifndef ZORPOINTSREPORT_H
#define ZORPOINTSREPORT_H

#include "stability/zorCalPoint.h"

#include <QCoreApplication>
#include <QStringList>

// The printable calibration report: the instruments (name, serial number), their
// channels in the points (mode, sensor and characteristic, unit), the stability
// criteria, the reference channel, the table of points with every channel's mean, σ,
// drift, n and deviation from the reference, and a line for the operator. Written as
// rich text and printed on A4 through Qt's own printing support.
class zorPointsReport
{
    Q_DECLARE_TR_FUNCTIONS(zorPointsReport)

public:
    struct chInfo {
        int ch = 0;
        QString mode;
        QString sensor;
        QString unit;
    };
    struct instrument {
        int deviceId = 0;
        QString name;
        QString number;
        QStringList criteria; // one line per unit
        QVector<chInfo> channels;
    };

    static QString html(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref,
                        const QVector<instrument> &instruments, const QDateTime &made);
    // Prints the text as a PDF file on A4; false when the file could not be written.
    static bool printPdf(const QString &html, const QString &file);
};

#endif // ZORPOINTSREPORT_H
