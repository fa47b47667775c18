#include "simLink.h"

#include <QTest>

Q_DECLARE_METATYPE(zorSimulator::fault)

namespace {

// Name block data two bytes short, followed by bytes that must never be sent.
const char shortName[] = "\x0f\xaa\x00\x03Simulated-nameXXXXXXXX";

QByteArray bytes(int size, int first)
{
    QByteArray result(size, 0);
    for (int i = 0; i < size; ++i)
        result[i] = char(first + i);
    return result;
}

} // namespace

class test_zorLinkExchange : public QObject
{
    Q_OBJECT
private slots:
    void blockRead_data();
    void blockRead();
    void readFailure_data();
    void readFailure();
    void recordRead_data();
    void recordRead();
    void wordReadRetriedAfterTimeout();
    void blockWrite_data();
    void blockWrite();
    void wordWrite_data();
    void wordWrite();
};

void test_zorLinkExchange::blockRead_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("repeats");

    const QByteArray extended = QByteArray("\x0f\xaa\x05\x09", 4) + bytes(36, 1);
    QTest::newRow("plain block") << -1 << bytes(24, 7) << 24 << bytes(24, 7) << 0;
    QTest::newRow("0F AA xx 09 first unit: 16 bytes more") << -1 << extended << 24 << extended << 0;
    QTest::newRow("corrupted unit is repeated") << int(zorSimulator::corruptUnit) << bytes(24, 7) << 24
                                                << bytes(24, 7) << 1;
    QTest::newRow("withheld acknowledge: unit repeated") << int(zorSimulator::withholdAck) << bytes(24, 7) << 24
                                                         << bytes(24, 7) << 1;
    QTest::newRow("size not a multiple of 4 keeps what fits") << -1 << bytes(12, 7) << 10 << bytes(10, 7) << 0;
}

void test_zorLinkExchange::blockRead()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, block);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    QFETCH(int, repeats);
    simLink link;
    link.sim.setBlock(0x40, block);
    if (fault >= 0)
        link.sim.injectFault(zorSimulator::fault(fault));
    link.read(0x40, quint16(size));
    QTRY_COMPARE_WITH_TIMEOUT(link.replies.size(), 1, exchangeWait);
    QCOMPARE(link.replies.at(0).at(1).value<quint8>(), quint8(0x40));
    QCOMPARE(link.takeReplies(), QList<QByteArray>{expected});
    QCOMPARE(link.sim.log(zorSimulator::unitRepeated).size(), repeats);
    QCOMPARE(link.queryErrors.size(), 0);
}

void test_zorLinkExchange::readFailure_data()
{
    QTest::addColumn<zorSimulator::fault>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("selectors");

    QTest::newRow("no echo: three handshakes, then 10") << zorSimulator::noEcho << 3 << 10 << 3;
    QTest::newRow("no ready marker: 20") << zorSimulator::badReadyMarker << 1 << 20 << 1;
    QTest::newRow("ten failures of a unit: 30") << zorSimulator::corruptUnit << 10 << 30 << 1;
}

void test_zorLinkExchange::readFailure()
{
    QFETCH(zorSimulator::fault, fault);
    QFETCH(int, count);
    QFETCH(int, code);
    QFETCH(int, selectors);
    simLink link;
    link.sim.injectFault(fault, count);
    link.read(5, 8, qmNoRetry);
    QTRY_COMPARE_WITH_TIMEOUT(link.queryErrors.size(), 1, exchangeWait);
    QCOMPARE(link.queryErrors.at(0).at(0).value<quint16>(), quint16(code));
    QCOMPARE(link.queryErrors.at(0).at(1).value<zorSerialPortQueryItem>().address, quint8(5));
    QCOMPARE(link.events(zorSimulator::selectorEchoed, 5) + link.events(zorSimulator::selectorIgnored, 5), selectors);
    QCOMPARE(link.replies.size(), 0);
}

void test_zorLinkExchange::recordRead_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("three records") << bytes(24, 1) << 24 << bytes(24, 1);
    QTest::newRow("stream starting with FF: empty reply") << QByteArray() << 24 << QByteArray();
    QTest::newRow("size ends inside a record: whole record") << bytes(32, 1) << 12 << bytes(16, 1);
}

void test_zorLinkExchange::recordRead()
{
    QFETCH(QByteArray, records);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    simLink link;
    link.sim.setRecords(0x50, records);
    link.read(0x50, quint16(size), qmNormal, true);
    QTRY_COMPARE_WITH_TIMEOUT(link.replies.size(), 1, exchangeWait);
    QCOMPARE(link.takeReplies(), QList<QByteArray>{expected});
    QCOMPARE(link.queryErrors.size(), 0);
}

void test_zorLinkExchange::wordReadRetriedAfterTimeout()
{
    simLink link;
    link.sim.setWord(0x60, "\x01\x02\x03\x04");
    link.sim.injectFault(zorSimulator::noData);
    link.read(0x60, 4, qmNormal, false, true);
    QTRY_COMPARE_WITH_TIMEOUT(link.replies.size(), 1, exchangeWait);
    QCOMPARE(link.takeReplies(), QList<QByteArray>{"\x01\x02\x03\x04"});
    QCOMPARE(link.events(zorSimulator::exchangeFailed, 0x60), 1);
    QCOMPARE(link.events(zorSimulator::readDone, 0x60), 1);
    QCOMPARE(link.worker.reconnectCount(), 0);   // the first retry comes without reconnecting
}

void test_zorLinkExchange::blockWrite_data()
{
    QTest::addColumn<quint8>("address");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("wrongEchoes");
    QTest::addColumn<quint8>("readAddress");
    QTest::addColumn<QByteArray>("stored");

    const QByteArray device("\x01\x03\x02\x01\x08\x01\x02\x00", 8);
    QTest::newRow("device block") << quint8(4) << device << 0 << quint8(5) << device;
    QTest::newRow("echoed wrongly three times, then right") << quint8(4) << device << 3 << quint8(5) << device;
    QTest::newRow("ten wrong echoes abandon the try, the retry succeeds")
        << quint8(4) << device << 10 << quint8(5) << device;
    // Two bytes short of the name block: the last unit goes out padded with zeros,
    // never with what lies past the data.
    QTest::newRow("length not a multiple of 4")
        << quint8(0x32) << QByteArray::fromRawData(shortName, 18) << 0 << quint8(0x33)
        << QByteArray(shortName + 4, 14) + QByteArray(2, '\0');
}

void test_zorLinkExchange::blockWrite()
{
    QFETCH(quint8, address);
    QFETCH(QByteArray, data);
    QFETCH(int, wrongEchoes);
    QFETCH(quint8, readAddress);
    QFETCH(QByteArray, stored);
    simLink link;
    if (wrongEchoes)
        link.sim.injectFault(zorSimulator::wrongEcho, wrongEchoes);
    link.write(address, data);
    QTRY_COMPARE_WITH_TIMEOUT(link.done.size(), 1, exchangeWait);
    QCOMPARE(link.dataErrors.size(), 0);
    QCOMPARE(link.events(zorSimulator::blockWritten, address), 1);

    // The name block's name is bytes 4..19 of the identity block.
    QCOMPARE(address == 0x32 ? link.sim.block(readAddress).mid(4, 16) : link.sim.block(readAddress), stored);
    const QByteArray sent = link.sim.received();
    const QByteArray unit = data.left(4);
    if (wrongEchoes == 3) {
        // Each wrong echo is answered by its failure count before the unit comes again.
        const QByteArray expected = unit + '\x01' + unit + '\x02' + unit + '\x03' + unit + '\x0f';
        QVERIFY2(sent.contains(expected), sent.toHex(' ').constData());
    }
    if (wrongEchoes == 10) {
        // The abandoned try ends with 10 and 0xAA, and both reach the instrument.
        QVERIFY(sent.contains(unit + '\x0a' + '\xaa'));
        QCOMPARE(link.sim.log(zorSimulator::exchangeFailed).at(0).data, QByteArray("write abandoned"));
    }
}

void test_zorLinkExchange::wordWrite_data()
{
    QTest::addColumn<int>("wrongEchoes");
    QTest::addColumn<int>("failures");
    QTest::newRow("accepted") << 0 << 0;
    QTest::newRow("wrong echo: 30, retried") << 1 << 1;
}

void test_zorLinkExchange::wordWrite()
{
    QFETCH(int, wrongEchoes);
    QFETCH(int, failures);
    simLink link;
    link.sim.addWordTarget(0x70);
    if (wrongEchoes)
        link.sim.injectFault(zorSimulator::wrongEcho, wrongEchoes);
    link.write(0x70, "\x11\x22\x33\x44\x55", true);
    QTRY_COMPARE_WITH_TIMEOUT(link.done.size(), 1, exchangeWait);
    // The instrument keeps the word only once the final 0F AA 0F AA has reached it,
    // although the port is cleared right after it is written.
    QCOMPARE(link.sim.writtenWord(0x70), QByteArray("\x11\x22\x33\x44"));
    QCOMPARE(link.events(zorSimulator::exchangeFailed, 0x70), failures);
}

QTEST_GUILESS_MAIN(test_zorLinkExchange)
#include "test_zorLinkExchange.moc"
