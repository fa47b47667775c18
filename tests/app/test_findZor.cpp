#include "mainWindowHarness.h"

#include "app/findZor.h"
#include "link/zorPortCatalog.h"
#include "registry/zorAutoConnect.h"
#include "sim/zorSimLine.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// A port where nothing ever answers.
class silentPort
{
public:
    silentPort()
    {
        if (!line.open())
            qFatal("no pseudo-terminal");
        zorPortCatalog::registerPort(line.portName(), "silent");
    }
    ~silentPort() { zorPortCatalog::unregisterPort(line.portName()); }
    QString name() const { return line.portName(); }

private:
    zorSimLine line;
};

} // namespace

// Finding instruments on the ports: the discovery dialog, the automatic connection at
// start-up, and the reconnection of an instrument whose link broke.
class test_findZor : public QObject
{
    Q_OBJECT

private slots:
    void noPorts();
    void discoveryOverThreePorts();
    void automaticSearchForOneNumber();
    void autoConnectAtStart_data();
    void autoConnectAtStart();
    void reconnectionAfterTheLinkBreaks();
};

void test_findZor::noPorts()
{
    mainWindowHarness h;
    h.open();
    QTest::mouseClick(h.window->findChild<QToolButton *>("findDevBtn"), Qt::LeftButton);
    findZor *find = h.window->findChild<findZor *>();
    QVERIFY(find->isVisible());
    QCOMPARE(find->findChild<QLabel *>("statusLabel")->text(), QString("Нет доступных портов"));
    QVERIFY(!find->findChild<QProgressBar *>("progressBar")->isVisible());
    QVERIFY(!find->findChild<QWidget *>("connectBtn")->isEnabled());
}

// Two instruments and a port that never answers: the scan ends with the last probe,
// connects the instruments and lets the silent port go.
void test_findZor::discoveryOverThreePorts()
{
    mainWindowHarness h;
    h.open();
    h.startSim(41);
    h.startSim(42);
    silentPort silent;
    QTest::mouseClick(h.window->findChild<QToolButton *>("findDevBtn"), Qt::LeftButton);
    findZor *find = h.window->findChild<findZor *>();
    QLabel *status = find->findChild<QLabel *>("statusLabel");
    QCOMPARE(find->findChild<QProgressBar *>("progressBar")->property("max").toInt(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Найдено новых приборов: 2"), h.timeout);
    QCOMPARE(find->findChild<QProgressBar *>("progressBar")->value(), 3);
    QCOMPARE(find->findChild<QTableWidget *>("newDevTable")->rowCount(), 2);
    QCOMPARE(h.list()->count(), 2);
    QVERIFY(h.list()->getLiveZor(optionsZOR70::typeBasic, 41) && h.list()->getLiveZor(optionsZOR70::typeBasic, 42));
    // Only the instruments keep their ports.
    QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 2, h.timeout);
    QTRY_COMPARE_WITH_TIMEOUT(QSet<QString>({h.text("devTable", 1, 2), h.text("devTable", 2, 2)}),
                              QSet<QString>({"0041", "0042"}), h.timeout);

    // A second scan finds nothing new: the connected ones are not probed again.
    QTest::mouseClick(find->findChild<QToolButton *>("scanBtn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Найдено новых приборов: 0"), h.timeout);
    QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 2, h.timeout);
    find->close();
}

void test_findZor::automaticSearchForOneNumber()
{
    mainWindowHarness h;
    h.open();
    h.startSim(41);
    h.startSim(42);
    findZor *find = h.window->findChild<findZor *>();
    find->find(true, 42);
    QTRY_VERIFY_WITH_TIMEOUT(h.list()->getLiveZor(optionsZOR70::typeBasic, 42), h.timeout);
    QTRY_VERIFY(!find->isVisible());
    QCOMPARE(h.list()->count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 1, h.timeout);
}

void test_findZor::autoConnectAtStart_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

// With "Автоподключение" on, every instrument found is connected without a dialog.
void test_findZor::autoConnectAtStart()
{
    QFETCH(bool, on);
    mainWindowHarness h;
    h.open();
    h.setAppProperty("autoconnect", on ? "1" : "0");
    h.startSim(61);
    h.startSim(62);
    h.window->startAutoConnect();
    QVERIFY(!h.window->findChild<findZor *>()->isVisible());
    if (on) {
        QTRY_COMPARE_WITH_TIMEOUT(h.list()->count(), 2, h.timeout);
        QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", 2, 1).left(6), QString("Стенд "), h.timeout);
    } else {
        QTest::qWait(1000);
        QCOMPARE(h.list()->count(), 0);
    }
}

// A pulled cable: the device shows the error; once the instrument answers on another
// port it is the same record and the same plot series, carrying on.
void test_findZor::reconnectionAfterTheLinkBreaks()
{
    mainWindowHarness h;
    h.open();
    zorSimulator *before = h.startSim(51);
    const int index = h.connectSim(before);
    const int qwtIndex = h.list()->getQWTIndex(index);
    QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > 3, h.timeout);

    before->closeLine();
    zorPortCatalog::unregisterPort(before->portName()); // gone from the system's list
    QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex < 0, h.timeout);
    QTRY_VERIFY(h.window->findChild<QMessageBox *>());
    QCOMPARE(h.window->findChild<QMessageBox *>()->windowTitle(), QString("Неисправность прибора"));
    QVERIFY(h.window->findChild<zorAutoConnect *>()->isLost(index));
    QTest::qWait(500);
    const int gapStart = h.plot()->getChMeasCount(qwtIndex, 0);
    const double lastTime = h.plot()->getChTime(qwtIndex, 0);

    h.startSim(51);
    QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex >= 0, h.timeout);
    QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > gapStart + 3, h.timeout);
    QCOMPARE(h.list()->count(), 1);
    QCOMPARE(h.list()->getQWTIndex(index), qwtIndex);
    QVERIFY(h.plot()->getChTime(qwtIndex, 0) > lastTime);
    QTRY_COMPARE(h.table("devTable")->item(1, 1)->foreground().color(), QColor(Qt::black));
}

QTEST_MAIN(test_findZor)
#include "test_findZor.moc"
