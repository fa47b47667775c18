#include "simLink.h"

#include <QTest>

class test_zorSerialPortThread : public QObject
{
    Q_OBJECT
private slots:
    void secondQueryIgnoredWhileOneIsCurrent();
    void retryScheme_data();
    void retryScheme();
    void stream();
    void watchdogReconnects();
    void vanishingPort_data();
    void vanishingPort();
};

void test_zorSerialPortThread::secondQueryIgnoredWhileOneIsCurrent()
{
    simLink link;
    link.read(5, 8);
    link.read(7, 224);
    QTRY_COMPARE_WITH_TIMEOUT(link.replies.size(), 1, exchangeWait);
    // Both were handed over together: the second would have started by now.
    QTest::qWait(600);
    QCOMPARE(link.replies.size(), 1);
    QCOMPARE(link.replies.at(0).at(1).value<quint8>(), quint8(5));
    QCOMPARE(link.events(zorSimulator::selectorEchoed, 7), 0);
}

void test_zorSerialPortThread::retryScheme_data()
{
    QTest::addColumn<zorQueryMode>("mode");
    QTest::addColumn<bool>("rec");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("tries");
    QTest::addColumn<int>("reconnects");
    QTest::addColumn<bool>("emptyReply");

    QTest::newRow("qmNormal: four tries, reconnect before the third")
        << zorQueryMode(qmNormal) << false << false << 4 << 1 << false;
    QTest::newRow("qmNoRetry: one try") << zorQueryMode(qmNoRetry) << false << false << 1 << 0 << false;
    QTest::newRow("qmFastRetry: three tries, no reconnect")
        << zorQueryMode(qmFastRetry) << false << false << 3 << 0 << false;
    QTest::newRow("qmEmptyOnFail alone gives up at once")
        << zorQueryMode(qmEmptyOnFail) << false << false << 1 << 0 << true;
    QTest::newRow("record read follows the normal scheme")
        << zorQueryMode(qmEmptyOnFail) << true << false << 4 << 1 << true;
    QTest::newRow("write: four tries") << zorQueryMode(qmNormal) << false << true << 4 << 1 << false;
}

void test_zorSerialPortThread::retryScheme()
{
    QFETCH(zorQueryMode, mode);
    QFETCH(bool, rec);
    QFETCH(bool, write);
    QFETCH(int, tries);
    QFETCH(int, reconnects);
    QFETCH(bool, emptyReply);
    simLink link;
    QMetaObject::invokeMethod(&link.worker, [&link] { link.worker.setDelayTime(0, 30, 0, 0); });
    link.sim.injectFault(zorSimulator::noEcho, -1);
    if (write)
        link.write(4, QByteArray(8, '\1'));
    else
        link.read(5, 8, mode, rec);
    QTRY_COMPARE_WITH_TIMEOUT(link.replies.size() + link.queryErrors.size() + link.dataErrors.size(), 1, exchangeWait);
    const quint8 address = write ? 4 : 5;
    QCOMPARE(link.events(zorSimulator::selectorIgnored, address), 3 * tries);
    QCOMPARE(link.worker.reconnectCount(), reconnects);
    if (emptyReply) {
        QCOMPARE(link.takeReplies(), QList<QByteArray>{QByteArray()});
    } else {
        QSignalSpy &errors = write ? link.dataErrors : link.queryErrors;
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).value<quint16>(), quint16(10));
    }
}

void test_zorSerialPortThread::stream()
{
    zorSimulator::options options;
    options.period = 10;
    simLink link(options);
    QSignalSpy measurements(&link.worker, &zorSerialPortThread::readyMeas);
    QSignalSpy statuses(&link.worker, &zorSerialPortThread::readyStatus);
    QSignalSpy sources(&link.worker, &zorSerialPortThread::readySource);
    link.sim.injectFault(zorSimulator::errorReading, 1, 13);
    link.sim.injectFault(zorSimulator::statusError, 1, 50);
    QTRY_VERIFY_WITH_TIMEOUT(statuses.size() >= 3, exchangeWait);

    QSet<int> channels;
    int errorMarkers = 0;
    for (const QList<QVariant> &m : qAsConst(measurements)) {
        channels << m.at(1).value<quint8>();
        if (m.at(0).toDouble() == -999999.0) {
            QCOMPARE(m.at(2).value<char>(), '=');
            ++errorMarkers;
        } else {
            QCOMPARE(m.at(2).value<char>(), 'D');
            QVERIFY(qAbs(m.at(0).toDouble() - 22) < 1);
        }
    }
    QCOMPARE(errorMarkers, 1);
    QCOMPARE(channels, (QSet<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QStringList firstFields;
    for (const QList<QVariant> &status : qAsConst(statuses)) {
        const QStringList fields = status.at(0).toStringList();
        QCOMPARE(fields.size(), 3);
        firstFields << fields.at(0);
    }
    QCOMPARE(firstFields.count("98"), 1);
    QCOMPARE(firstFields.count("0"), firstFields.size() - 1);
    QVERIFY(sources.size() >= measurements.size() + statuses.size());

    // Blocked, the stream is left in the port.
    QMetaObject::invokeMethod(&link.worker, [&link] { link.worker.blockStatusEvent(0, true); });
    QTest::qWait(100);
    sources.clear();
    QTest::qWait(200);
    QCOMPARE(sources.size(), 0);
}

void test_zorSerialPortThread::watchdogReconnects()
{
    simLink link;
    QSignalSpy timeouts(&link.worker, &zorSerialPortThread::onMeasTimeout);
    QMetaObject::invokeMethod(&link.worker, [&link] { link.worker.setMeasTimeout(0, 1); });
    QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, exchangeWait);
    QCOMPARE(timeouts.at(0).at(0).toBool(), true);
    QCOMPARE(link.worker.reconnectCount(), 1);
    QCOMPARE(link.errors.size(), 0);
}

void test_zorSerialPortThread::vanishingPort_data()
{
    QTest::addColumn<bool>("midExchange");
    QTest::newRow("idle") << false;
    QTest::newRow("during a block read") << true;
}

void test_zorSerialPortThread::vanishingPort()
{
    QFETCH(bool, midExchange);
    simLink link;
    QSignalSpy finished(&link.worker, &QThread::finished);
    if (midExchange) {
        link.sim.injectFault(zorSimulator::dropLine, 1, 20);
        link.read(2, 10880);
    } else {
        link.sim.closeLine();
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, exchangeWait);
    QTest::qWait(200);
    // One report of the port's error (255 - e, e a fatal QSerialPort error), nothing
    // about the abandoned request, and the worker is gone.
    QCOMPARE(link.errors.size(), 1);
    const int code = link.errors.at(0).at(0).value<quint16>();
    QVERIFY2(code >= 255 - QSerialPort::UnsupportedOperationError && code <= 255 - QSerialPort::DeviceNotFoundError,
             QByteArray::number(code).constData());
    QCOMPARE(link.queryErrors.size(), 0);
    QCOMPARE(link.replies.size(), 0);
    QVERIFY(link.worker.isFinished());
}

QTEST_GUILESS_MAIN(test_zorSerialPortThread)
#include "test_zorSerialPortThread.moc"
