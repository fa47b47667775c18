#include "link/zorPortCatalog.h"
#include "sim/zorSimBath.h"
#include "sim/zorSimStream.h"
#include "sim/zorSimulator.h"

#include <QTest>

#include <cmath>

namespace {

zorSimMemory instrument(zorSimMemory::_variant type = zorSimMemory::basic)
{
    return zorSimMemory(type, 42, QStringLiteral("Термометр"), 8);
}

} // namespace

// The simulated instrument: its memory as the program writes it, and the stream it
// sends as the program's parser reads it. (What it answers to reads, identity included,
// the registry suite compares with what the program decodes and stores.)
class test_zorSimulator : public QObject
{
    Q_OBJECT

private slots:
    // A name write changes the name, not the signature; a serial number write its own bytes; a
    // block of the wrong length nothing.
    void writes()
    {
        zorSimMemory memory = instrument();
        const QByteArray device = memory.read(5), name = QByteArray("New name").leftJustified(16, '\0');
        for (quint8 address : {0x32, 0x34, 4})
            QCOMPARE(memory.kindOf(address), zorSimMemory::blockWrite);
        memory.write(0x32, QByteArray("\x0f\xaa\x01\x03", 4) + name);
        memory.write(0x34, QByteArray("\x07\0\0\0", 4));
        memory.write(4, QByteArray(7, '\1'));
        QCOMPARE(memory.read(0x33).left(24), QByteArray("\x0f\xaa\x00\x03", 4) + name + QByteArray("\x07\0\0\0", 4));
        QCOMPARE(memory.read(5), device);
    }

    void activeChannels_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<QList<int>>("off");
        QTest::addColumn<QList<int>>("expected");

        QTest::newRow("switched-off channels left out") << QByteArray("\x01\x03\x00\x00\x08\x00\x00\x00", 8)
                                                        << QList<int>{2, 7} << QList<int>{1, 3, 4, 5, 6, 8};
        QTest::newRow("single channel: the main one") << QByteArray("\x00\x03\x00\x00\x08\x00\x04\x00", 8)
                                                      << QList<int>{} << QList<int>{5};
        QTest::newRow("beyond the channel count") << QByteArray("\x01\x03\x00\x00\x04\x00\x00\x00", 8) << QList<int>{}
                                                  << QList<int>{1, 2, 3, 4};
    }

    void activeChannels()
    {
        QFETCH(QByteArray, device);
        QFETCH(QList<int>, off);
        QFETCH(QList<int>, expected);
        zorSimMemory memory = instrument();
        memory.write(4, device);
        QByteArray channels = memory.read(7);
        for (int ch : off)
            channels[ch - 1] = 0;
        channels[32 + 2] = 4;    // channel 3 in K
        channels[128 + 2] = 0;   // shown to 0.1
        memory.write(6, channels);
        QList<int> active;
        for (const zorSimMemory::_channel &ch : memory.activeChannels()) {
            active << ch.number;
            QCOMPARE(int(ch.unit), ch.number == 3 ? 4 : 3);
            QCOMPARE(int(ch.decimals), ch.number == 3 ? 1 : 2);   // thermometers are shown to 0.01
        }
        QCOMPARE(active, expected);
    }

    void tokens()
    {
        // Byte for byte the tokens the parser's suite reads: value and unit letter, an error's
        // code + '0', a status's code (an error's + 48), thermostat and change flags as bytes.
        QCOMPARE(zorSimStream::reading(3, 21.45671, 4, 3) + zorSimStream::errorReading(5, 13)
                     + zorSimStream::status(0, true, 0x0f) + zorSimStream::status(50, false, 0),
                 QByteArray("3:21.4567D 5:-999999.0= 0#\x01#\x0f# 98#\0#\0# ", 39));
    }

    void streamFollowsChannelsAndFlags()
    {
        zorSimulator::_options options;
        options.period = 5;
        zorSimulator sim(options);
        QByteArray channels = sim.block(7);
        for (int ch = 0; ch < 8; ++ch)
            channels[ch] = ch == 1 ? 5 : 0;   // only channel 2
        channels[32 + 1] = 4;                // in K
        sim.setBlock(7, channels);
        sim.raiseChangeFlags(0x05);
        QVERIFY(sim.start());
        // Listed in the port catalogue while it runs.
        const auto listed = [&sim] {
            for (const zorPortCatalog::_port &p : zorPortCatalog::ports())
                if (p.name == sim.portName())
                    return p.registered && !p.busy && zorPortCatalog::isUsable(p.name);
            return false;
        };
        QVERIFY(listed());
        QTRY_VERIFY(sim.log(zorSimulator::tokenSent).size() >= 6);
        sim.stop();
        QVERIFY(!listed());

        const QVector<zorSimulator::_event> tokens = sim.log(zorSimulator::tokenSent);
        QVERIFY(tokens.at(0).data.startsWith("2:") && tokens.at(0).data.endsWith("E "));
        QCOMPARE(tokens.at(1).data, zorSimStream::status(0, false, 0x05));   // announced once
        QCOMPARE(tokens.at(3).data, zorSimStream::status(0, false, 0));
    }

    // The demo's bath: in every set point's interval each channel moves by degrees, then
    // settles, the readings of its last minute (with the stream's noise and rounding)
    // spreading less than one resolution step; the thermostat is off while the bath moves
    // and on once it holds the set point.
    void bathSettles_data()
    {
        QTest::addColumn<int>("decimals");
        for (int decimals : {2, 3, 4})
            QTest::addRow("%d decimals", decimals) << decimals;
    }

    void bathSettles()
    {
        QFETCH(int, decimals);
        const double resolution = std::pow(10.0, -decimals);
        zorSimStream stream(1);
        for (int step = 0; step < 6; ++step) {
            const double start = step * zorSimBath::interval, end = start + zorSimBath::interval;
            QVERIFY(!zorSimBath::thermostat(start + 1) && zorSimBath::thermostat(end - 1));
            for (quint8 ch = 1; ch <= 8; ++ch) {
                double first = 0;
                QVERIFY(zorSimBath::value(ch, 3, start, &first));
                double sum = 0, squares = 0;
                int n = 0;
                for (double t = end - 60; t < end; t += 0.9, ++n) {
                    double value = 0;
                    zorSimBath::value(ch, 3, t, &value);
                    value += zorSimBath::noise(ch) * resolution * stream.noise();
                    value = QByteArray::number(value, 'f', decimals).toDouble();
                    sum += value;
                    squares += value * value;
                }
                const double mean = sum / n, spread = std::sqrt(qMax(0.0, squares / n - mean * mean));
                QVERIFY2(spread < resolution, qPrintable(QString("step %1 channel %2: %3").arg(step).arg(ch).arg(spread)));
                QVERIFY(std::abs(mean - first) > 1.0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(test_zorSimulator)
#include "test_zorSimulator.moc"
