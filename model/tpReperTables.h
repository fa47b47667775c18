#ifndef TPREPERTABLES_H
#define TPREPERTABLES_H

#include <QtGlobal>

// The constant correction curves behind tpReper, one table per fixed point (zinc,
// aluminium, copper). Generated once by scripts/make-tp-tables, which documents how
// the numbers are derived; tpReper is the only reader.
struct tpReperTables
{
    static constexpr int temperatureCount = 10;    // 300, 400, ..., 1200 °C
    static constexpr quint16 firstTemperature = 300;
    static constexpr quint16 temperatureStep = 100;

    // One key (EMF at the fixed point, mV, ascending within a table) and its curve.
    struct curveRow
    {
        float key;
        float value[temperatureCount];
    };

    static constexpr int zincCount = 24;
    static constexpr int aluminiumCount = 36;
    static constexpr int copperCount = 66;

    static const curveRow zinc[zincCount];
    static const curveRow aluminium[aluminiumCount];
    static const curveRow copper[copperCount];
};

#endif // TPREPERTABLES_H
