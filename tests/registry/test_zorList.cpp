#include "tests/registry/simulatedRegistry.h"

#include <QtTest>

namespace {

// A connected record for a device index the link manager does not know, identified as
// the given instrument (serial 0: not identified), shown in the plot.
int liveRecord(simulatedRegistry &r, int devIndex, quint32 serial = 42, quint32 type = optionsZOR70::typeBasic)
{
    const int index = r.list.newZor(devIndex, true);
    r.image(index)->devType = type;
    r.image(index)->devNumber = serial;
    r.list.getZorByIndex(index)->qwtIndex = 10 + index;
    r.lines.clear();
    return index;
}

} // namespace

// The registry on its own: record keeping, registration rules and the timing of sends.
// The link manager has no device, so the writes the registry asks for are dropped there
// and seen only in the registry's own signals.
class test_zorList : public QObject
{
    Q_OBJECT
private slots:
    void recordLimit();
    void addZor_data();
    void addZor();
    void deferredSend_data();
    void deferredSend();
};

void test_zorList::recordLimit()
{
    simulatedRegistry r;
    for (int n = 0; n < zorList::maxZor; ++n)
        QCOMPARE(r.list.newZor(-1, false), n);
    QCOMPARE(r.lines.last(), QString("add 253 false"));
    r.lines.clear();
    QCOMPARE(r.list.newZor(-1, true), -1);
    QCOMPARE(r.lines, QStringList{"add -1 false"});
    // A freed key is the lowest free one and is used again.
    r.list.rmByIndex(7);
    QCOMPARE(r.list.newZor(-1, false), 7);
}

void test_zorList::addZor_data()
{
    // A registered record (none when its devIndex is -2) and the record offered: "new",
    // offered "twice", or handed over by the discovery dialog's own registry ("scan").
    QTest::addColumn<int>("knownDev");
    QTest::addColumn<quint32>("knownSerial");
    QTest::addColumn<QString>("offer");
    QTest::addColumn<int>("newDev");
    QTest::addColumn<quint32>("newSerial");
    QTest::addColumn<bool>("added");

    QTest::newRow("fresh record") << -2 << 0u << "new" << 3 << 42u << true;
    QTest::newRow("the same record twice") << -2 << 0u << "twice" << 3 << 42u << false;
    QTest::newRow("handed over by another registry") << -2 << 0u << "scan" << 3 << 42u << true;
    QTest::newRow("no port") << -2 << 0u << "new" << -1 << 42u << true;
    QTest::newRow("device index 255") << -2 << 0u << "new" << 255 << 42u << false;
    QTest::newRow("device index taken") << 3 << 7u << "new" << 3 << 42u << false;
    QTest::newRow("instrument live elsewhere") << 4 << 42u << "new" << 3 << 42u << false;
    QTest::newRow("instrument lost, found again") << -1 << 42u << "new" << 3 << 42u << true;
    QTest::newRow("two unnumbered instruments") << 4 << 0u << "new" << 3 << 0u << true;
}

void test_zorList::addZor()
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
    QCOMPARE(r.lines, added ? QStringList{QString("add %1 true").arg(zor->index)} : QStringList());
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

void test_zorList::deferredSend_data()
{
    // Requests (simulatedRegistry::request), one every 20 ms; the clock write of "mute"
    // goes at once, the replies of its reads never come.
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("expected");

    const quint32 basic = optionsZOR70::typeBasic;
    using L = QStringList;
    QTest::newRow("three device edits") << basic << L{"dev", "dev", "dev"} << L{"change", "write 7 4 8"};
    QTest::newRow("merged in request order") << basic << L{"dev", "name", "dev", "feat"}
                                             << L{"change", "write 7 4 8", "write 7 50 20", "write 7 0 10880"};
    QTest::newRow("references, extended")
        << quint32(optionsZOR70::typeExtended) << L{"ref"} << L{"change", "write 7 1 1008", "write 7 10 116"};
    QTest::newRow("identity lost meanwhile")
        << basic << L{"dev", "sn", "clock", "lose"} << L{"change", "write 7 52 4", "write 7 9 8"};
    // A write without bytes would never finish on the link and hold up later writes.
    QTest::newRow("writes of nothing") << basic << L{"slot40", "code77"} << L{"change"};
    // Sends planned for a link end with it, and the image is not left mute.
    QTest::newRow("removed") << basic << L{"dev", "mute", "rm"} << L{"write 7 9 8", "rm 0 10"};
    QTest::newRow("disconnected") << basic << L{"dev", "mute", "disconnect"} << L{"write 7 9 8"};
    QTest::newRow("detached") << basic << L{"dev", "mute", "detach"} << L{"write 7 9 8"};
}

void test_zorList::deferredSend()
{
    QFETCH(quint32, type);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, expected);
    simulatedRegistry r;
    const int delay = 150;
    r.list.setSendDelay(delay);
    const int index = liveRecord(r, 7, 42, type);
    for (const QString &request : requests) {
        r.request(index, request);
        QTest::qWait(20);
    }
    if (requests.contains("disconnect"))
        QVERIFY(!r.image(index)->signalsBlocked());
    // Nothing before the delay has passed since the last request, nothing more after.
    QTest::qWait(delay / 3);
    QVERIFY(!r.lines.contains("change"));
    QTRY_COMPARE(r.lines, expected);
    QTest::qWait(delay);
    QCOMPARE(r.lines, expected);
}

QTEST_GUILESS_MAIN(test_zorList)
#include "test_zorList.moc"
