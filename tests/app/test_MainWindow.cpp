#include "mainWindowHarness.h"

#include "db/zorSql.h"
#include "link/zorPortCatalog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QFileDialog>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

// The main window's start, close, commands and stored plot settings, through the real
// window, registry and link against simulated instruments.
class test_MainWindow : public QObject
{
    Q_OBJECT
    // A window with instruments 7 and 8 connected, shared by the command tests:
    // connecting takes seconds.
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

private slots:
    void cleanupTestCase() { shared.reset(); }
    void firstStartCreatesDatabaseThenReusesIt();
    void databaseProblemsAreTold_data();
    void databaseProblemsAreTold();
    void commandLine_data();
    void commandLine();
    void aboutDialog();
    // On the shared window from here on; the last row of close opens it.
    void close_data();
    void close();
    void modeButtons_data();
    void modeButtons();
    void limitsMenu();
    void clearMenu_data();
    void clearMenu();
    void pictureOfThePlot();
    void manualConnection();
    void demoInstrument();
    // Restarts the shared window.
    void plotSettingsSurviveRestart();
};

void test_MainWindow::firstStartCreatesDatabaseThenReusesIt()
{
    mainWindowHarness h;
    QVERIFY(!QFile::exists(h.dataDir()));
    MainWindow *window = h.open();
    QCOMPARE(window->windowTitle(), QString("ЗОР 4.70"));
    QVERIFY(!window->windowIcon().pixmap(32, 32).isNull());
    QVERIFY(QFile::exists(h.dataDir() + "/zor4_70.db"));
    QCOMPARE(h.appProperty("autoconnect"), QString("1"));
    h.setAppProperty("savemeas_dir", h.home.path());
    h.close();
    h.open();
    QCOMPARE(h.appProperty("savemeas_dir"), h.home.path());
    QCOMPARE(h.window->findChild<QFileDialog *>()->directory().absolutePath(), h.home.path());
    // A good database is reported to nobody.
    QTest::qWait(50);
    QVERIFY(!h.window->findChild<QMessageBox *>());
    // Without channels a limit choice changes nothing.
    h.menuAction("trackBtn", "Верхний предел")->trigger();
    QCOMPARE(int(h.plot()->getModeTrack(-1)), int(QwtZOR::tmOff));
    QCOMPARE(int(h.plot()->getChMode(-1, 255)), int(QwtZOR::mcAuto));
}

void test_MainWindow::databaseProblemsAreTold_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("told"); // a piece of the message
    QTest::newRow("damaged file") << "damaged" << ".damaged-";
    QTest::newRow("no directory can be made") << "file" << "Не удалось создать папку";
}

// A database that cannot be used is told once, with the path and the reason; the
// window works on without it.
void test_MainWindow::databaseProblemsAreTold()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, told);
    mainWindowHarness h;
    const QString dir = h.dataDir();
    if (obstacle == "damaged") {
        QVERIFY(QDir().mkpath(dir));
        QFile file(dir + "/zor4_70.db");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'x')) == 8192);
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(dir).path()));
        QFile file(dir); // a file where the directory goes
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    h.open();
    QTRY_VERIFY(h.window->findChild<QMessageBox *>());
    QCOMPARE(h.window->findChildren<QMessageBox *>().size(), 1);
    const QString text = h.window->findChild<QMessageBox *>()->text();
    QVERIFY2(text.contains(told) && text.contains(dir), qPrintable(text));
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.menuAction("addDevBtn", "без подключния") != nullptr, true);
}

void test_MainWindow::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--port <PATH>";
    QTest::newRow("unknown option") << QStringList{"--no-such-option"} << 1 << "no-such-option";
    QTest::newRow("port without a path") << QStringList{"--port"} << 1 << "port";
}

void test_MainWindow::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    QProcess program;
    program.start(ZOR_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), exitCode);
    const QString output = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(output.contains(printed), qPrintable(output));
    if (exitCode == 0)
        QVERIFY(output.contains("--demo"));
}

void test_MainWindow::close_data()
{
    QTest::addColumn<QString>("exitQuery");
    QTest::addColumn<int>("answer"); // 0: no question expected
    QTest::addColumn<bool>("closes");
    QTest::newRow("no question") << "0" << 0 << true;
    QTest::newRow("question, yes") << "1" << int(QMessageBox::Yes) << true;
    QTest::newRow("question, no") << "1" << int(QMessageBox::No) << false;
}

// The exit button asks first (when asked to) and lets go of nothing unless the window
// really closes: after a No the readings still reach the plot.
void test_MainWindow::close()
{
    QFETCH(QString, exitQuery);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    // A window that stays open is the shared one, with instruments streaming.
    std::unique_ptr<mainWindowHarness> fresh(closes ? new mainWindowHarness : nullptr);
    mainWindowHarness &h = closes ? *fresh : two();
    MainWindow *window = closes ? h.open() : h.window.get();
    h.setAppProperty("exit_query", exitQuery);
    const int index = 0;
    bool asked = false;
    if (answer)
        h.onModal([&asked, answer](QWidget *modal) {
            asked = qobject_cast<QMessageBox *>(modal)
                && qobject_cast<QMessageBox *>(modal)->text() == "Вы уверены что хотите выйти из программы?";
            qobject_cast<QMessageBox *>(modal)->button(QMessageBox::StandardButton(answer))->click();
        });
    QTest::mouseClick(window->findChild<QToolButton *>("exitBtm"), Qt::LeftButton);
    QCOMPARE(asked, answer != 0);
    QCOMPARE(window->isVisible(), !closes);
    if (!closes) {
        const int qwtIndex = h.list()->getQWTIndex(index);
        const int before = h.plot()->getChMeasCount(qwtIndex, 0);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > before + 2, h.timeout);
        QTRY_COMPARE(h.text("chTable", 1, 1), h.plot()->getChMeasStr(qwtIndex, 0));
    }
}

void test_MainWindow::modeButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::newRow("measure") << "qwtMeasBtn" << int(QwtZOR::mcMeasure);
    QTest::newRow("zoom") << "qwtZoomBtn" << int(QwtZOR::mcZoom);
    QTest::newRow("shift") << "qwtScrollBtn" << int(QwtZOR::mcShift);
}

// A mode button puts every device and channel into its mode and unchecks the others;
// turned off, the plot tracks again with no button checked.
void test_MainWindow::modeButtons()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    mainWindowHarness &h = two();
    const QStringList buttons = {"qwtMeasBtn", "qwtZoomBtn", "qwtScrollBtn"};
    // Another mode first, so that leaving it is part of the test.
    QTest::mouseClick(h.window->findChild<QToolButton *>(button == buttons[0] ? buttons[1] : buttons[0]),
                      Qt::LeftButton);
    QTest::mouseClick(h.window->findChild<QToolButton *>(button), Qt::LeftButton);
    for (int qwtIndex : {0, 1})
        for (quint8 ch : {quint8(0), quint8(5)})
            QCOMPARE(int(h.plot()->getChMode(qwtIndex, ch)), mode);
    for (const QString &other : buttons)
        QCOMPARE(h.window->findChild<QToolButton *>(other)->isChecked(), other == button);
    QCOMPARE(h.window->findChild<QToolButton *>("modeBtn")->text(), h.plot()->getChModeLabel(-1, 255));

    QTest::mouseClick(h.window->findChild<QToolButton *>(button), Qt::LeftButton);
    QCOMPARE(int(h.plot()->getChMode(-1, 255)), int(QwtZOR::mcTracking));
    for (const QString &other : buttons)
        QVERIFY(!h.window->findChild<QToolButton *>(other)->isChecked());
}

void test_MainWindow::limitsMenu()
{
    mainWindowHarness &h = two();
    const QList<std::pair<QString, QwtZOR::TmcTrackingMode>> entries = {
        {"Диапазон", QwtZOR::tmBoth}, {"Нижний предел", QwtZOR::tmLower}, {"Выкл.", QwtZOR::tmOff}};
    for (const auto &entry : entries) {
        h.menuAction("trackBtn", entry.first)->trigger();
        QCOMPARE(int(h.plot()->getModeTrack(-1)), int(entry.second));
        QCOMPARE(h.plot()->getChMode(-1, 255) == QwtZOR::mcLimits, entry.second != QwtZOR::tmOff);
        QVERIFY(h.menuAction("trackBtn", entry.first)->isChecked());
    }
}

void test_MainWindow::clearMenu_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QVector<bool>>("cleared");
    QTest::newRow("all, no") << "Все приборы" << int(QMessageBox::No) << QVector<bool>{false, false};
    QTest::newRow("all, yes") << "Все приборы" << int(QMessageBox::Yes) << QVector<bool>{true, true};
    QTest::newRow("second, yes") << "Стенд 8 (№ 0008)" << int(QMessageBox::Yes) << QVector<bool>{false, true};
}

void test_MainWindow::clearMenu()
{
    QFETCH(QString, entry);
    QFETCH(int, answer);
    QFETCH(QVector<bool>, cleared);
    mainWindowHarness &h = two();
    const int first = 0, second = 1;
    // The instruments stop streaming, so that the series hold exactly these points.
    for (const auto &sim : h.sims)
        sim->setPeriod(0);
    QTest::qWait(200);
    h.plot()->prepareMeas(-1, QDateTime::currentDateTime());
    for (int index : {first, second}) {
        h.plot()->clear(h.list()->getQWTIndex(index));
        for (int n = 0; n < 5; ++n)
            h.plot()->addPoint(20.0 + n, "°С", h.list()->getQWTIndex(index), 0);
    }
    h.answer(answer);
    QAction *action = h.menuAction("clearBtn", entry);
    QVERIFY(action);
    action->trigger();
    QCOMPARE(h.plot()->getChMeasCount(h.list()->getQWTIndex(first), 0), cleared[0] ? 0 : 5);
    QCOMPARE(h.plot()->getChMeasCount(h.list()->getQWTIndex(second), 0), cleared[1] ? 0 : 5);
}

// Ports this program holds are not offered; a typed device path connects and is
// offered from then on.
void test_MainWindow::manualConnection()
{
    mainWindowHarness &h = two();
    const int before = h.list()->count();
    zorSimulator *held = h.sims.front().get(), *free = h.startSim(10);
    QVERIFY(h.menuAction("addDevBtn", "без подключния"));
    QVERIFY(!h.menuAction("addDevBtn", held->portName()));
    QAction *offered = h.menuAction("addDevBtn", free->portName());
    QVERIFY(offered);
    offered->trigger();
    QCOMPARE(h.list()->count(), before + 1);
    QVERIFY(!h.menuAction("addDevBtn", free->portName()));

    // A path the catalogue does not list: a bare pseudo-terminal of a simulator.
    zorSimulator *typed = h.startSim(9);
    zorPortCatalog::unregisterPort(typed->portName());
    h.onModal([typed](QWidget *modal) {
        modal->findChild<QLineEdit *>()->setText(typed->portName());
        static_cast<QDialog *>(modal)->accept();
    });
    h.menuAction("addDevBtn", "Путь к устройству...")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(h.list()->getLiveZor(optionsZOR70::typeBasic, 9)
                                 && h.list()->getLiveZor(optionsZOR70::typeBasic, 10),
                             h.timeout);
    QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", before + 2, 2), QString("0009"), h.timeout);

    // A path that leads nowhere is refused with a message, and nothing is added.
    QCOMPARE(h.window->connectTypedPort("/dev/zor4_70-no-such-port"), -1);
    QCOMPARE(h.list()->count(), before + 2);
    QTRY_VERIFY(h.window->findChild<QMessageBox *>());
}

void test_MainWindow::demoInstrument()
{
    mainWindowHarness &h = two();
    const int rows = h.table("devTable")->rowCount();
    h.menuAction("addDevBtn", "Демо-прибор")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(h.text("devTable", rows, 1), QString("Демо-прибор"), h.timeout);
    const int qwtIndex = h.list()->getQWTIndex(h.list()->getIndexList().last());
    QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwtIndex, 0) > 0, h.timeout);
    QCOMPARE(h.plot()->getChCount(qwtIndex), quint8(8));
}

void test_MainWindow::aboutDialog()
{
    mainWindowHarness h;
    QCoreApplication::setApplicationVersion("1.3.7");
    h.open()->setProperty("BUILD_NUMBER", 1);
    h.window->setProperty("BUILD_DATE", QString("Mar  5 2024"));
    for (int time = 0; time < 2; ++time) {
        QStringList shown;
        h.onModal([&shown](QWidget *modal) {
            for (const char *label : {"verLabel", "buildLabel", "dateLabel"})
                shown << modal->findChild<QLabel *>(label)->text();
            shown << modal->windowTitle();
            QTest::mouseClick(modal->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        });
        h.menuAction("settingsBtn", "О программе")->trigger();
        QCOMPARE(shown, (QStringList{"1.3.7", "001", "Mar  5 2024", "О программе ЗОР 4.70"}));
        QVERIFY(h.window->isVisible());
    }
}

// The picture is a PNG of the plot's size; the name proposed is made of the main
// device's name and number and the date.
void test_MainWindow::pictureOfThePlot()
{
    mainWindowHarness &h = two();
    const QString file = h.home.filePath("plot.png");
    QString proposed;
    h.onModal([&proposed, file](QWidget *modal) {
        QFileDialog *dialog = qobject_cast<QFileDialog *>(modal);
        proposed = dialog->selectedFiles().value(0);
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton"), Qt::LeftButton);
    QCOMPARE(QFileInfo(proposed).completeBaseName(), "Стенд 7_N0007_" + QDate::currentDate().toString("dd-MM-yyyy"));
    const QImage picture(file, "PNG");
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), h.plot()->size());
    QCOMPARE(h.appProperty("savemeas_dir"), h.home.path());
}

// Colour and scales of a channel, stored per instrument, come back when the same
// instrument is connected after a restart.
void test_MainWindow::plotSettingsSurviveRestart()
{
    mainWindowHarness &h = two();
    h.press("devTable", 1, 1);
    h.plot()->setChColor(QColor("#123456"), 0, 2);
    h.plot()->setChScaleX(9, 0, 2);
    h.plot()->setChScaleY(16, 0, 2);
    h.plot()->setChModeX(QwtZOR::mcxAbs, 0, 2);
    h.press("chTable", 4, 1); // channel 3 becomes the main channel
    QCOMPARE(h.plot()->getChMain(0), 3);
    h.close();

    h.open();
    h.window->connectPort(h.sims.front()->portName());
    QTRY_COMPARE_WITH_TIMEOUT(h.plot()->getChColor(0, 2), QColor("#123456"), h.timeout);
    QCOMPARE(int(h.plot()->getChScaleX(0, 2)), 9);
    QCOMPARE(int(h.plot()->getChScaleY(0, 2)), 16);
    QCOMPARE(int(h.plot()->getChModeX(0, 2)), int(QwtZOR::mcxAbs));
    QTRY_COMPARE_WITH_TIMEOUT(h.plot()->getChMain(0), 3, h.timeout);
    QCOMPARE(h.plot()->getChColor(0, 1), QColor(Qt::blue)); // untouched channels keep their own
}

QTEST_MAIN(test_MainWindow)
#include "test_MainWindow.moc"
