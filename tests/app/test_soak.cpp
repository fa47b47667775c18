#include "bench/soak/zorSoak.h"

#include <QtTest>

// A short soak of the whole window: four instruments recorded for about two minutes
// while their cables are pulled (one comes back on another device path), the disk runs
// full, the recording folder vanishes for a while and an unrelated device sits on a
// listed port.
class test_soak : public QObject
{
    Q_OBJECT

private slots:
    void nothingLost()
    {
        zorSoak::_options o;
        o.instruments = 4;
        o.hours = 2.0;
        o.pulls = 5;
        o.diskFull = 1;
        o.folderGone = 1;
        o.downMaxS = 5;
        o.otherPathEvery = 3;
        o.episodeS = 5;
        const zorSoak::_figures f = zorSoak(o).run();
        zorSoak::print(f);
        QVERIFY(f.sweepsSent > 0);
        QCOMPARE(f.staleRows, qint64(0));
        QCOMPARE(f.pulls, 5);
        QVERIFY(f.otherPath >= 1);
        QCOMPARE(f.diskFull, 1);
        QCOMPARE(f.reconnected, f.pulls);
        QCOMPARE(f.duplicates, 0);
        QCOMPARE(f.reconnectedLate, 0);
        QVERIFY(f.foreignProbes <= f.foreignAppearances);
        QCOMPARE(f.rowsLost, qint64(0));
    }
};

QTEST_MAIN(test_soak)
#include "test_soak.moc"
