#include "model/tpReper.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Freezing points of zinc, aluminium and copper (ITS-90), °C.
const double fixedPoint[tpReper::pointCount] = {419.527, 660.323, 1084.62};
// The type S reference EMF at each of them, mV: the keys lie around these.
const double referenceEmf[tpReper::pointCount] = {3.4469, 5.8601, 10.5748};
const int keyCount[tpReper::pointCount] = {24, 36, 66};

// The quadratic Lagrange basis polynomial that is 1 at fixed point i, 0 at the others.
double basis(int i, double t)
{
    double r = 1;
    for (int j = 0; j < tpReper::pointCount; ++j) {
        if (j != i)
            r *= (t - fixedPoint[j]) / (fixedPoint[i] - fixedPoint[j]);
    }
    return r;
}

// A curve value is its key times the basis polynomial, rounded to 4 decimals and held
// as a float.
constexpr double curveTolerance = 0.00005 + 2e-6;

QMap<quint16, float> filled()
{
    return {{1, 2.0f}, {3, 4.0f}};
}

} // namespace

// The constant tables and the recalculation of a thermocouple table from three fixed points.
class test_tpReper : public QObject
{
    Q_OBJECT

private slots:
    void everyCurveFollowsItsKey();
    void getEDSTable_data();
    void getEDSTable();
    void nearestKey_data();
    void nearestKey();
};

void test_tpReper::everyCurveFollowsItsKey()
{
    for (int i = 0; i < tpReper::pointCount; ++i) {
        const tpReper::table &t = tpReper::getTable(i);
        QCOMPARE(t.size(), keyCount[i]);
        // A 0.001 mV grid with the reference EMF inside.
        QVERIFY(t.firstKey() < referenceEmf[i] && t.lastKey() > referenceEmf[i]);
        QCOMPARE(std::lround(t.lastKey() * 1000.0) - std::lround(t.firstKey() * 1000.0), long(keyCount[i] - 1));
        for (auto it = t.cbegin(); it != t.cend(); ++it) {
            QVERIFY(std::fabs(it.key() * 1000.0 - std::round(it.key() * 1000.0)) < 1e-3);
            QCOMPARE(it.value().size(), 10);
            for (auto v = it.value().cbegin(); v != it.value().cend(); ++v) {
                const double expected = it.key() * basis(i, v.key());
                QVERIFY2(std::fabs(v.value() - expected) <= curveTolerance,
                         qPrintable(QString("point %1, key %2, %3 °C: %4, expected %5")
                                        .arg(i).arg(it.key()).arg(v.key()).arg(v.value()).arg(expected)));
            }
        }
    }
    QVERIFY(tpReper::getTable(tpReper::zinc).contains(3.437f));
    QVERIFY(tpReper::getTable(3).isEmpty());
}

void test_tpReper::getEDSTable_data()
{
    QTest::addColumn<float>("p0");
    QTest::addColumn<float>("p1");
    QTest::addColumn<float>("p2");
    QTest::addColumn<bool>("accepted");

    const auto first = [](int i) { return tpReper::getTable(i).firstKey(); };
    const auto last = [](int i) { return tpReper::getTable(i).lastKey(); };
    QTest::newRow("every table's smallest key") << first(0) << first(1) << first(2) << true;
    QTest::newRow("every table's largest key") << last(0) << last(1) << last(2) << true;
    QTest::newRow("type S reference EMFs") << 3.4469f << 5.8601f << 10.5748f << true;
    QTest::newRow("zinc just below") << first(0) - 0.0001f << first(1) << first(2) << false;
    QTest::newRow("aluminium just above") << last(0) << last(1) + 0.0001f << last(2) << false;
    QTest::newRow("copper just below") << first(0) << first(1) << first(2) - 0.0001f << false;
    QTest::newRow("not a number") << first(0) << std::numeric_limits<float>::quiet_NaN() << first(2) << false;
}

void test_tpReper::getEDSTable()
{
    QFETCH(float, p0);
    QFETCH(float, p1);
    QFETCH(float, p2);
    QFETCH(bool, accepted);

    const float p[tpReper::pointCount] = {p0, p1, p2};
    QMap<quint16, float> result = filled();
    QCOMPARE(tpReper::getEDSTable(p, result), accepted);
    if (!accepted) {
        QCOMPARE(result, filled());
        return;
    }
    QCOMPARE(result.size(), 10);
    float keys[tpReper::pointCount];
    for (int i = 0; i < tpReper::pointCount; ++i)
        QVERIFY(tpReper::getKey(i, p[i], &keys[i]));
    for (quint16 t = 300; t <= 1200; t += 100) {
        float sum = 0;
        double quadratic = 0;
        for (int i = 0; i < tpReper::pointCount; ++i) {
            sum += tpReper::getTable(i).value(keys[i]).value(t);
            quadratic += keys[i] * basis(i, t);
        }
        const float expected = t == 1200 ? sum - 0.008f : sum;
        QVERIFY2(result.value(t) == expected, qPrintable(QString("%1 °C").arg(t)));
        // The sum is the quadratic through the three keys.
        QVERIFY(std::fabs(sum - quadratic) <= 3 * curveTolerance);
    }
}

void test_tpReper::nearestKey_data()
{
    QTest::addColumn<int>("point");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("inside");
    QTest::addColumn<float>("key");

    QTest::newRow("just below a key") << 0 << 3.4366f << true << 3.437f;
    QTest::newRow("aluminium, nearer the next key") << 1 << 5.8606f << true << 5.861f;
    QTest::newRow("copper's largest key") << 2 << 10.607f << true << 10.607f;
    QTest::newRow("copper beyond its largest key") << 2 << 10.6071f << false << -1.0f;
    QTest::newRow("zinc's value in the copper table") << 2 << 3.437f << false << -1.0f;
    QTest::newRow("no such point") << 3 << 3.437f << false << -1.0f;
}

void test_tpReper::nearestKey()
{
    QFETCH(int, point);
    QFETCH(float, value);
    QFETCH(bool, inside);
    QFETCH(float, key);

    float found = -1;
    QCOMPARE(tpReper::getKey(point, value, &found), inside);
    QCOMPARE(found, key);
}

QTEST_GUILESS_MAIN(test_tpReper)
#include "test_tpReper.moc"
