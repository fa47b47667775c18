#include "mainWindowHarness.h"
#include "tests/common/modalAnswer.h"

#include "link/zorPortCatalog.h"
#include "registry/zorAutoConnect.h"

#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

    // The first start creates the database; without an instrument the channel table says
    // what to do first, until the first device comes and after the last one goes. A
    // database that cannot be used is told once, with the path and the reason; the window
    // works on without it. (A harness of its own moves HOME: before the shared window.)
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

    // On the shared window from here on; the last row of close opens it.
    void close_data()
    {
        QTest::addColumn<int>("answer"); // 0: not asked to ask
        QTest::newRow("no question, settings waiting") << 0;
        QTest::newRow("question, yes") << int(QMessageBox::Yes);
        QTest::newRow("question, no") << int(QMessageBox::No);
    }

    // The exit button asks first (when asked to) and lets go of nothing unless the window
    // really closes: after a No the readings still reach the plot. Settings applied just
    // before the window closes still reach the instrument: the close sends them at once,
    // shows their progress and waits for them.
    void close()
    {
        QFETCH(int, answer);
        const bool closes = answer != QMessageBox::No;
        std::unique_ptr<mainWindowHarness> fresh(closes ? new mainWindowHarness : nullptr);
        mainWindowHarness &h = closes ? *fresh : two();
        MainWindow *window = closes ? h.open() : h.window.get();
        h.sql()->setAppProperty("exit_query", answer ? "1" : "0");
        QStringList asked;
        zorSimulator *sim = answer ? nullptr : h.startSim(88, 0);
        QByteArray expected;
        if (answer) {
            modalAnswer::box(&asked, answer);
        } else {
            optionsZOR70 *options = h.list()->getZorByIndex(h.connectSims({sim}).first())->options;
            options->speaker = 1 - options->speaker;
            options->triggerDevChange();
            expected = options->getTxData(optionsZOR70::txDev);
            modalAnswer::next<QWidget>([&asked](QWidget *modal) { asked << modal->objectName(); });
        }
        QTest::mouseClick(button(h, "exitBtm"), Qt::LeftButton);
        QCOMPARE(asked.join(""), QString(answer ? "Выход из программы|Вы уверены что хотите выйти из программы?" : "waitingWrites"));
        QCOMPARE(window->isVisible(), !closes);
        if (!answer) {
            QByteArray written;
            for (const zorSimulator::_event &e : sim->log(zorSimulator::blockWritten))
                written = e.address == optionsZOR70::txDev ? e.data : written;
            QCOMPARE(written, expected);
        }
        if (!closes) {
            const int qwtIndex = h.list()->getQWTIndex(0);
            const int before = h.plot()->getChMeasCount(qwtIndex, 0);
            QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > before + 2, h.timeout);
        }
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("commands"); // mode buttons clicked, or "trackBtn:<entry>"
        // The mode of channels 1 and 6 of either device, the limits shown, the buttons checked.
        // Each row goes on from where the one before left the window.
        QTest::addColumn<QString>("expected");
        using L = QStringList;
        QTest::newRow("measure") << L{"qwtZoomBtn", "qwtMeasBtn"} << "3333 0 100";
        QTest::newRow("zoom") << L{"qwtScrollBtn", "qwtZoomBtn"} << "2222 0 010";
        QTest::newRow("shift") << L{"qwtMeasBtn", "qwtScrollBtn"} << "4444 0 001";
        QTest::newRow("a mode turned off: tracking") << L{"qwtZoomBtn", "qwtZoomBtn"} << "1111 0 000";
        QTest::newRow("range") << L{"trackBtn:Диапазон"} << "5555 1 000";
        QTest::newRow("lower limit") << L{"trackBtn:Нижний предел"} << "5555 3 000";
        QTest::newRow("limits off") << L{"trackBtn:Диапазон", "trackBtn:Выкл."} << "1111 0 000";
    }

    // A mode button puts every device and channel into its mode and unchecks the others;
    // turned off, the plot tracks again. The limits menu places limit lines the same way.
    void commands()
    {
        QFETCH(QStringList, commands);
        QFETCH(QString, expected);
        mainWindowHarness &h = two();
        const QStringList buttons = {"qwtMeasBtn", "qwtZoomBtn", "qwtScrollBtn"};
        for (const QString &command : commands) {
            if (command.startsWith("trackBtn:"))
                h.menuAction("trackBtn", command.section(':', 1))->trigger();
            else
                QTest::mouseClick(button(h, command), Qt::LeftButton);
        }
        QString shown;
        for (int qwtIndex : {0, 1})
            for (quint8 ch : {quint8(0), quint8(5)})
                shown += QString::number(h.plot()->getChMode(qwtIndex, ch));
        shown += " " + QString::number(h.plot()->getModeTrack(-1)) + " ";
        for (const QString &name : buttons)
            shown += button(h, name)->isChecked() ? "1" : "0";
        QCOMPARE(shown, expected);
    }

    void clearMenu_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("left"); // points left in the series of 7 and 8
        QTest::newRow("all, no") << "Все приборы" << int(QMessageBox::No) << "5 5";
        QTest::newRow("all, yes") << "Все приборы" << int(QMessageBox::Yes) << "0 0";
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

    // The picture is a PNG of the plot's size; the name proposed is made of the main
    // device's name and number and the date.
    void pictureOfThePlot()
    {
        mainWindowHarness &h = two();
        const QString file = h.home.filePath("plot.png");
        QString proposed;
        modalAnswer::next<QWidget>([&proposed, file](QWidget *modal) {
            QFileDialog *dialog = qobject_cast<QFileDialog *>(modal);
            proposed = dialog->selectedFiles().value(0);
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(file);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QTest::mouseClick(button(h, "toolButton"), Qt::LeftButton);
        QCOMPARE(QFileInfo(proposed).completeBaseName(), "Стенд 7_N0007_" + QDate::currentDate().toString("dd-MM-yyyy"));
        QCOMPARE(QImage(file, "PNG").size(), h.plot()->size());
        QCOMPARE(h.sql()->getAppProperty("savemeas_dir").toString(), h.home.path());
    }

    // The About dialog shows the version, the build number as three digits and the build
    // date, and opens again after it was closed.
    void aboutDialog()
    {
        mainWindowHarness &h = two();
        QCoreApplication::setApplicationVersion("1.3.7");
        h.window->setProperty("BUILD_NUMBER", 1);
        h.window->setProperty("BUILD_DATE", QString("Mar  5 2024"));
        for (int time = 0; time < 2; ++time) {
            QStringList shown;
            modalAnswer::next<QWidget>([&shown](QWidget *modal) {
                for (const char *label : {"verLabel", "buildLabel", "dateLabel"})
                    shown << modal->findChild<QLabel *>(label)->text();
                shown << modal->windowTitle();
                QTest::mouseClick(modal->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
            });
            h.menuAction("settingsBtn", "О программе")->trigger();
            QCOMPARE(shown, (QStringList{"1.3.7", "001", "Mar  5 2024", "О программе ЗОР 4.70"}));
        }
    }

    void settingsToggles_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("key");
        QTest::newRow("automatic connection") << "Автоподключение" << "autoconnect";
        QTest::newRow("question on exit") << "Запрос при выходе" << "exit_query";
    }

    // The toggles of the settings menu store their state; the automatic connection
    // follows its own at once.
    void settingsToggles()
    {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        mainWindowHarness &h = two();
        QAction *action = h.menuAction("settingsBtn", entry);
        for (bool on : {!action->isChecked(), action->isChecked()}) {
            action->trigger();
            QCOMPARE(h.sql()->getAppProperty(key).toBool(), on);
            QCOMPARE(h.window->findChild<zorAutoConnect *>()->isEnabled(), key == "autoconnect" ? on : true);
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // on the terminal or in the log
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--port <PATH>";
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

    // Ports this program holds are not offered; a typed device path connects and is
    // offered from then on; the demo instrument connects as a port does.
    void manualConnection()
    {
        mainWindowHarness &h = two();
        const int before = h.list()->count();
        zorSimulator *held = h.sims.front().get(), *free = h.startSim(10);
        QVERIFY(!h.menuAction("addDevBtn", held->portName()));
        h.menuAction("addDevBtn", free->portName())->trigger();
        QCOMPARE(h.list()->count(), before + 1);
        QVERIFY(!h.menuAction("addDevBtn", free->portName()));

        // A path the catalogue does not list: a bare pseudo-terminal of a simulator.
        zorSimulator *typed = h.startSim(9);
        zorPortCatalog::unregisterPort(typed->portName());
        modalAnswer::next<QWidget>([typed](QWidget *modal) {
            modal->findChild<QLineEdit *>()->setText(typed->portName());
            static_cast<QDialog *>(modal)->accept();
        });
        h.menuAction("addDevBtn", "Путь к устройству...")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", before + 1, 2) + h.text("devTable", before + 2, 2),
                                  QString("00100009"), h.timeout);

        // A path that leads nowhere is refused with a message, and nothing is added.
        QCOMPARE(h.window->connectTypedPort("/dev/zor4_70-no-such-port"), -1);
        QCOMPARE(h.list()->count(), before + 2);
        QTRY_VERIFY(h.window->findChild<QMessageBox *>());

        // The demo instrument, inside the program, is read and plotted as a real one.
        h.menuAction("addDevBtn", "Демо-прибор")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", before + 3, 1), QString("Демо-прибор"), h.timeout);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(h.list()->getQWTIndex(h.list()->getIndexList().last()), 0) > 0,
                                 h.timeout);
    }


    // Colour and scales of a channel, stored per instrument, come back when the same
    // instrument is connected after a restart; untouched channels keep their own.
    void plotSettingsSurviveRestart()
    {
        mainWindowHarness &h = two();
        const auto describe = [&h] {
            const QwtZOR *p = h.plot();
            return QString("%1 %2 %3 %4 main %5 %6").arg(p->getChColor(0, 2).name()).arg(int(p->getChScaleX(0, 2)))
                .arg(int(p->getChScaleY(0, 2))).arg(p->getChModeX(0, 2)).arg(p->getChMain(0)).arg(p->getChColor(0, 1).name());
        };
        h.press("devTable", 1, 1);
        h.plot()->setChColor(QColor("#123456"), 0, 2);
        h.plot()->setChScaleX(9, 0, 2);
        h.plot()->setChScaleY(16, 0, 2);
        h.plot()->setChModeX(QwtZOR::mcxAbs, 0, 2);
        h.press("chTable", 4, 1); // channel 3 becomes the main channel
        const QString set = describe();
        QCOMPARE(set, QString("#123456 9 16 %1 main 3 #0000ff").arg(QwtZOR::mcxAbs));
        h.window.reset();
        h.open();
        h.window->connectPort(h.sims.front()->portName());
        QTRY_COMPARE_WITH_TIMEOUT(describe(), set, h.timeout);
    }
};


QTEST_MAIN(test_MainWindow)
#include "test_MainWindow.moc"
