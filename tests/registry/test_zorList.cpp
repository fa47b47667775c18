#include "model/featureZOR70.h"
#include "registry/zorAutoConnect.h"
#include "registry/zorPortScan.h"
#include "sim/zorSimLine.h"
#include "tests/model/randomBlocks.h"
#include "tests/registry/simulatedRegistry.h"

#include <QtTest>

#include <algorithm>

namespace {

// A plotted record on a device index the link does not know, as instrument serial (0: unidentified).
int liveRecord(simulatedRegistry &r, int devIndex, quint32 serial)
{
    const int index = r.list.newZor(devIndex, true);
    r.image(index)->devType = optionsZOR70::typeBasic;
    r.image(index)->devNumber = serial;
    r.list.getZorByIndex(index)->qwtIndex = 10 + index;
    r.lines.clear();
    return index;
}

// The record's snapshots, oldest first: "id|factory flag|text|settings in hex".
QStringList snapShots(simulatedRegistry &r, int index)
{
    return r.rows(QString("SELECT device_snapshot_id, device_snapshot_factory, device_snapshot_info,"
                          " hex(device_snapshot_data) FROM device_snapshot WHERE device_id=%1"
                          " ORDER BY device_snapshot_id")
                      .arg(r.list.getDBIndex(index)));
}

// The snapshot the record follows, as it should be stored.
QString snapShotOf(simulatedRegistry &r, int index, bool factory)
{
    return QString("%1|%2|Заводская настройка|%3")
        .arg(r.list.getZorByIndex(index)->snapShotId)
        .arg(int(factory))
        .arg(QString(r.image(index)->getData().toHex().toUpper()));
}

// Hands an identity to the record as the instrument's reply: no exchange needed.
void identify(simulatedRegistry &r, int index, QByteArray identity)
{
    r.list.applyDevQuery(r.list.getZorByIndex(index)->devIndex, &identity, optionsZOR70::rdIdent);
}

} // namespace

// The registry of instruments: on its own (writes seen only in its signals), and with simulated
// instruments through the real link (read-all, registration, snapshots, stream, writes).
class test_zorList : public QObject
{
    Q_OBJECT
private slots:

    // A port that does not answer gets the identity request alone (its selector at most three
    // times), then nothing; an instrument switched on there later has its settings read.
    void silentPort()
    {
        simulatedRegistry r;
        zorSimulator *sim = r.link.startSim(31, 0);
        sim->injectFault(zorSimulator::noEcho, -1);
        const int index = r.list.connectPort(sim->portName());
        QTRY_VERIFY_WITH_TIMEOUT(r.list.getZorByIndex(index)->silent, simulatedLink::timeout);
        QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::selectorIgnored)), QByteArray(3, 0x33));
        QVERIFY(r.lines.contains(QString("devError %1 200 Прибор не отвечает [код 110]").arg(index)));
        sim->clearFaults();
        sim->setPeriod(20);
        QTRY_VERIFY_WITH_TIMEOUT(r.list.getDBIndex(index) > 0, simulatedLink::timeout);
    }

    // A returning instrument, found by the search or typed in, streams while its port waits for the
    // identity: what it sent then reaches its record, in order, with the time it arrived, ahead of
    // every later reading. A probe failing while it streams is made again at once; nothing is lost.
    void streamedDuringProbe_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<bool>("failing");
        QTest::newRow("search") << false << false;
        QTest::newRow("typed path") << true << false;
        QTest::newRow("search, first probe failing") << false << true;
    }

    void streamedDuringProbe()
    {
        QFETCH(bool, typed);
        QFETCH(bool, failing);
        simulatedRegistry r;
        zorSimulator *sim = r.startSim(7);
        zorAutoConnect search(&r.link.port, &r.list);
        search.portScan()->options() = {300, false};
        const int index = r.list.connectPort(sim->portName());
        zorList::_zor *zor = r.list.getZorByIndex(index);
        zor->qwtIndex = 0;
        QTRY_VERIFY_WITH_TIMEOUT(zor->chKnown && r.link.port.isEmptyQueryQueue(zor->devIndex), simulatedLink::timeout);

        qint64 reattachedAt = 0;
        QObject::connect(&r.list, &zorList::onReattach, [&] { reattachedAt = QDateTime::currentMSecsSinceEpoch(); });
        sim->stop();
        QTRY_VERIFY_WITH_TIMEOUT(search.isLost(index), simulatedLink::timeout);
        r.readingTimes.clear();
        r.lines.clear();
        if (typed)
            search.setEnabled(false);
        if (failing)
            sim->injectFault(zorSimulator::noReadyMarker);
        sim->clearLog();
        QVERIFY(sim->start());
        if (typed)
            QVERIFY(r.list.connectPort(sim->portName()) >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(reattachedAt > 0 && r.readingTimes.size() > 10, simulatedLink::timeout);
        QVERIFY(r.readingTimes.first() < reattachedAt);
        QVERIFY(std::is_sorted(r.readingTimes.cbegin(), r.readingTimes.cend()));
        // Every reading sent since the first request reaches the record; all are in once a read
        // made after the stream went still is answered.
        sim->setPeriod(0);
        r.readIdentity(index);
        const auto got = [&r] {
            return r.lines.filter(QRegularExpression("^meas ")).replaceInStrings(QRegularExpression(" \\S+ \\S+$"), "");
        };
        const auto sent = [sim, index] {
            QStringList values;
            bool asked = false;
            for (const zorSimulator::_event &e : sim->log()) {
                asked = asked || e.type == zorSimulator::selectorEchoed;
                const int colon = e.data.indexOf(':');
                if (asked && e.type == zorSimulator::tokenSent && colon > 0)
                    values << QString("meas %1 %2").arg(index).arg(e.data.mid(colon + 1).chopped(2).toDouble(), 0, 'g', 10);
            }
            return values;
        };
        QCOMPARE(got().mid(got().size() - sent().size()), sent());
    }

    void addZor_data()
    {
        // A registered record (none when its devIndex is -2) and the record offered: "new",
        // offered "twice", or handed over by the discovery dialog's own registry ("scan").
        QTest::addColumn<int>("knownDev");
        QTest::addColumn<quint32>("knownSerial");
        QTest::addColumn<QString>("offer");
        QTest::addColumn<int>("newDev");
        QTest::addColumn<quint32>("newSerial");
        QTest::addColumn<bool>("added");

        QTest::newRow("the same record twice") << -2 << 0u << "twice" << 3 << 42u << false;
        QTest::newRow("handed over by another registry") << -2 << 0u << "scan" << 3 << 42u << true;
        QTest::newRow("no port") << -2 << 0u << "new" << -1 << 42u << true;
        QTest::newRow("device index 255") << -2 << 0u << "new" << 255 << 42u << false;
        QTest::newRow("device index taken") << 3 << 7u << "new" << 3 << 42u << false;
        QTest::newRow("instrument live elsewhere") << 4 << 42u << "new" << 3 << 42u << false;
        QTest::newRow("instrument lost, found again") << -1 << 42u << "new" << 3 << 42u << true;
        QTest::newRow("two unnumbered instruments") << 4 << 0u << "new" << 3 << 0u << true;
    }

    void addZor()
    {
        QFETCH(int, knownDev);
        QFETCH(quint32, knownSerial);
        QFETCH(QString, offer);
        QFETCH(int, newDev);
        QFETCH(quint32, newSerial);
        QFETCH(bool, added);
        simulatedRegistry r;
        if (knownDev != -2)
            liveRecord(r, knownDev, knownSerial);
        zorList scan(&r.link.port, &r.sql, false);
        auto *zor = offer == "scan" ? scan.getZorByIndex(scan.newZor(newDev, false))
                                    : new zorList::_zor(newDev, QStringLiteral("COM9"), 5000);
        zor->options->devType = optionsZOR70::typeBasic;
        zor->options->devNumber = newSerial;
        QScopedPointer<zorList::_zor> refused(offer == "new" && !added ? zor : nullptr);
        if (offer == "twice")
            QVERIFY(r.list.addZor(zor, false));
        r.lines.clear();
        QCOMPARE(r.list.addZor(zor, false), added);
        QCOMPARE(r.lines, added ? QStringList{QString("add %1 1").arg(zor->index)} : QStringList());
        if (!added)
            return;
        QCOMPARE(r.list.getZorByIndex(zor->index), zor);
        // The other registry lets go of it, which must leave this one's wiring in place:
        // an edit becomes a write.
        if (offer == "scan")
            QCOMPARE(scan.detachByIndex(0), zor);
        zor->options->triggerChChange();
        QCOMPARE(r.lines.filter("write").size(), newSerial != 0 && newDev >= 0 ? 1 : 0);
    }

    void deferredSend_data()
    {
        // Requests (simulatedRegistry::request), one every 20 ms; the clock write of "mute"
        // goes at once, the replies of its reads never come.
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("expected");

        using L = QStringList;
        QTest::newRow("merged in request order")
            << L{"dev", "name", "dev", "feat"} << L{"change", "write 7 8 4 0", "write 7 20 50 0", "write 7 10880 0 0"};
        QTest::newRow("identity lost meanwhile")
            << L{"dev", "sn", "clock", "lose"} << L{"change", "write 7 4 52 0", "write 7 8 9 0"};
        // A write without bytes would never finish on the link and hold up later writes.
        QTest::newRow("writes of nothing") << L{"slot40", "code77"} << L{"change"};
        // Sends planned for a link go out at once when the user lets go of it; the image is not left mute.
        QTest::newRow("removed") << L{"dev", "mute", "rm"} << L{"write 7 8 9 0", "change", "write 7 8 4 0", "rm 0 10"};
        QTest::newRow("disconnected") << L{"dev", "mute", "disconnect"} << L{"write 7 8 9 0", "change", "write 7 8 4 0"};
        QTest::newRow("detached") << L{"dev", "mute", "detach"} << L{"write 7 8 9 0"};
    }

    void deferredSend()
    {
        QFETCH(QStringList, requests);
        QFETCH(QStringList, expected);
        simulatedRegistry r;
        const int delay = 150;
        r.list.setSendDelay(delay);
        const int index = liveRecord(r, 7, 42);
        for (const QString &request : requests) {
            r.request(index, request);
            QTest::qWait(20);
        }
        if (requests.contains("disconnect"))
            QVERIFY(!r.image(index)->signalsBlocked());
        // Nothing before the delay has passed since the last request, nothing more after.
        QTest::qWait(delay / 3);
        QVERIFY(!r.lines.contains("change") || requests.contains("rm") || requests.contains("disconnect"));
        QTRY_COMPARE(r.lines, expected);
        QTest::qWait(delay);
        QCOMPARE(r.lines, expected);
    }

    void readAll()
    {
        // Two instruments with random settings, connected twice: first the line of one drops after
        // its identity; then both are read in full, the one seen before recognised, nothing new stored.
        simulatedRegistry r;
        randomBlocks random(7);
        zorSimulator *sims[2] = {r.startSim(11), r.startSim(12, zorSimMemory::extended)};
        for (zorSimulator *sim : sims)
            for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdDev, optionsZOR70::rdCh, optionsZOR70::rdFeat})
                sim->setBlock(address, random.block(address));
        sims[1]->setBlock(optionsZOR70::rdRefdU, random.block(optionsZOR70::rdRefdU));
        const QDateTime started = QDateTime::currentDateTime();
        QSignalSpy identified(&r.list, &zorList::onIdentChange);
        int index[2] = {-1, -1};
        int dropped = 0;   // the database row of the first after its line dropped
        QStringList stored[2];
        for (int round = 0; round < 2; ++round) {
            for (int n = 0; n < 2; ++n) {
                sims[n]->clearLog();
                r.list.rmByIndex(index[n]);
                index[n] = r.connectPort(sims[n]->portName());
                r.list.getAllDataFromZor(index[n]);
            }
            if (round == 0) {
                const int devIndex = r.list.getZorByIndex(index[0])->devIndex;
                QTRY_VERIFY_WITH_TIMEOUT(!sims[0]->log(zorSimulator::readDone).isEmpty(), simulatedLink::timeout);
                sims[0]->closeLine();
                QTRY_VERIFY_WITH_TIMEOUT(!r.lines.filter("devError").isEmpty(), simulatedLink::timeout);
                // The link's error ("error <dev> <code>") goes on as the registry's error 200.
                const QString error = r.link.lines.filter(QRegularExpression(QString("^error %1 ").arg(devIndex))).value(0);
                QCOMPARE(r.lines.filter("devError"),
                         QStringList{"devError 0 200 Обрыв связи [код " + error.section(' ', 2) + "]"});
                QCOMPARE(r.list.getZorByIndex(index[0])->devIndex, -1);
                QVERIFY(!r.link.port.getDevIndexList().contains(devIndex));
                // Half-read settings never become the factory snapshot.
                dropped = r.list.getDBIndex(index[0]);
                QCOMPARE(r.sql.getSnapShotCount(dropped), 0);
                // The instrument comes back on a new line.
                sims[0]->stop();
                QVERIFY(sims[0]->start());
            }
            for (int n = round ? 0 : 1; n < 2; ++n) {
                r.waitIdle(index[n]);
                r.compareWithSim(index[n], sims[n]);
                // The identity first; then the clock, set to the computer's time, and the blocks in order.
                const QVector<zorSimulator::_event> writes = sims[n]->log(zorSimulator::blockWritten);
                const QVector<zorSimulator::_event> reads = sims[n]->log(zorSimulator::readDone);
                QCOMPARE(simulatedLink::addresses(writes), QByteArray("\x09"));
                QVERIFY(reads[0].us < writes[0].us && writes[0].us < reads[1].us);
                QCOMPARE(simulatedLink::addresses(reads), QByteArray("\x33\x03\x05\x07\x02\x0b", 5 + n));
                const QByteArray c = sims[n]->clock();
                QVERIFY(qAbs(QDateTime(QDate(2000 + quint8(c[6]), c[5], c[4]), QTime(c[0], c[1], c[2])).secsTo(started))
                        < 30);
                // Registered, with exactly one snapshot: its factory settings.
                if (stored[n].isEmpty())
                    stored[n] = QStringList{snapShotOf(r, index[n], true)};
                QCOMPARE(snapShotOf(r, index[n], true), stored[n][0]);
                QCOMPARE(snapShots(r, index[n]), stored[n]);
            }
        }
        QCOMPARE(r.list.getDBIndex(index[0]), dropped);
        // The views hear of the identity even though the sequence starts with the image muted.
        QCOMPARE(identified.size(), 4);
        const QString row = "%1|%2|ЗОР 4.70";
        QCOMPARE(r.rows("SELECT device_type, device_number, device_name FROM device ORDER BY device_number"),
                 (QStringList{row.arg(optionsZOR70::typeBasic).arg(11), row.arg(optionsZOR70::typeExtended).arg(12)}));

        // A clock write changes no stored settings. Other writes leave the factory snapshot as it was:
        // the changed settings get one of their own (same text), which later writes keep up to date.
        // Device edits within the send delay are one write.
        r.list.setSendDelay(50);
        sims[0]->clearLog();
        for (int round = 0; round <= 2; ++round) {
            r.image(index[0])->measTime = round;
            for (int n = 0; n <= round; ++n)
                r.request(index[0], round ? "dev" : "clock");
            QTRY_COMPARE_WITH_TIMEOUT(sims[0]->log(zorSimulator::blockWritten).size(), 1 + round, simulatedLink::timeout);
            r.waitIdle(index[0]);
            QCOMPARE(snapShots(r, index[0]), round ? stored[0] + QStringList{snapShotOf(r, index[0], false)} : stored[0]);
        }
        r.compareWithSim(index[0], sims[0]);
        QCOMPARE(r.lines.filter("devError").size(), 1);
    }

    void badIdentity_data()
    {
        // A reply to an identity read, another instrument's or malformed, on first contact or
        // once registered. (One 16 bytes too long is the link's and the settings image's case.)
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("knownBefore");
        QTest::newRow("foreign, first contact") << QByteArray("\x0f\xaa\x02\x03") << false;
        QTest::newRow("foreign, instrument changed") << QByteArray("\x0f\xaa\x02\x03") << true;
        QTest::newRow("10 bytes") << QByteArray() << true;
    }

    void badIdentity()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, knownBefore);
        simulatedRegistry r;
        const QByteArray good = r.startSim(71)->block(optionsZOR70::rdIdent);
        reply = reply.isEmpty() ? good.left(10) : reply + good.mid(4);
        const int index = liveRecord(r, 7, 0);
        if (knownBefore)
            identify(r, index, good);
        QCOMPARE(r.list.getDBIndex(index), int(knownBefore));
        identify(r, index, reply);
        // Unidentified and out of the database until a good identity comes; no edit written till then.
        const zorList::_zor *zor = r.list.getZorByIndex(index);
        QCOMPARE(QString("%1 %2 %3 %4 ").arg(zor->options->devName, zor->options->getDevNumberStr()).arg(zor->dbIndex)
                     .arg(zor->snapShotId) + (r.rows("SELECT count(*) FROM device") + r.rows("SELECT count(*) FROM device_snapshot")).join(' '),
                 QString(" -- 0 0 %1 0").arg(int(knownBefore)));
        r.list.setSendDelay(20);
        r.lines.clear();
        r.request(index, "dev");
        QTRY_VERIFY(!zor->txTimer->isActive());
        identify(r, index, good);
        QCOMPARE(zor->dbIndex, 1);
        QVERIFY(r.lines.filter("write").isEmpty());
        r.request(index, "dev");
        QTRY_COMPARE(r.lines.filter("write"), QStringList{QString("write %1 8 4 0").arg(zor->devIndex)});
    }

    void streamTokens_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<QString>("state");   // of the record: "", "no plot" or "stopped"
        QTest::addColumn<QStringList>("expected");

        const QString openCircuit = "chError 0 2 13 не подключен датчик (обрыв токовой цепи)";
        const QString repair = "РАБОТА НЕ ВОЗМОЖНА. ПРИБОРУ ТРЕБУЕТСЯ РЕМОНТ!";
        const QString unknown = "неизвестная ошибка";
        using L = QStringList;
        QTest::newRow("reading, last channel, last unit") << QByteArray("32:21.4567J ") << "" << L{"meas 0 21.4567 31 Бар"};
        QTest::newRow("unknown unit") << QByteArray("2:5.5Z ") << "" << L{"meas 0 5.5 1 -"};
        QTest::newRow("open circuit") << QByteArray("3:-999999.0= ") << "" << L{openCircuit};
        QTest::newRow("instrument needs repair")
            << QByteArray("4:-999999.0b ") << "" << L{"chError 0 3 50 " + repair, "devError 0 50 " + repair};
        QTest::newRow("channel 33") << QByteArray("33:-999999.0b ") << "" << L{};
        QTest::newRow("value, no plot") << QByteArray("3:21.5D ") << "no plot" << L{};
        QTest::newRow("acquisition stopped") << QByteArray("4:-999999.0b ") << "stopped" << L{};
        QTest::newRow("status") << QByteArray("0#\x01#\x00# ", 7) << "" << L{"status 0"};
        QTest::newRow("status of two fields") << QByteArray("0#\x01# ") << "" << L{};
        QTest::newRow("status error") << QByteArray("98#\x00#\x00# ", 8) << "" << L{"devError 0 50 " + repair};
        QTest::newRow("status code not known") << QByteArray("49#\x00#\x00# ", 8) << "" << L{"devError 0 0 " + unknown};
        // Line noise, not a report: ignored, and the instrument kept.
        QTest::newRow("stray bytes before a status") << QByteArray("\xfe\x13" "0#\x01#\x00# ", 9) << "" << L{};
    }

    void streamTokens()
    {
        QFETCH(QByteArray, token);
        QFETCH(QString, state);
        QFETCH(QStringList, expected);
        bool passed = false;   // before the registry, whose link reports until it is gone
        simulatedRegistry r;
        // The exact tokens come from a bare line; the instrument behind it is this test.
        zorSimLine line;
        QVERIFY(line.open());
        const int index = r.connectPort(line.portName());
        // A first reading shows the port open; what was sent before is dropped as stale input.
        for (int tries = 0; tries < 200 && !r.lines.contains("meas 0 3 0 Ω"); ++tries) {
            line.send(QByteArray("1:3A "));
            QTest::qWait(50);
        }
        QVERIFY(r.lines.contains("meas 0 3 0 Ω"));
        r.lines.clear();
        zorList::_zor *zor = r.list.getZorByIndex(index);
        zor->qwtIndex = state == "no plot" ? -1 : zor->qwtIndex;
        zor->proccesed = state != "stopped";

        // A reading behind the token, once through, shows that the registry has dealt with it.
        QObject::connect(&r.link.port, &ZORSerialPort::readyDevMeas, [&passed](int, double meas) { passed = meas == 2; });
        line.send(token + "1:2A ");
        QTRY_VERIFY(passed || !r.lines.filter("devError").isEmpty());
        r.lines.removeAll("meas 0 2 0 Ω");
        QCOMPARE(r.lines, expected);
        const bool failed = !r.lines.filter("devError").isEmpty();
        QCOMPARE(zor->devIndex < 0, failed);
        QCOMPARE(r.link.port.getDevIndexList().isEmpty(), failed);
        if (token.startsWith("0#"))
            QCOMPARE(r.list.getTStatName(index), QString(expected.isEmpty() ? "<T>" : ">T<"));
        // A status token that reports nothing is counted.
        QCOMPARE(zor->garbledStatus, int(token.contains('#') && expected.isEmpty()));
    }

    // The change flags of a status line ask for the blocks changed on the instrument (two at
    // once: characteristics and channels on one, references and device on the other).
    void changeFlags()
    {
        simulatedRegistry r;
        const QList<std::pair<quint8, QByteArray>> flags = {{0x05, QByteArray("\x02\x07")}, {0x0A, QByteArray("\x03\x05")}};
        zorSimulator *sims[2] = {r.startSim(21), r.startSim(22)};
        int index[2];
        for (int n = 0; n < 2; ++n) {
            index[n] = r.connectPort(sims[n]->portName());
            identify(r, index[n], sims[n]->block(optionsZOR70::rdIdent));
        }
        r.lines.clear();
        for (int n = 0; n < 2; ++n)
            sims[n]->raiseChangeFlags(flags[n].first);
        // The flags ride on the first or second status line; the third waits for the reads.
        for (int n = 0; n < 2; ++n) {
            QTRY_VERIFY_WITH_TIMEOUT(r.lines.filter(QString("status %1").arg(index[n])).size() >= 3, simulatedLink::timeout);
            QCOMPARE(simulatedLink::addresses(sims[n]->log(zorSimulator::readDone)), flags[n].second);
        }
        QVERIFY(r.lines.filter("devError").isEmpty());
    }

    void writes_data()
    {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QStringList>("requests");   // simulatedRegistry::request
        QTest::addColumn<QStringList>("atOnce");     // the registry's writes before its send delay is over
        QTest::addColumn<QByteArray>("written");     // the addresses the instrument stored

        using L = QStringList;
        QTest::newRow("channels and one characteristic at once")
            << 32u << false << L{"ch", "feat3"} << L{"write 0 224 6 0", "write 0 340 131 0"} << QByteArray("\x06\x83");
        // Every request a dialog could make, even those the image itself would refuse.
        QTest::newRow("serial number 0: only serial number and clock")
            << 0u << false << L{"ch", "feat3", "feat", "dev", "name", "ref", "sn", "clock"} << L{}
            << QByteArray("\x34\x09");
        QTest::newRow("references, extended: the device row follows")
            << 41u << true << L{"ref"} << L{} << QByteArray("\x01\x0a");
    }

    void writes()
    {
        QFETCH(quint32, serial);
        QFETCH(bool, extended);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, atOnce);
        QFETCH(QByteArray, written);
        simulatedRegistry r;
        zorSimulator *sim = r.startSim(serial, extended ? zorSimMemory::extended : zorSimMemory::basic);
        const int index = r.connectPort(sim->portName());
        identify(r, index, sim->block(optionsZOR70::rdIdent));
        r.waitIdle(index);   // an extended one reads its refdU block
        // Random settings, so that every block written is new to the instrument.
        optionsZOR70 *options = r.image(index);
        randomBlocks random(serial);
        for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdRefdU, optionsZOR70::rdDev, optionsZOR70::rdCh})
            options->setData(random.block(address), address);
        QVERIFY(options->feature[3]->setData(random.feature()));
        const int delay = 400;
        r.list.setSendDelay(delay);
        sim->clearLog();
        r.lines.clear();

        for (const QString &request : requests)
            r.request(index, request);
        QCOMPARE(r.lines.filter("write"), atOnce);
        QTRY_COMPARE_WITH_TIMEOUT(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written,
                                  simulatedLink::timeout);
        r.waitIdle(index);
        QTest::qWait(delay);
        QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written);
        // Each block stored is the image's.
        const QMap<char, std::pair<QByteArray, QByteArray>> stored = {
            {'\x06', {sim->block(optionsZOR70::rdCh), options->getChData()}},
            {'\x83', {sim->block(optionsZOR70::rdFeat).mid(3 * featureZOR70::dataSize, featureZOR70::dataSize),
                      options->feature[3]->getData()}},
            {'\x01', {sim->block(optionsZOR70::rdRef) + sim->block(optionsZOR70::rdRefdU), options->getRefData(true)}}};
        for (char address : written)
            QCOMPARE(stored.value(address).first, stored.value(address).second);
        // The device row, none without a number; after a reference write "device_refdata" is reference + refdU.
        const QStringList device = r.rows("SELECT hex(device_refdata), device_number, device_name_search FROM device");
        QCOMPARE(device.isEmpty(), serial == 0);
        if (written.contains('\x01'))
            QCOMPARE(device, QStringList{options->getRefData(true).toHex().toUpper() + QString("|%1|зор 4.70").arg(serial)});
    }
};


QTEST_GUILESS_MAIN(test_zorList)
#include "test_zorList.moc"
