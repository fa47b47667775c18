#include "tests/common/simulatedLink.h"

#include <QFile>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// The link manager with simulated instruments: its queues, held replies, removal, the
// loss of a port and the ports it accepts.
class test_ZORSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void queues_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("replies as they come") << false << QStringList{"reply 0 24 51", "reply 0 8 5", "reply 0 4 5",
                                                                      "result 0 1", "allRead", "block 0 0"};
        QTest::newRow("held back, released in order")
            << true << QStringList{"block 0 0", "reply 0 24 51", "reply 0 8 5", "reply 0 4 5", "allRead"};
    }

    void queues()
    {
        QFETCH(bool, held);
        QFETCH(QStringList, expected);
        QStringList overall;   // before the link, which reports until it is gone
        QStringList device;
        simulatedLink link;
        zorSimulator *sim = link.startSim();
        const int dev = link.addDev(sim->portName());
        link.note(&link.port, qOverload<int, int>(&ZORSerialPort::setProgress), "of", &overall);
        link.note(&link.port, qOverload<int, int, int, quint8>(&ZORSerialPort::setProgress), "dev", &device);
        const QByteArray written("\x01\x04\x01\x00\x08\x00\x03\x00", 8);
        link.port.blockEventDev(dev, held);
        link.port.sendDevQuery(dev, 0x33, 24, true);   // in flight
        link.port.sendDevQuery(dev, 5, 8);
        link.port.sendDevQuery(dev, 5, 8);             // already waiting
        link.port.sendDevQuery(dev, 5, 4);             // another size: another request
        link.port.sendDevData(dev, written, 4);        // goes before the waiting reads
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.contains("block 0 0"), simulatedLink::timeout);
        if (held) {
            QVERIFY(link.replies.isEmpty() && !link.port.isReadAllQuery());   // held replies still count
            link.port.blockEventDev(dev, false);
        }
        QCOMPARE(link.lines, QVector<QString>(5, "block 0 1").toList() + expected);
        QCOMPARE(link.replies, (QList<QByteArray>{sim->block(0x33), written, written.left(4)}));

        // Overall: requests done of the most ever waiting (the duplicate is none). The
        // device: busy, then one step per 4-byte unit, busy again, done.
        QCOMPARE(overall, (QStringList{"of 0 1", "of 1 4", "of 2 4", "of 3 4", "of 0 0"}));
        QCOMPARE(device, (QStringList{"dev 0 -1 0 51", "dev 0 0 24 51", "dev 0 4 24 51", "dev 0 8 24 51",
                                      "dev 0 12 24 51", "dev 0 16 24 51", "dev 0 20 24 51", "dev 0 24 24 51",
                                      "dev 0 -1 0 51", "dev 0 0 0 255"}));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("write");          // two writes, else two reads
        QTest::addColumn<zorQueryMode>("mode");   // of the first
        QTest::addColumn<int>("unanswered");      // handshakes the instrument ignores
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QByteArray>("written");  // the addresses the instrument stored

        // Every handshake of the first request's tries goes unanswered: three of each of an
        // ordinary request's four tries, of a probing read's three.
        const QStringList queued = {"block 0 1", "block 0 1"};
        const QStringList readFailed = queued + QStringList{"queryError 0 110 51", "error 0 110"};
        const QStringList writeFailed = queued + QStringList{"dataError 0 210 4", "error 0 210"};
        const QStringList second = {"written 0 9", "block 0 0", "doneSend 0", "allWritten"};
        QTest::newRow("ordinary read fails: the device's reads are dropped")
            << false << zorQueryMode(qmNormal) << 12 << readFailed + QStringList{"allRead", "result 0 0", "block 0 0"}
            << QByteArray();
        QTest::newRow("probing read fails: only itself")
            << false << zorQueryMode(qmFastRetry) << 9
            << readFailed + QStringList{"reply 0 224 7", "result 0 1", "allRead", "block 0 0"} << QByteArray();
        QTest::newRow("both written") << true << zorQueryMode(qmNormal) << 0
                                      << queued + QStringList{"written 0 4"} + second << QByteArray("\x04\x09");
        QTest::newRow("written at the last try") << true << zorQueryMode(qmNormal) << 9
                                                 << queued + QStringList{"written 0 4"} + second << QByteArray("\x04\x09");
        QTest::newRow("ordinary write fails: the device's writes are dropped")
            << true << zorQueryMode(qmNormal) << 12 << writeFailed + QStringList{"allWritten", "block 0 0"} << QByteArray();
        QTest::newRow("write with a mode of its own fails: the next one goes on")
            << true << zorQueryMode(qmFastRetry) << 12 << writeFailed + QStringList{"resultData 0 0"} + second
            << QByteArray("\x09");
    }

    void failures()
    {
        QFETCH(bool, write);
        QFETCH(zorQueryMode, mode);
        QFETCH(int, unanswered);
        QFETCH(QStringList, expected);
        QFETCH(QByteArray, written);
        simulatedLink link;
        zorSimulator *sim = link.startSim();
        sim->injectFault(zorSimulator::noEcho, unanswered);
        const int dev = link.addDev(sim->portName(), 30);
        link.note(&link.port, &ZORSerialPort::onDevDataError, "dataError", &link.lines);
        link.note(&link.port, &ZORSerialPort::resultDevData, "resultData", &link.lines);
        link.note(&link.port, &ZORSerialPort::allDevDataSend, "allWritten", &link.lines);
        link.note(&link.port, &ZORSerialPort::doneSendDevData, "written", &link.lines);
        link.note(&link.port, &ZORSerialPort::doneSend, "doneSend", &link.lines);
        if (write) {
            link.port.sendDevData(dev, QByteArray(8, '\1'), 4, false, mode);
            link.port.sendDevData(dev, QByteArray(8, '\2'), 9);
        } else {
            link.port.sendDevQuery(dev, 0x33, 24, false, mode);
            link.port.sendDevQuery(dev, 7, 224);
        }
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.contains("block 0 0"), simulatedLink::timeout);
        QCOMPARE(link.lines, expected);
        QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written);
        QVERIFY(link.port.isSendAllData());
    }

    void streamGoesOnWhileRequestsWait()
    {
        simulatedLink link;
        const int dev = link.addDev(link.startSim(1, 10)->portName());
        QObject::connect(&link.port, &ZORSerialPort::readyDevMeas, [&link] { link.lines << "meas"; });
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.contains("meas"), simulatedLink::timeout);
        link.lines.clear();
        // The instrument streams until the exchange starts and again after it: its readings
        // are taken while the request waits its turn, and after the reply.
        link.port.sendDevQuery(dev, 5, 8);
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.contains("block 0 0"), simulatedLink::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.mid(link.lines.indexOf("block 0 0")).count("meas") > 5, simulatedLink::timeout);
        const int reply = link.lines.indexOf("reply 0 8 5");
        QVERIFY2(reply > 5 && link.lines.mid(1, reply - 1).count("meas") == reply - 1, qPrintable(link.lines.join(',')));
        QCOMPARE(link.lines.mid(reply, 4), (QStringList{"reply 0 8 5", "result 0 1", "allRead", "block 0 0"}));
    }

    // The selector reaches an instrument that is streaming a token a millisecond, with some
    // of its text still on the line: that text comes ahead of the echo, broken off where the
    // instrument stopped. The identity is read at the first try, and every token the
    // instrument sent whole arrives, in order: also after the GUI thread was busy far
    // longer than the worker holds tokens for it.
    void readingsAheadOfEcho_data()
    {
        QTest::addColumn<int>("ahead");   // stream bytes ahead of the echo
        QTest::addColumn<int>("busy");    // ms the GUI thread is busy before the request
        for (int ahead : {0, 1, 2, 4, 9, 11, 12, 23, 47, 88, 99, 100, 160, 400})
            QTest::addRow("%d bytes", ahead) << ahead << 0;
        QTest::newRow("GUI thread busy") << 0 << 1500;
    }

    void readingsAheadOfEcho()
    {
        QFETCH(int, ahead);
        QFETCH(int, busy);
        QStringList taken;   // before the link, which may still report while it goes
        simulatedLink link;
        zorSimulator *sim = link.startSim(1, 1);
        const int dev = link.addDev(sim->portName());
        QObject::connect(&link.port, &ZORSerialPort::readyDevSource, [&taken](int, const QByteArray &token) {
            taken << token.trimmed();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!taken.isEmpty(), simulatedLink::timeout);
        QThread::msleep(busy);
        sim->injectFault(zorSimulator::streamAhead, 1, ahead);
        const int size = sim->block(0x33).size();
        link.port.sendDevQuery(dev, 0x33, quint16(size), false, qmNoRetry);
        QTRY_VERIFY_WITH_TIMEOUT(link.lines.contains("block 0 0"), simulatedLink::timeout);
        QVERIFY2(link.lines.contains(QString("reply 0 %1 51").arg(size)), qPrintable(link.lines.join(',')));
        QCOMPARE(sim->log(zorSimulator::selectorEchoed).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(taken.size() > 100, simulatedLink::timeout);
        // Once the stream is still, a second read: the tokens sent before it are all in.
        sim->setPeriod(0);
        link.port.sendDevQuery(dev, 0x33, quint16(size), false, qmNoRetry);
        QTRY_COMPARE_WITH_TIMEOUT(link.replies.size(), 2, simulatedLink::timeout);
        QStringList sent;   // the tokens the instrument sent whole
        for (const zorSimulator::_event &e : sim->log(zorSimulator::tokenSent))
            sent << e.data.trimmed();
        QCOMPARE(taken, sent.mid(sent.size() - taken.size()));
    }

    void removal_data()
    {
        // The listener removes the device, as the registry does: at once ("held", "exchange"),
        // or on the error of a worker that has ended on its own. A removal waits up to 5 s for
        // a worker, but not for one that has ended or ends meanwhile: "within", in ms.
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("within");
        QTest::addColumn<QString>("expected");
        // One report of the port's error, 255 - e (e a fatal QSerialPort error); an
        // abandoned read gives no signal of its own.
        const QString portError = "error 0 (24[5-9]|25[0-4])";
        // The held array is released with the device (the sanitizer build checks it).
        QTest::newRow("held reply dropped with the device") << "held" << 1000 << "allRead";
        QTest::newRow("removed during an exchange") << "exchange" << 1000 << "allRead";
        QTest::newRow("line closed under the worker") << "close" << 100 << portError;
        QTest::newRow("line dropped during an exchange") << "drop" << 100 << portError + ",allRead";
        QTest::newRow("port that does not open") << "open" << 100 << "error 0 252";
        QTest::newRow("watchdog cannot open the port again") << "watchdog" << 100 << "error 0 252,timeout 0 0";
    }

    void removal()
    {
        QFETCH(QString, end);
        QFETCH(int, within);
        QFETCH(QString, expected);
        simulatedLink link;
        zorSimulator *sim = link.startSim(1, end == "watchdog" ? 20 : 0);
        // The watchdog's port goes by a link that disappears, so it cannot be opened again.
        QTemporaryDir dir;
        const QString byLink = dir.filePath("by-id");
        QVERIFY(QFile::link(sim->portName(), byLink));
        link.note(&link.port, &ZORSerialPort::onMeasTimeOut, "timeout", &link.lines);
        QSignalSpy progress(&link.port, QOverload<int, int, int, quint8>::of(&ZORSerialPort::setProgress));
        qint64 took = -1;
        int dev = -1;
        // The removal runs inside the delivery of a queued event (the worker's error, as
        // the registry gets it), under the event dispatcher the program uses.
        const auto remove = [&] {
            QElapsedTimer removal;
            removal.start();
            link.port.rmDev(dev);
            took = took < 0 ? removal.elapsed() : took;
        };
        QObject::connect(&link.port, qOverload<int, quint16>(&ZORSerialPort::onDevError), &link.port, remove);
        dev = link.addDev(end == "open" ? "/dev/null" : end == "watchdog" ? byLink : sim->portName());
        QVERIFY(dev >= 0);
        if (end == "watchdog") {
            // A reading shows the port is open; the stream then stops, so the watchdog fires.
            bool opened = false;
            QObject rowScope; // the connection ends with this row, as opened does
            QObject::connect(&link.port, &ZORSerialPort::readyDevMeas, &rowScope, [&] {
                sim->setPeriod(0);
                opened = true;
            });
            QTRY_VERIFY_WITH_TIMEOUT(opened, simulatedLink::timeout);
            QVERIFY(QFile::remove(byLink));
            emit link.port.onSetMeasTimeout(dev, 1);
        } else if (end != "open") {
            // A reply (held back or not) shows the port is open.
            link.port.blockEventDev(dev, end == "held");
            link.port.sendDevQuery(dev, 5, 8);
            QTRY_VERIFY_WITH_TIMEOUT(link.port.isEmptyQueryQueue(dev), simulatedLink::timeout);
            if (end == "exchange" || end == "drop") {
                sim->setThrottle(true);   // the 10880-byte block takes half a minute
                link.port.sendDevQuery(dev, 2, 10880, true);
                QTRY_VERIFY_WITH_TIMEOUT(progress.size() > 10, simulatedLink::timeout);
            }
            link.lines.clear();
            link.replies.clear();
            if (end == "close" || end == "drop")
                sim->closeLine();
            else
                QMetaObject::invokeMethod(&link.port, remove, Qt::QueuedConnection);
        }
        QTRY_VERIFY_WITH_TIMEOUT(took >= 0, simulatedLink::timeout);
        QVERIFY2(took < within, qPrintable(QString::number(took)));
        QCOMPARE(link.port.getPortName(dev), QString("-"));
        QTest::qWait(100);   // nothing comes after
        QVERIFY2(QRegularExpression("^" + expected + "$").match(link.lines.join(',')).hasMatch(),
                 qPrintable(link.lines.join(',')));
        QVERIFY(link.replies.isEmpty() && link.port.isReadAllQuery());
    }

    void unknownDevice()
    {
        simulatedLink link;
        QCOMPARE(link.port.getPortName(3), QString("-"));
        QVERIFY(!link.port.isEmptyQueryQueue(3));
        link.port.sendDevQuery(3, 5, 8);
        link.port.sendDevData(3, QByteArray(8, 0), 4);
        link.port.blockEventDev(3, true);
        link.port.rmDev(3);
        QVERIFY(link.lines.isEmpty() && link.port.isReadAllQuery() && link.port.isSendAllData());
    }

    void addDev_data()
    {
        // %sim stands for the simulator's port, %dir for a directory with a link to it
        // ("by-id") and a plain file.
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");   // the simulator's port is in use already
        QTest::addColumn<bool>("accepted");
        QTest::newRow("pseudo-terminal by path") << "%sim" << false << true;
        QTest::newRow("the same port twice") << "%sim" << true << false;
        QTest::newRow("the same port through a link") << "%dir/by-id" << true << false;
        QTest::newRow("stable link of a free port") << "%dir/by-id" << false << true;
        QTest::newRow("no such port") << "/dev/zor-no-such-port" << false << false;
        QTest::newRow("no such port name") << "ttyZOR99" << false << false;
        QTest::newRow("a file, not a device") << "%dir/plain" << false << false;
    }

    void addDev()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        QFETCH(bool, accepted);
        simulatedLink link;
        const QString simPort = link.startSim()->portName();
        QTemporaryDir dir;
        QVERIFY(QFile::link(simPort, dir.filePath("by-id")));
        QFile file(dir.filePath("plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (taken)
            QCOMPARE(link.port.addDev(simPort), 0);
        name.replace("%sim", simPort).replace("%dir", dir.path());
        const int dev = link.port.addDev(name);
        QCOMPARE(dev >= 0, accepted);
        if (accepted)
            QCOMPARE(link.port.getPortName(dev), name);
    }
};

QTEST_GUILESS_MAIN(test_ZORSerialPort)
#include "test_ZORSerialPort.moc"
