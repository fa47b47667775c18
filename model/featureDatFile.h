#ifndef FEATUREDATFILE_H
#define FEATUREDATFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// A characteristic as a ".dat" text file, Windows-1251 with CR LF line ends:
//   line 1  the type signature 50375183 (the basic instrument's, in decimal)
//   line 2  the type (featureZOR70::_featureIndType)
//   line 3  the name
//   then one line per table cell, column by column, each cell's text as shown.
// Older programs wrote four other formats, told apart by the number on line 1 (a line 1
// that is not a number counts as 0), each with the name on line 2:
//   0  12 lines: "ТС Полином", the 10 coefficients C0..C9
//   1   8 lines: "ТС КВД", 6 coefficients of which R0, A, B, C come first
//   2  up to 58 lines: "ТП Таблица", lines 3..22 each a point "temperature EMF"
//      (blank-separated; an empty line is an unused point), later lines unused
//   3  12 lines: "ТС МТШ-90", 10 coefficients of which 5, 6 and 7 (from 0) are dropped
// The file comes from outside: anything that is not exactly one of these formats, with
// a type of the list, numbers where numbers belong and a name Windows-1251 can carry,
// is refused as a whole. A name longer than the record's 16 bytes is cut to them.
class featureDatFile
{
public:
    struct _content
    {
        int type = 0;
        QString name;
        // Cell texts column by column over the type's rows (featureTableLayout); a
        // decoded file gives at least the layout's cells, unused ones empty.
        QStringList cells;
    };

    static const int signature;              // written on line 1
    static constexpr int maxLines = 58;
    static constexpr int maxLineLength = 128; // characters; far more than any number needs
    static constexpr int maxSize = maxLines * (maxLineLength + 2);

    static QByteArray encode(const _content &content);
    // False, and content untouched, for anything but a well-formed file.
    static bool decode(const QByteArray &bytes, _content *content);

    // Reads at most maxSize bytes; a longer file is refused.
    static bool read(const QString &path, _content *content);
    // All or nothing: when anything fails a file already at path keeps its contents.
    static bool write(const QString &path, const _content &content);

private:
    static bool decodeLines(const QStringList &lines, _content *content);
    static bool numbers(const QStringList &texts);
    // The name on a line, cut to the record's bytes; false for a name no record can carry.
    static bool takeName(const QString &line, QString *name);
    static QStringList cellsOf(int type, const QStringList &ratios);
};

#endif // FEATUREDATFILE_H
