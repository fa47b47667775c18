#ifndef TPREPER_H
#define TPREPER_H

#include <QMap>
#include <QtGlobal>

// Recalculates a thermocouple's EMF table over 300..1200 °C (steps of 100 °C) from the
// EMFs it gave at three fixed points: the freezing points of zinc, aluminium and copper.
// Each fixed point has a constant table of curves by key (an EMF at that point); the
// result is the sum of the three curves whose keys are nearest to the measured EMFs.
class tpReper
{
public:
    enum _point { zinc, aluminium, copper };
    static constexpr int pointCount = 3;

    using curve = QMap<quint16, float>; // temperature, °C -> share of the EMF, mV
    using table = QMap<float, curve>;   // key, mV -> curve

    // The curves of a fixed point; empty for a point outside _point.
    static const table &getTable(int point);

    // The key whose curve stands for value at the point: the nearest one; on a tie the
    // largest key if it is among the nearest, else the smallest of them. False, and key
    // untouched, when value lies outside the table's keys (or is not a number).
    static bool getKey(int point, float value, float *key);

    // Fills result with the EMF at 300, 400, ..., 1200 °C for the EMFs p[0], p[1], p[2]
    // measured at zinc, aluminium and copper. False, and result untouched, when any of
    // them lies outside its table.
    static bool getEDSTable(const float *p, QMap<quint16, float> &result);

    // Taken off the 1200 °C value: the quadratic through the three fixed points runs
    // that much above the reference thermocouple there.
    static constexpr float correction1200 = 0.008f;
};

#endif // TPREPER_H
