#ifndef ZORRESULTLAYOUT_H
#define ZORRESULTLAYOUT_H

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QTextCodec;

// The CSV results layout written by the export and by recording and read back into
// the plot. Windows-1251 text; every line ends with CR LF, the last one too, and every
// field, the last of a line too, is followed by the field separator:
//   1  "Начало измерений. Дата dd.MM.yyyy Время hh:mm:ss" S
//   2  (empty)
//   3  "№" S "dT" S "Канал 1" S ... "Канал N" S
//   4  " " S "[c]" S "[unit 1]" S ... "[unit N]" S
//   5… row number S seconds since the start S value 1 S ... value N S
// A value is fixed-point text with the layout's decimals (at least two) and decimal
// separator, or "--" where the channel has none. "Ω", which the code page lacks, is
// written "Ом".
class zorResultLayout
{
    Q_DECLARE_TR_FUNCTIONS(zorResultLayout)

public:
    // fieldSep: one of ";", tab, ",", " ", ":"; pointSep: "" (as formatted, a point),
    // "." or ","; decimals: 0..7, two being written for fewer.
    zorResultLayout(const QString &fieldSep, const QString &pointSep, int decimals);

    // Lines 1 to 4 for the channels whose units are given.
    QByteArray header(const QDateTime &start, const QStringList &units) const;

    // Appends a data row: its number, its time and a value per channel, "--" for a
    // channel whose value is NaN (no reading is one).
    void row(QByteArray &out, int number, double seconds, const double *values, int count) const;

    // One value as a data row writes it ("--" for NaN), and the field separator, for
    // other tables written by the same rules.
    QByteArray valueText(double value) const;
    QByteArray separator() const { return field; }

    // A unit as the file writes it.
    static QString unitText(const QString &dim);
    static QString ohmText() { return QStringLiteral("Ом"); }
    static QTextCodec *codec();

private:
    char *append(char *p, const QByteArray &bytes) const;

    QByteArray field;   // the separator, encoded
    char point;         // the decimal separator written
    int decimals;
};

#endif // ZORRESULTLAYOUT_H
