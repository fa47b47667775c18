#include "link/ZORSerialPort.h"
#include "model/featureZOR70.h"
#include "registry/zorList.h"
#include "tests/registry/registryLog.h"
#include "tests/registry/simulatedLink.h"

#include <QtTest>

// The registry on its own: record keeping, registration rules, the timing of sends and
// the processing flag. The link manager has no device, so the writes the registry asks
// for are dropped there and seen only in the registry's own signals.
class test_zorList : public QObject
{
    Q_OBJECT

private slots:
    void init() { link.setUp(); }
    void cleanup() { link.tearDown(); }

    void recordLimit();
    void addZor_data();
    void addZor();
    void recordPassedBetweenRegistries();
    void deferredSend_data();
    void deferredSend();
    void pendingSendsEndWithTheLink_data();
    void pendingSendsEndWithTheLink();
    void writesOfNothing();
    void processing_data();
    void processing();

private:
    // A connected record for a device index the link manager does not know, identified
    // as the given instrument (serial 0: not identified), shown in the plot.
    int liveRecord(int devIndex, quint32 serial = 42, quint32 type = optionsZOR70::typeBasic);

    simulatedLink link; // only its registry: no instrument is started
};

int test_zorList::liveRecord(int devIndex, quint32 serial, quint32 type)
{
    const int index = link.list->newZor(devIndex, true);
    zorList::_zor *zor = link.list->getZorByIndex(index);
    zor->options->devType = type;
    zor->options->devNumber = serial;
    zor->qwtIndex = 10 + index;
    link.log->clear();
    return index;
}

void test_zorList::recordLimit()
{
    for (int n = 0; n < zorList::maxZor; ++n)
        QCOMPARE(link.list->newZor(-1, false), n);
    QCOMPARE(link.log->lines.size(), zorList::maxZor);
    QCOMPARE(link.log->lines.last(), QString("add 253 false"));

    link.log->clear();
    QCOMPARE(link.list->newZor(-1, true), -1);
    QCOMPARE(link.log->lines, QStringList{"add -1 false"});
    QCOMPARE(link.list->count(), zorList::maxZor);

    // A freed key is the lowest free one and is used again.
    link.list->rmByIndex(7);
    QCOMPARE(link.list->newZor(-1, false), 7);
}

void test_zorList::addZor_data()
{
    // A registered record (none when its devIndex is -2) and the record offered to addZor.
    QTest::addColumn<int>("knownDev");
    QTest::addColumn<quint32>("knownSerial");
    QTest::addColumn<int>("newDev");
    QTest::addColumn<quint32>("newSerial");
    QTest::addColumn<bool>("offerTwice");
    QTest::addColumn<bool>("added");

    QTest::newRow("fresh record") << -2 << 0u << 3 << 42u << false << true;
    QTest::newRow("the same record twice") << -2 << 0u << 3 << 42u << true << false;
    QTest::newRow("no port") << -2 << 0u << -1 << 42u << false << true;
    QTest::newRow("device index 255") << -2 << 0u << 255 << 42u << false << false;
    QTest::newRow("device index taken") << 3 << 7u << 3 << 42u << false << false;
    QTest::newRow("instrument live elsewhere") << 4 << 42u << 3 << 42u << false << false;
    QTest::newRow("instrument lost, found again") << -1 << 42u << 3 << 42u << false << true;
    QTest::newRow("two unnumbered instruments") << 4 << 0u << 3 << 0u << false << true;
}

void test_zorList::addZor()
{
    QFETCH(int, knownDev);
    QFETCH(quint32, knownSerial);
    QFETCH(int, newDev);
    QFETCH(quint32, newSerial);
    QFETCH(bool, offerTwice);
    QFETCH(bool, added);

    if (knownDev != -2)
        liveRecord(knownDev, knownSerial);
    auto *zor = new zorList::_zor(newDev, QStringLiteral("COM9"), 5000);
    zor->options->devType = optionsZOR70::typeBasic;
    zor->options->devNumber = newSerial;
    if (offerTwice)
        QVERIFY(link.list->addZor(zor, false));
    link.log->clear();

    QCOMPARE(link.list->addZor(zor, false), added);
    if (!added) {
        QVERIFY(link.log->lines.isEmpty());
        if (!offerTwice)
            delete zor;
        return;
    }
    QCOMPARE(link.list->getZorByIndex(zor->index), zor);
    QCOMPARE(link.log->lines, QStringList{QString("add %1 true").arg(zor->index)});
    // Now wired to this registry: an edit becomes a write.
    zor->options->triggerChChange();
    QCOMPARE(link.log->filtered("write").size(), newSerial != 0 && newDev >= 0 ? 1 : 0);
}

void test_zorList::recordPassedBetweenRegistries()
{
    // The discovery dialog's private registry hands its record over: registered in
    // the main registry first, then detached from the private one.
    zorList scan(link.port.data(), link.sql.data(), false);
    const int scanIndex = scan.newZor(5, false);
    zorList::_zor *zor = scan.getZorByIndex(scanIndex);
    zor->options->devType = optionsZOR70::typeBasic;
    zor->options->devNumber = 77;
    QVERIFY(link.list->addZor(zor, false));
    QCOMPARE(scan.detachByIndex(scanIndex), zor);
    QVERIFY(!scan.isZor(scanIndex));

    QSignalSpy devChange(link.list.data(), &zorList::onDevChange);
    emit zor->options->onDevChange();
    zor->options->triggerChChange();
    QCOMPARE(devChange.size(), 1);
    QCOMPARE(link.log->filtered("write"), QStringList{"write 5 6 224"});

    // Detached from the main registry, the record is silent there.
    QCOMPARE(link.list->detachByDevIndex(5), zor);
    emit zor->options->onDevChange();
    zor->options->triggerChChange();
    QCOMPARE(devChange.size(), 1);
    QCOMPARE(link.log->filtered("write").size(), 1);
    delete zor;
}

void test_zorList::deferredSend_data()
{
    // Apply requests, one every 20 ms: dev, name, ref, sn, clock, feat (all slots),
    // and "lose" (the instrument loses its serial number before the timer fires).
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("writes");

    const quint32 basic = optionsZOR70::typeBasic;
    const quint32 extended = optionsZOR70::typeExtended;
    QTest::newRow("three device edits") << basic << QStringList{"dev", "dev", "dev"}
                                        << QStringList{"write 7 4 8"};
    QTest::newRow("merged in request order") << basic << QStringList{"dev", "name", "dev", "feat"}
                                             << QStringList{"write 7 4 8", "write 7 50 20", "write 7 0 10880"};
    QTest::newRow("references, extended") << extended << QStringList{"ref"}
                                          << QStringList{"write 7 1 1008", "write 7 10 116"};
    QTest::newRow("identity lost meanwhile") << basic << QStringList{"dev", "sn", "clock", "lose"}
                                             << QStringList{"write 7 52 4", "write 7 9 8"};
}

void test_zorList::deferredSend()
{
    QFETCH(quint32, type);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, writes);

    const int delay = 150;
    link.list->setSendDelay(delay);
    const int index = liveRecord(7, 42, type);
    optionsZOR70 *options = link.list->getZorByIndex(index)->options;
    for (const QString &request : requests) {
        if (request == "dev")
            options->triggerDevChange();
        else if (request == "name")
            options->triggerNameChange();
        else if (request == "ref")
            options->triggerRefChange();
        else if (request == "sn")
            options->triggerSNChange();
        else if (request == "clock")
            options->triggerDateTime();
        else if (request == "feat")
            options->triggerFeatChange();
        else if (request == "lose")
            options->devNumber = 0;
        QTest::qWait(20);
    }
    // Nothing before the delay has passed since the last request.
    QTest::qWait(delay / 3);
    QVERIFY(link.log->lines.isEmpty());
    QTRY_VERIFY(!link.log->lines.isEmpty());
    QTest::qWait(delay);
    QCOMPARE(link.log->lines, QStringList{"change"} + writes);
}

void test_zorList::pendingSendsEndWithTheLink_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("removed") << "rm";
    QTest::newRow("disconnected") << "disconnect";
    QTest::newRow("detached") << "detach";
}

void test_zorList::pendingSendsEndWithTheLink()
{
    QFETCH(QString, action);

    link.list->setSendDelay(50);
    const int index = liveRecord(7);
    optionsZOR70 *options = link.list->getZorByIndex(index)->options;
    options->triggerDevChange();
    // A read-all sequence mutes the image until its first reply, which never comes.
    link.list->getAllDataFromZor(index);
    link.log->clear();
    QScopedPointer<zorList::_zor> detached;
    if (action == "rm")
        link.list->rmByIndex(index);
    else if (action == "disconnect")
        link.list->disConnByIndex(index);
    else
        detached.reset(link.list->detachByIndex(index));
    QTest::qWait(150);
    QVERIFY(link.log->filtered("write").isEmpty());
    QCOMPARE(link.log->filtered("change").size(), 0);
    if (action == "disconnect")
        QVERIFY(!options->signalsBlocked());
}

void test_zorList::writesOfNothing()
{
    // A write without bytes would never finish on the link and hold up the device's
    // later writes: neither a slot beyond the table nor an unknown code is sent.
    link.list->setSendDelay(20);
    const int index = liveRecord(7);
    emit link.list->getZorByIndex(index)->options->onFeatApply(quint8(40));
    link.list->sendZorData(index, optionsZOR70::tx_code(77));
    QTRY_VERIFY(!link.log->lines.isEmpty());
    QTest::qWait(50);
    QCOMPARE(link.log->lines, QStringList{"change"});
}

void test_zorList::processing_data()
{
    QTest::addColumn<QList<bool>>("steps"); // processed, clear; repeated
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("stop, restart with clearing") << QList<bool>{false, true, true, false}
                                                 << QStringList{"change", "clearQwt 10", "change"};
    QTest::newRow("stop, restart") << QList<bool>{false, false, true, true} << QStringList{"change", "change"};
    QTest::newRow("already running") << QList<bool>{true, true} << QStringList{};
}

void test_zorList::processing()
{
    QFETCH(QList<bool>, steps);
    QFETCH(QStringList, expected);

    const int index = liveRecord(7);
    for (int n = 0; n + 1 < steps.size(); n += 2)
        link.list->setProccesed(index, steps.at(n), steps.at(n + 1));
    QCOMPARE(link.log->lines, expected);
}

QTEST_GUILESS_MAIN(test_zorList)
#include "test_zorList.moc"
