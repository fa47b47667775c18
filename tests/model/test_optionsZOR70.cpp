#include "model/optionsZOR70.h"

#include "link/bFloat.h"
#include "link/bWord.h"
#include "model/featureZOR70.h"
#include "tests/model/randomBlocks.h"

#include <QMetaMethod>
#include <QtTest>

using O = optionsZOR70;

namespace {
constexpr int keep = 99; // a channel value that normalisation must not touch

// The decoders: a read address, -1 the full image, -2 the record in slot 5.
bool decode(O &o, int address, const QByteArray &buf)
{
    return address == -1   ? o.setData(buf)
           : address == -2 ? o.feature[5]->setData(buf)
                           : o.setData(buf, quint8(address));
}

// What the image sends or stores of the block a decoder took.
QByteArray encoded(const O &o, int address)
{
    switch (address) {
    case O::rdRef: return o.getRefData(false);
    case O::rdRefdU: return o.getRefdUData();
    case O::rdDev: return o.getDevData();
    case O::rdCh: return o.getChData();
    case O::rdFeat: return o.getFeatData();
    case O::rdIdent: return o.getNameData() + o.getSNData();
    case O::rdName: return o.getNameData().mid(4);
    case -2: return o.feature[5]->getData();
    }
    return o.getData();
}

// Everything the image would send or store, plus the identity and a nelin shift.
QByteArray state(const O &o)
{
    return o.getData() + o.getRefData(true) + bWord::getByte(o.devType) + bWord::getByte(o.devNumber)
           + o.devName.toUtf8() + char(o.nameFromNameRead) + QByteArray::number(o.nelinShift[1]);
}
} // namespace

// Records every signal an object's own class declares, in order, as "name" or "name(arg)".
class signalLog : public QObject
{
    Q_OBJECT

public:
    explicit signalLog(QObject *source)
    {
        const QMetaObject *from = source->metaObject();
        for (int i = from->methodOffset(); i < from->methodCount(); ++i) {
            const QMetaMethod signal = from->method(i);
            if (signal.methodType() == QMetaMethod::Signal)
                connect(source, signal, this, metaObject()->method(metaObject()->methodOffset() + signal.parameterCount()));
        }
    }

    QStringList entries;

private slots: // in this order: the first takes signals without arguments, the second those with one
    void plain() { entries << name(); }
    void indexed(quint8 arg) { entries << QString("%1(%2)").arg(name()).arg(arg); }

private:
    QString name() const { return sender()->metaObject()->method(senderSignalIndex()).name(); }
};

// The settings image: its blocks and their guards, the mended field codecs, the
// signals, and the channel options with their normalisation.
class test_optionsZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void blocks_data()
    {
        QTest::addColumn<int>("address"); // as decode() takes it
        QTest::addColumn<QStringList>("log");

        QStringList features;
        for (int n = 0; n < O::chMax; ++n)
            features << QString("onFeatChange(%1)").arg(n);
        features << "onFeatChange" << "onChChange";
        QTest::newRow("identity") << int(O::rdIdent) << QStringList{"onIdentChange"};
        QTest::newRow("name") << int(O::rdName) << QStringList{"onIdentChange"};
        QTest::newRow("reference") << int(O::rdRef) << QStringList{"onRefChange"};
        QTest::newRow("refdU") << int(O::rdRefdU) << QStringList{"onRefChange"};
        QTest::newRow("device") << int(O::rdDev) << QStringList{"onDevChange"};
        QTest::newRow("channel") << int(O::rdCh) << QStringList{"onChChange"};
        QTest::newRow("characteristic") << int(O::rdFeat) << features;
        QTest::newRow("one record") << -2 << QStringList{"onFeatChange(5)"};
        QTest::newRow("full image") << -1 << QStringList{"onIdentChange", "onDevChange", "onChChange"} + features;
    }

    // Random blocks decode and encode again to the same bytes, with their signals; a block of the wrong length
    // changes nothing (not even a nelin shift) and raises nothing. (An identity reply of any length clears the
    // identity first: see identityReplies.)
    void blocks()
    {
        QFETCH(int, address);
        QFETCH(QStringList, log);

        randomBlocks random(quint32(address + 100));
        const auto make = [&] { return address == -2 ? random.feature() : random.block(address); };
        O o;
        o.devType = O::typeExtended;
        signalLog signalled(&o);
        for (int i = 0; i < 30; ++i) {
            const QByteArray block = make();
            signalled.entries.clear();
            QVERIFY(decode(o, address, block));
            QCOMPARE(signalled.entries, log);
            QCOMPARE(encoded(o, address).toHex(), block.toHex());
        }
        o.setRefNelinShift("1", 1);
        if (address == O::rdIdent) {
            o.devType = o.devNumber = 0;
            o.devName.clear();
        }
        const QByteArray before = state(o);
        const int length = make().size();
        signalled.entries.clear();
        for (int wrong : {0, length - 1, length + 1})
            QVERIFY(!decode(o, address, (make() + '\0').left(wrong)));
        QCOMPARE(state(o).toHex(), before.toHex());
        QCOMPARE(signalled.entries, QStringList());
    }

    void variantsAndCodes()
    {
        // Only the extended variant has a refdU block; a name is read up to its NUL, trimmed.
        randomBlocks random(4);
        O o;
        QVERIFY(o.setData(random.block(O::rdIdent, O::typeBasic), O::rdIdent));
        QVERIFY(o.setData(random.block(-1, O::typeExtended)) && o.getTxData(O::txRefdU).isEmpty());
        QCOMPARE(o.getRefData(true), o.getRefData(false));
        QVERIFY(!o.setData(nullptr, O::rdRef) && !o.setData(static_cast<QByteArray *>(nullptr)));
        QVERIFY(o.setData(QByteArray("  ZOR-1\0junk\0\0\0\0", 16), O::rdName));
        QCOMPARE(o.devName, QString("ZOR-1"));
        const QDateTime time(QDate(2024, 3, 5), QTime(14, 7, 9));
        QCOMPARE(O::getDateTimeData(time).toHex(), QByteArray("0e07090005031800"));
    }

    void identityReplies_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("identity"); // name, serial number, signature afterwards
        QTest::addColumn<bool>("taken");

        const QByteArray good = bWord::getByte(O::typeBasic) + QByteArray("ZOR-2").leftJustified(16, '\0')
                                + bWord::getByte(42);
        const QStringList cleared = {"", "--", "0"};
        const QStringList kept = {"ZOR-1", "0007", QString::number(O::typeExtended)};
        QTest::newRow("good identity")
            << int(O::rdIdent) << good << QStringList{"ZOR-2", "0042", QString::number(O::typeBasic)} << true;
        // What the link delivers after a first unit 0F AA xx 09: 16 bytes more than asked.
        QTest::newRow("identity 16 bytes longer") << int(O::rdIdent) << good + QByteArray(16, '\0') << cleared << false;
        QTest::newRow("identity of a foreign type")
            << int(O::rdIdent) << bWord::getByte(0x0302AA0F) + good.mid(4) << cleared << false;
        // The name alone is no identity: a good one changes the name only. (Replies of a wrong
        // length otherwise are the block table's.)
        QTest::newRow("name of 16 bytes")
            << int(O::rdName) << good.mid(4, 16) << QStringList{"ZOR-2", kept[1], kept[2]} << true;
    }

    // Whatever an identity reply holds, the image keeps no identity it did not just
    // read, so an instrument whose identity read went wrong receives no writes.
    void identityReplies()
    {
        QFETCH(int, address);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, identity);
        QFETCH(bool, taken);

        O o;
        o.devType = O::typeExtended;
        o.devNumber = 7;
        o.devName = "ZOR-1";
        QSignalSpy identChanged(&o, &O::onIdentChange);
        QSignalSpy devApplied(&o, &O::onDevApply);
        QCOMPARE(o.setData(reply, quint8(address)), taken);
        QCOMPARE(QStringList({o.devName, o.getDevNumberStr(), QString::number(o.devType)}), identity);
        QCOMPARE(identChanged.size(), int(taken));
        o.triggerDevChange();
        QCOMPARE(devApplied.size(), int(identity[1] != "--"));
    }

    void nelinEditing()
    {
        randomBlocks random(6);
        O o;
        QVERIFY(o.setData(random.block(O::rdRef), O::rdRef));
        const QByteArray before = o.getRefData(false);
        QStringList texts;
        for (int p = 0; p < O::nelinPoints; ++p)
            texts << QString::number(p * 1000) << QString("%1,5").arg(p);
        // All or nothing; any table number but 1 is table 0.
        QVERIFY(!o.setRefNelin(texts.mid(1), 1) && !o.setRefNelin(QStringList(texts.mid(1)) << "x", 1));
        QCOMPARE(o.getRefData(false), before);
        QVERIFY(o.setRefNelin(texts, 7));
        QCOMPARE(o.getRefData(false).mid(512), before.mid(512));
        // Each table's voltages by its own factor, when edited and when read.
        const O::_nelin &last = o.nelin[0][25], &other = o.nelin[1][25];
        QVERIFY(o.setRefNelin(texts, 1) && o.setData(o.getRefData(false), O::rdRef));
        QCOMPARE((QList<double>{last.code.value(), last.value.value(), last.mV, other.mV}),
                 (QList<double>{25000, 25.5, 25000 * 78 / 8388608.0, 25000 * 625 / 8388608.0}));
        o.devType = O::typeExtended;
        QVERIFY(o.setData(QByteArray(32, '\0') + bFloat(8388608.0f).getByte() + QByteArray(80, '\0'), O::rdRefdU));
        QCOMPARE(o.refdU[0][0].mV, 1250.0f);
        // A shift moves every value of its table by the change of the shift; a read resets it.
        QVERIFY(o.setRefNelinShift("2,5", 0) && o.setRefNelinShift("1", 0) && !o.setRefNelinShift("1.0", 0));
        QCOMPARE(o.nelin[0][3].value.value(), 4.5);
        QVERIFY(o.setData(before, O::rdRef) && o.nelinShift[0] == 0);
    }

    void everyFieldValueRoundTrips()
    {
        // Every byte of corrections A and B and of the temperature coefficients, every word of
        // the 1e-4 coefficient and of the refdU ratio comes back unchanged: otherwise each
        // read-and-write cycle would walk the instrument's calibration away.
        randomBlocks random(2);
        QByteArray ref = random.block(O::rdRef), refdU = random.block(O::rdRefdU);
        O o;
        o.devType = O::typeExtended;
        for (int w = 0; w < 65536; ++w) {
            const char word[2] = {char(w & 0xFF), char(w >> 8)};
            ref.replace(928, 64, QByteArray(64, char(w))).replace(1000, 6, QByteArray(6, char(w)));
            ref.replace(1006, 2, word, 2);
            refdU.replace(0, 2, word, 2);
            QVERIFY(o.setData(ref, O::rdRef) && o.setData(refdU, O::rdRefdU));
            if (o.getRefData(true) != ref + refdU)
                QFAIL(qPrintable(QString("value %1 came back changed").arg(w)));
        }
    }

    void outOfRangeClamps_data()
    {
        QTest::addColumn<int>("at"); // byte offset in the reference and refdU data
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("encoded");

        QTest::newRow("A above the range clamps, never wraps") << 959 << 0.0128 << 255;
        QTest::newRow("A to the nearest, not truncated") << 959 << 0.00009 << 129;
        QTest::newRow("A not a number reads as 0") << 959 << qQNaN() << 128;
        QTest::newRow("1e-4 above the range") << 1006 << 4.0 << 65535;
        QTest::newRow("ratio below the range") << 1008 << 0.0 << 0;
    }

    void outOfRangeClamps()
    {
        QFETCH(int, at);
        QFETCH(double, value);
        QFETCH(int, encoded);

        O o;
        o.devType = O::typeExtended;
        const QMap<int, bDouble *> fields = {
            {959, &o.corrA[31]}, {960, &o.corrB[0]}, {1006, &o.d10k}, {1008, &o.k005ma}};
        fields.value(at)->setValue(value);
        const QByteArray data = o.getRefData(true);
        QCOMPARE(quint8(data.at(at)) | (at >= 1006 ? quint8(data.at(at + 1)) << 8 : 0), encoded);
    }

    void textsStayInTheirField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("field"); // the 16 bytes of a name; a password takes the first 8

        QTest::newRow("short") << QString("ЗОР") << QByteArray("\xC7\xCE\xD0").leftJustified(16, '\0');
        QTest::newRow("too long: cut at the width") << QString("Прибор номер один, склад 4")
            << QByteArray("\xCF\xF0\xE8\xE1\xEE\xF0 \xED\xEE\xEC\xE5\xF0 \xEE\xE4\xE8");
        QTest::newRow("characters Windows-1251 lacks")
            << QString(9, QChar(0x4E2D)) + "\U0001F600" << QByteArray(10, '?').leftJustified(16, '\0');
    }

    void textsStayInTheirField()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, field);

        randomBlocks random(3);
        O o;
        for (int address : {O::rdIdent, O::rdRef, O::rdDev})
            QVERIFY(o.setData(random.block(address), quint8(address)));
        const QByteArray image = o.getData(), ref = o.getRefData(false);
        o.devName = o.password = text;
        QCOMPARE(o.getData(), image.left(4) + field + image.mid(20));
        QCOMPARE(o.getRefData(false), ref.left(992) + field.left(8) + ref.mid(1000));
        // A record's name is kept whole in memory, but sent as its first 16 bytes.
        QVERIFY(o.feature[0]->setFeature(featureZOR70::ftIzmPr, text, {"1", "", ""}));
        QCOMPARE(o.feature[0]->getName(), text);
        QCOMPARE(o.feature[0]->getData().mid(4, 24), field + bDouble(1).getByte());
    }

    void triggerSignals_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<int>("index"); // -1: the overload without an index
        QTest::addColumn<quint32>("number");
        QTest::addColumn<QStringList>("log");

        QTest::newRow("channel 5") << "triggerChChange" << 5 << 0u << QStringList{"onChApply", "onChApply(5)"};
        QTest::newRow("channel 32") << "triggerChChange" << 32 << 1u << QStringList();
        QTest::newRow("all channels") << "triggerChChange" << -1 << 0u << QStringList{"onChApply"};
        QTest::newRow("slot 32") << "triggerFeatChange" << 32 << 1u << QStringList();
        QTest::newRow("device, unidentified") << "triggerDevChange" << -1 << 0u << QStringList();
        QTest::newRow("device") << "triggerDevChange" << -1 << 7u << QStringList{"onDevApply"};
        QTest::newRow("name, unidentified") << "triggerNameChange" << -1 << 0u << QStringList();
        QTest::newRow("references, unidentified") << "triggerRefChange" << -1 << 0u << QStringList{"onRefChange"};
        QTest::newRow("references") << "triggerRefChange" << -1 << 7u << QStringList{"onRefApply", "onRefChange"};
    }

    void triggerSignals()
    {
        QFETCH(QString, slot);
        QFETCH(int, index);
        QFETCH(quint32, number);
        QFETCH(QStringList, log);

        O o;
        o.devNumber = number;
        signalLog signalled(&o);
        const QByteArray name = slot.toLatin1();
        QVERIFY(index < 0 ? QMetaObject::invokeMethod(&o, name.constData())
                          : QMetaObject::invokeMethod(&o, name.constData(), Q_ARG(quint8, quint8(index))));
        QCOMPARE(signalled.entries, log);
        signalled.entries.clear(); // a record's own requests come out with its slot number
        emit o.feature[4]->onApply();
        QCOMPARE(signalled.entries, QStringList{"onFeatApply(4)"});
    }

    void channelSetters_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<QList<int>>("from"); // mode and unit of channel 6
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QList<int>>("after"); // mode, unit, range, current code
        QTest::addColumn<bool>("signalled");   // and, but for the unit, taken

        const QList<int> off = {0, 0}, ohm = {1, 0}, tsK = {5, 4}, tr = {10, 0};
        const QList<int> tsKAfter = {5, 4, 0, 5}, offAfter = {0, 0, 0, 5};
        QTest::newRow("НСХ ТС in K to НСХ ТП keeps K") << "mode" << tsK << "8" << QList<int>{8, 4, 1, 20} << true;
        QTest::newRow("НСХ ТС in K to мВ forces мВ") << "mode" << tsK << "3" << QList<int>{3, 1, 0, 5} << true;
        QTest::newRow("Ом to НСХ ТС gives °С") << "mode" << ohm << "5" << QList<int>{5, 3, 1, 20} << true;
        QTest::newRow("mode 11 is no mode") << "mode" << tsK << "11" << tsKAfter << false;
        QTest::newRow("K on an НСХ ТС channel") << "unit" << QList<int>{5, 3} << "4" << QList<int>{5, 4, 0, 5} << true;
        QTest::newRow("кПа on an Ом channel, refused") << "unit" << ohm << "7" << QList<int>{1, 0, 0, 5} << true;
        QTest::newRow("unit 10 does not exist") << "unit" << tr << "10" << QList<int>{10, 0, 0, 5} << true;
        QTest::newRow("12.75 mA is code 255") << "mA" << off << "12.75" << QList<int>{0, 0, 0, 255} << true;
        QTest::newRow("12.76 mA is too much") << "mA" << off << "12.76" << offAfter << false;
        QTest::newRow("0.074 mA rounds to code 1") << "mA" << off << "0.074" << QList<int>{0, 0, 0, 1} << true;
        QTest::newRow("mA text that is no number") << "mA text" << off << "abc" << offAfter << false;
    }

    void channelSetters()
    {
        QFETCH(QString, setter);
        QFETCH(QList<int>, from);
        QFETCH(QString, arg);
        QFETCH(QList<int>, after);
        QFETCH(bool, signalled);

        O o;
        O::_ch &c = o.ch[6];
        c.mode = from.at(0);
        c.dim = from.at(1);
        c.current = 5;
        signalLog log(&o);
        const auto apply = [&](quint8 ch) { // the unit setter has no result, and always reports
            return setter == "mode"    ? o.setChMode(ch, arg.toInt())
                   : setter == "mA"      ? o.setChCurrent(ch, arg.toFloat())
                   : setter == "mA text" ? o.setChCurrent(ch, arg)
                                         : (o.setChDim(ch, arg.toInt()), true);
        };
        QCOMPARE(apply(6), signalled);
        QCOMPARE((QList<int>{c.mode, c.dim, c.ref, c.current}), after);
        log.entries.removeDuplicates();
        QCOMPARE(log.entries, signalled ? QStringList{"onChChange(6)"} : QStringList());
        log.entries.clear();
        apply(32); // no such channel
        QCOMPARE(log.entries, QStringList());
    }

    void normalisation_data()
    {
        QTest::addColumn<QList<int>>("channel");    // mode, range, characteristic and compensation bytes
        QTest::addColumn<QList<double>>("feature"); // type and R0 of the characteristic in slot 0
        QTest::addColumn<QList<int>>("after");      // rounding, range, current code

        const QList<int> untouched = {keep, keep, keep};
        const QList<double> pt100 = {0, 100};
        for (int mode : {0, 10})
            QTest::addRow("mode %d: untouched", mode) << QList<int>{mode, keep, 13, 13} << pt100 << untouched;
        const int ohmCurrent[5] = {200, 20, 20, 2, keep};
        for (int mode : {1, 2}) {
            for (int range = O::ref3; range <= O::ref3000 + 1; ++range) // one past: no range
                QTest::addRow("mode %d, range %d", mode, range) << QList<int>{mode, range, 0, 0} << pt100
                    << QList<int>{range <= O::ref3000 ? O::round6 - range : keep, range, ohmCurrent[range]};
        }
        for (int mode : {3, 4})
            QTest::addRow("mode %d", mode) << QList<int>{mode, keep, 0, 0} << pt100 << QList<int>{O::round4, keep, keep};
        // Modes 5 and 6 take the type index t, 8 and 9 their compensation byte t + 1. The types run
        // 10, 50, 100, 500, 1000 Ω in four families, then two past the list: ranges 30, 300, 3000 Ω.
        const QByteArray ranges = "0112201122011220112202";
        for (int mode : {5, 6, 8, 9}) {
            for (int t = 0; t < 22; ++t) {
                const int range = O::ref30 + ranges.at(t) - '0';
                QTest::addRow("mode %d, type index %d", mode, t) << QList<int>{mode, keep, t, t + 1} << pt100
                    << QList<int>{mode < 8 ? O::round2 : O::round1, range, range == O::ref3000 ? 2 : 20};
            }
        }
        QTest::newRow("mode 8, no compensation") << QList<int>{8, keep, 0, 0} << pt100 << QList<int>{O::round1, O::ref30, 20};
        const QList<QPair<double, QList<int>>> byR0 = {{2.99, {O::ref3, 200}}, {3.0, {O::ref30, 20}}, {49.9, {O::ref30, 20}},
                                                       {50.0, {O::ref300, 20}}, {499.0, {O::ref300, 20}}, {500.0, {O::ref3000, 2}}};
        for (const auto &e : byR0)
            QTest::addRow("mode 7, МТШ-90 with R0 %g", e.first)
                << QList<int>{7, keep, 0, 0} << QList<double>{0, e.first} << QList<int>{O::round3} + e.second;
        const int featRound[8] = {keep, O::round3, O::round3, O::round3, O::round1, O::round1, O::round2, keep};
        for (int type = 1; type <= 7; ++type) // 7 is no type
            QTest::addRow("mode 7, characteristic type %d", type) << QList<int>{7, keep, 0, 0}
                << QList<double>{double(type), 100} << QList<int>{featRound[type], keep, keep};
        QTest::newRow("mode 7, slot 32 does not exist") << QList<int>{7, keep, 32, 0} << pt100 << untouched;
    }

    void normalisation()
    {
        QFETCH(QList<int>, channel);
        QFETCH(QList<double>, feature);
        QFETCH(QList<int>, after);

        O o;
        QByteArray record(featureZOR70::dataSize, '\0');
        record[0] = char(feature.at(0));
        record.replace(20, 8, QByteArray(reinterpret_cast<const char *>(&feature.at(1)), 8));
        QVERIFY(o.feature[0]->setData(record));
        O::_ch &c = o.ch[9];
        c.mode = channel.at(0);
        c.ref = channel.at(1);
        c.feature = quint8(channel.at(2));
        c.compens = quint8(channel.at(3));
        c.round = c.current = keep;
        signalLog log(&o);
        o.normalize(9);
        QCOMPARE((QList<int>{c.round, c.ref, c.current}), after);
        QCOMPARE(log.entries, after.at(2) == keep ? QStringList() : QStringList{"onChChange(9)"});
    }
};

QTEST_GUILESS_MAIN(test_optionsZOR70)
#include "test_optionsZOR70.moc"
