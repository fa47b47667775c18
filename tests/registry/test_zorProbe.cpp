#include "model/featureZOR70.h"
#include "registry/zorProbe.h"
#include "registry/zorProbeReport.h"
#include "tests/registry/simulatedRegistry.h"

#include <QTextStream>
#include <QtTest>

// The command-line probe: its texts, and whole runs against a simulated instrument.
class test_zorProbe : public QObject
{
    Q_OBJECT

private slots:
    void sensorNames_data();
    void sensorNames();
    void settingsFromGarbage();
    void run_data();
    void run();
};

void test_zorProbe::sensorNames_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("feature");
    QTest::addColumn<int>("compens");
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QString>("compensation");

    QTest::newRow("nominal thermocouple") << 8 << 10 << 13 << "ТХА(K)" << "Pt100";
    QTest::newRow("individual thermocouple") << 9 << 2 << 1 << "ИСХ 3 «Эталон»" << "10M";
    QTest::newRow("individual thermometer, last slot") << 7 << 31 << 0 << "ИСХ 32 «»" << "-";
    QTest::newRow("transducer, slot beyond the table") << 10 << 40 << 0 << "-" << "-";
    QTest::newRow("type beyond the list") << 5 << 25 << 0 << "-" << "-";
    QTest::newRow("compensation beyond the list") << 8 << 1 << 21 << "ТВР(A1)" << "-";
    QTest::newRow("unknown mode") << 77 << 1 << 1 << "-" << "-";
}

void test_zorProbe::sensorNames()
{
    QFETCH(int, mode);
    QFETCH(int, feature);
    QFETCH(int, compens);
    QFETCH(QString, sensor);
    QFETCH(QString, compensation);

    optionsZOR70 options;
    const QStringList coefficients = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    QVERIFY(options.feature[2]->setFeature(featureZOR70::ftTPPolynom, "Эталон", coefficients));
    options.ch[5].mode = mode;
    options.ch[5].feature = quint8(feature);
    options.ch[5].compens = quint8(compens);
    QCOMPARE(zorProbeReport::sensorName(options, 5), sensor);
    QCOMPARE(zorProbeReport::compensationName(options, 5), compensation);
}

void test_zorProbe::settingsFromGarbage()
{
    // Whatever an instrument sends, the texts name it instead of guessing.
    optionsZOR70 options;
    QVERIFY(options.setData(QByteArray::fromHex("05 09 ff 02 7f 01 28 00"), optionsZOR70::rdDev));
    const QStringList lines = zorProbeReport::deviceSettings(options);
    QCOMPARE(lines, (QStringList{"Режим измерений: ?(5)", "Количество каналов: 127",
                                 "Кол-во отображаемых каналов: ?(9)", "Время измерений: ?(-1)",
                                 "Цифровой фильтр: ?(2)", "Динамик: Вкл.", "Основной канал: 41"}));
    const QStringList rows = zorProbeReport::channels(options);
    QCOMPARE(rows.size(), 1 + optionsZOR70::chMax);
    QCOMPARE(rows.at(1), QString("1   Выкл.     Ω     3        0.05   0.1       -                       -"));
}

void test_zorProbe::run_data()
{
    QTest::addColumn<QString>("portName"); // empty: the simulator's
    QTest::addColumn<int>("dropAtUnit");   // -1: no fault
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("error");

    QTest::newRow("simulator") << QString() << -1 << int(zorProbe::exitOk) << QString();
    QTest::newRow("no such port") << "/nonexistent/tty" << -1 << int(zorProbe::exitLink)
                                  << "Порт «/nonexistent/tty» не найден или занят\n";
    QTest::newRow("line dropped") << QString() << 0 << int(zorProbe::exitLink) << "Ошибка 200: Обрыв связи [код ";
}

void test_zorProbe::run()
{
    QFETCH(QString, portName);
    QFETCH(int, dropAtUnit);
    QFETCH(int, code);
    QFETCH(QString, error);

    simulatedRegistry r;
    zorSimulator *sim = r.startSim(7);
    if (dropAtUnit >= 0)
        sim->injectFault(zorSimulator::dropLine, 1, dropAtUnit);
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    zorProbe probe(&r.link.port, &r.list, &r.sql, &out, &err);
    QSignalSpy finished(&probe, &zorProbe::finished);
    probe.start(portName.isEmpty() ? sim->portName() : portName, 3, 10);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(finished.first().at(0).toInt(), code);
    QVERIFY2(errText.startsWith(error), qPrintable(errText));
    if (code != zorProbe::exitOk)
        return;
    const QStringList lines = outText.split('\n');
    QVERIFY(lines.contains("  Прибор: ЗОР 4.70, № 0007"));
    QVERIFY(lines.contains("  Тип: 0x0300AA0F (базовый)"));
    QVERIFY(lines.contains("  База данных: прибор № 1, настройка «Заводская настройка» (№ 1)"));
    QVERIFY(lines.contains("  Количество каналов: 8"));
    QCOMPARE(lines.filter(QRegularExpression("^  8 +НСХ ТС +°С +300 +1\\.00 +0\\.0*1 +Pt100 +-$")).size(), 1);
    // Shown with the channel's rounding.
    const int decimals = sim->block(optionsZOR70::rdCh).at(4 * optionsZOR70::chMax) + 1;
    const QRegularExpression reading(QString("^  Канал [1-8]: 2\\d\\.\\d{%1} °С$").arg(decimals));
    QCOMPARE(lines.filter(reading).size(), 3);
}

QTEST_GUILESS_MAIN(test_zorProbe)
#include "test_zorProbe.moc"
