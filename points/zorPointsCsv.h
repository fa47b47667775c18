#ifndef ZORPOINTSCSV_H
#define ZORPOINTSCSV_H

#include "stability/zorCalPoint.h"

#include <QCoreApplication>

class zorResultLayout;

// The calibration points as a CSV table written by the rules of the results files
// (zorResultLayout: Windows-1251, CR LF, the chosen field separator after every
// field, values with the chosen decimal mark, "--" where there is none):
//   1  "Точки калибровки. Опорный канал: <instrument> № <number>, канал <n>" S
//   2  (empty)
//   3  "Точка" S "Время" S "Уставка" S "Комментарий" S "Прибор" S "Номер" S "Канал" S
//      "Разм." S "Среднее" S "СКО" S "Дрейф" S "n" S "Окно, с" S "Отклонение" S
//   4… one row per channel of each point, points in order.
class zorPointsCsv
{
    Q_DECLARE_TR_FUNCTIONS(zorPointsCsv)

public:
    static QByteArray write(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref,
                            const zorResultLayout &layout);
    // "Стенд 1 № 0012, канал 3", from the first point that has the channel; "-" for none.
    static QString referenceText(const QVector<zorCalPoint> &points, const zorCalPoint::reference &ref);
};

#endif // ZORPOINTSCSV_H
