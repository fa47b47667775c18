#include "model/featureZOR70.h"
#include "registry/zorProbe.h"
#include "registry/zorProbeReport.h"
#include "tests/registry/simulatedRegistry.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Started by root, the program runs as nobody.
class unprivilegedProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
        const gid_t nobody = 65534;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(127);
    }
};

} // namespace

// The command-line probe: its texts, and whole runs against a simulated instrument.
class test_zorProbe : public QObject
{
    Q_OBJECT

private slots:

    void sensorNames_data()
    {
        QTest::addColumn<QVector<int>>("channel"); // mode, characteristic, compensation
        QTest::addColumn<QString>("expected");     // sensor|compensation
        QTest::newRow("nominal thermocouple") << QVector<int>{8, 10, 13} << "ТХА(K)|Pt100";
        QTest::newRow("individual thermocouple") << QVector<int>{9, 2, 1} << "ИСХ 3 «Эталон»|10M";
        QTest::newRow("individual thermometer, last slot") << QVector<int>{7, 31, 0} << "ИСХ 32 «»|-";
        QTest::newRow("transducer, slot beyond the table") << QVector<int>{10, 40, 0} << "-|-";
        QTest::newRow("compensation beyond the list") << QVector<int>{8, 1, 21} << "ТВР(A1)|-";
    }

    void sensorNames()
    {
        QFETCH(QVector<int>, channel);
        QFETCH(QString, expected);
        optionsZOR70 options;
        QVERIFY(options.feature[2]->setFeature(featureZOR70::ftTPPolynom, "Эталон", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        options.ch[5].mode = channel[0];
        options.ch[5].feature = quint8(channel[1]);
        options.ch[5].compens = quint8(channel[2]);
        QCOMPARE(zorProbeReport::sensorName(options, 5) + "|" + zorProbeReport::compensationName(options, 5), expected);
    }

    void settingsFromGarbage()
    {
        // Whatever an instrument sends, the texts name it instead of guessing.
        optionsZOR70 options;
        QVERIFY(options.setData(QByteArray::fromHex("05 09 ff 02 7f 01 28 00"), optionsZOR70::rdDev));
        const QStringList lines = zorProbeReport::deviceSettings(options);
        QCOMPARE(lines, (QStringList{"Режим измерений: ?(5)", "Количество каналов: 127",
                                     "Кол-во отображаемых каналов: ?(9)", "Время измерений: ?(-1)",
                                     "Цифровой фильтр: ?(2)", "Динамик: Вкл.", "Основной канал: 41"}));
        // A count of 127 channels lists the table's own, no more.
        QCOMPARE(zorProbeReport::channels(options).size(), 1 + optionsZOR70::chMax);
    }

    void run_data()
    {
        QTest::addColumn<QString>("portName"); // empty: the simulator's
        QTest::addColumn<QString>("setup");    // of the simulator, see run()
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");

        QTest::newRow("port that does not open")
            << "/dev/null" << "" << int(zorProbe::exitLink) << "Ошибка 200: Обрыв связи [код 252]\n";
        // Line noise before the status lines: garbled ones, no instrument error.
        QTest::newRow("simulator, line noise") << QString() << "line-noise" << int(zorProbe::exitOk) << QString();
        // A first unit 0F AA xx 09 makes the link read 16 bytes more than asked.
        QTest::newRow("device block 16 bytes longer")
            << QString() << "long device block" << int(zorProbe::exitRejected)
            << "Отклонён ответ на чтение блока «настройки прибора» (адрес 5): длина 24 вместо 8\n";
    }

    void run()
    {
        QFETCH(QString, portName);
        QFETCH(QString, setup);
        QFETCH(int, code);
        QFETCH(QString, error);

        simulatedRegistry r;
        zorSimulator *sim = r.startSim(7);
        if (setup == "line-noise")
            sim->injectFault(zorSimulator::lineNoise, -1);
        if (setup == "long device block")
            sim->setBlock(optionsZOR70::rdDev, QByteArray::fromHex("0FAA0009").leftJustified(24, '\0'));
        // Enough readings for a status line to come among them (one after each sweep of 8).
        const int readings = 10;
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        zorProbe probe(&r.link.port, &r.list, &r.sql, &out, &err);
        QSignalSpy finished(&probe, &zorProbe::finished);
        probe.start(portName.isEmpty() ? sim->portName() : portName, readings, 10);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QCOMPARE(finished.first().at(0).toInt(), code);
        QVERIFY2(errText.startsWith(error), qPrintable(errText));
        const QStringList lines = outText.split('\n');
        if (code == zorProbe::exitRejected) {
            // What the instrument holds was not read: no settings, no readings, and nothing
            // of it stored as the instrument's factory settings.
            QVERIFY(lines.contains("  Прибор: ЗОР 4.70, № 0007"));
            QVERIFY(lines.contains("  База данных: прибор № 1, настройка не найдена"));
            for (const QString &absent : QStringList{"Настройки прибора:", "Каналы:", "Показания:"})
                QVERIFY2(!lines.contains(absent), qPrintable(outText));
            QVERIFY(lines.filter("Количество каналов").isEmpty());
            QCOMPARE(r.sql.getSnapShotCount(1), 0);
            return;
        }
        if (code != zorProbe::exitOk)
            return;
        for (const QString line : {"  Прибор: ЗОР 4.70, № 0007", "  Тип: 0x0300AA0F (базовый)", "  Количество каналов: 8",
                                   "  База данных: прибор № 1, настройка «Заводская настройка» (№ 1)"})
            QVERIFY2(lines.contains(line), qPrintable(line));
        QCOMPARE(lines.filter(QRegularExpression("^  8 +НСХ ТС +°С +300 +1\\.00 +0\\.0*1 +Pt100 +-$")).size(), 1);
        // Shown with the channel's rounding.
        const int decimals = sim->block(optionsZOR70::rdCh).at(4 * optionsZOR70::chMax) + 1;
        const QRegularExpression reading(QString("^  Канал [1-8]: 2\\d\\.\\d{%1} °С$").arg(decimals));
        QCOMPARE(lines.filter(reading).size(), readings);
        // Garbled status lines are no instrument error; the probe counts them for the line.
        QCOMPARE(lines.filter(QRegularExpression("^  Искажённых строк состояния: [1-9]$")).size(), 1);
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "%1": the port of a simulator the user may not open
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");         // a pattern of the whole error output
        const QString range = "--timeout: от 1 до 2147483 секунд\n";
        const QString noPort = "Порт «/nonexistent/tty» не найден или занят\n";
        using L = QStringList;
        // The longest wait whose milliseconds fit a timer; beyond it the product overflowed.
        QTest::newRow("longest timeout") << L{"--timeout", "2147483", "/nonexistent/tty"} << 2 << noPort;
        QTest::newRow("timeout a second too long") << L{"--timeout", "2147484", "x"} << 1 << range;
        // Named, with "нет доступа", what to do and the link's code.
        QTest::newRow("port without access") << L{"%1"} << 2 << ".*%1: нет доступа.*dialout.*войти снова.*\\[код 252\\].*";
    }

    // The program itself, run as nobody when started by root, with a home of its own.
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, error);
        zorSimulator sim;
        QVERIFY(sim.start());
        QVERIFY(::chmod(QFile::encodeName(sim.portName()).constData(), 0) == 0);
        QTemporaryDir home;
        QVERIFY(QFile::setPermissions(home.path(), QFileDevice::Permissions(0x7777)));
        unprivilegedProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        probe.setProcessEnvironment(environment);
        probe.start(ZOR_PROBE_PATH, arguments.replaceInStrings("%1", sim.portName()));
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), code);
        const QString output = QString::fromUtf8(probe.readAllStandardError());
        const QRegularExpression expected(QRegularExpression::anchoredPattern(error.replace("%1", sim.portName())),
                                          QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(output).hasMatch(), qPrintable(output));
    }
};


QTEST_GUILESS_MAIN(test_zorProbe)
#include "test_zorProbe.moc"
