#include "link/bWord.h"
#include "tests/model/randomBlocks.h"
#include "tests/registry/simulatedRegistry.h"

#include <QtTest>

namespace {

// The record's snapshots, oldest first: "id|factory flag|text|settings in hex".
QStringList snapShots(simulatedRegistry &r, int index)
{
    return r.rows(QString("SELECT device_snapshot_id, device_snapshot_factory, device_snapshot_info,"
                          " hex(device_snapshot_data) FROM device_snapshot WHERE device_id=%1"
                          " ORDER BY device_snapshot_id")
                      .arg(r.list.getDBIndex(index)));
}

QString snapShot(int id, bool factory, const QByteArray &data)
{
    return QString("%1|%2|Заводская настройка|%3").arg(id).arg(int(factory)).arg(QString(data.toHex().toUpper()));
}

} // namespace

// Connecting instruments through the real link: the read-all sequence, registration in
// the database, snapshots, and what a lost line or a foreign instrument leaves behind.
class test_zorListRead : public QObject
{
    Q_OBJECT
private slots:
    void readAllTwoInstruments();
    void lineDroppedDuringReadAll();
    void foreignIdentity_data();
    void foreignIdentity();
};

void test_zorListRead::readAllTwoInstruments()
{
    // Two instruments at once, with settings nobody would have by default.
    simulatedRegistry r;
    randomBlocks random(7);
    zorSimulator *sims[2] = {r.startSim(11), r.startSim(12, zorSimMemory::extended)};
    for (zorSimulator *sim : sims) {
        for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdDev, optionsZOR70::rdCh, optionsZOR70::rdFeat})
            sim->setBlock(address, random.block(address));
    }
    sims[1]->setBlock(optionsZOR70::rdRefdU, random.block(optionsZOR70::rdRefdU));
    const QDateTime started = QDateTime::currentDateTime();
    QSignalSpy identified(&r.list, &zorList::onIdentChange);
    int first[2];
    for (int n = 0; n < 2; ++n) {
        first[n] = r.connectPort(sims[n]->portName());
        r.list.getAllDataFromZor(first[n]);
    }
    for (int index : first)
        r.waitIdle(index);
    // The views hear of the identity even though the sequence started with the image muted.
    QCOMPARE(identified.size(), 2);

    for (int n = 0; n < 2; ++n) {
        r.compareWithSim(first[n], sims[n]);
        // The clock went first, and it is the computer's time; then the blocks in order.
        const QVector<zorSimulator::event> writes = sims[n]->log(zorSimulator::blockWritten);
        const QVector<zorSimulator::event> reads = sims[n]->log(zorSimulator::readDone);
        QCOMPARE(simulatedLink::addresses(writes), QByteArray("\x09"));
        QVERIFY(writes[0].us < reads[0].us);
        QCOMPARE(simulatedLink::addresses(reads), QByteArray("\x33\x03\x05\x07\x02\x0b", 5 + n));
        const QByteArray c = sims[n]->clock();
        QVERIFY(qAbs(QDateTime(QDate(2000 + quint8(c[6]), c[5], c[4]), QTime(c[0], c[1], c[2])).secsTo(started)) < 30);
        // Registered, with exactly one snapshot: its factory settings.
        QCOMPARE(snapShots(r, first[n]),
                 QStringList{snapShot(r.list.getZorByIndex(first[n])->snapShotId, true, r.image(first[n])->getData())});
    }
    const QString row = "%1|%2|ЗОР 4.70";
    QCOMPARE(r.rows("SELECT device_type, device_number, device_name FROM device ORDER BY device_number"),
             (QStringList{row.arg(optionsZOR70::typeBasic).arg(11), row.arg(optionsZOR70::typeExtended).arg(12)}));

    // Connected again, both are recognised and nothing new is stored.
    const QStringList stored[2] = {snapShots(r, first[0]), snapShots(r, first[1])};
    const int dbIndex = r.list.getDBIndex(first[0]);
    for (int n = 0; n < 2; ++n) {
        r.list.rmByIndex(first[n]);
        first[n] = r.connectPort(sims[n]->portName());
        r.list.getAllDataFromZor(first[n]);
    }
    for (int n = 0; n < 2; ++n) {
        r.waitIdle(first[n]);
        QCOMPARE(snapShots(r, first[n]), stored[n]);
        QCOMPARE(snapShot(r.list.getZorByIndex(first[n])->snapShotId, true, r.image(first[n])->getData()), stored[n][0]);
    }
    QCOMPARE(r.rows("SELECT device_id FROM device").size(), 2);

    // A clock write changes no stored settings. Other writes leave the factory snapshot
    // as it was: the changed settings get a snapshot of their own (with the same text),
    // which later writes keep up to date.
    r.list.setSendDelay(50);
    QCOMPARE(r.list.getDBIndex(first[0]), dbIndex);
    const int device = first[0];
    sims[0]->clearLog();
    for (int round = 0; round <= 2; ++round) {
        r.image(device)->measTime = round;
        r.request(device, round ? "dev" : "clock");
        QTRY_COMPARE_WITH_TIMEOUT(sims[0]->log(zorSimulator::blockWritten).size(), 1 + round, simulatedLink::timeout);
        r.waitIdle(device);
        const QStringList expected = stored[0] + QStringList{snapShot(r.list.getZorByIndex(device)->snapShotId, false,
                                                                      r.image(device)->getData())};
        QCOMPARE(snapShots(r, device), round ? expected : stored[0]);
    }
    QVERIFY(r.lines.filter("devError").isEmpty());
}

void test_zorListRead::lineDroppedDuringReadAll()
{
    simulatedRegistry r;
    zorSimulator *sim = r.startSim(51);
    const int index = r.connectPort(sim->portName());
    QSignalSpy linkErrors(&r.link.port, qOverload<int, quint16>(&ZORSerialPort::onDevError));
    r.list.getAllDataFromZor(index);
    // The line goes once the identity is through.
    QTRY_VERIFY_WITH_TIMEOUT(!sim->log(zorSimulator::readDone).isEmpty(), simulatedLink::timeout);
    sim->closeLine();
    QTRY_VERIFY_WITH_TIMEOUT(!r.lines.filter("devError").isEmpty(), simulatedLink::timeout);
    QTest::qWait(300);
    QVERIFY(!linkErrors.isEmpty());
    const quint16 code = linkErrors.first().at(1).value<quint16>();
    QCOMPARE(r.lines.filter("devError"), QStringList{QString("devError 0 200 Обрыв связи [код %1]").arg(code)});
    QCOMPARE(r.list.getZorByIndex(index)->devIndex, -1);
    QVERIFY(r.link.port.getDevIndexList().isEmpty());
    // Half-read settings never become the factory snapshot.
    QCOMPARE(r.sql.getSnapShotCount(r.list.getDBIndex(index)), 0);

    // The instrument on a new line: connected again, read in full.
    sim->stop();
    sim->clearLog();
    QVERIFY(sim->start());
    const int again = r.connectPort(sim->portName());
    r.readAll(again);
    r.compareWithSim(again, sim);
    QCOMPARE(r.list.getDBIndex(again), r.list.getDBIndex(index));
    QCOMPARE(r.sql.getSnapShotCount(r.list.getDBIndex(again)), 1);
    QCOMPARE(r.lines.filter("devError").size(), 1);
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
    simulatedRegistry r;
    zorSimulator *sim = r.startSim(61);
    QByteArray foreign = sim->block(optionsZOR70::rdIdent);
    foreign.replace(0, 4, bWord::getByte(0x0302AA0F));
    const int index = r.connectPort(sim->portName());
    if (knownBefore) {
        r.readIdentity(index);
        QCOMPARE(r.list.getDBIndex(index), 1);
    }
    sim->setBlock(optionsZOR70::rdIdent, foreign);
    r.readIdentity(index);
    const zorList::_zor *zor = r.list.getZorByIndex(index);
    QCOMPARE(zor->options->devNumber, 0u);
    QCOMPARE(zor->dbIndex, 0);
    QCOMPARE(zor->snapShotId, 0);
    QCOMPARE(r.rows("SELECT device_id FROM device").size(), knownBefore ? 1 : 0);
    QCOMPARE(r.rows("SELECT device_snapshot_id FROM device_snapshot").size(), 0);
}

QTEST_GUILESS_MAIN(test_zorListRead)
#include "test_zorListRead.moc"
