#include "model/featureZOR70.h"
#include "sim/zorSimLine.h"
#include "tests/model/randomBlocks.h"
#include "tests/registry/simulatedRegistry.h"

#include <QtTest>

// A live instrument through the real link: its stream of readings and status lines, and
// the writes the registry sends to it.
class test_zorListLive : public QObject
{
    Q_OBJECT
private slots:
    void streamTokens_data();
    void streamTokens();
    void changeFlags_data();
    void changeFlags();
    void writes_data();
    void writes();
};

void test_zorListLive::streamTokens_data()
{
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("state");   // of the record: "", "no plot" or "stopped"
    QTest::addColumn<QStringList>("expected");

    const QString openCircuit = "chError 0 2 13 не подключен датчик (обрыв токовой цепи)";
    const QString repair = "РАБОТА НЕ ВОЗМОЖНА. ПРИБОРУ ТРЕБУЕТСЯ РЕМОНТ!";
    const QString unknown = "неизвестная ошибка";
    using L = QStringList;
    QTest::newRow("reading") << QByteArray("3:21.4567D ") << "" << L{"meas 0 2 21.4567 °С"};
    QTest::newRow("first unit") << QByteArray("1:100.5A ") << "" << L{"meas 0 0 100.5 Ω"};
    QTest::newRow("last unit, last channel") << QByteArray("32:1.5J ") << "" << L{"meas 0 31 1.5 Бар"};
    QTest::newRow("unknown unit") << QByteArray("2:5.5Z ") << "" << L{"meas 0 1 5.5 -"};
    QTest::newRow("lower-case unit") << QByteArray("2:5.5d ") << "" << L{"meas 0 1 5.5 -"};
    QTest::newRow("open circuit") << QByteArray("3:-999999.0= ") << "" << L{openCircuit};
    QTest::newRow("unknown channel error") << QByteArray("3:-999999.01 ") << "" << L{"chError 0 2 1 " + unknown};
    QTest::newRow("instrument needs repair")
        << QByteArray("4:-999999.0b ") << "" << L{"chError 0 3 50 " + repair, "devError 0 50 " + repair};
    QTest::newRow("unknown instrument error")
        << QByteArray("3:-999999.0z ") << "" << L{"chError 0 2 74 " + unknown, "devError 0 74 " + unknown};
    QTest::newRow("channel 33") << QByteArray("33:-999999.0b ") << "" << L{};
    QTest::newRow("value, no plot") << QByteArray("3:21.5D ") << "no plot" << L{};
    QTest::newRow("error, no plot") << QByteArray("3:-999999.0= ") << "no plot" << L{openCircuit};
    QTest::newRow("acquisition stopped") << QByteArray("4:-999999.0b ") << "stopped" << L{};
    QTest::newRow("status") << QByteArray("0#\x01#\x00# ", 7) << "" << L{"status 0"};
    QTest::newRow("status of two fields") << QByteArray("0#\x01# ") << "" << L{};
    QTest::newRow("status of four fields") << QByteArray("0#\x01#\x00#\x00# ", 9) << "" << L{};
    QTest::newRow("status error") << QByteArray("98#\x00#\x00# ", 8) << "" << L{"devError 0 50 " + repair};
    QTest::newRow("status code not known") << QByteArray("49#\x00#\x00# ", 8) << "" << L{"devError 0 0 " + unknown};
    QTest::newRow("status not a number") << QByteArray("x7#\x01#\x00# ", 8) << "" << L{"devError 0 0 " + unknown};
}

void test_zorListLive::streamTokens()
{
    QFETCH(QByteArray, token);
    QFETCH(QString, state);
    QFETCH(QStringList, expected);
    simulatedRegistry r;
    // The exact tokens come from a bare line; the instrument behind it is this test.
    zorSimLine line;
    QVERIFY(line.open());
    const int index = r.connectPort(line.portName());
    // Readings flow once the worker has opened the port; the last one sent while waiting
    // for that shows when the stream is quiet again.
    for (int n = 0; n < 200 && r.lines.isEmpty(); ++n) {
        line.send(QByteArray("1:1A "));
        QTest::qWait(10);
    }
    line.send(QByteArray("1:3A "));
    QTRY_VERIFY(r.lines.contains("meas 0 0 3 Ω"));
    r.lines.clear();
    zorList::_zor *zor = r.list.getZorByIndex(index);
    zor->qwtIndex = state == "no plot" ? -1 : zor->qwtIndex;
    zor->proccesed = state != "stopped";

    // A reading behind the token, once through the link, shows that the registry has
    // dealt with the token (it hears the link before the test does).
    bool passed = false;
    QObject::connect(&r.link.port, &ZORSerialPort::readyDevMeas, [&passed](int, double meas) { passed = meas == 2; });
    line.send(token + "1:2A ");
    QTRY_VERIFY(passed || !r.lines.filter("devError").isEmpty());
    r.lines.removeAll("meas 0 0 2 Ω");
    QCOMPARE(r.lines, expected);
    const bool failed = !r.lines.filter("devError").isEmpty();
    QCOMPARE(zor->devIndex < 0, failed);
    QCOMPARE(r.link.port.getDevIndexList().isEmpty(), failed);
    if (token.startsWith("0#"))
        QCOMPARE(r.list.getTStatName(index), QString(expected.isEmpty() ? "<T>" : ">T<"));
}

void test_zorListLive::changeFlags_data()
{
    QTest::addColumn<quint8>("flags");
    QTest::addColumn<QByteArray>("reads");
    QTest::newRow("none") << quint8(0) << QByteArray();
    QTest::newRow("characteristics, channels") << quint8(0x05) << QByteArray("\x02\x07");
    QTest::newRow("references, device") << quint8(0x0A) << QByteArray("\x03\x05");
}

void test_zorListLive::changeFlags()
{
    QFETCH(quint8, flags);
    QFETCH(QByteArray, reads);
    simulatedRegistry r;
    zorSimulator *sim = r.startSim(21);
    const int index = r.connectPort(sim->portName());
    r.readIdentity(index);
    sim->clearLog();
    r.lines.clear();
    sim->raiseChangeFlags(flags);
    // The flags ride on the first or second status line from now on; the stream stays
    // blocked while the reads they ask for are pending, so the third comes after them.
    QTRY_VERIFY_WITH_TIMEOUT(r.lines.filter("status").size() >= 3, simulatedLink::timeout);
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::readDone)), reads);
    QVERIFY(r.lines.filter("devError").isEmpty());
}

void test_zorListLive::writes_data()
{
    QTest::addColumn<quint32>("serial");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QStringList>("requests");   // simulatedRegistry::request, one every 100 ms
    QTest::addColumn<QStringList>("atOnce");     // the registry's writes before its send delay is over
    QTest::addColumn<QByteArray>("written");     // the addresses the instrument stored

    using L = QStringList;
    QTest::newRow("device edits within the delay: one write") << 31u << false << L{"dev", "dev", "dev"} << L{}
                                                              << QByteArray("\x04");
    QTest::newRow("channels and one characteristic at once")
        << 32u << false << L{"ch", "feat3"} << L{"write 0 6 224", "write 0 131 340"} << QByteArray("\x06\x83");
    // Every request a dialog could make, even those the image itself would refuse.
    QTest::newRow("serial number 0: only serial number and clock")
        << 0u << false << L{"ch", "feat3", "feat", "dev", "name", "ref", "sn", "clock"} << L{}
        << QByteArray("\x34\x09");
    QTest::newRow("references, extended: the device row follows")
        << 41u << true << L{"ref"} << L{} << QByteArray("\x01\x0a");
}

void test_zorListLive::writes()
{
    QFETCH(quint32, serial);
    QFETCH(bool, extended);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, atOnce);
    QFETCH(QByteArray, written);
    simulatedRegistry r;
    zorSimulator *sim = r.startSim(serial, extended ? zorSimMemory::extended : zorSimMemory::basic);
    const int index = r.connectPort(sim->portName());
    r.readIdentity(index);
    // Settings nobody would have by default, so that every block written is new to the
    // instrument.
    optionsZOR70 *options = r.image(index);
    randomBlocks random(serial);
    for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdRefdU, optionsZOR70::rdDev, optionsZOR70::rdCh})
        options->setData(random.block(address), address);
    QVERIFY(options->feature[3]->setData(random.feature()));
    const int delay = 400;
    r.list.setSendDelay(delay);
    sim->clearLog();
    r.lines.clear();

    for (const QString &request : requests) {
        r.request(index, request);
        QTest::qWait(100);
    }
    QCOMPARE(r.lines.filter("write"), atOnce);
    QTRY_COMPARE_WITH_TIMEOUT(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written,
                              simulatedLink::timeout);
    r.waitIdle(index);
    QTest::qWait(delay);
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written);
    // Each block stored is the image's.
    if (written.contains('\x04'))
        QCOMPARE(sim->block(optionsZOR70::rdDev), options->getDevData());
    if (written.contains('\x06'))
        QCOMPARE(sim->block(optionsZOR70::rdCh), options->getChData());
    if (written.contains('\x83'))
        QCOMPARE(sim->block(optionsZOR70::rdFeat).mid(3 * featureZOR70::dataSize, featureZOR70::dataSize),
                 options->feature[3]->getData());
    if (written.contains('\x01'))
        QCOMPARE(sim->block(optionsZOR70::rdRef) + sim->block(optionsZOR70::rdRefdU), options->getRefData(true));
    // The device row, none for an instrument without a number; after a confirmed
    // reference write its "device_refdata" is reference + refdU.
    const QStringList device = r.rows("SELECT hex(device_refdata), device_number, device_name_search FROM device");
    if (written.contains('\x01'))
        QCOMPARE(device, QStringList{options->getRefData(true).toHex().toUpper() + QString("|%1|зор 4.70").arg(serial)});
    QCOMPARE(device.isEmpty(), serial == 0);
}

QTEST_GUILESS_MAIN(test_zorListLive)
#include "test_zorListLive.moc"
