#include "tests/common/simulatedLink.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray bytes(int size, int first)
{
    QByteArray result(size, 0);
    for (int i = 0; i < size; ++i)
        result[i] = char(first + i);
    return result;
}

enum readKind { block, records, word };

// Name block data two bytes short, followed by bytes that must never be sent.
const char shortName[] = "\x0f\xaa\x00\x03Simulated-nameXXXXXXXX";

} // namespace

// The port worker on a simulated instrument: its exchanges, checked on both ends, its
// retry scheme and its watchdog.
class test_zorSerialPortThread : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("fault");   // with its count; -1: none
        QTest::addColumn<int>("faults");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("outcome");   // a reply of n bytes: the first n stored
        QTest::addColumn<int>("repeated");   // units the instrument sent again
        QTest::addColumn<int>("failed");     // exchanges the instrument saw fail

        const QByteArray plain = bytes(24, 7);
        const QByteArray extended = QByteArray("\x0f\xaa\x05\x09", 4) + bytes(36, 1);
        QTest::newRow("block") << int(block) << plain << -1 << 0 << 24 << "reply 24 64" << 0 << 0;
        QTest::newRow("0F AA xx 09 first unit: 16 bytes more")
            << int(block) << extended << -1 << 0 << 24 << "reply 40 64" << 0 << 0;
        QTest::newRow("corrupted unit is repeated")
            << int(block) << plain << int(zorSimulator::corruptUnit) << 1 << 24 << "reply 24 64" << 1 << 0;
        QTest::newRow("withheld acknowledge: unit repeated")
            << int(block) << plain << int(zorSimulator::withholdAck) << 1 << 24 << "reply 24 64" << 1 << 0;
        QTest::newRow("size not a multiple of 4 keeps what fits")
            << int(block) << bytes(12, 7) << -1 << 0 << 10 << "reply 10 64" << 0 << 0;
        QTest::newRow("no ready marker: 20")
            << int(block) << plain << int(zorSimulator::badReadyMarker) << 1 << 24 << "queryError 20 64" << 0 << 1;
        QTest::newRow("ten failures of a unit: 30")
            << int(block) << plain << int(zorSimulator::corruptUnit) << 10 << 24 << "queryError 30 64" << 10 << 1;
        QTest::newRow("record stream starting with FF: empty reply")
            << int(records) << QByteArray() << -1 << 0 << 24 << "reply 0 64" << 0 << 0;
        QTest::newRow("size ends inside a record: whole record")
            << int(records) << bytes(32, 1) << -1 << 0 << 12 << "reply 16 64" << 0 << 0;
        QTest::newRow("word read timing out: 30, retried")
            << int(word) << bytes(4, 1) << int(zorSimulator::noData) << 1 << 4 << "reply 4 64" << 0 << 1;
    }

    void read()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, stored);
        QFETCH(int, fault);
        QFETCH(int, faults);
        QFETCH(int, size);
        QFETCH(QString, outcome);
        QFETCH(int, repeated);
        QFETCH(int, failed);
        simulatedLink link;
        zorSimulator *sim = link.startSim();
        const quint8 address = 0x40;
        kind == block ? sim->setBlock(address, stored)
                      : kind == records ? sim->setRecords(address, stored) : sim->setWord(address, stored);
        if (fault >= 0)
            sim->injectFault(zorSimulator::_fault(fault), faults);
        link.startWorker(sim->portName());
        // A block read gives up at the first failure; the others know no such mode.
        link.read(address, quint16(size), qmNoRetry, kind == records, kind == word);
        QTRY_VERIFY_WITH_TIMEOUT(!link.lines.isEmpty(), simulatedLink::timeout);
        QCOMPARE(link.lines, QStringList{outcome});
        QCOMPARE(link.replies, outcome.startsWith("reply") ? QList<QByteArray>{stored.left(outcome.section(' ', 1, 1).toInt())}
                                                           : QList<QByteArray>());
        // The instrument may log a failure a moment after the program has given up.
        QTRY_COMPARE(simulatedLink::addresses(sim->log(zorSimulator::unitRepeated)).count(char(address)), repeated);
        QTRY_COMPARE(simulatedLink::addresses(sim->log(zorSimulator::exchangeFailed)).count(char(address)), failed);
    }

    void write_data()
    {
        QTest::addColumn<quint8>("address");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("word");
        QTest::addColumn<int>("wrongEchoes");
        QTest::addColumn<QByteArray>("sent");     // a run of bytes the instrument received, if any
        QTest::addColumn<QByteArray>("stored");   // what the instrument keeps
        QTest::addColumn<int>("failed");

        const QByteArray device("\x01\x03\x02\x01\x08\x01\x02\x00", 8);
        const QByteArray unit = device.left(4);
        QTest::newRow("device block") << quint8(4) << device << false << 0 << QByteArray() << device << 0;
        // Each wrong echo is answered by its failure count before the unit comes again.
        QTest::newRow("echoed wrongly three times, then right")
            << quint8(4) << device << false << 3 << unit + '\x01' + unit + '\x02' + unit + '\x03' + unit + '\x0f'
            << device << 0;
        // The abandoned try ends with 10 and 0xAA, and both reach the instrument although
        // the port is cleared right after them.
        QTest::newRow("ten wrong echoes abandon the try, the retry succeeds")
            << quint8(4) << device << false << 10 << unit + '\x0a' + '\xaa' << device << 1;
        // The last unit goes out padded with zeros, never with what lies past the data.
        QTest::newRow("length not a multiple of 4")
            << quint8(0x32) << QByteArray::fromRawData(shortName, 18) << false << 0 << QByteArray()
            << QByteArray(shortName + 4, 14) + QByteArray(2, '\0') << 0;
        // The instrument keeps a word only once the final 0F AA 0F AA has reached it.
        QTest::newRow("word") << quint8(0x70) << QByteArray("\x11\x22\x33\x44\x55") << true << 0
                              << QByteArray("\x0f\xaa\x0f\xaa") << QByteArray("\x11\x22\x33\x44") << 0;
        QTest::newRow("word echoed wrongly: 30, retried") << quint8(0x70) << QByteArray("\x11\x22\x33\x44\x55") << true
                                                          << 1 << QByteArray() << QByteArray("\x11\x22\x33\x44") << 1;
    }

    void write()
    {
        QFETCH(quint8, address);
        QFETCH(QByteArray, data);
        QFETCH(bool, word);
        QFETCH(int, wrongEchoes);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, stored);
        QFETCH(int, failed);
        simulatedLink link;
        zorSimulator *sim = link.startSim();
        sim->addWordTarget(0x70);
        if (wrongEchoes)
            sim->injectFault(zorSimulator::wrongEcho, wrongEchoes);
        link.startWorker(sim->portName());
        link.write(address, data, word);
        QTRY_VERIFY_WITH_TIMEOUT(!link.lines.isEmpty(), simulatedLink::timeout);
        QCOMPARE(link.lines, QStringList{"done"});
        QVERIFY2(sim->received().contains(sent), sim->received().toHex(' ').constData());
        // Read back where the instrument keeps it; the name block's name is bytes 4..19 of the identity.
        QCOMPARE(word ? sim->writtenWord(address) : address == 0x32 ? sim->block(0x33).mid(4, 16) : sim->block(address + 1),
                 stored);
        QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::exchangeFailed)).count(char(address)), failed);
    }

    void retryScheme_data()
    {
        QTest::addColumn<zorQueryMode>("mode");
        QTest::addColumn<bool>("rec");
        QTest::addColumn<int>("tries");
        QTest::addColumn<int>("reconnects");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("qmNormal: four tries, reconnect before the third")
            << zorQueryMode(qmNormal) << false << 4 << 1 << "queryError 10 5";
        QTest::newRow("qmNoRetry: one try of three handshakes, then 10")
            << zorQueryMode(qmNoRetry) << false << 1 << 0 << "queryError 10 5";
        QTest::newRow("qmFastRetry: three tries, no reconnect")
            << zorQueryMode(qmFastRetry) << false << 3 << 0 << "queryError 10 5";
        QTest::newRow("qmEmptyOnFail alone gives up at once")
            << zorQueryMode(qmEmptyOnFail) << false << 1 << 0 << "reply 0 5";
        QTest::newRow("record read follows the normal scheme")
            << zorQueryMode(qmEmptyOnFail) << true << 4 << 1 << "reply 0 5";
    }

    void retryScheme()
    {
        QFETCH(zorQueryMode, mode);
        QFETCH(bool, rec);
        QFETCH(int, tries);
        QFETCH(int, reconnects);
        QFETCH(QString, outcome);
        simulatedLink link;
        zorSimulator *sim = link.startSim();
        sim->injectFault(zorSimulator::noEcho, -1);
        link.startWorker(sim->portName(), 30);
        link.read(5, 8, mode, rec);
        QTRY_VERIFY_WITH_TIMEOUT(!link.lines.isEmpty(), simulatedLink::timeout);
        QCOMPARE(link.lines, QStringList{outcome});
        QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::selectorIgnored)).count(char(5)), 3 * tries);
        QCOMPARE(link.worker->reconnectCount(), reconnects);
    }

    // A silent instrument: the watchdog opens its port again; set to 0 s it is off, however
    // many exchanges end. (A port gone for good is the link manager's removal case.)
    void watchdog()
    {
        simulatedLink link;
        link.startWorker(link.startSim()->portName());
        zorSerialPortThread *worker = link.worker.get();
        QSignalSpy timeouts(worker, &zorSerialPortThread::onMeasTimeout);
        QMetaObject::invokeMethod(worker, [worker] { worker->setMeasTimeout(0, 1); });
        QTRY_COMPARE_WITH_TIMEOUT(timeouts.size(), 1, simulatedLink::timeout);
        QVERIFY(timeouts.at(0).at(0).toBool() && worker->isAlive() && link.lines.isEmpty());
        QMetaObject::invokeMethod(worker, [worker] { worker->setMeasTimeout(0, 0); });
        for (int n = 1; n <= 3; ++n) {
            link.read(5, 8);
            QTRY_COMPARE_WITH_TIMEOUT(link.lines.size(), n, simulatedLink::timeout);
        }
        QCOMPARE(worker->reconnectCount(), 1);
        QCOMPARE(timeouts.size(), 1);
    }
};

QTEST_GUILESS_MAIN(test_zorSerialPortThread)
#include "test_zorSerialPortThread.moc"
