#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"

#include "tests/model/signalLog.h"

#include <QRegularExpression>
#include <QtTest>

using O = optionsZOR70;

// Channel options: names, setters and the normalisation of range, current and rounding.
class test_channelOptions : public QObject
{
    Q_OBJECT

private slots:
    void sensorTypeLists();
    void names();
    void modeSetsUnit_data();
    void modeSetsUnit();
    void unitMustSuitTheMode_data();
    void unitMustSuitTheMode();
    void current_data();
    void current();
    void normalisation_data();
    void normalisation();
    void featureAndCompensation();

private:
    // Range and current code for a resistance thermometer of the nominal resistance
    // in its type name: 10 Ω on 30 Ω / 1 mA, 50 and 100 Ω on 300 Ω / 1 mA, more on
    // 3000 Ω / 0.1 mA.
    static QPair<int, int> rangeForType(int typeIndex);
    static constexpr int keep = 99; // sentinel: a value normalisation must not touch
};

QPair<int, int> test_channelOptions::rangeForType(int typeIndex)
{
    const QString name = O::_getDefTypeTC().at(typeIndex);
    const int r0 = QRegularExpression("\\d+").match(name).captured().toInt();
    if (r0 == 10)
        return {O::ref30, 20};
    return r0 <= 100 ? QPair<int, int>{O::ref300, 20} : QPair<int, int>{O::ref3000, 2};
}

void test_channelOptions::sensorTypeLists()
{
    // Spelled with code points: Latin and Cyrillic look-alikes must not mix up.
    const QStringList tc = {
        "10M", "50M", "100M", "500M", "1000M",
        "10\u041F", "50\u041F", "100\u041F", "500\u041F", "1000\u041F",
        "Pt10", "Pt50", "Pt100", "Pt500", "Pt1000",
        "10H", "50H", "100H", "500H", "1000H"};
    QCOMPARE(O::_getDefTypeTC(), tc);

    const QString te = "\u0422", ha = "\u0425", pe = "\u041F";
    const QStringList tp = {
        te + "\u041D\u041D(N)", te + "\u0412\u0420(A1)", te + "\u0412\u0420(A2)",
        te + "\u0412\u0420(A3)", te + "\u0416\u041A(J)", te + "\u041C\u041A(M)",
        te + "\u041C\u041A(T)", te + pe + "\u0420(B)", te + pe + pe + "(R)",
        te + pe + pe + "(S)", te + ha + "\u0410(K)", te + ha + "\u041A(E)", te + ha + "\u041A(L)"};
    QCOMPARE(O::_getDefTypeTP(), tp);

    QCOMPARE(O::getDimList().value(O::dimC), QString("\u00B0\u0421"));
    QCOMPARE(O::getDimList().value(O::dimK), QString("K"));
    QCOMPARE(O::getDimList().value(O::dimOhm), QString("\u03A9"));
}

void test_channelOptions::names()
{
    O o;
    o.ch[3].mode = O::chNSHTP;
    o.ch[3].compens = 13;
    o.ch[4].mode = 42;
    o.ch[4].compens = 21;
    QCOMPARE(o.getModeName(quint8(3)), QString("НСХ ТП"));
    QCOMPARE(o.getModeName(quint8(4)), QString("-"));
    QCOMPARE(o.getModeName(quint8(32)), QString("-"));
    QCOMPARE(o.getDimName(O::_chDim(10)), QString("-"));
    QCOMPARE(o.getChFeatureCompesTPName(3), QString("Pt100"));
    QCOMPARE(o.getChFeatureCompesTPName(4), QString("-"));
    QCOMPARE(o.getChFeatureCompesTPName(5), QString("-")); // byte 0: no compensation
    QCOMPARE(o.getChFeatureCompesTPName(40), QString("-"));
}

void test_channelOptions::modeSetsUnit_data()
{
    QTest::addColumn<int>("fromMode");
    QTest::addColumn<int>("fromDim");
    QTest::addColumn<int>("toMode");
    QTest::addColumn<int>("dim");
    QTest::addColumn<bool>("changed");

    QTest::newRow("НСХ ТС in K to НСХ ТП keeps K") << 5 << 4 << 8 << 4 << true;
    QTest::newRow("НСХ ТС in K to мВ forces мВ") << 5 << 4 << 3 << 1 << true;
    QTest::newRow("Ом to НСХ ТС gives °С") << 1 << 0 << 5 << 3 << true;
    QTest::newRow("мА to Ом/3") << 4 << 2 << 2 << 0 << true;
    QTest::newRow("to ИЗМ. ПР. keeps the unit") << 4 << 2 << 10 << 2 << true;
    QTest::newRow("off keeps the unit") << 8 << 3 << 0 << 3 << true;
    QTest::newRow("same mode") << 5 << 4 << 5 << 4 << false;
    QTest::newRow("mode 11 is no mode") << 5 << 4 << 11 << 4 << false;
    QTest::newRow("mode -1 is no mode") << 5 << 4 << -1 << 4 << false;
}

void test_channelOptions::modeSetsUnit()
{
    QFETCH(int, fromMode);
    QFETCH(int, fromDim);
    QFETCH(int, toMode);
    QFETCH(int, dim);
    QFETCH(bool, changed);

    O o;
    o.ch[6].mode = fromMode;
    o.ch[6].dim = fromDim;
    signalLog log(&o);
    QCOMPARE(o.setChMode(6, toMode), changed);
    QCOMPARE(o.ch[6].mode, changed ? toMode : fromMode);
    QCOMPARE(o.ch[6].dim, dim);
    QCOMPARE(log.entries.isEmpty() ? QString() : log.entries.last(),
             changed ? QString("onChChange(6)") : QString());
    QVERIFY(!o.setChMode(32, toMode));
}

void test_channelOptions::unitMustSuitTheMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("fromDim");
    QTest::addColumn<int>("toDim");
    QTest::addColumn<int>("dim");

    QTest::newRow("кПа on an Ом channel is refused") << 1 << 0 << 7 << 0;
    QTest::newRow("K on a thermometer") << 5 << 3 << 4 << 4;
    QTest::newRow("Па on a thermocouple is refused") << 9 << 3 << 6 << 3;
    QTest::newRow("Бар on a transducer") << 10 << 0 << 9 << 9;
    QTest::newRow("unit 10 does not exist") << 10 << 0 << 10 << 0;
    QTest::newRow("unit -1 does not exist") << 10 << 0 << -1 << 0;
    QTest::newRow("nothing on a channel that is off") << 0 << 3 << 4 << 3;
}

void test_channelOptions::unitMustSuitTheMode()
{
    QFETCH(int, mode);
    QFETCH(int, fromDim);
    QFETCH(int, toDim);
    QFETCH(int, dim);

    O o;
    o.ch[31].mode = mode;
    o.ch[31].dim = fromDim;
    signalLog log(&o);
    o.setChDim(31, toDim);
    QCOMPARE(o.ch[31].dim, dim);
    // Signalled also after a refusal, so that views show the unit that stayed.
    QCOMPARE(log.entries, QStringList{"onChChange(31)"});
    o.setChDim(32, toDim);
    QCOMPARE(log.entries.size(), 1);
}

void test_channelOptions::current_data()
{
    QTest::addColumn<QString>("mA");
    QTest::addColumn<bool>("asText");
    QTest::addColumn<int>("code"); // 5 (the start) when ignored or unchanged

    QTest::newRow("12.75 mA is code 255") << "12.75" << false << 255;
    QTest::newRow("12.76 mA is too much") << "12.76" << false << 5;
    QTest::newRow("0 is ignored") << "0" << false << 5;
    QTest::newRow("negative") << "-1" << false << 5;
    QTest::newRow("0.074 rounds to code 1") << "0.074" << false << 1;
    QTest::newRow("below half a step: no current at all") << "0.02" << false << 5;
    QTest::newRow("text with comma") << "1,0" << true << 20;
    QTest::newRow("text that is no number") << "abc" << true << 5;
    QTest::newRow("empty text is 0") << "" << true << 5;
}

void test_channelOptions::current()
{
    QFETCH(QString, mA);
    QFETCH(bool, asText);
    QFETCH(int, code);

    O o;
    o.ch[0].current = 5;
    signalLog log(&o);
    if (asText)
        o.setChCurrent(0, mA);
    else
        o.setChCurrent(0, mA.toFloat());
    QCOMPARE(int(o.ch[0].current), code);
    QCOMPARE(log.entries, code == 5 ? QStringList() : QStringList{"onChChange(0)"});
}

void test_channelOptions::normalisation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("range");    // before
    QTest::addColumn<int>("sensor");   // characteristic byte, or compensation byte for 8 and 9
    QTest::addColumn<int>("featType"); // type of the characteristic in slot 0 (mode 7)
    QTest::addColumn<double>("r0");
    QTest::addColumn<int>("round");    // expected after
    QTest::addColumn<int>("newRange");
    QTest::addColumn<int>("current");

    for (int mode : {0, 10})
        for (int sensor : {0, 13})
            QTest::addRow("mode %d, byte %d: untouched", mode, sensor)
                << mode << keep << sensor << 0 << 100.0 << keep << keep << keep;

    const int ohmRound[4] = {O::round6, O::round5, O::round4, O::round3};
    const int ohmCurrent[4] = {200, 20, 20, 2};
    for (int mode : {1, 2}) {
        for (int range = 0; range < 4; ++range)
            QTest::addRow("mode %d, range %s", mode, qPrintable(O::getRefList().value(O::_chRef(range))))
                << mode << range << 0 << 0 << 0.0 << ohmRound[range] << range << ohmCurrent[range];
        QTest::addRow("mode %d, unknown range", mode) << mode << 7 << 0 << 0 << 0.0 << keep << 7 << keep;
    }
    for (int mode : {3, 4})
        QTest::addRow("mode %d", mode) << mode << keep << 0 << 0 << 0.0 << int(O::round4) << keep << keep;

    for (int mode : {5, 6}) {
        for (int t = 0; t < 20; ++t) {
            const auto r = rangeForType(t);
            QTest::addRow("mode %d, %s", mode, qPrintable(O::_getDefTypeTC().at(t)))
                << mode << keep << t << 0 << 0.0 << int(O::round2) << r.first << r.second;
        }
        QTest::addRow("mode %d, index 20", mode) << mode << keep << 20 << 0 << 0.0 << int(O::round2) << int(O::ref30) << 20;
        QTest::addRow("mode %d, index 21", mode) << mode << keep << 21 << 0 << 0.0 << int(O::round2) << int(O::ref3000) << 2;
    }
    for (int mode : {8, 9}) {
        QTest::addRow("mode %d, no compensation", mode)
            << mode << keep << 0 << 0 << 0.0 << int(O::round1) << int(O::ref30) << 20;
        for (int c = 1; c <= 20; ++c) {
            const auto r = rangeForType(c - 1);
            QTest::addRow("mode %d, compensated by %s", mode, qPrintable(O::_getDefTypeTC().at(c - 1)))
                << mode << keep << c << 0 << 0.0 << int(O::round1) << r.first << r.second;
        }
    }

    const QList<QPair<double, QPair<int, int>>> byR0 = {
        {1.0, {O::ref3, 200}},     {2.99, {O::ref3, 200}},    {3.0, {O::ref30, 20}},
        {49.9, {O::ref30, 20}},    {50.0, {O::ref300, 20}},   {100.0, {O::ref300, 20}},
        {499.0, {O::ref300, 20}},  {500.0, {O::ref3000, 2}},  {1000.0, {O::ref3000, 2}},
    };
    for (const auto &e : byR0)
        QTest::addRow("mode 7, МТШ-90 with R0 %g", e.first)
            << 7 << keep << 0 << 0 << e.first << int(O::round3) << e.second.first << e.second.second;
    const int featRound[7] = {-1, O::round3, O::round3, O::round3, O::round1, O::round1, O::round2};
    for (int type = 1; type <= 6; ++type)
        QTest::addRow("mode 7, characteristic type %d", type)
            << 7 << keep << 0 << type << 100.0 << featRound[type] << keep << keep;
    QTest::newRow("mode 7, unknown characteristic type") << 7 << keep << 0 << -1 << 100.0 << keep << keep << keep;
    QTest::newRow("mode 7, slot 32 does not exist") << 7 << keep << 32 << 0 << 100.0 << keep << keep << keep;
}

void test_channelOptions::normalisation()
{
    QFETCH(int, mode);
    QFETCH(int, range);
    QFETCH(int, sensor);
    QFETCH(int, featType);
    QFETCH(double, r0);
    QFETCH(int, round);
    QFETCH(int, newRange);
    QFETCH(int, current);

    O o;
    QByteArray record(featureZOR70::dataSize, '\0');
    record[0] = char(featType);
    record.replace(20, 8, QByteArray(reinterpret_cast<const char *>(&r0), 8));
    QVERIFY(o.feature[0]->setData(record));

    O::_ch &c = o.ch[9];
    c.mode = mode;
    c.ref = range;
    c.round = keep;
    c.current = keep;
    (mode == 8 || mode == 9 ? c.compens : c.feature) = quint8(sensor);
    signalLog log(&o);
    o.normalize(9);
    QCOMPARE(c.round, round);
    QCOMPARE(c.ref, newRange);
    QCOMPARE(int(c.current), current);
    QCOMPARE(log.entries, current == keep ? QStringList() : QStringList{"onChChange(9)"});
}

void test_channelOptions::featureAndCompensation()
{
    O o;
    o.ch[2].mode = O::chOhm;
    QVERIFY(o.setChFeature(2, O::chNSHTS, 14)); // "Pt1000"
    QCOMPARE((QList<int>{o.ch[2].mode, o.ch[2].dim, o.ch[2].ref, o.ch[2].current, o.ch[2].round}),
             (QList<int>{O::chNSHTS, O::dimC, O::ref3000, 2, O::round2}));
    QVERIFY(!o.setChFeature(2, O::chNSHTS, 14));
    QVERIFY(!o.setChFeature(2, 11, 3));

    QVERIFY(o.setChFeature(2, O::chNSHTP, 3));
    QVERIFY(o.setChFeatureCompesTP(2, 13)); // "Pt100"
    QCOMPARE(o.ch[2].ref, int(O::ref300));
    QVERIFY(!o.setChFeatureCompesTP(2, 13));
    QVERIFY(!o.setChFeatureCompesTP(2, 21));
    QVERIFY(o.setChFeatureCompesTP(2, 0));
    QCOMPARE(o.ch[2].ref, int(O::ref30));
}

QTEST_GUILESS_MAIN(test_channelOptions)
#include "test_channelOptions.moc"
