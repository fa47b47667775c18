#include "model/featureDatFile.h"

#include "tests/results/fileSizeLimit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using C = featureDatFile::_content;

namespace {

// A file of these lines; "#n" stands for the numbers 1..n, one a line.
QByteArray file(const QStringList &lines)
{
    QStringList all;
    for (const QString &line : lines) {
        for (int n = 1; line.startsWith('#') && n <= line.mid(1).toInt(); ++n)
            all << QString::number(n);
        all << (line.startsWith('#') ? QStringList() : QStringList{line});
    }
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(all.join("\r\n") + "\r\n");
}

// A content as "type|name|cell,cell,...".
QString describe(const C &c)
{
    return QString("%1|%2|%3").arg(c.type).arg(c.name).arg(c.cells.join(','));
}

// A content no decoder would produce, to see that a refused file leaves it alone.
const C sentinel{-5, "прежняя", {"x"}};

} // namespace

// Characteristic text files: what the program writes, what it reads back, what it refuses.
class test_featureDatFile : public QObject
{
    Q_OBJECT

private slots:
    // The editor's suite saves and reloads every type; here, the bytes themselves, kept whole
    // when a later write fails.
    void writtenBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("feature.dat");
        const C good{1, "ПТС №5", {"100.000000", "", "-5.775000e-07", "1,5"}};
        QVERIFY(featureDatFile::write(path, good));
        {
            fileSizeLimit limit(16);
            QVERIFY(!featureDatFile::write(path, C{5, "новая", QVector<QString>(40, "2").toList()}));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("50375183\r\n1\r\n\xcf\xd2\xd1 \xb9\x35\r\n100.000000\r\n\r\n-5.775000e-07\r\n1,5\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"feature.dat"});
        QVERIFY(!featureDatFile::write(dir.path(), good) && !featureDatFile::write(dir.filePath("missing/feature.dat"), good));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QStringList points, cells;
        for (int k = 0; k < 20; ++k) {
            points << QString("%1 \t %2").arg(300 + 50 * k).arg(2.3 + k * 0.5);
            cells << QString::number(300 + 50 * k) << QString::number(2.3 + k * 0.5);
        }
        // Older formats: line 1 the type of then, line 2 the name.
        QTest::newRow("0: polynomial, coefficients row by row") << file({"0", "Полином", "#10"}) << "2|Полином|1,6,2,7,3,8,4,9,5,10";
        QTest::newRow("a line 1 that is no number is 0") << file({"ЗОР", "П", "#10"}) << "2|П|1,6,2,7,3,8,4,9,5,10";
        QTest::newRow("1: КВД, the first four of six") << file({"1", "КВД", "100", "3.9083e-3", "-5.775e-7", "-4.183e-12", "0", "0"})
                                                        << "1|КВД|100,3.9083e-3,-5.775e-7,-4.183e-12";
        QTest::newRow("3: МТШ-90, three dropped at 5") << file({"3", "МТШ", "#10"}) << "0|МТШ|1,2,3,4,5,9,10";
        QTest::newRow("2: ТП table of 58 lines") << file(QStringList{"2", "ТП"} + points + QVector<QString>(36, "unused").toList())
                                                << "5|ТП|" + cells.join(',');
        QTest::newRow("2: five points, one of them empty") << file(QStringList{"2", ""} + points.mid(0, 3) + QStringList{""} + points.mid(4, 1))
            << "5||" + (cells.mid(0, 6) + QStringList{"", ""} + cells.mid(8, 2)).join(',') + QString(30, ',');
        // A name beyond the record's 16 bytes is cut as the record cuts it.
        QTest::newRow("name of 17 characters") << file({"50375183", "1", "Абвгдеёжзийклмноп", "#4"}) << "1|Абвгдеёжзийклмно|1,2,3,4";
        // Refused whole, the content left as it was.
        QTest::newRow("empty") << QByteArray() << "refused";
        QTest::newRow("current, 5 lines") << file({"50375183", "1", "name", "#2"}) << "refused";
        QTest::newRow("current, 44 lines") << file({"50375183", "5", "name", "#41"}) << "refused";
        QTest::newRow("type 7") << file({"50375183", "7", "n", "#4"}) << "refused";
        QTest::newRow("a bad number") << file({"50375183", "1", "n", "100", "1.2.3", "0", "0"}) << "refused";
        QTest::newRow("NUL in the name") << QByteArray("50375183\r\n1\r\na\0b\r\n1\r\n2\r\n3\r\n4\r\n", 30) << "refused";
        QTest::newRow("a huge line") << file({"50375183", "1", "n", "100", "1" + QString(200, '0'), "0", "0"}) << "refused";
        QTest::newRow("larger than any such file") << QByteArray(featureDatFile::maxSize + 1, '1') << "refused";
        QTest::newRow("0 with 11 lines") << file({"0", "n", "#9"}) << "refused";
        QTest::newRow("0 with a bad number") << file({"0", "n", "#9", "x"}) << "refused";
        QTest::newRow("2, three numbers on a line") << file({"2", "n", "300 1 2", "400 3"}) << "refused";
        QTest::newRow("2, one line only") << file({"2", "n", "300 1"}) << "refused";
        QTest::newRow("2, 59 lines") << file({"2", "n", "#57"}) << "refused";
    }

    // Through the decoder and through a file read.
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QFile f(dir.filePath("a.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        for (bool fromFile : {false, true}) {
            C content = sentinel;
            const bool taken = fromFile ? featureDatFile::read(f.fileName(), &content) : featureDatFile::decode(bytes, &content);
            QCOMPARE(taken ? describe(content) : "refused", expected);
            QVERIFY(taken || describe(content) == describe(sentinel));
        }
    }
};

QTEST_GUILESS_MAIN(test_featureDatFile)
#include "test_featureDatFile.moc"
