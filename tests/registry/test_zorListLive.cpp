#include "link/ZORSerialPort.h"
#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"
#include "registry/zorList.h"
#include "sim/zorSimLine.h"
#include "tests/model/randomBlocks.h"
#include "tests/registry/registryLog.h"
#include "tests/registry/simulatedLink.h"

#include <QtTest>

// A live instrument through the real link: its stream of readings and status lines,
// and every kind of write the registry sends.
class test_zorListLive : public QObject
{
    Q_OBJECT

private slots:
    void init() { link.setUp(); }
    void cleanup() { link.tearDown(); }

    void streamTokens_data();
    void streamTokens();
    void changeFlags_data();
    void changeFlags();
    void deferredDeviceWrite();
    void immediateWrites();
    void unidentifiedInstrument();
    void referenceWriteUpdatesDeviceRow();

private:
    simulatedLink link;
};

void test_zorListLive::streamTokens_data()
{
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("state"); // of the record: "", "no plot" or "stopped"
    QTest::addColumn<QStringList>("expected");

    const QString openCircuit = "chError 0 2 13 не подключен датчик (обрыв токовой цепи)";
    const QString repair = "РАБОТА НЕ ВОЗМОЖНА. ПРИБОРУ ТРЕБУЕТСЯ РЕМОНТ!";
    const QString unknown = "неизвестная ошибка";
    const QByteArray on("0#\x01#\x00# ", 7);
    QTest::newRow("reading") << QByteArray("3:21.4567D ") << "" << QStringList{"meas 0 2 21.4567 °С"};
    QTest::newRow("first unit") << QByteArray("1:100.5A ") << "" << QStringList{"meas 0 0 100.5 Ω"};
    QTest::newRow("last unit, last channel") << QByteArray("32:1.5J ") << "" << QStringList{"meas 0 31 1.5 Бар"};
    QTest::newRow("unknown unit") << QByteArray("2:5.5Z ") << "" << QStringList{"meas 0 1 5.5 -"};
    QTest::newRow("lower-case unit") << QByteArray("2:5.5d ") << "" << QStringList{"meas 0 1 5.5 -"};
    QTest::newRow("open circuit") << QByteArray("3:-999999.0= ") << "" << QStringList{openCircuit};
    QTest::newRow("unknown channel error") << QByteArray("3:-999999.01 ") << ""
                                           << QStringList{"chError 0 2 1 " + unknown};
    QTest::newRow("instrument needs repair") << QByteArray("4:-999999.0b ") << ""
                                             << QStringList{"chError 0 3 50 " + repair, "devError 0 50 " + repair};
    QTest::newRow("unknown instrument error") << QByteArray("3:-999999.0z ") << ""
                                              << QStringList{"chError 0 2 74 " + unknown, "devError 0 74 " + unknown};
    QTest::newRow("channel 33") << QByteArray("33:-999999.0b ") << "" << QStringList{};
    QTest::newRow("value, no plot") << QByteArray("3:21.5D ") << "no plot" << QStringList{};
    QTest::newRow("error, no plot") << QByteArray("3:-999999.0= ") << "no plot" << QStringList{openCircuit};
    QTest::newRow("acquisition stopped") << QByteArray("4:-999999.0b ") << "stopped" << QStringList{};
    QTest::newRow("status") << on << "" << QStringList{"status 0"};
    QTest::newRow("status of two fields") << QByteArray("0#\x01# ") << "" << QStringList{};
    QTest::newRow("status of four fields") << QByteArray("0#\x01#\x00#\x00# ", 9) << "" << QStringList{};
    QTest::newRow("status error") << QByteArray("98#\x00#\x00# ", 8) << "" << QStringList{"devError 0 50 " + repair};
    QTest::newRow("status code not known") << QByteArray("49#\x00#\x00# ", 8) << ""
                                           << QStringList{"devError 0 0 " + unknown};
    QTest::newRow("status not a number") << QByteArray("x7#\x01#\x00# ", 8) << ""
                                         << QStringList{"devError 0 0 " + unknown};
}

void test_zorListLive::streamTokens()
{
    QFETCH(QByteArray, token);
    QFETCH(QString, state);
    QFETCH(QStringList, expected);

    // The exact tokens come from a bare line; the instrument behind it is this test.
    zorSimLine line;
    QVERIFY(line.open());
    const int index = link.connectPort(line.portName());
    // Readings flow once the worker has opened the port; the last one sent while
    // waiting for that shows when the stream is quiet again.
    for (int n = 0; n < 200 && link.log->lines.isEmpty(); ++n) {
        line.send(QByteArray("1:1A "));
        QTest::qWait(10);
    }
    line.send(QByteArray("1:3A "));
    QTRY_VERIFY(link.log->lines.contains("meas 0 0 3 Ω"));
    link.log->clear();
    zorList::_zor *zor = link.list->getZorByIndex(index);
    zor->qwtIndex = state == "no plot" ? -1 : zor->qwtIndex;
    zor->proccesed = state != "stopped";

    // A reading behind the token, once through the link, shows that the registry has
    // dealt with the token (it hears the link before the spy does).
    QSignalSpy passed(link.port.data(), &ZORSerialPort::readyDevMeas);
    line.send(token + "1:2A ");
    const auto markerPassed = [&passed] {
        return std::any_of(passed.begin(), passed.end(), [](const QList<QVariant> &a) { return a.at(1) == 2.0; });
    };
    QTRY_VERIFY(markerPassed() || !link.log->filtered("devError").isEmpty());
    link.log->lines.removeAll("meas 0 0 2 Ω");
    QCOMPARE(link.log->lines, expected);
    const bool failed = !link.log->filtered("devError").isEmpty();
    QCOMPARE(zor->devIndex < 0, failed);
    QCOMPARE(link.port->getDevIndexList().isEmpty(), failed);
    if (token.startsWith("0#"))
        QCOMPARE(link.list->getTStatName(index), QString(expected.isEmpty() ? "<T>" : ">T<"));
    line.close();
}

void test_zorListLive::changeFlags_data()
{
    QTest::addColumn<quint8>("flags");
    QTest::addColumn<QByteArray>("reads");

    QTest::newRow("none") << quint8(0) << QByteArray();
    QTest::newRow("characteristics, channels")
        << quint8(0x05) << simulatedLink::selectors({optionsZOR70::rdFeat, optionsZOR70::rdCh});
    QTest::newRow("references, device")
        << quint8(0x0A) << simulatedLink::selectors({optionsZOR70::rdRef, optionsZOR70::rdDev});
}

void test_zorListLive::changeFlags()
{
    QFETCH(quint8, flags);
    QFETCH(QByteArray, reads);

    zorSimulator *sim = link.startSim(21);
    const int index = link.connectPort(sim->portName());
    link.readIdentity(index);
    sim->clearLog();
    link.log->clear();
    sim->raiseChangeFlags(flags);
    // The flags ride on the first or second status line from now on; the stream stays
    // blocked while the reads they ask for are pending, so the third comes after them.
    QTRY_VERIFY_WITH_TIMEOUT(link.log->filtered("status").size() >= 3, simulatedLink::exchangeTimeout);
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::readDone)), reads);
    QVERIFY(link.log->filtered("devError").isEmpty());
}

void test_zorListLive::deferredDeviceWrite()
{
    zorSimulator *sim = link.startSim(31);
    const int index = link.connectPort(sim->portName());
    link.readIdentity(index);
    const int delay = 400;
    link.list->setSendDelay(delay);
    sim->clearLog();
    link.log->clear();

    optionsZOR70 *options = link.image(index);
    options->measTime = 2;
    options->triggerDevChange();
    QTest::qWait(100);
    options->filter = 1;
    options->triggerDevChange();
    QTest::qWait(100);
    options->speaker = 1;
    options->triggerDevChange();
    QTest::qWait(delay / 2);
    QVERIFY(link.log->filtered("write").isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), 1, simulatedLink::exchangeTimeout);
    QTest::qWait(delay);
    const QVector<zorSimulator::event> written = sim->log(zorSimulator::blockWritten);
    QCOMPARE(written.size(), 1);
    QCOMPARE(written[0].address, quint8(optionsZOR70::txDev));
    QCOMPARE(sim->block(optionsZOR70::rdDev), options->getDevData());
    QCOMPARE(link.log->filtered("write"), QStringList{QString("write 0 4 8")});
}

void test_zorListLive::immediateWrites()
{
    zorSimulator *sim = link.startSim(32);
    const int index = link.connectPort(sim->portName());
    link.readIdentity(index);
    sim->clearLog();
    link.log->clear();

    optionsZOR70 *options = link.image(index);
    options->setChMode(2, optionsZOR70::chMV);
    options->triggerChChange(2);
    randomBlocks random(3);
    QVERIFY(options->feature[3]->setData(random.feature()));
    options->triggerFeatChange(3);
    // Handed to the link at once, no timer involved.
    QCOMPARE(link.log->filtered("write"), (QStringList{"write 0 6 224", "write 0 131 340"}));

    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), 2, simulatedLink::exchangeTimeout);
    QCOMPARE(sim->block(optionsZOR70::rdCh), options->getChData());
    QCOMPARE(sim->block(optionsZOR70::rdFeat).mid(3 * featureZOR70::dataSize, featureZOR70::dataSize),
             options->feature[3]->getData());
}

void test_zorListLive::unidentifiedInstrument()
{
    zorSimulator *sim = link.startSim(0);
    const int index = link.connectPort(sim->portName());
    link.readIdentity(index);
    QCOMPARE(link.list->getDBIndex(index), 0);
    link.list->setSendDelay(50);
    sim->clearLog();

    // Every request a dialog could make, even those the image itself would refuse.
    optionsZOR70 *options = link.image(index);
    options->triggerChChange();
    options->triggerFeatChange(1);
    options->triggerFeatChange();
    emit options->onDevApply();
    emit options->onNameApply();
    emit options->onRefApply();
    options->triggerSNChange();
    options->triggerDateTime();
    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), 2, simulatedLink::exchangeTimeout);
    link.waitForReads(index);
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)),
             simulatedLink::selectors({optionsZOR70::txSN, optionsZOR70::txDateTime}));
    QCOMPARE(simulatedLink::rows("SELECT device_id FROM device").size(), 0);
}

void test_zorListLive::referenceWriteUpdatesDeviceRow()
{
    zorSimulator *sim = link.startSim(41, zorSimMemory::extended);
    const int index = link.connectPort(sim->portName());
    link.readIdentity(index);
    const int dbIndex = link.list->getDBIndex(index);
    QVERIFY(dbIndex > 0);
    link.list->setSendDelay(50);

    randomBlocks random(41);
    optionsZOR70 *options = link.image(index);
    QVERIFY(options->setData(random.block(optionsZOR70::rdRef), optionsZOR70::rdRef));
    QVERIFY(options->setData(random.block(optionsZOR70::rdRefdU), optionsZOR70::rdRefdU));
    options->triggerRefChange();
    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), 2, simulatedLink::exchangeTimeout);
    link.waitForReads(index);

    QCOMPARE(sim->block(optionsZOR70::rdRef), options->getRefData(false));
    QCOMPARE(sim->block(optionsZOR70::rdRefdU), options->getRefdUData());
    const QVector<QVector<QVariant>> device =
        simulatedLink::rows(QString("SELECT device_refdata, device_number, device_name_search FROM device"
                                    " WHERE device_id=%1").arg(dbIndex));
    QCOMPARE(device.size(), 1);
    QCOMPARE(device[0][0].toByteArray(), options->getRefData(true));
    QCOMPARE(device[0][0].toByteArray().size(), optionsZOR70::refSize + optionsZOR70::refdUSize);
    QCOMPARE(device[0][1].toUInt(), 41u);
    QCOMPARE(device[0][2].toString(), QString("зор 4.70"));
}

QTEST_GUILESS_MAIN(test_zorListLive)
#include "test_zorListLive.moc"
