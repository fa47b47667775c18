#include "plot/zorPointStore.h"

#include <QtTest>

#include <optional>

using Times = QVector<double>;

// Readings of one channel handed over together.
struct Block {
    int ch;
    QVector<double> values;
    Times times;
    QString dim = "°C";
};
using Blocks = QVector<Block>;
Q_DECLARE_METATYPE(Blocks)

namespace {

// count readings from time start on, step seconds apart, drifting with a little noise.
Block ramp(int ch, int count, double start, double step = 1.0, const QString &dim = "°C")
{
    Block b{ch, {}, {}, dim};
    for (int i = 0; i < count; ++i) {
        b.values << 20.0 + ch + 0.001 * i + double((i * 2654435761u) % 1000) * 1e-6;
        b.times << start + i * step;
    }
    return b;
}

// The block with reading i replaced.
Block with(Block b, int i, double value, double time)
{
    b.values[i] = value;
    b.times[i] = time;
    return b;
}

// The record of channel ch of device dev.
const zorPointStore::_ch *chOf(const zorPointStore &store, int dev, uchar ch)
{
    return store.findCh(dev, ch);
}

// Everything a reader of channel ch can see: the series and their summaries (the value
// texts and moving averages are read from these series).
void compareChannels(const zorPointStore &bulk, const zorPointStore &single, int dev, uchar ch)
{
    const zorPointStore::_ch *a = chOf(bulk, dev, ch), *b = chOf(single, dev, ch);
    QVERIFY(a && b);
    QCOMPARE(a->meas, b->meas);
    QCOMPARE(a->time, b->time);
    QCOMPARE(a->diffMeas, b->diffMeas);
    QCOMPARE(a->diffTime, b->diffTime);
    QCOMPARE(a->dim, b->dim);
    QCOMPARE(a->pointError, b->pointError);
    QCOMPARE(a->dims.size(), b->dims.size());
    for (int i = 0; i < a->dims.size(); ++i)
        QCOMPARE(a->dims.at(i), b->dims.at(i));
    for (bool aver : {false, true}) {
        const zorPointStore::_plotted pa = zorPointStore::plotted(*a, aver), pb = zorPointStore::plotted(*b, aver);
        QCOMPARE(pa.runs->size(), pb.runs->size());
        QCOMPARE(pa.runs->count(), pb.runs->count());
        for (int k = 0; k <= pa.runs->count(); ++k)
            QCOMPARE(pa.runs->start(k), pb.runs->start(k));
        QVERIFY(pa.runs->size() == 0 || (pa.runs->lo() == pb.runs->lo() && pa.runs->hi() == pb.runs->hi()));
        // Bounds of stretches that start and end inside and across the index's blocks.
        for (int from : {0, 1, 15, 17, 255, 300, pa.size() / 2}) {
            for (int to : {from + 1, from + 16, from + 4097, pa.size()}) {
                double loA, hiA, loB, hiB;
                pa.index->range(pa, from, to, loA, hiA);
                pb.index->range(pb, from, to, loB, hiB);
                QVERIFY(loA == loB && hiA == hiB);
            }
        }
    }
}

// The partner channel and device a channel is linked to.
QPair<uchar, int> partnerOf(const zorPointStore &store, int dev, uchar ch)
{
    QPair<uchar, int> partner(0, 0);
    store.getChDiff(&partner.first, &partner.second, dev, ch);
    return partner;
}

} // namespace

// The readings of the plot without any widget: devices, channels, points, moving averages,
// difference channels and value texts, as the plot and the results files use them.
class test_zorPointStore : public QObject
{
    Q_OBJECT

private slots:
    // Each case on a store of its own with one device.
    void init()
    {
        store.emplace();
        dev = store->addDev();
    }

    void channelsComeWithTheFirstPoint_data()
    {
        QTest::addColumn<int>("ch");
        QTest::addColumn<int>("count");
        QTest::newRow("channel 253") << 253 << 254;
        QTest::newRow("channel 254: 255 channels cannot exist") << 254 << 0;
        QTest::newRow("channel 255 means the main channel, never a new one") << 255 << 0;
    }

    void channelsComeWithTheFirstPoint()
    {
        QFETCH(int, ch);
        QFETCH(int, count);
        const zorPointStore::_added added = store->addPoint(21.5, 1.0, "°C", dev, uchar(ch));
        QCOMPARE(added, count > 0 ? zorPointStore::pointStored : zorPointStore::pointDropped);
        QCOMPARE(int(store->getChCount(dev)), count);
        if (count == 0)
            return;
        QCOMPARE(store->getChMeas(dev, uchar(ch)), 21.5);
    }

    void readingValidity_data()
    {
        QTest::addColumn<QPointF>("reading"); // time, value
        QTest::addColumn<bool>("accepted");
        QTest::newRow("limit value is no reading") << QPointF(1.0, -1300.0) << false;
        QTest::newRow("just above the limit") << QPointF(1.0, -1299.9) << true;
        QTest::newRow("negative time") << QPointF(-0.001, 20.0) << false;
        QTest::newRow("time zero") << QPointF(0.0, 20.0) << true;
        QTest::newRow("not a number") << QPointF(1.0, qQNaN()) << false;
        QTest::newRow("infinite value") << QPointF(1.0, qInf()) << false;
        QTest::newRow("infinite time") << QPointF(qInf(), 20.0) << false;
    }

    void readingValidity()
    {
        QFETCH(QPointF, reading);
        QFETCH(bool, accepted);
        QCOMPARE(store->addPoint(5.0, 0.5, "Ом", dev, 0), zorPointStore::pointStored);
        QCOMPARE(store->addPoint(reading.y(), reading.x(), "°C", dev, 0),
                 accepted ? zorPointStore::pointStored : zorPointStore::pointRejected);
        QCOMPARE(store->getChMeasCount(dev, 0), accepted ? 2 : 1);
        // A rejected reading shows "--" until the next accepted one.
        QCOMPARE(store->getChMeasStr(dev, 0) == "--", !accepted);
        QCOMPARE(store->addPoint(6.0, 2.0, "Ом", dev, 0), zorPointStore::pointStored);
        QCOMPARE(store->getChMeasStr(dev, 0), QString("6.00"));
        // Every stored point keeps its own unit; a rejected reading leaves none behind.
        const QStringList units = accepted ? QStringList{"Ом", "°C", "Ом"} : QStringList{"Ом", "Ом"};
        for (int i = 0; i < units.size(); ++i)
            QCOMPARE(store->getChDim(dev, 0, i), units.at(i));
    }

    void movingAverage()
    {
        for (int i = 1; i <= 11; ++i)
            QCOMPARE(store->addPoint(i * i, i, "°C", dev, 0), zorPointStore::pointStored);
        // Points 2..11: (4 + 9 + ... + 121) / 10.
        QCOMPARE(store->getChAverStr(dev, 0, 3), QString::number(505.0 / 10.0, 'f', 3));
        // The table's ΔX and ΔY: the last step, ΔY with the channel's decimals.
        QCOMPARE(store->getChDXStr(dev, 0) + ' ' + store->getChDYStr(dev, 0), QString("1.0 21"));
        // Below ten points the average is over what there is.
        QCOMPARE(store->addPoint(1e17, 12, "°C", dev, 1), zorPointStore::pointStored);
        QCOMPARE(store->addPoint(3.0, 13, "°C", dev, 1), zorPointStore::pointStored);
        QCOMPARE(store->getChAverStr(dev, 1, 1), QString::number((1e17 + 3.0) / 2, 'f', 2));
        // Once the huge value has left the window it leaves no trace in the average.
        for (int i = 0; i < 10; ++i)
            QCOMPARE(store->addPoint(0.125, 14 + i, "°C", dev, 1), zorPointStore::pointStored);
        QCOMPARE(store->getChAverStr(dev, 1, 6), QString("0.125000"));
    }

    // Points kept in chunks read back as they came, with their averages, across chunk boundaries and after a clear;
    // a block, then one by one. Times shared by readings keep the series one run, searched run by run.
    void pointsAcrossChunks()
    {
        const int chunk = zorChunkedSeries::chunkSize;
        const Block old = ramp(0, chunk - 2, 0.0);
        store->addPoints(old.values, old.times, old.dim, dev, 0);
        store->clear(dev);
        // Reading i at (i / 2) / 4 s, in pairs as bursts share a time: the mean of the last
        // ten is i - 4.5, of fewer i / 2.
        QVector<double> values, times;
        for (int i = 0; i < 2 * chunk + 5; ++i) {
            values << i;
            times << i / 2 / 4.0;
        }
        QCOMPARE(store->addPoints(values.mid(0, chunk + 4), times.mid(0, chunk + 4), "°C", dev, 0).stored, chunk + 4);
        for (int i = chunk + 4; i < values.size(); ++i)
            store->addPoint(values.at(i), times.at(i), "°C", dev, 0);
        QCOMPARE(store->getChMeasCount(dev, 0), values.size());
        QCOMPARE(zorPointStore::plotted(*chOf(*store, dev, 0), false).runs->count(), 1); // times shared are in order
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(store->getChMeas(dev, 0, i), values.at(i));
            QCOMPARE(store->getChTime(dev, 0, i), times.at(i));
            QCOMPARE(store->getChAverStr(dev, 0, 2, i), QString::number(i < 9 ? i / 2.0 : i - 4.5, 'f', 2));
        }
    }

    void devices()
    {
        store->setCurrentDev(dev);
        const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
        store->setStart(dev, start);
        const int second = store->addDev();
        QCOMPARE(store->getStartDateTime(second), start);
        // The second device's readings are stamped on the first one's time base.
        QVERIFY(store->timeNow(second) >= 3600.0);
        for (int i = 2; i < 255; ++i)
            QCOMPARE(store->addDev(), i);
        QCOMPARE(store->addDev(), -1);
        // A freed key is reused.
        store->removeDev(7);
        QCOMPARE(store->addDev(), 7);
        // Removing the current device leaves none current until another is chosen, even
        // when a new device takes its key.
        store->removeDev(-1);
        QCOMPARE(store->addDev(), dev);
        QCOMPARE(store->addPoint(1.0, 1.0, "В", -1, 0), zorPointStore::pointDropped);
        QCOMPARE(store->addPoint(1.0, 1.0, "В", second, 0), zorPointStore::pointStored);
        store->setCurrentDev(second);
        QCOMPARE(store->getChMeas(-1, 255), 1.0);
    }

    void diffLiveRules()
    {
        store->setChCount(2, dev);
        // No partner beyond the device's channels or devices, and no linking of unknown channels.
        QVERIFY(!store->setChDiff(2, dev, dev, 0));
        QVERIFY(!store->setChDiff(1, 3, dev, 0));
        QVERIFY(!store->setChDiff(1, dev, dev, 9));
        QCOMPARE(partnerOf(*store, dev, 0), qMakePair(uchar(255), -1));
        // Linked to a partner without points: nothing to subtract yet, but the reading is kept.
        QVERIFY(store->setChDiff(1, dev, dev, 0));
        QCOMPARE(store->addPoint(10.0, 1.0, "°C", dev, 0), zorPointStore::pointRefused);
        QCOMPARE(store->getChMeasCount(dev, 0, false), 1);
        QCOMPARE(store->getChMeasCount(dev, 0, true), 0);

        QCOMPARE(store->addPoint(3.0, 1.5, "°C", dev, 1), zorPointStore::pointStored);
        QCOMPARE(store->addPoint(10.5, 2.0, "°C", dev, 0), zorPointStore::pointStored);
        // Two own points between two partner points: only the first makes a difference.
        QCOMPARE(store->addPoint(11.0, 2.5, "°C", dev, 0), zorPointStore::pointRefused);
        QCOMPARE(store->addPoint(4.0, 3.0, "°C", dev, 1), zorPointStore::pointStored);
        QCOMPARE(store->addPoint(12.0, 3.5, "°C", dev, 0), zorPointStore::pointStored);
        QCOMPARE(store->getChMeasCount(dev, 0, true), 2);
        QCOMPARE(store->getChMeas(dev, 0, 0, true), 7.5);
        QCOMPARE(store->getChMeas(dev, 0, -1, true), 8.0);
        QCOMPARE(store->getChTime(dev, 0, -1, true), 3.5);
        QCOMPARE(store->getChDXStr(dev, 0), QString("1.5"));
        QCOMPARE(store->getChAverStr(dev, 0, 2), QString("7.75"));
        // A rejected partner reading stops the differences.
        QCOMPARE(store->addPoint(-2000.0, 4.0, "°C", dev, 1), zorPointStore::pointRejected);
        QCOMPARE(store->addPoint(12.0, 4.5, "°C", dev, 0), zorPointStore::pointRefused);
    }

    void diffRebuild_data()
    {
        // Own values are 100 + t, partner values t, so the difference tells which pair was made.
        QTest::addColumn<Times>("own");
        QTest::addColumn<Times>("partner");
        QTest::addColumn<Times>("diffTimes");
        QTest::addColumn<double>("diff");
        QTest::addColumn<QString>("then"); // how the link ends afterwards
        QTest::newRow("partner starts later, then its channel removed")
            << Times{1, 3, 5, 7} << Times{4, 6} << Times{5, 7} << 101.0 << "channel";
        QTest::newRow("partner twice as fast pairs with the first in each interval")
            << Times{2, 4, 6} << Times{0.5, 1.5, 2.5, 3.5, 4.5, 5.5} << Times{2, 4, 6} << 101.5 << "";
        QTest::newRow("own twice as fast, then the partner device removed")
            << Times{1, 2, 3, 4, 5} << Times{0.5, 2.5, 4.5} << Times{1, 3, 5} << 100.5 << "device";
        QTest::newRow("equal time stamps, then unlinked")
            << Times{1, 2, 3} << Times{1, 2, 3} << Times{1, 2, 3} << 100.0 << "unlink";
        QTest::newRow("partner without points") << Times{1, 2} << Times{} << Times{} << 0.0 << "";
    }

    void diffRebuild()
    {
        QFETCH(Times, own);
        QFETCH(Times, partner);
        QFETCH(Times, diffTimes);
        QFETCH(double, diff);
        QFETCH(QString, then);
        const int otherDev = store->addDev();
        store->setChCount(3, otherDev);
        for (double t : own)
            QCOMPARE(store->addPoint(100.0 + t, t, "°C", dev, 0), zorPointStore::pointStored);
        for (double t : partner)
            QCOMPARE(store->addPoint(t, t, "°C", otherDev, 2), zorPointStore::pointStored);
        QVERIFY(store->setChDiff(2, otherDev, dev, 0));
        QCOMPARE(partnerOf(*store, dev, 0), qMakePair(uchar(2), otherDev));
        QCOMPARE(store->getChMeasCount(dev, 0, true), diffTimes.size());
        for (int i = 0; i < diffTimes.size(); ++i) {
            QCOMPARE(store->getChTime(dev, 0, i, true), diffTimes.at(i));
            QCOMPARE(store->getChMeas(dev, 0, i, true), diff);
        }
        QVector<QPair<int, uchar>> unlinked;
        if (then == "unlink")
            store->setChDiff(255, -1, dev, 0);
        else if (then == "channel")
            unlinked = store->setChCount(2, otherDev);
        else if (then == "device")
            store->removeDev(otherDev);
        else
            return;
        // The raw series is untouched and readings are plain readings again.
        QCOMPARE(partnerOf(*store, dev, 0), qMakePair(uchar(255), -1));
        QCOMPARE(unlinked.size(), then == "channel" ? 1 : 0);
        QCOMPARE(store->getChMeasCount(dev, 0, true), own.size());
        QCOMPARE(store->getChMeas(dev, 0, 1, true), 100.0 + own.at(1));
        QCOMPARE(store->addPoint(20.0, 99.0, "°C", dev, 0), zorPointStore::pointStored);
    }

    // A block of readings leaves the store exactly as the same readings one by one.
    void blocksAsSinglePoints_data()
    {
        QTest::addColumn<Blocks>("blocks");
        QTest::addColumn<int>("partner"); // channel 0 subtracts this channel of its device, -1 none
        QTest::addColumn<int>("room");    // points reserved for channel 0 ahead, 0 none
        const double inf = qInf(), nan = qQNaN();
        QTest::newRow("blocks across the average window and index blocks")
            << Blocks{ramp(0, 3, 0), ramp(0, 9, 3), ramp(0, 300, 12)} << -1 << 0;
        QTest::newRow("growth far beyond the room made")
            << Blocks{ramp(0, 3000, 0), ramp(0, 3000, 3000), ramp(0, 3000, 6000)} << -1 << 1000;
        QTest::newRow("rejected readings inside a block: limit, time, infinite and undefined numbers")
            << Blocks{with(with(with(with(with(ramp(0, 40, 0), 3, -1300.0, 3), 11, 20.0, -0.5), 0, nan, 0), 7, inf, 7), 9, 20.0, nan)}
            << -1 << 0;
        QTest::newRow("a block ending in a rejected reading, then one beginning with it")
            << Blocks{with(ramp(0, 12, 0), 11, -1300.0, 11), with(ramp(0, 12, 12), 0, -inf, 12)} << -1 << 0;
        QTest::newRow("a block of nothing but rejected readings")
            << Blocks{ramp(0, 5, 0), with(with(ramp(0, 2, 5), 0, nan, 5), 1, -2000.0, 6)} << -1 << 0;
        QTest::newRow("the unit changes from block to block")
            << Blocks{ramp(0, 20, 0, 1.0, "Ом"), ramp(0, 20, 20, 1.0, "°C"), ramp(0, 5, 40, 1.0, "°C")} << -1 << 0;
        QTest::newRow("time running backwards inside and between blocks")
            << Blocks{ramp(0, 50, 100, -1.5), ramp(0, 50, 0), ramp(0, 50, 30)} << -1 << 0;
        QTest::newRow("a new channel brings those below it; channels that cannot exist")
            << Blocks{ramp(3, 15, 0), ramp(1, 4, 2), ramp(254, 5, 0), ramp(255, 5, 0)} << -1 << 0;
        // Linked, a block goes in point by point: the tally of each block's answers.
        QTest::newRow("linked to a partner without points, then with a rejected last reading")
            << Blocks{ramp(0, 4, 0), ramp(1, 3, 4), ramp(0, 2, 8), with(ramp(1, 2, 10), 1, -1300.0, 11), ramp(0, 3, 12)}
            << 1 << 100;
    }

    void blocksAsSinglePoints()
    {
        QFETCH(Blocks, blocks);
        QFETCH(int, partner);
        QFETCH(int, room);
        zorPointStore bulk, single;
        const int dev = bulk.addDev();
        QCOMPARE(single.addDev(), dev);
        if (partner >= 0 || room > 0) {
            for (zorPointStore *store : {&bulk, &single}) {
                store->setChCount(uchar(std::max(partner + 1, 1)), dev);
                QVERIFY(partner < 0 || store->setChDiff(uchar(partner), dev, dev, 0));
            }
            bulk.reserve(room, dev, 0);
        }
        for (const Block &b : blocks) {
            zorPointStore::_block expected;
            for (int i = 0; i < b.values.size(); ++i) {
                const zorPointStore::_added added =
                    single.addPoint(b.values.at(i), b.times.at(i), b.dim, dev, uchar(b.ch));
                (added == zorPointStore::pointStored    ? expected.stored
                 : added == zorPointStore::pointRejected ? expected.rejected
                 : added == zorPointStore::pointRefused  ? expected.refused
                                                         : expected.dropped)++;
                expected.last = added;
            }
            const zorPointStore::_block got = bulk.addPoints(b.values, b.times, b.dim, dev, uchar(b.ch));
            QCOMPARE(got.stored, expected.stored);
            QCOMPARE(got.rejected, expected.rejected);
            QCOMPARE(got.refused, expected.refused);
            QCOMPARE(got.dropped, expected.dropped);
            QCOMPARE(got.last, expected.last);
        }
        QCOMPARE(bulk.getChCount(dev), single.getChCount(dev));
        for (int ch = 0; ch < bulk.getChCount(dev) && !QTest::currentTestFailed(); ++ch)
            compareChannels(bulk, single, dev, uchar(ch));
    }

private:
    std::optional<zorPointStore> store;
    int dev = -1;
};

QTEST_GUILESS_MAIN(test_zorPointStore)
#include "test_zorPointStore.moc"
