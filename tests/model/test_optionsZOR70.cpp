#include "model/optionsZOR70.h"

#include "link/bWord.h"
#include "model/featureZOR70.h"
#include "tests/model/randomBlocks.h"
#include "tests/model/signalLog.h"

#include <QtTest>

#include <cmath>

using O = optionsZOR70;

// The settings image: block codecs, their guards, the mended faults and the signals.
class test_optionsZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void blockRoundTrips_data();
    void blockRoundTrips();
    void sendCodesAndSizes();
    void wrongLengthChangesNothing_data();
    void wrongLengthChangesNothing();
    void identity_data();
    void identity();
    void everyScaledByteRoundTrips();
    void everyWordRoundTrips();
    void scaledFieldsClamp_data();
    void scaledFieldsClamp();
    void textsStayInTheirField_data();
    void textsStayInTheirField();
    void decoderSignals_data();
    void decoderSignals();
    void triggerSignals_data();
    void triggerSignals();
    void nelinTable_data();
    void nelinTable();
    void nelinShift();
    void hostileBuffers();

private:
    static QByteArray encoded(const O &o, int address);
    // Everything the image would send or store, plus the identity and the shifts.
    static QByteArray state(const O &o);
    static void fill(O &o, randomBlocks &random);
};

QByteArray test_optionsZOR70::encoded(const O &o, int address)
{
    switch (address) {
    case O::rdRef: return o.getRefData(false);
    case O::rdRefdU: return o.getRefdUData();
    case O::rdDev: return o.getDevData();
    case O::rdCh: return o.getChData();
    case O::rdFeat: return o.getFeatData();
    }
    return o.getData();
}

QByteArray test_optionsZOR70::state(const O &o)
{
    return o.getData() + o.getRefData(true) + bWord::getByte(o.devType) + bWord::getByte(o.devNumber)
           + o.devName.toUtf8() + char(o.nameFromNameRead) + QByteArray::number(o.nelinShift[0])
           + QByteArray::number(o.nelinShift[1]);
}

void test_optionsZOR70::fill(O &o, randomBlocks &random)
{
    for (quint8 address : {O::rdIdent, O::rdRef, O::rdRefdU, O::rdDev, O::rdCh, O::rdFeat})
        QVERIFY(o.setData(random.block(address, O::typeExtended), address));
    o.setRefNelinShift("1", 1);
}

void test_optionsZOR70::blockRoundTrips_data()
{
    QTest::addColumn<int>("address"); // -1: full image
    QTest::newRow("reference") << int(O::rdRef);
    QTest::newRow("refdU") << int(O::rdRefdU);
    QTest::newRow("device") << int(O::rdDev);
    QTest::newRow("channel") << int(O::rdCh);
    QTest::newRow("characteristic") << int(O::rdFeat);
    QTest::newRow("full image") << -1;
}

void test_optionsZOR70::blockRoundTrips()
{
    QFETCH(int, address);
    randomBlocks random{quint32(address)};
    O o;
    o.devType = O::typeExtended;
    for (int i = 0; i < 30; ++i) {
        const QByteArray block = address < 0 ? random.fullImage(O::typeExtended) : random.block(quint8(address));
        QVERIFY(address < 0 ? o.setData(block) : o.setData(block, quint8(address)));
        QCOMPARE(encoded(o, address).toHex(), block.toHex());
    }
    if (address < 0) { // the signature inside an image is not taken over
        o.devType = O::typeBasic;
        QVERIFY(o.setData(random.fullImage(O::typeExtended)));
        QCOMPARE(o.devType, O::typeBasic);
    }
}

void test_optionsZOR70::sendCodesAndSizes()
{
    randomBlocks random(4);
    O o;
    fill(o, random);
    QCOMPARE(o.getData().size(), 11132);
    QCOMPARE(o.getRefData(true).size(), 1124);
    QCOMPARE(o.getRefData(true), o.getRefData(false) + o.getRefdUData());
    for (quint8 code : {O::txFeat, O::txRef, O::txDev, O::txDateTime, O::txRefdU, O::txName, O::txSN})
        QCOMPARE(o.getTxData(O::tx_code(code)).size(), O::writeLength(code));
    QCOMPARE(o.getTxData(O::tx_code(O::chWriteAddress)), QByteArray()); // written directly
    QCOMPARE(O::writeLength(O::chWriteAddress), o.getChData().size());
    QCOMPARE(O::writeLength(O::featWriteAddress + 31), o.feature[31]->getData().size());
    QCOMPARE(O::writeLength(O::featWriteAddress + 32), -1);

    // The basic variant has no refdU block.
    o.devType = O::typeBasic;
    QCOMPARE(o.getRefData(true).size(), 1008);
    QVERIFY(o.getTxData(O::txRefdU).isEmpty());

    QCOMPARE(O::getDateTimeData(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))),
             QByteArray::fromHex("0E07090005031800"));
    o.devNumber = 42;
    QCOMPARE(o.getDevNumberStr(), QString("0042"));
    o.devNumber = 0;
    QCOMPARE(o.getDevNumberStr(), QString("--"));
}

void test_optionsZOR70::wrongLengthChangesNothing_data()
{
    QTest::addColumn<int>("address"); // -1: full image
    QTest::addColumn<int>("length");

    const QList<QPair<const char *, int>> blocks = {
        {"reference", O::rdRef}, {"refdU", O::rdRefdU}, {"device", O::rdDev}, {"channel", O::rdCh},
        {"characteristic", O::rdFeat}, {"identity", O::rdIdent}, {"name", O::rdName}, {"full image", -1}};
    for (const auto &b : blocks) {
        const int length = b.second < 0 ? O::fullSize : O::readLength(quint8(b.second));
        QTest::addRow("%s, empty", b.first) << b.second << 0;
        QTest::addRow("%s, one short", b.first) << b.second << length - 1;
        QTest::addRow("%s, one over", b.first) << b.second << length + 1;
    }
    // Write-only and unknown addresses are refused at any length.
    for (int address : {0, 1, 4, 6, 9, 10, 0x32, 0x34, 0x80, 0xFE})
        for (int length : {8, 16, 24, 224, 1008})
            QTest::addRow("address 0x%02x, %d bytes", address, length) << address << length;
}

void test_optionsZOR70::wrongLengthChangesNothing()
{
    QFETCH(int, address);
    QFETCH(int, length);

    randomBlocks random(7);
    O o;
    fill(o, random);
    const QByteArray before = state(o);
    signalLog log(&o);

    // A valid block of the address, cut or extended: only the length is wrong.
    const QByteArray valid = address < 0 ? random.fullImage(O::typeBasic) : random.block(quint8(address));
    QByteArray buf = (valid + random.bytes(1)).left(length);
    QVERIFY(address < 0 ? !o.setData(buf) && !o.setData(&buf)
                        : !o.setData(buf, quint8(address)) && !o.setData(&buf, quint8(address)));
    QCOMPARE(state(o).toHex(), before.toHex());
    QCOMPARE(log.entries, QStringList());
}

void test_optionsZOR70::identity_data()
{
    QTest::addColumn<quint32>("signature");
    QTest::addColumn<bool>("taken");
    QTest::newRow("basic") << O::typeBasic << true;
    QTest::newRow("extended") << O::typeExtended << true;
    QTest::newRow("unknown variant") << 0x0302AA0Fu << false;
    QTest::newRow("garbage") << 0xFFFFFFFFu << false;
}

void test_optionsZOR70::identity()
{
    QFETCH(quint32, signature);
    QFETCH(bool, taken);

    O o; // identified before, with a name from a name-only read
    QVERIFY(o.setData(bWord::getByte(O::typeBasic) + QByteArray(16, 'a') + bWord::getByte(7), O::rdIdent));
    QVERIFY(o.setData(QByteArray("Old\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), O::rdName));
    QVERIFY(o.nameFromNameRead);
    signalLog log(&o);

    const QByteArray reply = bWord::getByte(signature) + QByteArray("  ZOR-1\0junk\0\0\0\0", 16) + bWord::getByte(42);
    QCOMPARE(o.setData(reply, O::rdIdent), taken);
    QCOMPARE(o.devType, taken ? signature : 0u);
    QCOMPARE(o.devNumber, taken ? 42u : 0u);
    QCOMPARE(o.devName, taken ? QString("ZOR-1") : QString());
    QCOMPARE(o.nameFromNameRead, !taken);
    // A foreign instrument is left unidentified, so nothing is written to it.
    o.triggerDevChange();
    QCOMPARE(log.entries, taken ? QStringList({"onIdentChange", "onDevApply"}) : QStringList());
}

void test_optionsZOR70::everyScaledByteRoundTrips()
{
    // Corrections A and B and the six temperature coefficients: every byte must
    // come back unchanged, or each read-and-write cycle would walk the
    // instrument's calibration away.
    randomBlocks random(1);
    QByteArray block = random.block(O::rdRef);
    O o;
    for (int b = 0; b < 256; ++b) {
        block.replace(928, 64, QByteArray(64, char(b)));
        block.replace(1000, 6, QByteArray(6, char(b)));
        QVERIFY(o.setData(block, O::rdRef));
        const QByteArray back = o.getRefData(false);
        for (int i = 0; i < block.size(); ++i)
            if (back.at(i) != block.at(i))
                QFAIL(qPrintable(QString("byte %1 at %2 came back as %3").arg(b).arg(i).arg(quint8(back.at(i)))));
    }
}

void test_optionsZOR70::everyWordRoundTrips()
{
    randomBlocks random(2);
    QByteArray ref = random.block(O::rdRef);
    QByteArray refdU = random.block(O::rdRefdU);
    O o;
    o.devType = O::typeExtended;
    for (int w = 0; w < 65536; ++w) {
        const char word[2] = {char(w & 0xFF), char(w >> 8)};
        ref.replace(1006, 2, word, 2);
        refdU.replace(0, 2, word, 2);
        o.setData(ref, O::rdRef);
        o.setData(refdU, O::rdRefdU);
        const QByteArray back = o.getRefData(true).mid(1006, 4);
        if (back != QByteArray(word, 2) + QByteArray(word, 2))
            QFAIL(qPrintable(QString("word %1 came back as %2").arg(w).arg(back.toHex().constData())));
    }
}

void test_optionsZOR70::scaledFieldsClamp_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("encoded");

    QTest::newRow("A lowest") << "A" << -0.0128 << 0;
    QTest::newRow("A highest") << "A" << 0.0127 << 255;
    QTest::newRow("A above the range clamps, never wraps") << "A" << 0.0128 << 255;
    QTest::newRow("A below the range") << "A" << -1.0 << 0;
    QTest::newRow("A to the nearest, not truncated") << "A" << 0.00009 << 129;
    QTest::newRow("A not a number reads as 0") << "A" << double(NAN) << 128;
    QTest::newRow("B above the range") << "B" << 0.5 << 255;
    QTest::newRow("temperature coefficient below") << "tk" << -1.0 << 0;
    QTest::newRow("1e-4 highest") << "d10k" << 3.2767 << 65535;
    QTest::newRow("1e-4 above the range") << "d10k" << 4.0 << 65535;
    QTest::newRow("1e-4 below the range") << "d10k" << -100.0 << 0;
    QTest::newRow("ratio 1") << "ratio" << 1.0 << 32768;
    QTest::newRow("ratio highest") << "ratio" << 1.0000032767 << 65535;
    QTest::newRow("ratio above the range") << "ratio" << 2.0 << 65535;
    QTest::newRow("ratio below the range") << "ratio" << 0.0 << 0;
}

void test_optionsZOR70::scaledFieldsClamp()
{
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(int, encoded);

    O o;
    o.devType = O::typeExtended;
    const QMap<QString, QPair<bDouble *, int>> fields = {
        {"A", {&o.corrA[31], 928 + 31}}, {"B", {&o.corrB[0], 960}}, {"tk", {&o.tk[5], 1005}},
        {"d10k", {&o.d10k, 1006}},       {"ratio", {&o.k005ma, 1008}}};
    fields.value(field).first->setValue(value);
    const QByteArray data = o.getRefData(true) + '\0';
    const int at = fields.value(field).second;
    const int wide = field == "d10k" || field == "ratio";
    QCOMPARE(quint8(data.at(at)) | (wide ? quint8(data.at(at + 1)) << 8 : 0), encoded);
}

void test_optionsZOR70::textsStayInTheirField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("nameBytes");     // bytes 4..19 of the name block
    QTest::addColumn<QByteArray>("passwordBytes"); // bytes 992..999 of the reference block

    QTest::newRow("short") << QString("ЗОР") << QByteArray("\xC7\xCE\xD0").leftJustified(16, '\0')
                           << QByteArray("\xC7\xCE\xD0").leftJustified(8, '\0');
    QTest::newRow("too long: cut at the width")
        << QString("Прибор номер один, склад 4")
        << QByteArray("\xCF\xF0\xE8\xE1\xEE\xF0 \xED\xEE\xEC\xE5\xF0 \xEE\xE4\xE8") << QByteArray("\xCF\xF0\xE8\xE1\xEE\xF0 \xED");
    QTest::newRow("characters Windows-1251 lacks") << QString(9, QChar(0x4E2D)) + "\U0001F600"
                                                   << QByteArray(10, '?').leftJustified(16, '\0') << QByteArray(8, '?');
}

void test_optionsZOR70::textsStayInTheirField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, nameBytes);
    QFETCH(QByteArray, passwordBytes);

    randomBlocks random(3);
    O o;
    fill(o, random);
    const QByteArray imageBefore = o.getData(), refBefore = o.getRefData(true);
    o.devName = text;
    o.password = text;
    const QByteArray image = o.getData(), ref = o.getRefData(true);
    QCOMPARE(image, imageBefore.left(4) + nameBytes + imageBefore.mid(20));
    QCOMPARE(ref, refBefore.left(992) + passwordBytes + refBefore.mid(1000));
}

void test_optionsZOR70::decoderSignals_data()
{
    QTest::addColumn<int>("address"); // -1: full image
    QTest::addColumn<QStringList>("log");

    QStringList features;
    for (int n = 0; n < 32; ++n)
        features << QString("onFeatChange(%1)").arg(n);
    features << "onFeatChange" << "onChChange";
    QTest::newRow("identity") << int(O::rdIdent) << QStringList{"onIdentChange"};
    QTest::newRow("name") << int(O::rdName) << QStringList{"onIdentChange"};
    QTest::newRow("reference") << int(O::rdRef) << QStringList{"onRefChange"};
    QTest::newRow("refdU") << int(O::rdRefdU) << QStringList{"onRefChange"};
    QTest::newRow("device") << int(O::rdDev) << QStringList{"onDevChange"};
    QTest::newRow("channel") << int(O::rdCh) << QStringList{"onChChange"};
    QTest::newRow("characteristic") << int(O::rdFeat) << features;
    QTest::newRow("full image") << -1 << QStringList{"onIdentChange", "onDevChange", "onChChange"} + features;
}

void test_optionsZOR70::decoderSignals()
{
    QFETCH(int, address);
    QFETCH(QStringList, log);

    randomBlocks random(5);
    O o;
    signalLog entries(&o);
    QVERIFY(address < 0 ? o.setData(random.fullImage(O::typeBasic))
                        : o.setData(random.block(quint8(address)), quint8(address)));
    QCOMPARE(entries.entries, log);
}

void test_optionsZOR70::triggerSignals_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("index"); // -1: the overload without an index
    QTest::addColumn<quint32>("number");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("channel 5") << "triggerChChange" << 5 << 0u << QStringList{"onChApply", "onChApply(5)"};
    QTest::newRow("channel 32") << "triggerChChange" << 32 << 1u << QStringList();
    QTest::newRow("all channels") << "triggerChChange" << -1 << 0u << QStringList{"onChApply"};
    QTest::newRow("slot 31") << "triggerFeatChange" << 31 << 1u << QStringList{"onFeatApply(31)"};
    QTest::newRow("slot 32") << "triggerFeatChange" << 32 << 1u << QStringList();
    QTest::newRow("all slots") << "triggerFeatChange" << -1 << 0u << QStringList{"onFeatApply"};
    QTest::newRow("device, unidentified") << "triggerDevChange" << -1 << 0u << QStringList();
    QTest::newRow("device") << "triggerDevChange" << -1 << 7u << QStringList{"onDevApply"};
    QTest::newRow("serial number, unidentified") << "triggerSNChange" << -1 << 0u << QStringList{"onSNApply"};
    QTest::newRow("name, unidentified") << "triggerNameChange" << -1 << 0u << QStringList();
    QTest::newRow("name") << "triggerNameChange" << -1 << 7u << QStringList{"onNameApply"};
    QTest::newRow("references, unidentified") << "triggerRefChange" << -1 << 0u << QStringList{"onRefChange"};
    QTest::newRow("references") << "triggerRefChange" << -1 << 7u << QStringList{"onRefApply", "onRefChange"};
    QTest::newRow("clock, unidentified") << "triggerDateTime" << -1 << 0u << QStringList{"onDateTimeApply"};
}

void test_optionsZOR70::triggerSignals()
{
    QFETCH(QString, slot);
    QFETCH(int, index);
    QFETCH(quint32, number);
    QFETCH(QStringList, log);

    O o;
    o.devNumber = number;
    signalLog entries(&o);
    const QByteArray name = slot.toLatin1();
    QVERIFY(index < 0 ? QMetaObject::invokeMethod(&o, name.constData())
                      : QMetaObject::invokeMethod(&o, name.constData(), Q_ARG(quint8, quint8(index))));
    QCOMPARE(entries.entries, log);

    entries.entries.clear(); // a record's own requests come out with its slot number
    emit o.feature[4]->onApply();
    QCOMPARE(entries.entries, QStringList{"onFeatApply(4)"});
}

void test_optionsZOR70::nelinTable_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("changed"); // the table that takes the values, -1: none
    QTest::addColumn<QStringList>("texts");

    QStringList good;
    for (int p = 0; p < 26; ++p)
        good << QString::number(p * 1000) << QString("%1,5").arg(p);
    QStringList bad = good;
    bad[41] = "x";
    QTest::newRow("table 0") << 0 << 0 << good;
    QTest::newRow("table 1") << 1 << 1 << good;
    QTest::newRow("any other number is table 0") << 7 << 0 << good;
    QTest::newRow("one bad text") << 1 << -1 << bad;
    QTest::newRow("one text short") << 1 << -1 << QStringList(good.mid(1));
}

void test_optionsZOR70::nelinTable()
{
    QFETCH(int, table);
    QFETCH(int, changed);
    QFETCH(QStringList, texts);

    randomBlocks random(6);
    O o;
    QVERIFY(o.setData(random.block(O::rdRef), O::rdRef));
    const QByteArray before = o.getRefData(false);
    signalLog log(&o);

    QCOMPARE(o.setRefNelin(texts, quint8(table)), changed >= 0);
    QCOMPARE(log.entries, changed >= 0 ? QStringList{"onRefChange"} : QStringList());
    if (changed < 0) {
        QCOMPARE(o.getRefData(false), before);
        return;
    }
    for (int p = 0; p < 26; ++p) {
        QCOMPARE(o.nelin[changed][p].code.value(), p * 1000.0);
        QCOMPARE(o.nelin[changed][p].value.value(), p + 0.5);
        QCOMPARE(o.nelin[changed][p].mV, p * 1000.0 * (changed ? 625 : 78) / 8388608.0);
    }
    QCOMPARE(o.nelin[1 - changed][0].code.getByte(), before.mid(changed ? 96 : 512, 8));
}

void test_optionsZOR70::nelinShift()
{
    O o;
    o.nelin[1][0].value.setValue(10);
    o.nelin[1][25].value.setValue(-3);
    signalLog log(&o);

    QVERIFY(o.setRefNelinShift("2,5", 1));
    QCOMPARE(o.nelin[1][25].value.value(), -0.5);
    QVERIFY(o.setRefNelinShift("1", 1)); // moves by the change of the shift
    QCOMPARE(o.nelin[1][0].value.value(), 11.0);
    QVERIFY(!o.setRefNelinShift("1.0", 1));
    QVERIFY(!o.setRefNelinShift("abc", 1));
    QCOMPARE(o.nelin[0][0].value.value(), 0.0);
    QCOMPARE(log.entries, (QStringList{"onRefChange", "onRefChange"}));

    QVERIFY(o.setData(QByteArray(1008, '\0'), O::rdRef)); // a fresh read starts unshifted
    QCOMPARE(o.nelinShift[1], 0.0);
}

void test_optionsZOR70::hostileBuffers()
{
    // Garbage of random lengths, near the real lengths half of the time, through
    // every decoding entry point: nothing may crash, and the encoders must still
    // give blocks of their exact lengths.
    const QList<int> addresses = {2, 3, 5, 7, 11, 0x33, 0xFF, 0, 1, 4, 6, 0x80};
    const QList<int> lengths = {0, 8, 16, 24, 116, 224, 340, 1008, 10880, 11132};
    randomBlocks random(0xBAD);
    O o;
    for (int i = 0; i < 10000; ++i) {
        const int length = random.bounded(2) ? lengths.at(int(random.bounded(lengths.size()))) + int(random.bounded(3)) - 1
                                             : int(random.bounded(12000));
        QByteArray buf = random.bytes(qMax(0, length));
        const quint8 address = quint8(random.bounded(4) ? addresses.at(int(random.bounded(addresses.size())))
                                                        : int(random.bounded(256)));
        switch (i % 5) {
        case 0: o.setData(&buf, address); break;
        case 1: o.setData(buf, address); break;
        case 2: o.setData(&buf); break;
        case 3: o.setData(buf); break;
        default: o.feature[i % 32]->setData(buf);
        }
    }
    QVERIFY(!o.setData(nullptr, O::rdRef));
    QVERIFY(!o.setData(static_cast<QByteArray *>(nullptr)));
    QCOMPARE(o.getData().size(), O::fullSize);
    QCOMPARE(o.getRefData(false).size(), O::refSize);
    QVERIFY(o.getChCount() >= 1 && o.getChCount() <= 32);
    for (quint8 c = 0; c < 32; ++c)
        o.normalize(c);
}

QTEST_GUILESS_MAIN(test_optionsZOR70)
#include "test_optionsZOR70.moc"
