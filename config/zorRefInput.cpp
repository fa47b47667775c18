#include "config/zorRefInput.h"

#include "link/bDouble.h"
#include "link/bFloat.h"
#include "model/optionsZOR70.h"

#include <QSignalBlocker>

#include <cmath>

namespace {

using O = optionsZOR70;
using R = zorRefInput;

// How the block holds a constant: as it is, or as a count of steps of 1/scale around
// the middle of a byte or a word (the ratio around 1).
enum _kind { plainDouble, plainFloat, scaledByte, scaledWord, ratioWord };

struct _field
{
    char format;  // of QString::number
    int decimals;
    _kind kind;
    double scale; // value = steps / scale (+ 1 for the ratio)
};

_field fieldOf(int group, int column)
{
    switch (group) {
    case R::gRef: return {'f', column < 4 ? 8 : 5, plainDouble, 0}; // Rr-1..Rr-4, then Uref, Iref
    case R::gCorrA: return {'f', 4, scaledByte, 1e4};
    case R::gCorrB: return {'f', 5, scaledByte, 1e5};
    case R::gTk: return {'e', 2, scaledByte, 1e7};
    case R::gCoef: return column == R::coefD10k ? _field{'f', 4, scaledWord, 1e4} : _field{'f', 9, ratioWord, 1e10};
    case R::gRefdUC:
    case R::gRefdUD: return {'f', 2, plainFloat, 0};
    default: return {'f', 2, plainDouble, 0}; // the nelin tables
    }
}

int rowsOf(int group)
{
    switch (group) {
    case R::gRef: return 2;
    case R::gNelin0:
    case R::gNelin1:
    case R::gRefdUC:
    case R::gRefdUD: return 3;
    default: return 1;
    }
}

int columnsOf(const O &o, int group)
{
    switch (group) {
    case R::gRef: return O::refCount;
    case R::gCorrA:
    case R::gCorrB: return o.getChCount();
    case R::gTk: return O::tkCount;
    case R::gNelin0:
    case R::gNelin1: return O::nelinPoints;
    case R::gCoef: return 2;
    default: return O::refdUPoints;
    }
}

// Whether the instrument has the constant at all: the refdU block is the extended
// variant's only.
bool has(const O &o, int group, int column)
{
    if (group == R::gRefdUC || group == R::gRefdUD || (group == R::gCoef && column == R::coefK005ma))
        return o.isExtended();
    return true;
}

double valueOf(const O &o, int group, int row, int column)
{
    switch (group) {
    case R::gRef: return row == 0 ? o.ref[column].value.value() : o.ref[column].zero.value();
    case R::gCorrA: return o.corrA[column].value();
    case R::gCorrB: return o.corrB[column].value();
    case R::gTk: return o.tk[column].value();
    case R::gCoef: return column == R::coefD10k ? o.d10k.value() : o.k005ma.value();
    case R::gNelin0:
    case R::gNelin1: {
        const O::_nelin &p = o.nelin[group - R::gNelin0][column];
        return row == R::rowCode ? p.code.value() : row == R::rowVoltage ? p.mV : p.value.value();
    }
    default: {
        const O::_refdU &p = o.refdU[group - R::gRefdUC][column];
        return row == R::rowCode ? p.code.value() : row == R::rowVoltage ? p.mV : p.value.value();
    }
    }
}

// A derived voltage follows its code; those of the refdU block are left to its decoder.
void setValueOf(O *o, int group, int row, int column, double value)
{
    switch (group) {
    case R::gNelin0:
    case R::gNelin1: {
        const int t = group - R::gNelin0;
        O::_nelin &p = o->nelin[t][column];
        (row == R::rowCode ? p.code : p.value).setValue(value);
        p.mV = O::codeToMV(p.code.value(), O::nelinK[t]);
        break;
    }
    case R::gRef: (row == 0 ? o->ref[column].value : o->ref[column].zero).setValue(value); break;
    case R::gCorrA: o->corrA[column].setValue(value); break;
    case R::gCorrB: o->corrB[column].setValue(value); break;
    case R::gTk: o->tk[column].setValue(value); break;
    case R::gCoef: (column == R::coefD10k ? o->d10k : o->k005ma).setValue(value); break;
    case R::gRefdUC:
    case R::gRefdUD: {
        O::_refdU &p = o->refdU[group - R::gRefdUC][column];
        (row == R::rowCode ? p.code : p.value).setValue(float(value));
        break;
    }
    }
}

QString textOf(double value, const _field &field)
{
    return QString::number(value, field.format, field.decimals);
}

// The value a cell's text stands for; false when it is no number or does not fit. A
// text as shown stands for the stored value itself (changed false).
bool parse(const QString &text, const _field &field, double current, double *value, bool *changed)
{
    *changed = text != textOf(current, field);
    *value = current;
    if (!*changed)
        return true;
    bool ok = false;
    *value = field.kind == plainFloat ? double(bFloat::str2Float(text, &ok)) : bDouble::str2Double(text, &ok);
    if (!ok)
        return false;
    if (field.kind == plainDouble || field.kind == plainFloat)
        return true;
    const double offset = field.kind == ratioWord ? 1 : 0;
    const double half = field.kind == scaledByte ? 128 : 32768;
    const double steps = std::round((*value - offset) * field.scale);
    if (steps < -half || steps >= half)
        return false;
    *value = steps / field.scale + offset;
    return true;
}

struct _change
{
    int group;
    int row;
    int column;
    double value;
};

} // namespace

zorRefInput::_table zorRefInput::texts(const optionsZOR70 &options, _group group)
{
    _table table(rowsOf(group));
    for (int r = 0; r < table.size(); ++r) {
        for (int c = 0; c < columnsOf(options, group); ++c)
            table[r] << textOf(valueOf(options, group, r, c), fieldOf(group, c));
    }
    return table;
}

QString zorRefInput::shiftText(const optionsZOR70 &options, int table)
{
    return QString::number(options.nelinShift[table == 1 ? 1 : 0], 'f', 2);
}

bool zorRefInput::isComputed(_group group, int row)
{
    return rowsOf(group) == 3 && row == rowVoltage;
}

bool zorRefInput::store(optionsZOR70 *options, const _tab &tab, _cell *fault)
{
    // Every group is parsed before anything is stored. Only cells the user changed are
    // stored: the others keep their stored bits, whatever the digits on screen.
    QVector<_change> changes;
    for (int g = 0; g < groupCount; ++g) {
        if (!has(*options, g, 0))
            continue;
        const _table table = tab.value(g);
        const bool perChannel = g == gCorrA || g == gCorrB;
        const int columns = perChannel ? table.value(0).size() : columnsOf(*options, g);
        bool shaped = table.size() == rowsOf(g) && columns >= 1 && columns <= O::chMax;
        for (const QStringList &row : table)
            shaped = shaped && row.size() == columns;
        if (!shaped) {
            *fault = {g, -1, -1};
            return false;
        }
        for (int r = 0; r < table.size(); ++r) {
            for (int c = 0; c < columns; ++c) {
                if (isComputed(_group(g), r) || !has(*options, g, c))
                    continue;
                double value = 0;
                bool changed = false;
                if (!parse(table[r][c], fieldOf(g, c), valueOf(*options, g, r, c), &value, &changed)) {
                    *fault = {g, r, c};
                    return false;
                }
                if (changed)
                    changes.append({g, r, c, value});
            }
        }
    }

    {
        const QSignalBlocker quiet(options); // one onRefChange() for the whole tab
        bool refdUCode = false;
        for (const _change &change : changes) {
            setValueOf(options, change.group, change.row, change.column, change.value);
            refdUCode |= (change.group == gRefdUC || change.group == gRefdUD) && change.row == rowCode;
        }
        // The decoder derives each refdU record's voltage from its code.
        if (refdUCode)
            options->setData(options->getRefdUData(), O::rdRefdU);
    }
    options->notifyRefChange();
    return true;
}

bool zorRefInput::storeCoef(optionsZOR70 *options, _coef coef, const QString &text)
{
    double value = 0;
    bool changed = false;
    if (!parse(text, fieldOf(gCoef, coef), valueOf(*options, gCoef, 0, coef), &value, &changed))
        return false;
    if (changed && value != valueOf(*options, gCoef, 0, coef)) {
        setValueOf(options, gCoef, 0, coef, value);
        options->notifyRefChange();
    }
    return true;
}

bool zorRefInput::spreadDU(optionsZOR70 *options, const QString &text)
{
    bool ok = false;
    const double dU = bFloat::str2Float(text, &ok);
    if (!ok)
        return false;
    if (dU == 0)
        return true;
    O::_refdU *table = options->refdU[1];
    const double last = table[O::refdUPoints - 1].mV;
    float moved[O::refdUPoints];
    for (int k = 0; k < O::refdUPoints; ++k) {
        // The last record's share is exactly 1, so it moves by exactly ΔU.
        moved[k] = float(table[k].value.value() + table[k].mV / last * dU);
        if (!std::isfinite(moved[k]))
            return false;
    }
    for (int k = 0; k < O::refdUPoints; ++k)
        table[k].value.setValue(moved[k]);
    return true;
}
