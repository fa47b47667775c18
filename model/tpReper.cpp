#include "model/tpReper.h"

#include "model/tpReperTables.h"

#include <cmath>

namespace {

tpReper::table build(const tpReperTables::curveRow *rows, int count)
{
    tpReper::table result;
    for (int n = 0; n < count; ++n) {
        tpReper::curve &c = result[rows[n].key];
        for (int i = 0; i < tpReperTables::temperatureCount; ++i)
            c.insert(quint16(tpReperTables::firstTemperature + i * tpReperTables::temperatureStep),
                     rows[n].value[i]);
    }
    return result;
}

} // namespace

const tpReper::table &tpReper::getTable(int point)
{
    static const table tables[pointCount + 1] = {
        build(tpReperTables::zinc, tpReperTables::zincCount),
        build(tpReperTables::aluminium, tpReperTables::aluminiumCount),
        build(tpReperTables::copper, tpReperTables::copperCount),
        table(),
    };
    return tables[point >= 0 && point < pointCount ? point : pointCount];
}

bool tpReper::getKey(int point, float value, float *key)
{
    const table &t = getTable(point);
    // Written so that NaN fails too.
    if (t.isEmpty() || !(value >= t.firstKey() && value <= t.lastKey()))
        return false;
    float nearest = t.lastKey();
    for (auto it = t.keyBegin(); it != t.keyEnd(); ++it) {
        if (std::fabs(*it - value) < std::fabs(nearest - value))
            nearest = *it;
    }
    *key = nearest;
    return true;
}

bool tpReper::getEDSTable(const float *p, QMap<quint16, float> &result)
{
    float keys[pointCount];
    for (int i = 0; i < pointCount; ++i) {
        if (!getKey(i, p[i], &keys[i]))
            return false;
    }
    result.clear();
    for (int i = 0; i < pointCount; ++i) {
        const curve c = getTable(i).value(keys[i]);
        for (auto it = c.cbegin(); it != c.cend(); ++it)
            result[it.key()] += it.value();
    }
    result[1200] -= correction1200;
    return true;
}
