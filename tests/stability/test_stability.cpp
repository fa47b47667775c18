#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "plot/zorPointStore.h"
#include "stability/zorCalPointBook.h"
#include "stability/zorStabilityBoard.h"
#include "tests/points/samplePoint.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <numeric>
#include <random>

namespace {

// A synthetic channel: value(t) with Gaussian noise, read every period seconds.
struct Run {
    zorPointStore store;
    zorStabilityBoard board;
    int dev = store.addDev();
    std::mt19937 random{7};

    // Adds a reading to the store and hands the board what the store holds, as the
    // program does.
    void read(double time, double value)
    {
        QCOMPARE(store.addPoint(value, time, "°С", dev, 0), zorPointStore::pointStored);
        board.take(dev, 0, store.getChTime(dev, 0), store.getChMeas(dev, 0), store.getChDim(dev, 0));
    }

    // The line through the store's readings of the last window, in two passes.
    zorStabilityWindow::fit twoPass(double window) const
    {
        const double last = store.getChTime(dev, 0);
        QVector<double> t, v;
        for (int i = 0; i < store.getChMeasCount(dev, 0); ++i)
            if (store.getChTime(dev, 0, i) >= last - window) {
                t << store.getChTime(dev, 0, i);
                v << store.getChMeas(dev, 0, i);
            }
        const int n = t.size();
        const double mt = std::accumulate(t.begin(), t.end(), 0.0) / n, mv = std::accumulate(v.begin(), v.end(), 0.0) / n;
        double stt = 0, stv = 0, ssr = 0;
        for (int i = 0; i < n; ++i) {
            stt += (t[i] - mt) * (t[i] - mt);
            stv += (t[i] - mt) * (v[i] - mv);
        }
        for (int i = 0; i < n; ++i)
            ssr += std::pow(v[i] - mv - stv / stt * (t[i] - mt), 2);
        return {n, mv, stv / stt, std::sqrt(ssr / (n - 2))};
    }
};

double relative(double a, double b)
{
    return std::fabs(a - b) / std::max(std::fabs(b), 1e-300);
}

} // namespace

class test_stability : public QObject
{
    Q_OBJECT

private slots:
    // The window's line against a two-pass computation over the same readings, after
    // the window has slid over many readings, also a million seconds into a run.
    void agreesWithTwoPass_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("noise");
        QTest::addColumn<double>("sigmaTolerance");
        QTest::newRow("slow drift at 1,000,000 s") << 1.0e6 << 231.928 << 2e-5 << 0.0001 << 1e-9;
        // A ramp of 6000 σ per window: the residuals are 3e-7 of the values' spread,
        // and a double carries them to a few digits only; the slope stays exact.
        QTest::newRow("steep ramp at 3,000,000 s") << 3.0e6 << -40.0 << 0.01 << 0.001 << 1e-2;
    }
    void agreesWithTwoPass()
    {
        QFETCH(double, start);
        QFETCH(double, base);
        QFETCH(double, slope);
        QFETCH(double, noise);
        QFETCH(double, sigmaTolerance);
        Run run;
        std::normal_distribution<double> gauss(0.0, noise);
        const double window = run.board.criteria(run.dev).window();
        // 3.3 windows at 1.6 s: the sums have been renewed several times, and readings
        // have entered and left since the last renewal.
        for (int i = 0; i < 1250; ++i) {
            const double t = start + 1.6 * i;
            run.read(t, base + slope * (t - start) + gauss(run.random));
        }
        const zorStabilityWindow::fit expected = run.twoPass(window);
        const zorStabilityBoard::state got = run.board.channel(run.dev, 0);
        QCOMPARE(got.fit.n, expected.n);
        QVERIFY2(relative(got.fit.sigma, expected.sigma) < sigmaTolerance, qPrintable(QString::number(got.fit.sigma, 'g', 17)));
        QVERIFY2(relative(got.fit.mean, expected.mean) < 1e-12, qPrintable(QString::number(got.fit.mean, 'g', 17)));
        QVERIFY(relative(got.fit.slope, expected.slope) < 1e-9);
    }

    // A ramp settling onto a noisy plateau: never stable on the ramp or while the run is
    // shorter than a window, and stable at the latest one window after the plateau began.
    // A drift below σ but above the drift limit is never stable.
    void verdict_data()
    {
        QTest::addColumn<double>("plateauAt"); // negative: a drift of 0.01 per window throughout
        QTest::newRow("ramp onto a plateau") << 900.0;
        QTest::newRow("plateau from the start") << 0.0;
        QTest::newRow("slow drift") << -1.0;
    }
    void verdict()
    {
        QFETCH(double, plateauAt);
        Run run;
        QSignalSpy devStable(&run.board, &zorStabilityBoard::devStableChanged);
        std::normal_distribution<double> gauss(0.0, 0.0005);
        const double window = run.board.criteria(run.dev).window();
        double stableAt = -1.0;
        for (double t = 0.0; t < 3000.0; t += 1.6) {
            const double clean = plateauAt < 0.0 ? 50.0 + 0.01 * t / window
                : t < plateauAt                  ? 20.0 + 30.0 * t / plateauAt
                                                 : 50.0;
            run.read(t, clean + gauss(run.random));
            if (run.board.channel(run.dev, 0).stable) {
                QVERIFY2(t >= window, qPrintable(QString::number(t)));
                if (stableAt < 0.0)
                    stableAt = t;
            }
        }
        if (plateauAt < 0.0) {
            QCOMPARE(stableAt, -1.0);
            QVERIFY(run.board.intervals(run.dev, 0).isEmpty());
            QCOMPARE(devStable.count(), 0);
            return;
        }
        QVERIFY(stableAt >= 0.0);
        QVERIFY2(stableAt <= std::max(plateauAt, 0.0) + window + 1.6, qPrintable(QString::number(stableAt)));
        QVERIFY(run.board.isDevStable(run.dev));
        QCOMPARE(devStable.count(), 1);
        const QVector<zorStabilityBoard::interval> stretches = run.board.intervals(run.dev, 0);
        QCOMPARE(stretches.size(), 1);
        QVERIFY(stretches.first().first >= plateauAt - 1.6);
    }

    // A point of two instruments: the point, its note, the reference and the criteria come
    // back from the database; deviations from the reference, none for another unit or a
    // reference the point lacks. (Their values are in the points suite's table.)
    void pointsAndCriteria()
    {
        QTemporaryDir dir;
        const QString file = zorSqlFile::prepare(dir.path()).path();
        {
            zorSql sql(file);
            zorStabilityCriteria criteria;
            criteria.setWindow(300);
            criteria.setForUnit("Ω", {0.001, 0.003});
            criteria.save(&sql, 1);
            zorCalPointBook book(&sql);
            const zorCalPoint p = samplePoint();
            QVERIFY(book.fix(p) > 0);
            book.setReference({2, 2});
            QVERIFY(book.fix(p) > 0);
            QVERIFY(book.annotate(book.points().first().id, "50 °С", "после перемешивания"));
            QVERIFY(book.remove(book.points().last().id));
        }
        zorSql sql(file);
        const zorStabilityCriteria criteria = zorStabilityCriteria::load(&sql, 1);
        QCOMPARE(criteria.window(), 300.0);
        QCOMPARE(criteria.forUnit("Ω").drift, 0.003);
        QCOMPARE(criteria.forUnit("°С").sigma, zorStabilityCriteria::defaultsFor("°С").sigma);
        // Criteria of its own leave a device borrowing the main device's plot settings.
        sql.setDevProperty(2, "qwt_scale", 5);
        sql.setAppProperty("main_device_id", 2);
        QCOMPARE(sql.getDevProperty(1).value("qwt_scale").toInt(), 5);
        zorCalPointBook book(&sql);
        book.load();
        QCOMPARE(book.points().size(), 1);
        const zorCalPoint &p = book.points().first();
        QCOMPARE(p.setPoint, QString("50 °С"));
        QCOMPARE(p.comment, QString("после перемешивания"));
        QCOMPARE(p.channels.size(), 4);
        QCOMPARE(p.channels.at(3).to, QDateTime(QDate(2026, 3, 1), QTime(10, 10)));
        QVERIFY(book.reference().deviceId == 2 && book.reference().ch == 2);
        double deviation = -1;
        QVERIFY(p.deviation(2, book.reference(), &deviation) && deviation == 0.0);
        QVERIFY(!p.deviation(3, book.reference(), &deviation) && !p.deviation(0, {3, 0}, &deviation));
    }
};

QTEST_GUILESS_MAIN(test_stability)
#include "test_stability.moc"
