#include "tests/common/simulatedLink.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The port worker on a simulated instrument: its retry scheme and its watchdog.
class test_zorSerialPortThread : public QObject
{
    Q_OBJECT
private slots:
    void retryScheme_data();
    void retryScheme();
    void watchdog_data();
    void watchdog();
};

void test_zorSerialPortThread::retryScheme_data()
{
    QTest::addColumn<zorQueryMode>("mode");
    QTest::addColumn<bool>("rec");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("tries");
    QTest::addColumn<int>("reconnects");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("qmNormal: four tries, reconnect before the third")
        << zorQueryMode(qmNormal) << false << false << 4 << 1 << "queryError 10 5";
    QTest::newRow("qmNoRetry: one try of three handshakes, then 10")
        << zorQueryMode(qmNoRetry) << false << false << 1 << 0 << "queryError 10 5";
    QTest::newRow("qmFastRetry: three tries, no reconnect")
        << zorQueryMode(qmFastRetry) << false << false << 3 << 0 << "queryError 10 5";
    QTest::newRow("qmEmptyOnFail alone gives up at once")
        << zorQueryMode(qmEmptyOnFail) << false << false << 1 << 0 << "reply 0 5";
    QTest::newRow("record read follows the normal scheme")
        << zorQueryMode(qmEmptyOnFail) << true << false << 4 << 1 << "reply 0 5";
    QTest::newRow("write: four tries") << zorQueryMode(qmNormal) << false << true << 4 << 1 << "dataError 10 5";
}

void test_zorSerialPortThread::retryScheme()
{
    QFETCH(zorQueryMode, mode);
    QFETCH(bool, rec);
    QFETCH(bool, write);
    QFETCH(int, tries);
    QFETCH(int, reconnects);
    QFETCH(QString, outcome);
    simulatedLink link;
    zorSimulator *sim = link.startSim();
    sim->injectFault(zorSimulator::noEcho, -1);
    link.startWorker(sim->portName(), 30);
    if (write)
        link.write(5, QByteArray(8, '\1'));
    else
        link.read(5, 8, mode, rec);
    QTRY_VERIFY_WITH_TIMEOUT(!link.lines.isEmpty(), simulatedLink::timeout);
    QCOMPARE(link.lines, QStringList{outcome});
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::selectorIgnored)).count(char(5)), 3 * tries);
    QCOMPARE(link.worker->reconnectCount(), reconnects);
}

void test_zorSerialPortThread::watchdog_data()
{
    QTest::addColumn<bool>("portGone");
    QTest::newRow("the port opens again") << false;
    QTest::newRow("the port is gone: the worker ends") << true;
}

void test_zorSerialPortThread::watchdog()
{
    // A silent instrument, on a port named by a link that can be taken away.
    QFETCH(bool, portGone);
    simulatedLink link;
    const zorSimulator *sim = link.startSim();
    QTemporaryDir dir;
    const QString byLink = dir.filePath("by-id");
    QVERIFY(QFile::link(sim->portName(), byLink));
    link.startWorker(byLink);
    zorSerialPortThread *worker = link.worker.get();
    QSignalSpy timeouts(worker, &zorSerialPortThread::onMeasTimeout);
    if (portGone)
        QVERIFY(QFile::remove(byLink));
    QMetaObject::invokeMethod(worker, [worker] { worker->setMeasTimeout(0, 1); });
    QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, simulatedLink::timeout);
    QCOMPARE(timeouts.at(0).at(0).toBool(), !portGone);
    QCOMPARE(worker->reconnectCount(), portGone ? 0 : 1);
    if (portGone) {
        QTRY_COMPARE(link.lines, QStringList{"error 252"});
        QTRY_VERIFY(worker->isFinished());
    } else {
        QVERIFY(worker->isAlive());
        QVERIFY(link.lines.isEmpty());
    }
}

QTEST_GUILESS_MAIN(test_zorSerialPortThread)
#include "test_zorSerialPortThread.moc"
