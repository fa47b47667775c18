#ifndef ZORREFINPUT_H
#define ZORREFINPUT_H

#include <QString>
#include <QStringList>
#include <QVector>

class optionsZOR70;

// The instrument's reference and correction constants as the reference tab shows them,
// and the tab's texts parsed back into the settings image. Knows no widgets.
//
// Every group is parsed before anything is stored, so a typing error anywhere changes
// nothing and is named to the user. A text left as it was shown keeps the exact stored
// value: editing one cell must not round every other constant to the digits on screen.
// Constants stored in a byte or a word of the block are kept at the value the block can
// carry, and one beyond its range is refused rather than clamped behind the user's back.
class zorRefInput
{
public:
    // The tab's tables, in the order they are parsed.
    enum _group {
        gRef,    // refTable: row 0 the values, row 1 the zero values of "Rr-1".."Iref"
        gCorrA,  // chU0Table: one row, a column per channel
        gCorrB,  // chI0Table
        gTk,     // tkTable: one row, the six temperature coefficients
        gNelin0, // rKTable1: rows code, voltage, value; 26 points
        gNelin1, // rKTable2
        gCoef,   // one row: d10kEdit, d005maEdit (the refdU ratio)
        gRefdUC, // dUTablePlus: rows code, voltage, value; 7 records
        gRefdUD, // dUTableMinus
        groupCount
    };
    enum _coef { coefD10k, coefK005ma };

    // Rows of the nelin and refdU tables.
    enum _row { rowCode, rowVoltage, rowValue };

    // A group's texts, row by row; the whole tab is indexed by _group.
    using _table = QVector<QStringList>;
    using _tab = QVector<_table>;

    // Where a parse failed; column -1 when the group has the wrong shape.
    struct _cell
    {
        int group = -1;
        int row = -1;
        int column = -1;
    };

    // The texts of a group as the tab shows them; the refdU groups and the ratio of a
    // basic instrument too, although they are never parsed back.
    static _table texts(const optionsZOR70 &options, _group group);
    static QString shiftText(const optionsZOR70 &options, int table);
    // Rows that are derived from others (the voltages): shown, never parsed.
    static bool isComputed(_group group, int row);

    // Parses every group the instrument has and, only when all are valid, stores them and
    // raises the image's onRefChange() once. Otherwise returns false with the image as it
    // was and the first wrong cell in fault.
    static bool store(optionsZOR70 *options, const _tab &tab, _cell *fault);

    // One coefficient typed in its own field: stored, with onRefChange(), when it parses,
    // fits and differs from the stored value. False when it does not parse or fit.
    static bool storeCoef(optionsZOR70 *options, _coef coef, const QString &text);

    // ΔU −1200: moves every record of table D by ΔU in proportion to its voltage, so the
    // last record moves by exactly ΔU. A ΔU of 0 changes nothing. False, changing
    // nothing, when the text is no number or the last record has no voltage to be
    // proportional to (which would make every value infinite). Raises no signal.
    static bool spreadDU(optionsZOR70 *options, const QString &text);
};

#endif // ZORREFINPUT_H
