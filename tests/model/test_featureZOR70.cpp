#include "model/featureZOR70.h"

#include "tests/model/randomBlocks.h"

#include <QTextCodec>
#include <QtTest>

// The 340-byte characteristic record: its bytes, its validation and its texts.
class test_featureZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void recordRoundTrips();
    void wrongLengthIsIgnored_data();
    void wrongLengthIsIgnored();
    void decodesFields();
    void setFeatureCounts_data();
    void setFeatureCounts();
    void setFeatureTables_data();
    void setFeatureTables();
    void badTextRejectsTheRecord();
    void nameIsCutOnlyInTheBytes_data();
    void nameIsCutOnlyInTheBytes();
    void ratioTexts_data();
    void ratioTexts();
};

void test_featureZOR70::recordRoundTrips()
{
    randomBlocks random(70);
    for (int i = 0; i < 200; ++i) {
        const QByteArray record = random.feature();
        featureZOR70 f;
        QVERIFY(f.setData(record));
        QCOMPARE(f.getData(), record);
    }
}

void test_featureZOR70::wrongLengthIsIgnored_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << 0;
    QTest::newRow("339") << 339;
    QTest::newRow("341") << 341;
}

void test_featureZOR70::wrongLengthIsIgnored()
{
    QFETCH(int, length);
    featureZOR70 f;
    QVERIFY(f.setFeature(featureZOR70::ftTSKVD, "Pt", {"100", "1", "2", "3"}));
    const QByteArray before = f.getData();
    QSignalSpy changed(&f, &featureZOR70::onChange);

    QVERIFY(!f.setData(QByteArray(length, '\x11')));
    QCOMPARE(f.getData(), before);
    QCOMPARE(changed.count(), 0);
}

void test_featureZOR70::decodesFields()
{
    QByteArray record(featureZOR70::dataSize, '\0');
    record[0] = char(0xFF); // a type the instrument may hold but no editor offers
    record.replace(4, 6, QTextCodec::codecForName("Windows-1251")->fromUnicode(" Пт100"));
    record.replace(10, 1, "\0", 1);
    record.replace(11, 3, "zzz"); // after the NUL: not part of the name
    const QByteArray r0 = QByteArray::fromHex("0000000000005940"); // 100.0
    record.replace(20, 8, r0);
    record.replace(20 + 39 * 8, 8, r0);

    featureZOR70 f;
    QSignalSpy changed(&f, &featureZOR70::onChange);
    QVERIFY(f.setData(record));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.getType(), -1);
    QCOMPARE(f.getName(), QString("Пт100"));
    QCOMPARE(f.getRatio(0), 100.0);
    QCOMPARE(f.getRatio(39), 100.0);
    QCOMPARE(f.getRatio(40), 0.0);
    QCOMPARE(f.getRatioStr(0), QString("100.0000")); // unknown type: 4 decimals
}

void test_featureZOR70::setFeatureCounts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("taken");

    const QList<QPair<int, int>> exact = {{0, 7}, {1, 4}, {2, 10}, {4, 10}, {6, 3}};
    for (const auto &e : exact) {
        QTest::addRow("type %d, %d texts", e.first, e.second) << e.first << e.second << true;
        QTest::addRow("type %d, one less", e.first) << e.first << e.second - 1 << false;
        QTest::addRow("type %d, one more", e.first) << e.first << e.second + 1 << false;
    }
    for (int type : {3, 5}) {
        QTest::addRow("table %d, 2 points", type) << type << 4 << true;
        QTest::addRow("table %d, 20 points", type) << type << 40 << true;
        QTest::addRow("table %d, 1 point", type) << type << 2 << false;
        QTest::addRow("table %d, half a point", type) << type << 5 << false;
        QTest::addRow("table %d, 21 points", type) << type << 42 << false;
    }
    QTest::newRow("type -1") << -1 << 7 << false;
    QTest::newRow("type 7") << 7 << 7 << false;
}

void test_featureZOR70::setFeatureCounts()
{
    QFETCH(int, type);
    QFETCH(int, count);
    QFETCH(bool, taken);

    featureZOR70 f;
    QSignalSpy changed(&f, &featureZOR70::onChange);
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << QString::number(i + 1);

    QCOMPARE(f.setFeature(type, " name ", texts), taken);
    QCOMPARE(changed.count(), taken ? 1 : 0);
    QCOMPARE(f.getType(), taken ? type : 0);
    QCOMPARE(f.getName(), taken ? QString("name") : QString());
    QCOMPARE(f.getRatio(count - 1), taken ? double(count) : 0.0);
}

void test_featureZOR70::setFeatureTables_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<double>>("stored");

    QTest::newRow("ascending")
        << QStringList{"0", "1", "10", "2", "20", "3"} << true << QList<double>{0, 1, 10, 2, 20, 3};
    QTest::newRow("a backward point is zeroed")
        << QStringList{"0", "1", "10", "2", "5", "3", "20", "4"} << true
        << QList<double>{0, 1, 10, 2, 0, 0, 20, 4};
    QTest::newRow("backward second point: stored, but false")
        << QStringList{"10", "1", "5", "2"} << false << QList<double>{10, 1, 0, 0};
    QTest::newRow("empty cells are 0")
        << QStringList{"", "", " 1,5 ", "7"} << true << QList<double>{0, 0, 1.5, 7};
}

void test_featureZOR70::setFeatureTables()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, result);
    QFETCH(QList<double>, stored);

    featureZOR70 f;
    QCOMPARE(f.setFeature(featureZOR70::ftTSTable, "T", texts), result);
    QCOMPARE(f.getType(), int(featureZOR70::ftTSTable));
    for (int n = 0; n < stored.size(); ++n)
        QCOMPARE(f.getRatio(n), stored.at(n));
}

void test_featureZOR70::badTextRejectsTheRecord()
{
    // A text that is not a number anywhere in the list must not pass as a 0
    // just because a later text parsed.
    featureZOR70 f;
    QVERIFY(f.setFeature(featureZOR70::ftTSKVD, "old", {"100", "1", "2", "3"}));
    const QByteArray before = f.getData();
    QSignalSpy changed(&f, &featureZOR70::onChange);

    QVERIFY(!f.setFeature(featureZOR70::ftTSKVD, "new", {"100", "abc", "2", "3"}));
    QVERIFY(!f.setFeature(featureZOR70::ftTSKVD, "new", {"100", "1", "2", "x"}));
    QCOMPARE(f.getData(), before);
    QCOMPARE(changed.count(), 0);
}

void test_featureZOR70::nameIsCutOnlyInTheBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("20 Cyrillic letters") << QString("АБВГДЕЖЗИЙКЛМНОПРСТУ")
                                         << QByteArray("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7"
                                                       "\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF");
    QTest::newRow("characters Windows-1251 lacks take one byte each")
        << QString("a\u4E2D\U0001F600b") << QByteArray("a??b", 4) + QByteArray(12, '\0');
}

void test_featureZOR70::nameIsCutOnlyInTheBytes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    featureZOR70 f;
    QVERIFY(f.setFeature(featureZOR70::ftIzmPr, name, {"1", "2", "3"}));
    QCOMPARE(f.getName(), name);
    const QByteArray data = f.getData();
    QCOMPARE(data.size(), featureZOR70::dataSize);
    QCOMPARE(data.mid(4, 16), bytes);
    QCOMPARE(data.mid(20, 8), QByteArray::fromHex("000000000000F03F")); // coefficient 0 intact
}

void test_featureZOR70::ratioTexts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("МТШ-90: R0 six decimals, others seven")
        << 0 << QStringList{"100", "0.5", "0", "0", "0", "0", "0"}
        << QStringList{"100.000000", "0.5000000"};
    QTest::newRow("КВД: R0 fixed, others exponent")
        << 1 << QStringList{"100", "0.0039", "0", "0"} << QStringList{"100.000000", "3.900000e-03"};
    QTest::newRow("ТС Полином: exponent")
        << 2 << QStringList{"1", "2", "0", "0", "0", "0", "0", "0", "0", "0"}
        << QStringList{"1.000000e+00", "2.000000e+00"};
    QTest::newRow("ТС Таблица: 3 and 5 decimals")
        << 3 << QStringList{"0", "100", "10", "103.9"} << QStringList{"0.000", "100.00000", "10.000"};
    QTest::newRow("ТП Полином: exponent")
        << 4 << QStringList{"-1", "0", "0", "0", "0", "0", "0", "0", "0", "0"}
        << QStringList{"-1.000000e+00"};
    QTest::newRow("ТП Таблица: 2 and 4 decimals")
        << 5 << QStringList{"0", "0", "100", "4.096"} << QStringList{"0.00", "0.0000", "100.00", "4.0960"};
    QTest::newRow("Изм. Пр.: 3 decimals") << 6 << QStringList{"4", "20", "2"}
                                          << QStringList{"4.000", "20.000", "2.000"};
}

void test_featureZOR70::ratioTexts()
{
    QFETCH(int, type);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, shown);

    featureZOR70 f;
    QVERIFY(f.setFeature(type, "x", texts));
    for (int n = 0; n < shown.size(); ++n)
        QCOMPARE(f.getRatioStr(n), shown.at(n));
    QCOMPARE(f.getRatioStr(40), QString());
    QCOMPARE(f.getRatioStr(-1), QString());
}

QTEST_GUILESS_MAIN(test_featureZOR70)
#include "test_featureZOR70.moc"
