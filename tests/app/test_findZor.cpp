#include "mainWindowHarness.h"

#include "app/findZor.h"
#include "link/zorPortCatalog.h"
#include "registry/zorAutoConnect.h"
#include "sim/zorSimLine.h"
#include "tests/common/modalAnswer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
    // No ports, then two instruments and a port that never answers: the scan ends with
    // the last probe, connects the instruments and lets the silent port go.
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
            // Both are connected during the first scan, so none is left to count; the
            // second finds nothing: the connected ones are not probed again.
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

    // Instruments left waiting (another number is wanted): "Подключиться" connects the
    // selected ones; one whose link went meanwhile brings the warning, and the one not
    // selected gets its port back.
    void connectSelected()
    {
        mainWindowHarness h;
        h.open();
        h.window->findChild<zorAutoConnect *>()->setEnabled(false);
        h.startSim(71);
        zorSimulator *gone = h.startSim(72);
        h.startSim(73);
        find(h)->find(false, 99);
        QTRY_COMPARE_WITH_TIMEOUT(in<QLabel>(h, "statusLabel")->text(), QString("Найдено новых приборов: 3"), h.timeout);
        gone->closeLine();
        QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 2, h.timeout);
        QTableWidget *table = in<QTableWidget>(h, "newDevTable");
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 2)->text() != "0073")
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 1)).center());
        }
        QString warning;
        modalAnswer::next<QMessageBox>([&](QMessageBox *box) {
            warning = box->windowTitle() + "|" + box->text();
            box->accept();
        });
        QTest::mouseClick(in<QPushButton>(h, "connectBtn"), Qt::LeftButton);
        QCOMPARE(warning, QString("Ошибка инциализации прибора|Невозможно добавить прибор 0072\n"
                                  "Возможно такой прибор уже проинициализирован программой?"));
        QTRY_COMPARE_WITH_TIMEOUT(shown(h), QString("Стенд 71 0071"), h.timeout);
        QTRY_COMPARE_WITH_TIMEOUT(h.port()->getDevIndexList().size(), 1, h.timeout);
    }

    void reattach_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("automatic connection") << "auto";
        QTest::newRow("discovery, old path") << "dialog";
        QTest::newRow("discovery, another path") << "moved";
    }

    // A pulled cable: the device shows the error. Once the instrument answers again, found
    // by the automatic connection (reading within 5 s of its return) or by the discovery
    // dialog, on its old path or another, it takes up its old record: one row, the same
    // plot series, carrying on. (Every way of connecting goes through one procedure.)
    void reattach()
    {
        QFETCH(QString, how);
        mainWindowHarness h;
        h.open();
        h.window->findChild<zorAutoConnect *>()->setEnabled(how == "auto");
        zorSimulator *before = h.startSim(52);
        const int index = h.connectSims({before}).first();
        const int qwtIndex = h.list()->getQWTIndex(index);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > 3, h.timeout);
        const QString oldPath = before->portName();
        before->closeLine();
        zorPortCatalog::unregisterPort(oldPath); // gone from the system's list
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex < 0, h.timeout);
        QTRY_VERIFY(h.window->findChild<QMessageBox *>());
        QVERIFY(how != "auto" || h.window->findChild<zorAutoConnect *>()->isLost(index));
        QTest::qWait(500);
        const int gapStart = h.plot()->getChMeasCount(qwtIndex, 0);
        const double lastTime = h.plot()->getChTime(qwtIndex, 0);

        zorSimLine blocker; // takes the old pseudo-terminal number (others may reuse it)
        QVERIFY(how != "moved" || blocker.open());
        QElapsedTimer back;
        back.start();
        const QString path = h.startSim(52)->portName();
        QVERIFY(how != "moved" || path != oldPath);
        if (how != "auto")
            QTest::mouseClick(h.window->findChild<QToolButton *>("findDevBtn"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > gapStart, h.timeout);
        QVERIFY2(how != "auto" || back.elapsed() <= 5000, qPrintable(QString("%1 ms").arg(back.elapsed())));
        h.waitIdle(index);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > gapStart + 3, h.timeout);
        QCOMPARE(h.list()->getIndexList(), QList<int>{index});
        QCOMPARE(h.list()->getQWTIndex(index), qwtIndex);
        QCOMPARE(h.list()->getZorByIndex(index)->portName, path);
        QCOMPARE(shown(h), QString("Стенд 52 0052"));
        QVERIFY(h.plot()->getChTime(qwtIndex, 0) > lastTime);
        QTRY_COMPARE(h.table("devTable")->item(1, 1)->foreground().color(), QColor(Qt::black));
    }

    // Other devices on the ports: one listed only, and one connected by its path as with
    // --port. Through the start-up scan, the failed read-all and an instrument lost and
    // found again, each gets one identity request (its selector echoed at most three
    // times), and nothing more.
    void foreignDevices()
    {
        mainWindowHarness h;
        h.open();
        zorSimLine listed, typed;
        QVERIFY(listed.open() && typed.open());
        zorPortCatalog::registerPort(listed.portName(), "foreign");
        QByteArray received[2];
        QTimer counter;
        QObject::connect(&counter, &QTimer::timeout, [&] {
            char byte;
            for (int n = 0; n < 2; ++n)
                while ((n ? typed : listed).receive(&byte, 0, [] { return false; }))
                    received[n] += byte;
        });
        counter.start(10);
        zorSimulator *sim = h.startSim(53);
        h.sql()->setAppProperty("autoconnect", "1");
        h.window->findChild<zorAutoConnect *>()->setEnabled(true);
        h.window->startAutoConnect();
        const int foreign = h.window->connectTypedPort(typed.portName());
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(foreign)->silent, h.timeout);
        QTRY_COMPARE_WITH_TIMEOUT(h.list()->count(), 2, h.timeout);
        const int index = h.list()->getIndexList().value(foreign == 0 ? 1 : 0);
        h.waitIdle(index);
        sim->closeLine();
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex < 0, h.timeout);
        QTest::qWait(2000); // several searches
        h.startSim(53);
        QTRY_VERIFY_WITH_TIMEOUT(h.list()->getZorByIndex(index)->devIndex >= 0, h.timeout);
        h.waitIdle(index);
        for (const QByteArray &bytes : received) {
            QVERIFY2(!bytes.isEmpty() && bytes.size() <= 3 && bytes.count('\x33') == bytes.size(), bytes.toHex().constData());
        }
        zorPortCatalog::unregisterPort(listed.portName());
        zorPortCatalog::unregisterPort(typed.portName());
    }
};

QTEST_MAIN(test_findZor)
#include "test_findZor.moc"
