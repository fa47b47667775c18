#include "model/featureZOR70.h"
#include "model/tpReper.h"

#include <QtTest>

#include <cmath>
#include <limits>

// What the characteristic editor may store in a record (its bytes go with the settings image's blocks), and
// the thermocouple table it recalculates from three fixed points (the nearest key and the range shown are tried
// through the recalculation dialog).
class test_featureZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void setFeature_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("stored"); // the coefficients after; none: the record is unchanged

        QStringList numbers;
        for (int i = 1; i <= 42; ++i)
            numbers << QString::number(i);
        const auto first = [&numbers](int count) { return QStringList(numbers.mid(0, count)); };
        const QStringList none;
        for (const QPair<int, int> &e : QList<QPair<int, int>>{{0, 7}, {1, 4}, {2, 10}, {4, 10}, {6, 3}}) {
            QTest::addRow("type %d, %d texts", e.first, e.second) << e.first << first(e.second) << true
                                                                    << first(e.second);
            QTest::addRow("type %d, one more", e.first) << e.first << first(e.second + 1) << false << none;
        }
        for (int type : {3, 5}) {
            QTest::addRow("table %d, 20 points", type) << type << first(40) << true << first(40);
            QTest::addRow("table %d, 1 point", type) << type << first(2) << false << none;
            QTest::addRow("table %d, half a point", type) << type << first(5) << false << none;
            QTest::addRow("table %d, 21 points", type) << type << numbers << false << none;
        }
        QTest::newRow("type 7") << 7 << first(7) << false << none;
        QTest::newRow("a backward point is zeroed") << 3 << QStringList{"0", "1", "10", "2", "5", "3", "20", "4"}
            << true << QStringList{"0", "1", "10", "2", "0", "0", "20", "4"};
        QTest::newRow("backward second point: stored, but false")
            << 5 << QStringList{"10", "1", "5", "2"} << false << QStringList{"10", "1", "0", "0"};
        QTest::newRow("empty texts are 0, commas are points")
            << 3 << QStringList{"", " ", " 1,5 ", "7"} << true << QStringList{"0", "0", "1.5", "7"};
        // A bad text must not pass as 0 just because a later text parsed.
        QTest::newRow("one bad text rejects all") << 1 << QStringList{"100", "abc", "2", "3"} << false << none;
    }

    void setFeature()
    {
        QFETCH(int, type);
        QFETCH(QStringList, texts);
        QFETCH(bool, result);
        QFETCH(QStringList, stored);

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
            QCOMPARE(QString::number(f.getRatio(n)), stored.at(n));
        QCOMPARE(f.getRatio(stored.size()), stored.size() < 4 ? -4.0 : 0.0); // the rest keep their values
    }

    void getEDSTable_data()
    {
        QTest::addColumn<QList<float>>("emfs");
        QTest::addColumn<QList<int>>("table"); // 300..1200 °C in 0.1 µV; none: refused

        const auto first = [](int i) { return tpReper::getTable(i).firstKey(); };
        const auto last = [](int i) { return tpReper::getTable(i).lastKey(); };
        // The type S table: the sum of the nearest keys' curves, less 8 µV at 1200 °C.
        QTest::newRow("type S reference EMFs, between keys") << QList<float>{3.4469f, 5.8601f, 10.5748f}
            << QList<int>{23199, 32596, 42322, 52376, 62758, 73469, 84508, 95874, 107569, 119513};
        QTest::newRow("every table's smallest key") << QList<float>{first(0), first(1), first(2)}
            << QList<int>{23102, 32481, 42184, 52213, 62567, 73246, 84250, 95579, 107233, 119132};
        QTest::newRow("every table's largest key") << QList<float>{last(0), last(1), last(2)}
            << QList<int>{23286, 32703, 42451, 52530, 62941, 73682, 84756, 96161, 107897, 119885};
        QTest::newRow("zinc just below") << QList<float>{first(0) - 0.0001f, first(1), first(2)} << QList<int>();
        QTest::newRow("aluminium just above") << QList<float>{last(0), last(1) + 0.0001f, last(2)} << QList<int>();
        QTest::newRow("not a number") << QList<float>{first(0), std::numeric_limits<float>::quiet_NaN(), first(2)}
                                      << QList<int>();
    }

    // A refused set leaves the table as it was.
    void getEDSTable()
    {
        QFETCH(QList<float>, emfs);
        QFETCH(QList<int>, table);

        const QMap<quint16, float> filled = {{1, 2.0f}, {3, 4.0f}};
        QMap<quint16, float> result = filled;
        QCOMPARE(tpReper::getEDSTable(emfs.toVector().constData(), result), !table.isEmpty());
        if (table.isEmpty()) {
            QCOMPARE(result, filled);
            return;
        }
        QMap<quint16, int> got, expected;
        for (auto it = result.cbegin(); it != result.cend(); ++it)
            got[it.key()] = int(std::lround(it.value() * 10000.0));
        for (int i = 0; i < table.size(); ++i)
            expected[quint16(300 + 100 * i)] = table[i];
        QCOMPARE(got, expected);
        QVERIFY(tpReper::getTable(3).isEmpty());
    }
};

QTEST_GUILESS_MAIN(test_featureZOR70)
#include "test_featureZOR70.moc"
