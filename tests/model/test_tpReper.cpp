#include "model/tpReper.h"

#include <QtTest>

#include <cmath>
#include <limits>

// The recalculation of a thermocouple table from three fixed points (the nearest key and
// the range shown are tried through the recalculation dialog).
class test_tpReper : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(test_tpReper)
#include "test_tpReper.moc"
