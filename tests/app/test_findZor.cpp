#include "mainWindowHarness.h"

#include "app/findZor.h"
#include "link/zorPortCatalog.h"
#include "registry/zorAutoConnect.h"
#include "sim/zorSimLine.h"
#include "tests/common/modalAnswer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

// The discovery dialog, automatic connection, and reconnection after a broken link.
class test_findZor : public QObject
{
    Q_OBJECT
    findZor *find(mainWindowHarness &h) { return h.window->findChild<findZor *>(); }
    template<class T> T *in(mainWindowHarness &h, const char *name) { return find(h)->findChild<T *>(name); }
    // Name and number of the devices in the device table, in order of number.
    QString shown(mainWindowHarness &h)
    {
        QStringList rows;
        for (int row = 1; row < h.table("devTable")->rowCount(); ++row)
            rows << h.text("devTable", row, 1) + " " + h.text("devTable", row, 2);
        rows.sort();
        return rows.join('|');
    }

private slots:
    // No ports, then two instruments and a port that never answers: the scan connects the
    // instruments and lets the silent port go.
    void discovery()
    {
        mainWindowHarness h;
        h.open();
        QTest::mouseClick(h.window->findChild<QToolButton *>("findDevBtn"), Qt::LeftButton);
        QVERIFY(find(h)->isVisible());
        QLabel *status = in<QLabel>(h, "statusLabel");
        QCOMPARE(status->text(), QString("Нет доступных портов"));
        h.startSim(41);
        h.startSim(42);
        zorSimLine silent;
        QVERIFY(silent.open());
        zorPortCatalog::registerPort(silent.portName(), "silent");
        for (const int rows : {2, 0}) {
            // Connected during the first scan, none is left to count; the second probes none.
            QTest::mouseClick(in<QToolButton>(h, "scanBtn"), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Найдено новых приборов: 0"), h.timeout);
            QCOMPARE(in<QTableWidget>(h, "newDevTable")->rowCount(), rows);
            // Only the instruments keep their ports.
            QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 2, h.timeout);
            QTRY_COMPARE_WITH_TIMEOUT(shown(h), QString("Стенд 41 0041|Стенд 42 0042"), h.timeout);
        }
        zorPortCatalog::unregisterPort(silent.portName());
    }

    void autoConnect_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected"); // the devices shown
        QTest::newRow("at start") << "start" << "Стенд 61 0061|Стенд 62 0062";
        QTest::newRow("at start, turned off") << "off" << "";
        QTest::newRow("one number") << "number" << "Стенд 62 0062";
    }

    // With "Автоподключение" on, every instrument found at start is connected without a
    // dialog; a search for one number connects that instrument alone.
    void autoConnect()
    {
        QFETCH(QString, how);
        QFETCH(QString, expected);
        mainWindowHarness h;
        h.open();
        h.sql()->setAppProperty("autoconnect", how == "off" ? "0" : "1");
        h.startSim(61);
        h.startSim(62);
        if (how == "number")
            find(h)->find(true, 62);
        else
            h.window->startAutoConnect();
        if (expected.isEmpty())
            QTest::qWait(1000);
        QTRY_COMPARE_WITH_TIMEOUT(shown(h), expected, h.timeout);
        QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), h.list()->count(), h.timeout);
        QTRY_VERIFY(!find(h)->isVisible());
    }

    // A pulled cable: the device shows the error. Back on another path, the instrument is found
    // by the automatic connection (reading within 5 s) and takes up its old record: one row, the
    // same plot series, carrying on. (Every way of connecting goes through one procedure.)
    void reattach()
    {
        mainWindowHarness h;
        h.open();
        zorSimulator *before = h.startSim(52);
        const int index = h.connectSims({before}).first();
        const int qwtIndex = h.list()->getQWTIndex(index);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > 3, h.timeout);
        // The instrument's next line is made while the old one is open, so that its
        // pseudo-terminal number differs whatever other processes take meanwhile; the
        // system lists it only once the old one is lost.
        const QString path = h.startSim(52)->portName();
        zorPortCatalog::unregisterPort(path);
        const QString oldPath = before->portName();
        before->closeLine();
        zorPortCatalog::unregisterPort(oldPath); // gone from the system's list
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex < 0, h.timeout);
        QTRY_VERIFY(h.window->findChild<QMessageBox *>());
        QVERIFY(h.window->findChild<zorAutoConnect *>()->isLost(index));
        QTest::qWait(500);
        const int gapStart = h.plot()->getChMeasCount(qwtIndex, 0);
        const double lastTime = h.plot()->getChTime(qwtIndex, 0);

        QElapsedTimer back;
        back.start();
        zorPortCatalog::registerPort(path, "Симулятор ЗОР 4.70 № 52");
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > gapStart, h.timeout);
        QVERIFY2(back.elapsed() <= 5000, qPrintable(QString("%1 ms").arg(back.elapsed())));
        h.waitIdle(index);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > gapStart + 3, h.timeout);
        QCOMPARE(h.list()->getIndexList(), QList<int>{index});
        QCOMPARE(h.list()->getQWTIndex(index), qwtIndex);
        QCOMPARE(h.list()->getZorByIndex(index)->portName, path);
        QCOMPARE(shown(h), QString("Стенд 52 0052"));
        QVERIFY(h.plot()->getChTime(qwtIndex, 0) > lastTime);
        QTRY_COMPARE(h.table("devTable")->item(1, 1)->foreground().color(), QColor(Qt::black));
    }

    // Another device on a listed port: through the start-up scan and an instrument lost
    // and found again it gets one identity request (its selector echoed at most three
    // times), and nothing more. (A silent port connected by its path: test_zorList.)
    void foreignDevice()
    {
        mainWindowHarness h;
        h.open();
        zorSimLine foreign;
        QVERIFY(foreign.open());
        zorPortCatalog::registerPort(foreign.portName(), "foreign");
        QByteArray received;
        QTimer counter;
        QObject::connect(&counter, &QTimer::timeout, [&] {
            char byte;
            while (foreign.receive(&byte, 0, [] { return false; }))
                received += byte;
        });
        counter.start(10);
        zorSimulator *sim = h.startSim(53);
        h.window->startAutoConnect();
        QTRY_COMPARE_WITH_TIMEOUT(h.list()->count(), 1, h.timeout);
        const int index = h.list()->getIndexList().first();
        h.waitIdle(index);
        sim->closeLine();
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex < 0, h.timeout);
        QTest::qWait(2000); // several searches
        h.startSim(53);
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex >= 0, h.timeout);
        h.waitIdle(index);
        QVERIFY2(!received.isEmpty() && received.size() <= 3 && received.count('\x33') == received.size(),
                 received.toHex().constData());
        zorPortCatalog::unregisterPort(foreign.portName());
    }
};

QTEST_MAIN(test_findZor)
#include "test_findZor.moc"
