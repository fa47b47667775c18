#include "link/zorPortCatalog.h"
#include "link/zorStreamParser.h"
#include "model/optionsZOR70.h"
#include "sim/zorSimStream.h"
#include "sim/zorSimulator.h"

#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(zorSimMemory::variant)

namespace {

zorSimMemory instrument(zorSimMemory::variant type = zorSimMemory::basic)
{
    return zorSimMemory(type, 42, QStringLiteral("Термометр"), 8);
}

QList<int> numbers(const QVector<zorSimMemory::channel> &channels)
{
    QList<int> result;
    for (const zorSimMemory::channel &ch : channels)
        result << ch.number;
    return result;
}

QVector<zorStreamParser::token> parse(const QByteArray &text)
{
    zorStreamParser parser;
    QVector<zorStreamParser::token> tokens;
    parser.append(text, tokens);
    return tokens;
}

} // namespace

class test_zorSimulator : public QObject
{
    Q_OBJECT
private slots:
    void identity();
    void writes_data();
    void writes();
    void activeChannels_data();
    void activeChannels();
    void statusLinesKeepThreeFields();
    void readingTokens();
    void streamFollowsChannelsAndFlags();
    void listedInCatalogueWhileRunning();
};

void test_zorSimulator::identity()
{
    const zorSimMemory basic = instrument();
    const QByteArray ident = basic.read(optionsZOR70::rdIdent);
    QCOMPARE(ident.size(), 24);
    QCOMPARE(qFromLittleEndian<quint32>(ident.constData()), 0x0300AA0Fu);
    QCOMPARE(qFromLittleEndian<quint32>(ident.constData() + 20), 42u);
    QCOMPARE(ident.mid(4, 9), QByteArray("\xd2\xe5\xf0\xec\xee\xec\xe5\xf2\xf0"));   // Windows-1251
    QCOMPARE(basic.read(optionsZOR70::rdName), ident.mid(4, 16));
    QCOMPARE(basic.kindOf(11), zorSimMemory::none);   // refdU only on the extended variant
    QCOMPARE(instrument(zorSimMemory::extended).read(11).size(), 116);
    QVERIFY(instrument(zorSimMemory::extended).isExtended());
}

void test_zorSimulator::writes_data()
{
    QTest::addColumn<zorSimMemory::variant>("type");
    QTest::addColumn<quint8>("address");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint8>("readAddress");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray name = QByteArray("\x0f\xaa\x01\x03", 4) + QByteArray("New name").leftJustified(16, '\0');
    QTest::newRow("name block: the name, not the signature")
        << zorSimMemory::basic << quint8(0x32) << name << quint8(0x33) << 0
        << QByteArray("\x0f\xaa\x00\x03", 4) + name.mid(4);
    QTest::newRow("serial number") << zorSimMemory::basic << quint8(0x34) << QByteArray("\x07\0\0\0", 4)
                                   << quint8(0x33) << 20 << QByteArray("\x07\0\0\0", 4);
    QTest::newRow("device block") << zorSimMemory::basic << quint8(4) << QByteArray(8, '\1') << quint8(5) << 0
                                  << QByteArray(8, '\1');
    QTest::newRow("one characteristic record") << zorSimMemory::basic << quint8(0x85) << QByteArray(340, '\2')
                                               << quint8(2) << 5 * 340 << QByteArray(340, '\2');
    QTest::newRow("wrong length changes nothing") << zorSimMemory::basic << quint8(4) << QByteArray(7, '\1')
                                                  << quint8(5) << 0 << instrument().read(5);
    QTest::newRow("refdU, extended") << zorSimMemory::extended << quint8(10) << QByteArray(116, '\3') << quint8(11)
                                     << 0 << QByteArray(116, '\3');
}

void test_zorSimulator::writes()
{
    QFETCH(zorSimMemory::variant, type);
    QFETCH(quint8, address);
    QFETCH(QByteArray, data);
    QFETCH(quint8, readAddress);
    QFETCH(int, offset);
    QFETCH(QByteArray, expected);
    zorSimMemory memory = instrument(type);
    QCOMPARE(memory.kindOf(address), zorSimMemory::blockWrite);
    memory.write(address, data);
    QCOMPARE(memory.read(readAddress).mid(offset, expected.size()), expected);
}

void test_zorSimulator::activeChannels_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QList<int>>("off");
    QTest::addColumn<QList<int>>("expected");

    const QByteArray cyclic("\x01\x03\x00\x00\x08\x00\x00\x00", 8);
    QTest::newRow("cyclic, all on") << cyclic << QList<int>{} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("switched-off channels left out") << cyclic << QList<int>{2, 7} << QList<int>{1, 3, 4, 5, 6, 8};
    QTest::newRow("single channel: the main one") << QByteArray("\x00\x03\x00\x00\x08\x00\x04\x00", 8)
                                                  << QList<int>{} << QList<int>{5};
    QTest::newRow("beyond the channel count") << QByteArray("\x01\x03\x00\x00\x04\x00\x00\x00", 8) << QList<int>{}
                                              << QList<int>{1, 2, 3, 4};
}

void test_zorSimulator::activeChannels()
{
    QFETCH(QByteArray, device);
    QFETCH(QList<int>, off);
    QFETCH(QList<int>, expected);
    zorSimMemory memory = instrument();
    memory.write(4, device);
    QByteArray channels = memory.read(7);
    for (int ch : off)
        channels[ch - 1] = 0;
    channels[32 + 2] = 4;    // channel 3 in K
    channels[128 + 2] = 0;   // shown to 0.1
    memory.write(6, channels);
    const QVector<zorSimMemory::channel> active = memory.activeChannels();
    QCOMPARE(numbers(active), expected);
    for (const zorSimMemory::channel &ch : active) {
        QCOMPARE(int(ch.unit), ch.number == 3 ? 4 : 3);
        QCOMPARE(int(ch.decimals), ch.number == 3 ? 1 : 2);   // thermometers are shown to 0.01
    }
}

void test_zorSimulator::statusLinesKeepThreeFields()
{
    // Whatever the flags, the parser must see exactly three fields, their bytes intact.
    for (quint8 code : {0, 50}) {
        for (bool thermostat : {false, true}) {
            for (quint8 flags = 0; flags < 16; ++flags) {
                const QByteArray line = zorSimStream::status(code, thermostat, flags);
                const QVector<zorStreamParser::token> tokens = parse(line);
                QCOMPARE(tokens.size(), 1);
                const QStringList fields = tokens.at(0).fields;
                QCOMPARE(fields.size(), 3);
                QCOMPARE(fields.at(0).toInt(), code ? code + 48 : 0);
                QCOMPARE(fields.at(1).toLatin1(), QByteArray(1, char(thermostat)));
                QCOMPARE(fields.at(2).toLatin1(), QByteArray(1, char(flags)));
            }
        }
    }
}

void test_zorSimulator::readingTokens()
{
    QCOMPARE(zorSimStream::reading(3, 21.45671, 4, 3), QByteArray("3:21.4567D "));
    const QVector<zorStreamParser::token> error = parse(zorSimStream::errorReading(3, 13));
    QCOMPARE(error.size(), 1);
    QCOMPARE(error.at(0).type, zorStreamParser::measurement);
    QCOMPARE(error.at(0).meas, -999999.0);
    QCOMPARE(error.at(0).dim, '=');   // code 13
}

void test_zorSimulator::streamFollowsChannelsAndFlags()
{
    zorSimulator::options options;
    options.period = 5;
    zorSimulator sim(options);
    QByteArray channels = sim.block(7);
    for (int ch = 0; ch < 8; ++ch)
        channels[ch] = ch == 1 ? 5 : 0;   // only channel 2
    channels[32 + 1] = 4;                // in K
    sim.setBlock(7, channels);
    sim.raiseChangeFlags(0x05);
    QVERIFY(sim.start());
    QTRY_VERIFY(sim.log(zorSimulator::tokenSent).size() >= 6);
    sim.stop();

    const QVector<zorSimulator::event> tokens = sim.log(zorSimulator::tokenSent);
    QCOMPARE(tokens.at(0).data.left(2), QByteArray("2:"));
    QVERIFY(tokens.at(0).data.endsWith("E "));
    QCOMPARE(tokens.at(1).data, zorSimStream::status(0, false, 0x05));   // announced once
    QCOMPARE(tokens.at(3).data, zorSimStream::status(0, false, 0));
}

void test_zorSimulator::listedInCatalogueWhileRunning()
{
    zorSimulator sim;
    QVERIFY(sim.start());
    const QString name = sim.portName();
    auto listed = [&name] {
        for (const zorPortCatalog::port &p : zorPortCatalog::ports())
            if (p.name == name)
                return p.registered && !p.busy;
        return false;
    };
    QVERIFY(listed());
    QVERIFY(zorPortCatalog::isUsable(name));
    sim.stop();
    QVERIFY(!listed());
}

QTEST_GUILESS_MAIN(test_zorSimulator)
#include "test_zorSimulator.moc"
