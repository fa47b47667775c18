#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "sim/zorSimulator.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <pty.h>
#include <unistd.h>

namespace {

const int wait = 15000;   // ms; one exchange takes about a second

// A link manager with one simulated instrument, short delays and spies on its results.
struct managedSim
{
    explicit managedSim(int period = 0, quint16 init = 100)
        : sim(options(period)),
          replies(&port, QOverload<int, QByteArray, quint8>::of(&ZORSerialPort::readyDevReply)),
          queryErrors(&port, &ZORSerialPort::onDevQueryError),
          errors(&port, QOverload<int, quint16>::of(&ZORSerialPort::onDevError)),
          results(&port, &ZORSerialPort::resultDevQuery),
          allRead(&port, &ZORSerialPort::allDevQueryComplite),
          blocking(&port, &ZORSerialPort::blockStatusEvent)
    {
        sim.start();
        dev = port.addDev(sim.portName());
        emit port.onSetDelayTime(dev, init, 0, 0);
        // The pointer form must be readable while it is delivered.
        QObject::connect(&port, QOverload<int, QByteArray *, quint8>::of(&ZORSerialPort::readyDevReply),
                         [this](int, QByteArray *buf, quint8) { pointerReplies << *buf; });
    }

    static zorSimulator::options options(int period)
    {
        zorSimulator::options o;
        o.period = period;
        return o;
    }

    // (address, size) of every reply so far.
    QList<QPair<int, int>> replyShapes() const
    {
        QList<QPair<int, int>> shapes;
        for (const QList<QVariant> &r : replies)
            shapes << qMakePair(int(r.at(2).value<quint8>()), r.at(1).toByteArray().size());
        return shapes;
    }

    int logIndex(zorSimulator::eventType type, quint8 address) const
    {
        const QVector<zorSimulator::event> log = sim.log();
        for (int i = 0; i < log.size(); ++i)
            if (log.at(i).type == type && log.at(i).address == address)
                return i;
        return -1;
    }

    zorSimulator sim;
    ZORSerialPort port;
    int dev = -1;
    QSignalSpy replies;
    QSignalSpy queryErrors;
    QSignalSpy errors;
    QSignalSpy results;
    QSignalSpy allRead;
    QSignalSpy blocking;
    QList<QByteArray> pointerReplies;
};

typedef QList<QPair<int, int>> shapes;

} // namespace

Q_DECLARE_METATYPE(shapes)

class test_ZORSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void duplicateReadQueuedOnce();
    void writesGoFirst();
    void failedRead_data();
    void failedRead();
    void streamResumesAfterLastRequest();
    void heldRepliesReleasedInOrder();
    void heldReplyDroppedWithDevice();
    void rmDevDuringExchange();
    void portClosedMidExchange();
    void progress();
    void unknownDevice();
    void addDev_data();
    void addDev();
    void deviceLimit();
};

void test_ZORSerialPort::duplicateReadQueuedOnce()
{
    managedSim m;
    QVERIFY(m.dev >= 0);
    m.port.sendDevQuery(m.dev, 0x33, 24);   // in flight
    m.port.sendDevQuery(m.dev, 5, 8);
    m.port.sendDevQuery(m.dev, 5, 8);       // already waiting
    m.port.sendDevQuery(m.dev, 5, 4);       // another size: another request
    QTRY_COMPARE_WITH_TIMEOUT(m.allRead.size(), 1, wait);
    QCOMPARE(m.replyShapes(), (shapes{{0x33, 24}, {5, 8}, {5, 4}}));
    QCOMPARE(m.replies.at(1).at(1).toByteArray(), m.sim.block(5));
    QCOMPARE(m.pointerReplies.size(), 3);
    QCOMPARE(m.pointerReplies.at(0), m.sim.block(0x33));
}

void test_ZORSerialPort::writesGoFirst()
{
    managedSim m;
    const QByteArray device("\x01\x04\x01\x00\x08\x00\x03\x00", 8);
    QSignalSpy written(&m.port, &ZORSerialPort::doneSendDevData);
    m.port.sendDevData(m.dev, device, 4);
    m.port.sendDevQuery(m.dev, 5, 8);
    QTRY_COMPARE_WITH_TIMEOUT(m.results.size(), 1, wait);
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.at(0).at(1).value<zorSerialPortDataItem>().data, device);
    QCOMPARE(m.replies.at(0).at(1).toByteArray(), device);
    QVERIFY(m.logIndex(zorSimulator::blockWritten, 4) < m.logIndex(zorSimulator::readDone, 5));
}

void test_ZORSerialPort::failedRead_data()
{
    QTest::addColumn<zorQueryMode>("mode");
    QTest::addColumn<int>("unanswered");
    QTest::addColumn<shapes>("expected");
    QTest::addColumn<bool>("result");

    QTest::newRow("ordinary read: the device's reads are dropped")
        << zorQueryMode(qmNormal) << 12 << shapes{} << false;
    QTest::newRow("probing read: only itself") << zorQueryMode(qmFastRetry) << 9 << shapes{{7, 224}} << true;
}

void test_ZORSerialPort::failedRead()
{
    QFETCH(zorQueryMode, mode);
    QFETCH(int, unanswered);
    QFETCH(shapes, expected);
    QFETCH(bool, result);
    managedSim m(0, 30);
    m.sim.injectFault(zorSimulator::noEcho, unanswered);   // every handshake of the first read
    m.port.sendDevQuery(m.dev, 0x33, 24, false, mode);
    m.port.sendDevQuery(m.dev, 7, 224);
    QTRY_COMPARE_WITH_TIMEOUT(m.results.size(), 1, wait);
    QCOMPARE(m.queryErrors.size(), 1);
    QCOMPARE(m.queryErrors.at(0).at(1).value<quint16>(), quint16(110));
    QCOMPARE(m.queryErrors.at(0).at(2).value<zorSerialPortQueryItem>().address, quint8(0x33));
    QCOMPARE(m.errors.size(), 1);
    QCOMPARE(m.replyShapes(), expected);
    QCOMPARE(m.results.at(0).at(1).toBool(), result);
    QCOMPARE(m.allRead.size(), 1);
    // Nothing is left for the device: its stream flows again.
    QCOMPARE(m.blocking.last().at(1).toBool(), false);
    QVERIFY(m.port.isEmptyQueryQueue(m.dev));
}

void test_ZORSerialPort::streamResumesAfterLastRequest()
{
    managedSim m(10);
    QSignalSpy measurements(&m.port, &ZORSerialPort::readyDevMeas);
    QTRY_VERIFY_WITH_TIMEOUT(measurements.size() > 0, wait);
    m.port.sendDevQuery(m.dev, 5, 8);
    QTRY_COMPARE_WITH_TIMEOUT(m.results.size(), 1, wait);
    QCOMPARE(m.blocking.first().at(1).toBool(), true);
    QCOMPARE(m.blocking.last().at(1).toBool(), false);
    measurements.clear();
    QTRY_VERIFY_WITH_TIMEOUT(measurements.size() > 3, wait);
    QCOMPARE(measurements.last().at(0).toInt(), m.dev);
}

void test_ZORSerialPort::heldRepliesReleasedInOrder()
{
    managedSim m;
    m.port.blockEventDev(m.dev, true);
    m.port.sendDevQuery(m.dev, 0x33, 24);
    m.port.sendDevQuery(m.dev, 5, 8);
    QTRY_VERIFY_WITH_TIMEOUT(m.port.isEmptyQueryQueue(m.dev), wait);
    QCOMPARE(m.replies.size(), 0);
    QVERIFY(!m.port.isReadAllQuery());   // held replies still count
    QCOMPARE(m.allRead.size(), 0);

    m.port.blockEventDev(m.dev, false);
    QCOMPARE(m.replyShapes(), (shapes{{0x33, 24}, {5, 8}}));
    QCOMPARE(m.pointerReplies, (QList<QByteArray>{m.sim.block(0x33), m.sim.block(5)}));
    QVERIFY(m.port.isReadAllQuery());
    QCOMPARE(m.allRead.size(), 1);
}

void test_ZORSerialPort::heldReplyDroppedWithDevice()
{
    // The held array is released with the device (the sanitizer build checks it).
    managedSim m;
    m.port.blockEventDev(m.dev, true);
    m.port.sendDevQuery(m.dev, 5, 8);
    QTRY_VERIFY_WITH_TIMEOUT(m.port.isEmptyQueryQueue(m.dev), wait);
    m.port.rmDev(m.dev);
    QCOMPARE(m.port.getPortName(m.dev), QString("-"));
    QCOMPARE(m.replies.size(), 0);
    QVERIFY(m.port.isReadAllQuery());
}

void test_ZORSerialPort::rmDevDuringExchange()
{
    managedSim m;
    m.sim.setThrottle(true);   // the 10880-byte block takes half a minute
    QSignalSpy progress(&m.port, QOverload<int, int, int, quint8>::of(&ZORSerialPort::setProgress));
    m.port.sendDevQuery(m.dev, 2, 10880, true);
    QTRY_VERIFY_WITH_TIMEOUT(progress.size() > 10, wait);
    m.port.rmDev(m.dev);
    // The worker was gone before rmDev returned, so well within its 5 s, and the
    // abandoned read gives no signal.
    QCOMPARE(m.port.getPortName(m.dev), QString("-"));
    QTest::qWait(100);
    QCOMPARE(m.replies.size(), 0);
    QCOMPARE(m.queryErrors.size(), 0);
    QCOMPARE(m.errors.size(), 0);
}

void test_ZORSerialPort::portClosedMidExchange()
{
    managedSim m;
    m.sim.injectFault(zorSimulator::dropLine, 1, 10);
    m.port.sendDevQuery(m.dev, 7, 224);
    QTRY_COMPARE_WITH_TIMEOUT(m.port.getPortName(m.dev), QString("-"), wait);
    QCOMPARE(m.errors.size(), 1);
    QVERIFY(m.errors.at(0).at(1).value<quint16>() >= 245);
    QCOMPARE(m.queryErrors.size(), 0);
    QCOMPARE(m.replies.size(), 0);
}

void test_ZORSerialPort::progress()
{
    managedSim m;
    QSignalSpy overall(&m.port, QOverload<int, int>::of(&ZORSerialPort::setProgress));
    QSignalSpy device(&m.port, QOverload<int, int, int, quint8>::of(&ZORSerialPort::setProgress));
    m.port.sendDevQuery(m.dev, 0x33, 24, true);
    m.port.sendDevQuery(m.dev, 5, 8);
    m.port.sendDevQuery(m.dev, 7, 224);
    QTRY_COMPARE_WITH_TIMEOUT(m.allRead.size(), 1, wait);

    QList<QPair<int, int>> steps;
    for (const QList<QVariant> &s : qAsConst(overall))
        steps << qMakePair(s.at(0).toInt(), s.at(1).toInt());
    QCOMPARE(steps, (QList<QPair<int, int>>{{0, 1}, {1, 3}, {2, 3}, {0, 0}}));

    // Busy, then one step per 4-byte unit, busy again, done.
    QStringList units;
    for (const QList<QVariant> &s : qAsConst(device))
        units << QString("%1/%2@%3").arg(s.at(1).toInt()).arg(s.at(2).toInt()).arg(s.at(3).value<quint8>());
    QCOMPARE(units, (QStringList{"-1/0@51", "0/24@51", "4/24@51", "8/24@51", "12/24@51", "16/24@51", "20/24@51",
                                 "24/24@51", "-1/0@51", "0/0@255"}));
}

void test_ZORSerialPort::unknownDevice()
{
    ZORSerialPort port;
    QSignalSpy blocking(&port, &ZORSerialPort::blockStatusEvent);
    QCOMPARE(port.getPortName(3), QString("-"));
    QVERIFY(!port.isEmptyQueryQueue(3));
    port.sendDevQuery(3, 5, 8);
    port.sendDevData(3, QByteArray(8, 0), 4);
    port.blockEventDev(3, true);
    port.rmDev(3);
    QCOMPARE(blocking.size(), 0);
    QVERIFY(port.isReadAllQuery());
    QVERIFY(port.isSendAllData());
}

void test_ZORSerialPort::addDev_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("pseudo-terminal by path") << "pty" << true;
    QTest::newRow("the same port twice") << "twice" << false;
    QTest::newRow("the same port through a link") << "link" << false;
    QTest::newRow("stable link of a free port") << "free link" << true;
    QTest::newRow("no such port") << "missing" << false;
    QTest::newRow("no such port name") << "name" << false;
    QTest::newRow("a file, not a device") << "file" << false;
}

void test_ZORSerialPort::addDev()
{
    QFETCH(QString, kind);
    QFETCH(bool, accepted);
    zorSimulator sim(managedSim::options(0));
    QVERIFY(sim.start());
    QTemporaryDir dir;
    ZORSerialPort port;
    QString name = sim.portName();
    if (kind == "twice" || kind == "link")
        QCOMPARE(port.addDev(sim.portName()), 0);
    if (kind == "link" || kind == "free link") {
        name = dir.filePath("by-id-link");
        QVERIFY(QFile::link(sim.portName(), name));
    } else if (kind == "missing") {
        name = "/dev/zor-no-such-port";
    } else if (kind == "name") {
        name = "ttyZOR99";
    } else if (kind == "file") {
        name = dir.filePath("plain");
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const int dev = port.addDev(name);
    QCOMPARE(dev >= 0, accepted);
    if (accepted)
        QCOMPARE(port.getPortName(dev), name);
}

void test_ZORSerialPort::deviceLimit()
{
    // 255 idle ports are opened; the 256th is refused.
    QVector<int> fds;
    QStringList names;
    for (int i = 0; i < ZORSerialPort::maxDevices + 1; ++i) {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        fds << master << slave;
        names << QString::fromLocal8Bit(name);
        zorPortCatalog::registerPort(names.last(), "test");
    }
    {
        ZORSerialPort port;
        for (int i = 0; i < ZORSerialPort::maxDevices; ++i)
            QCOMPARE(port.addDev(names.at(i)), i);
        QCOMPARE(port.addDev(names.last()), -1);
        port.rmDev(7);
        QCOMPARE(port.addDev(names.last()), 7);   // the smallest free index
    }
    for (const QString &name : qAsConst(names))
        zorPortCatalog::unregisterPort(name);
    for (int fd : qAsConst(fds))
        ::close(fd);
}

QTEST_GUILESS_MAIN(test_ZORSerialPort)
#include "test_ZORSerialPort.moc"
