#include "mainWindowHarness.h"
#include "tests/common/modalAnswer.h"

#include "link/zorPortCatalog.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

// The main window's start, close, commands and stored plot settings, against simulated instruments.
class test_MainWindow : public QObject
{
    Q_OBJECT
    // A window with instruments 7 and 8 connected, shared: connecting takes seconds.
    std::unique_ptr<mainWindowHarness> shared;
    mainWindowHarness &two()
    {
        if (!shared) {
            shared.reset(new mainWindowHarness);
            shared->open();
            shared->connectSims({shared->startSim(7), shared->startSim(8)});
        }
        return *shared;
    }
    QToolButton *button(mainWindowHarness &h, const QString &name) { return h.window->findChild<QToolButton *>(name); }

private slots:
    void cleanupTestCase() { shared.reset(); }

    void database_data()
    {
        QTest::addColumn<QString>("obstacle"); // a damaged file, or a file where the directory goes
        QTest::addColumn<QString>("told");     // a piece of the message
        QTest::newRow("first start") << "" << "";
        QTest::newRow("damaged file") << "/zor4_70.db" << ".damaged-";
        QTest::newRow("no directory can be made") << "." << "Не удалось создать папку";
    }

    // The first start creates the database; without an instrument the channel table says what to do,
    // until the first device comes and after the last one goes. A database that cannot be used is told
    // once, with path and reason; the window works on. (Its own harness moves HOME: before the shared.)
    void database()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, told);
        mainWindowHarness h;
        const QString dir = h.dataDir();
        QFile file(QDir::cleanPath(dir + "/" + obstacle));
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(obstacle.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'x')) == 8192));
        file.close();
        h.open();
        QTest::qWait(50);
        QTRY_COMPARE(h.window->findChildren<QMessageBox *>().size(), int(!told.isEmpty()));
        const QString text = told.isEmpty() ? "" : h.window->findChild<QMessageBox *>()->text();
        QVERIFY2(text.contains(told) && (told.isEmpty() || text.contains(dir)), qPrintable(text));
        QVERIFY(h.window->isVisible() && h.menuAction("addDevBtn", "без подключния"));
        // Without channels a limit choice changes nothing.
        h.menuAction("trackBtn", "Верхний предел")->trigger();
        QCOMPARE(int(h.plot()->getModeTrack(-1)), int(QwtZOR::tmOff));
        if (!told.isEmpty())
            return;
        QCOMPARE(h.sql()->getAppProperty("autoconnect").toString(), QString("1"));
        const QLabel *hint = h.table("chTable")->findChild<QLabel *>("emptyHint");
        QVERIFY(hint && hint->isVisibleTo(h.window.get()));
        QVERIFY(hint->text().contains("«Поиск приборов»") && hint->text().contains("«Подключить → Демо-прибор»"));
        const int index = h.connectSims({h.startSim(11)}).first();
        QVERIFY(!hint->isVisibleTo(h.window.get()));
        h.list()->rmByIndex(index);
        QVERIFY(hint->isVisibleTo(h.window.get()));
    }

    // Settings applied just before the window closes still reach the instrument: the close
    // sends them at once, shows their progress and waits. (Its own harness: before the shared.)
    void closeSendsWaitingSettings()
    {
        mainWindowHarness h;
        MainWindow *window = h.open();
        h.sql()->setAppProperty("exit_query", "0");
        zorSimulator *sim = h.startSim(88, 0);
        optionsZOR70 *options = h.list()->getZorByIndex(h.connectSims({sim}).first())->options;
        options->speaker = 1 - options->speaker;
        options->triggerDevChange();
        const QByteArray expected = options->getTxData(optionsZOR70::txDev);
        QStringList shown;
        modalAnswer::next<QWidget>([&shown](QWidget *modal) { shown << modal->objectName(); });
        QTest::mouseClick(button(h, "exitBtm"), Qt::LeftButton);
        QCOMPARE(shown, QStringList{"waitingWrites"});
        QVERIFY(!window->isVisible());
        QByteArray written;
        for (const zorSimulator::_event &e : sim->log(zorSimulator::blockWritten))
            written = e.address == optionsZOR70::txDev ? e.data : written;
        QCOMPARE(written, expected);
    }

    // On the shared window from here on. The exit button asks first (when asked to); after a
    // No the window lets go of nothing: the readings still reach the plot.
    void closeRefused()
    {
        mainWindowHarness &h = two();
        h.sql()->setAppProperty("exit_query", "1");
        QStringList asked;
        modalAnswer::box(&asked, QMessageBox::No);
        QTest::mouseClick(button(h, "exitBtm"), Qt::LeftButton);
        QCOMPARE(asked, QStringList{"Выход из программы|Вы уверены что хотите выйти из программы?"});
        QVERIFY(h.window->isVisible());
        const int qwtIndex = h.list()->getQWTIndex(0);
        const int before = h.plot()->getChMeasCount(qwtIndex, 0);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > before + 2, h.timeout);
    }

    // The limits menu puts every device and channel into the limit-placing mode; "Выкл."
    // leaves it, so that the plot tracks again and the mouse is free.
    void limitsMenu()
    {
        mainWindowHarness &h = two();
        const auto shown = [&h] { // the mode of channels 1 and 6 of either device, the limits shown
            QString modes;
            for (int qwtIndex : {0, 1})
                for (quint8 ch : {quint8(0), quint8(5)})
                    modes += QString::number(h.plot()->getChMode(qwtIndex, ch));
            return modes + " " + QString::number(h.plot()->getModeTrack(-1));
        };
        h.menuAction("trackBtn", "Диапазон")->trigger();
        QCOMPARE(shown(), QString("5555 1"));
        h.menuAction("trackBtn", "Выкл.")->trigger();
        QCOMPARE(shown(), QString("1111 0"));
    }

    void clearMenu_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("left"); // points left in the series of 7 and 8
        QTest::newRow("all, no") << "Все приборы" << int(QMessageBox::No) << "5 5";
        QTest::newRow("second, yes") << "Стенд 8 (№ 0008)" << int(QMessageBox::Yes) << "5 0";
    }

    void clearMenu()
    {
        QFETCH(QString, entry);
        QFETCH(int, answer);
        QFETCH(QString, left);
        mainWindowHarness &h = two();
        h.setPeriod(0); // the series hold exactly these points
        h.plot()->prepareMeas(-1, QDateTime::currentDateTime());
        for (int index : {0, 1})
            h.plot()->clear(h.list()->getQWTIndex(index));
        for (int point = 0; point < 10; ++point)
            h.plot()->addPoint(20.0 + point, "°С", h.list()->getQWTIndex(point % 2), 0);
        QStringList asked;
        modalAnswer::box(&asked, answer);
        h.menuAction("clearBtn", entry)->trigger();
        QCOMPARE(QString("%1 %2").arg(h.plot()->getChMeasCount(h.list()->getQWTIndex(0), 0))
                     .arg(h.plot()->getChMeasCount(h.list()->getQWTIndex(1), 0)),
                 left);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // on the terminal or in the log
        QTest::newRow("version") << QStringList{"--version"} << 0 << "zor4_70 " ZOR_VERSION;
        QTest::newRow("unknown option") << QStringList{"--no-such-option"} << 1 << "no-such-option";
        // It reaches its window; a termination signal closes it as the close button does.
        QTest::newRow("demo instrument, terminated") << QStringList{"--demo"} << 0 << "exit, code 0";
    }

    // The program itself: its options and exit codes as the README gives them.
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(ZOR_PROGRAM, arguments);
        const auto log = [&home] {
            QFile file(home.filePath("Kolvex/zor4_70/zor4_70.log"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        if (arguments.contains("--demo")) {
            QTRY_VERIFY_WITH_TIMEOUT(log().contains("window shown"), 30000);
            program.terminate();
        }
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError()) + log();
        QVERIFY2(output.contains(printed), qPrintable(output));
    }

    // A listed port this program holds is not offered; a typed device path, one the catalogue
    // does not list (a bare pseudo-terminal of a simulator), connects.
    void manualConnection()
    {
        mainWindowHarness &h = two();
        const int before = h.list()->count();
        QVERIFY(!h.menuAction("addDevBtn", h.sims.front()->portName()));
        zorSimulator *typed = h.startSim(9);
        zorPortCatalog::unregisterPort(typed->portName());
        modalAnswer::next<QWidget>([typed](QWidget *modal) {
            modal->findChild<QLineEdit *>()->setText(typed->portName());
            static_cast<QDialog *>(modal)->accept();
        });
        h.menuAction("addDevBtn", "Путь к устройству...")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", before + 1, 2), QString("0009"), h.timeout);

        // A path that leads nowhere is refused with a message, and nothing is added.
        QCOMPARE(h.window->connectTypedPort("/dev/zor4_70-no-such-port"), -1);
        QCOMPARE(h.list()->count(), before + 1);
        QTRY_VERIFY(h.window->findChild<QMessageBox *>());
    }


    // A channel's colour and scale and the main channel the user chose, stored per instrument,
    // come back when it is connected after a restart; untouched channels keep their own.
    void plotSettingsSurviveRestart()
    {
        mainWindowHarness &h = two();
        const auto describe = [&h] {
            const QwtZOR *p = h.plot();
            return QString("%1 %2 main %3 %4").arg(p->getChColor(0, 2).name()).arg(int(p->getChScaleY(0, 2)))
                .arg(p->getChMain(0)).arg(p->getChColor(0, 1).name());
        };
        h.press("devTable", 1, 1);
        h.plot()->setChColor(QColor("#123456"), 0, 2);
        h.plot()->setChScaleY(16, 0, 2);
        h.press("chTable", 4, 1); // channel 3 becomes the main channel
        const QString set = describe();
        QCOMPARE(set, QString("#123456 16 main 3 #0000ff"));
        h.window.reset();
        h.open();
        h.window->connectPort(h.sims.front()->portName());
        QTRY_COMPARE_WITH_TIMEOUT(describe(), set, h.timeout);
    }
};


QTEST_MAIN(test_MainWindow)
#include "test_MainWindow.moc"
