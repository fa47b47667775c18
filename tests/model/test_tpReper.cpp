#include "model/tpReper.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Freezing points of zinc, aluminium and copper (ITS-90), °C.
const double fixedPoint[tpReper::pointCount] = {419.527, 660.323, 1084.62};

// The quadratic Lagrange basis polynomial that is 1 at fixed point i, 0 at the others.
double basis(int i, double t)
{
    double r = 1;
    for (int j = 0; j < tpReper::pointCount; ++j)
        r *= j == i ? 1 : (t - fixedPoint[j]) / (fixedPoint[i] - fixedPoint[j]);
    return r;
}

// A curve value is its key times the basis polynomial, rounded to 4 decimals and held
// as a float.
constexpr double curveTolerance = 0.00005 + 2e-6;

} // namespace

// The constant tables and the recalculation of a thermocouple table from three fixed points
// (the nearest key and the range shown are tried through the recalculation dialog).
class test_tpReper : public QObject
{
    Q_OBJECT

private slots:
    void everyCurveFollowsItsKey()
    {
        // 24, 36 and 66 keys on a 0.001 mV grid around the type S reference EMF at each point.
        const double referenceEmf[tpReper::pointCount] = {3.4469, 5.8601, 10.5748};
        const int keyCount[tpReper::pointCount] = {24, 36, 66};
        for (int i = 0; i < tpReper::pointCount; ++i) {
            const tpReper::table &t = tpReper::getTable(i);
            QCOMPARE(t.size(), keyCount[i]);
            QVERIFY(t.firstKey() < referenceEmf[i] && t.lastKey() > referenceEmf[i]);
            QCOMPARE(std::lround(t.lastKey() * 1000.0) - std::lround(t.firstKey() * 1000.0), long(keyCount[i] - 1));
            for (auto it = t.cbegin(); it != t.cend(); ++it) {
                QVERIFY(std::fabs(it.key() * 1000.0 - std::round(it.key() * 1000.0)) < 1e-3);
                QCOMPARE(it.value().size(), 10);
                for (auto v = it.value().cbegin(); v != it.value().cend(); ++v)
                    QVERIFY2(std::fabs(v.value() - it.key() * basis(i, v.key())) <= curveTolerance,
                             qPrintable(QString("point %1, key %2, %3 °C").arg(i).arg(it.key()).arg(v.key())));
            }
        }
        QVERIFY(tpReper::getTable(3).isEmpty());
    }

    void getEDSTable_data()
    {
        QTest::addColumn<QList<float>>("emfs");
        QTest::addColumn<bool>("accepted");

        const auto first = [](int i) { return tpReper::getTable(i).firstKey(); };
        const auto last = [](int i) { return tpReper::getTable(i).lastKey(); };
        QTest::newRow("every table's smallest key") << QList<float>{first(0), first(1), first(2)} << true;
        QTest::newRow("every table's largest key") << QList<float>{last(0), last(1), last(2)} << true;
        QTest::newRow("type S reference EMFs, between keys") << QList<float>{3.4469f, 5.8601f, 10.5748f} << true;
        QTest::newRow("zinc just below") << QList<float>{first(0) - 0.0001f, first(1), first(2)} << false;
        QTest::newRow("aluminium just above") << QList<float>{last(0), last(1) + 0.0001f, last(2)} << false;
        QTest::newRow("not a number") << QList<float>{first(0), std::numeric_limits<float>::quiet_NaN(), first(2)} << false;
    }

    // Each value is the sum of the curves of the nearest keys (less 8 µV at 1200 °C), which
    // is the quadratic through the three keys; a refused set leaves the table as it was.
    void getEDSTable()
    {
        QFETCH(QList<float>, emfs);
        QFETCH(bool, accepted);

        const QMap<quint16, float> filled = {{1, 2.0f}, {3, 4.0f}};
        QMap<quint16, float> result = filled;
        QCOMPARE(tpReper::getEDSTable(emfs.toVector().constData(), result), accepted);
        QCOMPARE(result.size(), accepted ? 10 : 2);
        if (!accepted) {
            QCOMPARE(result, filled);
            return;
        }
        float keys[tpReper::pointCount];
        for (int i = 0; i < tpReper::pointCount; ++i)
            QVERIFY(tpReper::getKey(i, emfs[i], &keys[i]) && std::fabs(keys[i] - emfs[i]) <= 0.0005f);
        for (quint16 t = 300; t <= 1200; t += 100) {
            float sum = 0;
            double quadratic = 0;
            for (int i = 0; i < tpReper::pointCount; ++i) {
                sum += tpReper::getTable(i).value(keys[i]).value(t);
                quadratic += keys[i] * basis(i, t);
            }
            QVERIFY2(result.value(t) == (t == 1200 ? sum - 0.008f : sum), qPrintable(QString("%1 °C").arg(t)));
            QVERIFY(std::fabs(sum - quadratic) <= 3 * curveTolerance);
        }
    }
};

QTEST_GUILESS_MAIN(test_tpReper)
#include "test_tpReper.moc"
