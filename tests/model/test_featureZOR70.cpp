#include "model/featureZOR70.h"

#include "tests/model/randomBlocks.h"

#include <QtTest>

// The 340-byte characteristic record: its bytes, its validation and its texts.
class test_featureZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void recordBytes();
    void setFeature_data();
    void setFeature();
    void ratioTexts_data();
    void ratioTexts();
};

void test_featureZOR70::recordBytes()
{
    randomBlocks random(70);
    featureZOR70 f;
    for (int i = 0; i < 200; ++i) {
        const QByteArray record = random.feature();
        QVERIFY(f.setData(record));
        QCOMPARE(f.getData(), record);
    }
    // Any other length is ignored without a trace.
    const QByteArray before = f.getData();
    QSignalSpy changed(&f, &featureZOR70::onChange);
    for (int length : {0, 339, 341})
        QVERIFY(!f.setData(QByteArray(length, '\x11')));
    QCOMPARE(f.getData(), before);
    QCOMPARE(changed.count(), 0);

    // A name is kept whole but sent as its first 16 bytes; what Windows-1251 lacks
    // takes one byte and nothing spills into the coefficients.
    QVERIFY(f.setFeature(featureZOR70::ftIzmPr, " АБВГДЕЖЗИЙКЛМНОП\U0001F600 ", {"1", "", ""}));
    QCOMPARE(f.getName(), QString("АБВГДЕЖЗИЙКЛМНОП\U0001F600"));
    QCOMPARE(f.getData().mid(4, 16), QByteArray("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"));
    QCOMPARE(f.getData().mid(20, 8), QByteArray::fromHex("000000000000F03F"));
    QVERIFY(f.setFeature(featureZOR70::ftIzmPr, "a\u4E2D\U0001F600b", {"1", "", ""}));
    QCOMPARE(f.getData().mid(4, 17), QByteArray("a??b", 4) + QByteArray(12, '\0') + '\0');
}

void test_featureZOR70::setFeature_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QList<double>>("stored"); // empty: the record stays unchanged

    const auto numbers = [](int count) {
        QStringList texts;
        for (int i = 1; i <= count; ++i)
            texts << QString::number(i);
        return texts;
    };
    const auto stored = [](int count) {
        QList<double> values;
        for (int i = 1; i <= count; ++i)
            values << i;
        return values;
    };
    const QList<QPair<int, int>> exact = {{0, 7}, {1, 4}, {2, 10}, {4, 10}, {6, 3}};
    for (const auto &e : exact) {
        QTest::addRow("type %d, %d texts", e.first, e.second) << e.first << numbers(e.second) << true << stored(e.second);
        QTest::addRow("type %d, one less", e.first) << e.first << numbers(e.second - 1) << false << QList<double>();
        QTest::addRow("type %d, one more", e.first) << e.first << numbers(e.second + 1) << false << QList<double>();
    }
    for (int type : {3, 5}) {
        QTest::addRow("table %d, 20 points", type) << type << numbers(40) << true << stored(40);
        QTest::addRow("table %d, 1 point", type) << type << numbers(2) << false << QList<double>();
        QTest::addRow("table %d, half a point", type) << type << numbers(5) << false << QList<double>();
        QTest::addRow("table %d, 21 points", type) << type << numbers(42) << false << QList<double>();
    }
    QTest::newRow("type 7") << 7 << numbers(7) << false << QList<double>();
    QTest::newRow("a backward point is zeroed")
        << 3 << QStringList{"0", "1", "10", "2", "5", "3", "20", "4"} << true << QList<double>{0, 1, 10, 2, 0, 0, 20, 4};
    QTest::newRow("backward second point: stored, but false")
        << 5 << QStringList{"10", "1", "5", "2"} << false << QList<double>{10, 1, 0, 0};
    QTest::newRow("empty texts are 0, commas are points")
        << 3 << QStringList{"", " ", " 1,5 ", "7"} << true << QList<double>{0, 0, 1.5, 7};
    // A bad text must not pass as 0 just because a later text parsed.
    QTest::newRow("a bad text rejects the record") << 1 << QStringList{"100", "abc", "2", "3"} << false << QList<double>();
    QTest::newRow("a bad last text") << 1 << QStringList{"100", "1", "2", "x"} << false << QList<double>();
}

void test_featureZOR70::setFeature()
{
    QFETCH(int, type);
    QFETCH(QStringList, texts);
    QFETCH(bool, result);
    QFETCH(QList<double>, stored);

    featureZOR70 f;
    QVERIFY(f.setFeature(featureZOR70::ftTSKVD, "old", {"-1", "-2", "-3", "-4"}));
    const QByteArray before = f.getData();
    QSignalSpy changed(&f, &featureZOR70::onChange);

    QCOMPARE(f.setFeature(type, " new ", texts), result);
    QCOMPARE(changed.count(), stored.isEmpty() ? 0 : 1);
    if (stored.isEmpty()) {
        QCOMPARE(f.getData(), before);
        return;
    }
    QCOMPARE(f.getType(), type);
    QCOMPARE(f.getName(), QString("new"));
    for (int n = 0; n < stored.size(); ++n)
        QCOMPARE(f.getRatio(n), stored.at(n));
    QCOMPARE(f.getRatio(stored.size()), stored.size() < 4 ? -4.0 : 0.0); // the rest keep their values
}

void test_featureZOR70::ratioTexts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("shown"); // coefficients 0 and 1 set to 100 and 0.0039

    QTest::newRow("МТШ-90") << 0 << QStringList{"100.000000", "0.0039000"};
    QTest::newRow("КВД") << 1 << QStringList{"100.000000", "3.900000e-03"};
    QTest::newRow("ТС Полином") << 2 << QStringList{"1.000000e+02", "3.900000e-03"};
    QTest::newRow("ТС Таблица") << 3 << QStringList{"100.000", "0.00390"};
    QTest::newRow("ТП Полином") << 4 << QStringList{"1.000000e+02", "3.900000e-03"};
    QTest::newRow("ТП Таблица") << 5 << QStringList{"100.00", "0.0039"};
    QTest::newRow("Изм. Пр.") << 6 << QStringList{"100.000", "0.004"};
    QTest::newRow("unknown type") << -1 << QStringList{"100.0000", "0.0039"};
}

void test_featureZOR70::ratioTexts()
{
    QFETCH(int, type);
    QFETCH(QStringList, shown);

    QByteArray record(featureZOR70::dataSize, '\0');
    record[0] = char(type);
    record.replace(20, 16, QByteArray::fromHex("0000000000005940") + QByteArray::fromHex("DE718A8EE4F26F3F"));
    featureZOR70 f;
    QVERIFY(f.setData(record));
    QCOMPARE(f.getType(), type);
    QCOMPARE((QStringList{f.getRatioStr(0), f.getRatioStr(1)}), shown);
    QCOMPARE(f.getRatioStr(40), QString());
}

QTEST_GUILESS_MAIN(test_featureZOR70)
#include "test_featureZOR70.moc"
