#include "model/featureDatFile.h"

#include "link/bDouble.h"
#include "model/featureTableLayout.h"
#include "model/zorBlockCodec.h"
#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextCodec>

namespace {

QTextCodec *windows1251()
{
    return QTextCodec::codecForName("Windows-1251");
}

// Line counts of the current format: signature, type, name and 3 to 40 cells.
constexpr int headerLines = 3;
constexpr int minLines = headerLines + 3;
constexpr int maxCurrentLines = headerLines + featureZOR70::ratioCount;

// Line 1 of each older format.
enum olderFormat { tsPolynom = 0, tsKvd = 1, tpTable = 2, tsMtsh90 = 3 };
constexpr int olderHeaderLines = 2;
constexpr int tsMtsh90Dropped = 5; // first of the three coefficients the record no longer has

} // namespace

const int featureDatFile::signature = int(optionsZOR70::typeBasic);

QByteArray featureDatFile::encode(const _content &content)
{
    QStringList lines{QString::number(signature), QString::number(content.type), content.name};
    lines << content.cells;
    return windows1251()->fromUnicode(lines.join("\r\n") + "\r\n");
}

bool featureDatFile::decode(const QByteArray &bytes, _content *content)
{
    if (bytes.size() > maxSize)
        return false;
    QStringList lines = windows1251()->toUnicode(bytes).split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    if (lines.size() > maxLines)
        return false;
    for (QString &line : lines) {
        line = line.trimmed();
        if (line.size() > maxLineLength)
            return false;
    }
    return decodeLines(lines, content);
}

bool featureDatFile::decodeLines(const QStringList &lines, _content *content)
{
    const int count = lines.size();
    bool ok = false;
    const qlonglong format = lines.first().toLongLong(&ok);
    _content result;
    QStringList ratios;
    switch (ok ? format : qlonglong(tsPolynom)) {
    case tsPolynom:
        if (count != olderHeaderLines + 10)
            return false;
        result.type = featureZOR70::ftTSPolynom;
        ratios = lines.mid(olderHeaderLines);
        break;
    case tsKvd:
        if (count != olderHeaderLines + 6 || !numbers(lines.mid(olderHeaderLines)))
            return false;
        result.type = featureZOR70::ftTSKVD;
        ratios = lines.mid(olderHeaderLines, 4);
        break;
    case tpTable: {
        if (count < olderHeaderLines + 2)
            return false;
        result.type = featureZOR70::ftTPTable;
        static const QRegularExpression blanks("\\s+");
        for (const QString &line : lines.mid(olderHeaderLines, featureZOR70::maxTablePoints)) {
            QStringList point = line.split(blanks, Qt::SkipEmptyParts);
            if (point.isEmpty())
                point = QStringList{QString(), QString()};
            if (point.size() != 2)
                return false;
            ratios << point;
        }
        break;
    }
    case tsMtsh90:
        if (count != olderHeaderLines + 10)
            return false;
        result.type = featureZOR70::ftTSMTSH90;
        ratios = lines.mid(olderHeaderLines);
        if (!numbers(ratios))
            return false;
        ratios.erase(ratios.begin() + tsMtsh90Dropped, ratios.begin() + tsMtsh90Dropped + 3);
        break;
    default: {
        if (count < minLines || count > maxCurrentLines)
            return false;
        result.type = lines.at(1).toInt(&ok);
        if (!ok || !featureTableLayout(result.type).isValid())
            return false;
        if (!takeName(lines.at(2), &result.name) || !numbers(lines.mid(headerLines)))
            return false;
        result.cells = lines.mid(headerLines);
        const int layoutCells = featureTableLayout(result.type).cells();
        while (result.cells.size() < layoutCells)
            result.cells << QString();
        *content = result;
        return true;
    }
    }
    if (!takeName(lines.at(1), &result.name) || !numbers(ratios))
        return false;
    result.cells = cellsOf(result.type, ratios);
    *content = result;
    return true;
}

bool featureDatFile::numbers(const QStringList &texts)
{
    for (const QString &text : texts) {
        bool ok = false;
        bDouble::str2Double(text, &ok);
        if (!ok)
            return false;
    }
    return true;
}

bool featureDatFile::takeName(const QString &line, QString *name)
{
    for (const QChar c : line) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    if (!windows1251()->canEncode(line))
        return false;
    // Cut as the record cuts it, so that the name shown is the name the record keeps.
    *name = zorBlockCodec::decodeText(zorBlockCodec::encodeText(line, featureZOR70::nameSize));
    return true;
}

QStringList featureDatFile::cellsOf(int type, const QStringList &ratios)
{
    const featureTableLayout layout(type);
    QStringList cells;
    for (int column = 0; column < layout.columns(); ++column) {
        for (int row = 0; row < layout.rows(); ++row)
            cells << ratios.value(layout.ratioIndex(row, column, layout.rows(), layout.columns()));
    }
    return cells;
}

bool featureDatFile::read(const QString &path, _content *content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Devices and pipes report no size: read one byte past the limit to see it crossed.
    return decode(file.read(maxSize + 1), content);
}

bool featureDatFile::write(const QString &path, const _content &content)
{
    const QByteArray bytes = encode(content);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A failed flush is not remembered by commit(), which would then put a cut file in
    // place of the old one: flush here and give up on any error.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
