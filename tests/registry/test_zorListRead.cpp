#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "link/bWord.h"
#include "model/optionsZOR70.h"
#include "registry/zorList.h"
#include "tests/model/randomBlocks.h"
#include "tests/registry/registryLog.h"
#include "tests/registry/simulatedLink.h"

#include <QtTest>

// Connecting instruments through the real link: the read-all sequence, registration in
// the database, snapshots, and what a lost line or a foreign instrument leaves behind.
class test_zorListRead : public QObject
{
    Q_OBJECT

private slots:
    void init() { link.setUp(); }
    void cleanup() { link.tearDown(); }

    void readAllTwoInstruments();
    void lineDroppedDuringReadAll();
    void foreignIdentity_data();
    void foreignIdentity();

private:
    simulatedLink link;
};

void test_zorListRead::readAllTwoInstruments()
{
    // Two instruments at once, with settings nobody would have by default.
    randomBlocks random(7);
    zorSimulator *basic = link.startSim(11, zorSimMemory::basic, "Тест Б");
    zorSimulator *extended = link.startSim(12, zorSimMemory::extended, "ЗОР-Р");
    for (zorSimulator *sim : {basic, extended}) {
        for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdDev, optionsZOR70::rdCh, optionsZOR70::rdFeat})
            sim->setBlock(address, random.block(address));
    }
    extended->setBlock(optionsZOR70::rdRefdU, random.block(optionsZOR70::rdRefdU));

    const QDateTime started = QDateTime::currentDateTime();
    const int first[2] = {link.connectPort(basic->portName()), link.connectPort(extended->portName())};
    QSignalSpy identified(link.list.data(), &zorList::onIdentChange);
    for (int index : first)
        link.list->getAllDataFromZor(index);
    for (int index : first)
        link.waitForReads(index);
    // The views hear of the identity even though the sequence started with the image muted.
    QCOMPARE(identified.size(), 2);

    const zorSimulator *sim[2] = {basic, extended};
    const QByteArray order = simulatedLink::selectors(
        {optionsZOR70::rdIdent, optionsZOR70::rdRef, optionsZOR70::rdDev, optionsZOR70::rdCh, optionsZOR70::rdFeat});
    for (int n = 0; n < 2; ++n) {
        link.compareWithSim(first[n], sim[n]);
        // The clock went first, and it is the computer's time.
        const QVector<zorSimulator::event> events = sim[n]->log();
        QVERIFY(!events.isEmpty());
        const auto firstExchange = std::find_if(events.begin(), events.end(), [](const zorSimulator::event &e) {
            return e.type == zorSimulator::selectorEchoed;
        });
        QVERIFY(firstExchange != events.end());
        QCOMPARE(firstExchange->address, quint8(optionsZOR70::txDateTime));
        const QByteArray clock = sim[n]->clock();
        QCOMPARE(clock.size(), optionsZOR70::dateTimeSize);
        const QDateTime written(QDate(2000 + quint8(clock[6]), clock[5], clock[4]),
                                QTime(clock[0], clock[1], clock[2]));
        QVERIFY(qAbs(written.secsTo(started)) < 30);
        QCOMPARE(simulatedLink::addresses(sim[n]->log(zorSimulator::readDone)),
                 n == 0 ? order : order + char(optionsZOR70::rdRefdU));
    }

    // One row per instrument, and each got exactly one snapshot: its factory settings.
    const QVector<QVector<QVariant>> devices = simulatedLink::rows(
        "SELECT device_id, device_type, device_number, device_name FROM device ORDER BY device_number");
    QCOMPARE(devices.size(), 2);
    const QVariant types[2] = {optionsZOR70::typeBasic, optionsZOR70::typeExtended};
    const QVariant names[2] = {"Тест Б", "ЗОР-Р"};
    int factory[2];
    for (int n = 0; n < 2; ++n) {
        const zorList::_zor *zor = link.list->getZorByIndex(first[n]);
        QCOMPARE(devices[n], (QVector<QVariant>{zor->dbIndex, types[n], 11 + n, names[n]}));
        const QVector<QVector<QVariant>> snapshots =
            simulatedLink::rows(QString("SELECT device_snapshot_id, device_snapshot_factory, device_snapshot_info,"
                                        " device_snapshot_data, device_snapshot_refdata FROM device_snapshot"
                                        " WHERE device_id=%1").arg(zor->dbIndex));
        QCOMPARE(snapshots.size(), 1);
        factory[n] = snapshots[0][0].toInt();
        QCOMPARE(zor->snapShotId, factory[n]);
        QCOMPARE(snapshots[0][1].toInt(), 1);
        QCOMPARE(snapshots[0][2].toString(), QString("Заводская настройка"));
        QCOMPARE(snapshots[0][3].toByteArray(), zor->options->getData());
        QCOMPARE(snapshots[0][4].toByteArray(), zor->options->getRefData(true));
    }

    // Connected again, both are recognised and nothing new is stored.
    for (int index : first)
        link.list->rmByIndex(index);
    const int second[2] = {link.connectPort(basic->portName()), link.connectPort(extended->portName())};
    for (int index : second)
        link.list->getAllDataFromZor(index);
    for (int index : second)
        link.waitForReads(index);
    for (int n = 0; n < 2; ++n) {
        const zorList::_zor *zor = link.list->getZorByIndex(second[n]);
        QCOMPARE(zor->dbIndex, devices[n][0].toInt());
        QCOMPARE(zor->snapShotId, factory[n]);
        QCOMPARE(link.sql->getSnapShotCount(zor->dbIndex), 1);
    }
    QCOMPARE(simulatedLink::rows("SELECT device_id FROM device").size(), 2);

    // A clock write changes no stored settings. Other writes leave the factory snapshot
    // as it was: the changed settings get a snapshot of their own (with the same text),
    // which later writes keep up to date.
    link.list->setSendDelay(50);
    basic->clearLog();
    zorList::_zor *zor = link.list->getZorByIndex(second[0]);
    const QByteArray factoryData = zor->options->getData();
    zor->options->triggerDateTime();
    QTRY_COMPARE_WITH_TIMEOUT(basic->log(zorSimulator::blockWritten).size(), 1, simulatedLink::exchangeTimeout);
    link.waitForReads(second[0]);
    QCOMPARE(link.sql->getSnapShotCount(zor->dbIndex), 1);
    for (int round = 1; round <= 2; ++round) {
        zor->options->measTime = round;
        zor->options->triggerDevChange();
        QTRY_COMPARE_WITH_TIMEOUT(basic->log(zorSimulator::blockWritten).size(), 1 + round,
                                  simulatedLink::exchangeTimeout);
        link.waitForReads(second[0]);
        QCOMPARE(link.sql->getSnapShotCount(zor->dbIndex), 2);
        QVERIFY(zor->snapShotId != factory[0]);
        QString info;
        QByteArray data;
        QByteArray refdata;
        QVERIFY(link.sql->loadSnapShot(zor->snapShotId, &info, &data, &refdata));
        QCOMPARE(info, QString("Заводская настройка"));
        QCOMPARE(data, zor->options->getData());
        QVERIFY(link.sql->loadSnapShot(factory[0], &info, &data, &refdata));
        QCOMPARE(data, factoryData);
    }
    QVERIFY(link.log->filtered("devError").isEmpty());
}

void test_zorListRead::lineDroppedDuringReadAll()
{
    zorSimulator *sim = link.startSim(51);
    const int index = link.connectPort(sim->portName());
    QSignalSpy linkErrors(link.port.data(), qOverload<int, quint16>(&ZORSerialPort::onDevError));
    link.list->getAllDataFromZor(index);
    // The line goes once the identity is through.
    QTRY_VERIFY_WITH_TIMEOUT(!sim->log(zorSimulator::readDone).isEmpty(), simulatedLink::exchangeTimeout);
    sim->closeLine();
    QTRY_VERIFY_WITH_TIMEOUT(!link.log->filtered("devError").isEmpty(), simulatedLink::exchangeTimeout);
    QTest::qWait(300);

    QVERIFY(!linkErrors.isEmpty());
    const quint16 code = linkErrors.first().at(1).value<quint16>();
    QCOMPARE(link.log->filtered("devError"), QStringList{QString("devError 0 200 Обрыв связи [код %1]").arg(code)});
    QCOMPARE(link.list->getZorByIndex(index)->devIndex, -1);
    QVERIFY(link.port->getDevIndexList().isEmpty());
    // Half-read settings never become the factory snapshot.
    QCOMPARE(link.sql->getSnapShotCount(link.list->getDBIndex(index)), 0);

    // The instrument on a new line: connected again, read in full.
    sim->stop();
    sim->clearLog();
    QVERIFY(sim->start());
    const int again = link.connectPort(sim->portName());
    link.readAll(again);
    link.compareWithSim(again, sim);
    QCOMPARE(link.list->getDBIndex(again), link.list->getDBIndex(index));
    QCOMPARE(link.sql->getSnapShotCount(link.list->getDBIndex(again)), 1);
    QCOMPARE(link.log->filtered("devError").size(), 1);
}

void test_zorListRead::foreignIdentity_data()
{
    QTest::addColumn<bool>("knownBefore");
    QTest::newRow("first contact") << false;
    QTest::newRow("instrument changed") << true;
}

void test_zorListRead::foreignIdentity()
{
    QFETCH(bool, knownBefore);

    zorSimulator *sim = link.startSim(61);
    const QByteArray valid = sim->block(optionsZOR70::rdIdent);
    QByteArray foreign = valid;
    foreign.replace(0, 4, bWord::getByte(0x0302AA0F));
    const int index = link.connectPort(sim->portName());
    if (knownBefore) {
        link.readIdentity(index);
        QCOMPARE(link.list->getDBIndex(index), 1);
    }
    sim->setBlock(optionsZOR70::rdIdent, foreign);
    link.readIdentity(index);

    const zorList::_zor *zor = link.list->getZorByIndex(index);
    QCOMPARE(zor->options->devNumber, 0u);
    QCOMPARE(zor->dbIndex, 0);
    QCOMPARE(zor->snapShotId, 0);
    QCOMPARE(simulatedLink::rows("SELECT device_id FROM device").size(), knownBefore ? 1 : 0);
    QCOMPARE(simulatedLink::rows("SELECT device_snapshot_id FROM device_snapshot").size(), 0);
}

QTEST_GUILESS_MAIN(test_zorListRead)
#include "test_zorListRead.moc"
