#include "model/featureDatFile.h"

#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"
#include "tests/results/fileSizeLimit.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>


using C = featureDatFile::_content;

Q_DECLARE_METATYPE(C)

namespace {

QByteArray file(const QStringList &lines)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(lines.join("\r\n") + "\r\n");
}

QStringList numbered(int count, int from = 1)
{
    QStringList texts;
    for (int n = from; n < from + count; ++n)
        texts << QString::number(n);
    return texts;
}

// A content no decoder would produce, to see that a refused file leaves it alone.
C sentinel()
{
    return C{-5, "прежняя", {"x"}};
}

bool same(const C &a, const C &b)
{
    return a.type == b.type && a.name == b.name && a.cells == b.cells;
}

} // namespace

// Characteristic text files: what the program writes, what it reads back, what it refuses.
class test_featureDatFile : public QObject
{
    Q_OBJECT

private slots:
    void writtenBytes();
    void olderFormats_data();
    void olderFormats();
    void refused_data();
    void refused();
    void randomBytesNeverPass();
    void failedWriteKeepsOldFile();
};

// The editor's suite saves and reloads every type; here, the bytes themselves.
void test_featureDatFile::writtenBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("feature.dat");
    QVERIFY(featureDatFile::write(path, C{1, "ПТС №5", {"100.000000", "", "-5.775000e-07", "1,5"}}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("50375183\r\n1\r\n\xcf\xd2\xd1 \xb9\x35\r\n100.000000\r\n\r\n-5.775000e-07\r\n1,5\r\n"));
}

void test_featureDatFile::olderFormats_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<C>("expected");

    QTest::newRow("0: polynomial, coefficients row by row")
        << file(QStringList{"0", "Полином"} + numbered(10))
        << C{2, "Полином", {"1", "6", "2", "7", "3", "8", "4", "9", "5", "10"}};
    QTest::newRow("a line 1 that is no number is 0")
        << file(QStringList{"ЗОР", "П"} + numbered(10)) << C{2, "П", {"1", "6", "2", "7", "3", "8", "4", "9", "5", "10"}};
    QTest::newRow("1: КВД, the first four of six")
        << file({"1", "КВД", "100", "3.9083e-3", "-5.775e-7", "-4.183e-12", "0", "0"})
        << C{1, "КВД", {"100", "3.9083e-3", "-5.775e-7", "-4.183e-12"}};
    QTest::newRow("3: МТШ-90, three dropped at 5")
        << file(QStringList{"3", "МТШ"} + numbered(10)) << C{0, "МТШ", {"1", "2", "3", "4", "5", "9", "10"}};

    QStringList points;
    QStringList cells;
    for (int k = 0; k < 20; ++k) {
        points << QString("%1 \t %2").arg(300 + 50 * k).arg(2.3 + k * 0.5);
        cells << QString::number(300 + 50 * k) << QString::number(2.3 + k * 0.5);
    }
    QStringList rest;
    for (int n = 0; n < 36; ++n)
        rest << "unused";
    QTest::newRow("2: ТП table of 58 lines") << file(QStringList{"2", "ТП"} + points + rest) << C{5, "ТП", cells};
    QStringList few = cells.mid(0, 6);
    few << "" << "";
    few << cells.mid(8, 2);
    for (int n = few.size(); n < 40; ++n)
        few << QString();
    QTest::newRow("2: five points, one of them empty")
        << file(QStringList{"2", ""} + points.mid(0, 3) + QStringList{""} + points.mid(4, 1)) << C{5, "", few};
}

void test_featureDatFile::olderFormats()
{
    QFETCH(QByteArray, bytes);
    QFETCH(C, expected);
    C content = sentinel();
    QVERIFY(featureDatFile::decode(bytes, &content));
    QCOMPARE(content.type, expected.type);
    QCOMPARE(content.name, expected.name);
    QCOMPARE(content.cells, expected.cells);
}

void test_featureDatFile::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QStringList head{"50375183", "1", "name"};
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("current, 5 lines") << file(head + numbered(2));
    QTest::newRow("current, 44 lines") << file(QStringList{"50375183", "5", "name"} + numbered(41));
    QTest::newRow("type 7") << file(QStringList{"50375183", "7", "n"} + numbered(4));
    QTest::newRow("type not a number") << file(QStringList{"50375183", "ТС", "n"} + numbered(4));
    QTest::newRow("a bad number") << file(head + QStringList{"100", "1.2.3", "0", "0"});
    QTest::newRow("name of 17 characters") << file(QStringList{"50375183", "1", "Абвгдеёжзийклмноп"} + numbered(4));
    QTest::newRow("NUL in the name") << QByteArray("50375183\r\n1\r\na\0b\r\n1\r\n2\r\n3\r\n4\r\n", 30);
    QTest::newRow("a huge line") << file(head + QStringList{"100", "1" + QString(200, '0'), "0", "0"});
    QTest::newRow("larger than any such file") << QByteArray(featureDatFile::maxSize + 1, '1');
    QTest::newRow("0 with 11 lines") << file(QStringList{"0", "n"} + numbered(9));
    QTest::newRow("0 with a bad number") << file(QStringList{"0", "n"} + numbered(9) + QStringList{"x"});
    QTest::newRow("1 with 7 lines") << file(QStringList{"1", "n"} + numbered(5));
    QTest::newRow("2, three numbers on a line") << file({"2", "n", "300 1 2", "400 3"});
    QTest::newRow("2, one line only") << file({"2", "n", "300 1"});
    QTest::newRow("2, 59 lines") << file(QStringList{"2", "n"} + numbered(57));
}

void test_featureDatFile::refused()
{
    QFETCH(QByteArray, bytes);
    C content = sentinel();
    QVERIFY(!featureDatFile::decode(bytes, &content));
    QVERIFY(same(content, sentinel()));

    QTemporaryDir dir;
    QFile f(dir.filePath("bad.dat"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QVERIFY(!featureDatFile::read(f.fileName(), &content));
    QVERIFY(same(content, sentinel()));
}

void test_featureDatFile::randomBytesNeverPass()
{
    // Random bytes, and random lines of characters a number or a format number is made of,
    // which reach every branch of the reader.
    QRandomGenerator random(2024);
    const QByteArray alphabet("0123-.,e \r\n\n\n");
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes(int(random.bounded(round % 2 ? 600 : featureDatFile::maxSize + 50)), '\0');
        for (char &c : bytes)
            c = round % 2 ? alphabet.at(int(random.bounded(alphabet.size()))) : char(random.bounded(256));
        if (round % 4 == 1)
            bytes.prepend(QByteArray::number(random.bounded(4)) + "\r\nn\r\n");
        C content = sentinel();
        if (!featureDatFile::decode(bytes, &content)) {
            QVERIFY(same(content, sentinel()));
            continue;
        }
        // What passes is a well-formed characteristic.
        const featureTableLayout layout(content.type);
        QVERIFY(layout.isValid());
        QVERIFY(content.cells.size() >= layout.cells() && content.cells.size() <= featureZOR70::ratioCount);
        for (const QString &cell : content.cells) {
            bool ok = false;
            bDouble::str2Double(cell, &ok);
            QVERIFY(ok);
        }
    }
}

void test_featureDatFile::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("feature.dat");
    const C good{5, "рабочая", numbered(40)};
    QVERIFY(featureDatFile::write(path, good));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);

    {
        fileSizeLimit limit(16);
        QVERIFY(!featureDatFile::write(path, C{5, "новая", numbered(40, 100)}));
    }
    C read;
    QVERIFY(featureDatFile::read(path, &read));
    QVERIFY(same(read, good));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);

    QVERIFY(!featureDatFile::write(dir.path(), good));
    QVERIFY(!featureDatFile::write(dir.filePath("missing/feature.dat"), good));
}

QTEST_GUILESS_MAIN(test_featureDatFile)
#include "test_featureDatFile.moc"
