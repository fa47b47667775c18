#include "model/optionsZOR70.h"

#include "link/bWord.h"
#include "model/featureZOR70.h"
#include "tests/model/randomBlocks.h"
#include "tests/model/signalLog.h"

#include <QtTest>

#include <cmath>

// The settings image: block codecs, their guards, the fixed faults and the signals.
class test_optionsZOR70 : public QObject
{
    Q_OBJECT

private slots:
    void blockRoundTrips_data();
    void blockRoundTrips();
    void fullImageRoundTrips_data();
    void fullImageRoundTrips();
    void referenceDataSize_data();
    void referenceDataSize();
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
    void sendCodes_data();
    void sendCodes();
    void dateTimeBlock();
    void devNumberText_data();
    void devNumberText();
    void decoderSignals_data();
    void decoderSignals();
    void triggerSignals_data();
    void triggerSignals();
    void nelinTable_data();
    void nelinTable();
    void nelinShift();
    void hostileBuffers();

private:
    // Everything the image would send or store, plus the fields that are not sent.
    static QByteArray state(const optionsZOR70 &o);
    static void fill(optionsZOR70 &o, randomBlocks &random, quint32 type);
};

QByteArray test_optionsZOR70::state(const optionsZOR70 &o)
{
    QByteArray s = o.getData() + o.getRefData(true) + bWord::getByte(o.devType)
                   + bWord::getByte(o.devNumber) + o.devName.toUtf8() + o.password.toUtf8()
                   + char(o.nameFromNameRead);
    for (double shift : o.nelinShift)
        s += QByteArray::number(shift);
    return s;
}

void test_optionsZOR70::fill(optionsZOR70 &o, randomBlocks &random, quint32 type)
{
    QVERIFY(o.setData(bWord::getByte(type) + random.name() + bWord::getByte(1 + random.bounded(9999)),
                      optionsZOR70::rdIdent));
    QVERIFY(o.setData(random.ref(), optionsZOR70::rdRef));
    if (type == optionsZOR70::typeExtended)
        QVERIFY(o.setData(random.refdU(), optionsZOR70::rdRefdU));
    QVERIFY(o.setData(random.dev(), optionsZOR70::rdDev));
    QVERIFY(o.setData(random.ch(), optionsZOR70::rdCh));
    QVERIFY(o.setData(random.featBlock(), optionsZOR70::rdFeat));
}

void test_optionsZOR70::blockRoundTrips_data()
{
    QTest::addColumn<int>("address");
    QTest::newRow("reference") << int(optionsZOR70::rdRef);
    QTest::newRow("refdU") << int(optionsZOR70::rdRefdU);
    QTest::newRow("device") << int(optionsZOR70::rdDev);
    QTest::newRow("channel") << int(optionsZOR70::rdCh);
    QTest::newRow("characteristic") << int(optionsZOR70::rdFeat);
}

void test_optionsZOR70::blockRoundTrips()
{
    QFETCH(int, address);
    randomBlocks random{quint32(address)};
    optionsZOR70 o;
    o.devType = optionsZOR70::typeExtended;
    for (int i = 0; i < 50; ++i) {
        QByteArray block, back;
        switch (address) {
        case optionsZOR70::rdRef:
            block = random.ref();
            break;
        case optionsZOR70::rdRefdU:
            block = random.refdU();
            break;
        case optionsZOR70::rdDev:
            block = random.dev();
            break;
        case optionsZOR70::rdCh:
            block = random.ch();
            break;
        default:
            block = random.featBlock();
        }
        QVERIFY(o.setData(&block, quint8(address)));
        switch (address) {
        case optionsZOR70::rdRef:
            back = o.getRefData(false);
            break;
        case optionsZOR70::rdRefdU:
            back = o.getRefdUData();
            break;
        case optionsZOR70::rdDev:
            back = o.getDevData();
            break;
        case optionsZOR70::rdCh:
            back = o.getChData();
            break;
        default:
            back = o.getFeatData();
        }
        QCOMPARE(back.toHex(), block.toHex());
    }
}

void test_optionsZOR70::fullImageRoundTrips_data()
{
    QTest::addColumn<quint32>("type");
    QTest::newRow("basic") << optionsZOR70::typeBasic;
    QTest::newRow("extended") << optionsZOR70::typeExtended;
}

void test_optionsZOR70::fullImageRoundTrips()
{
    QFETCH(quint32, type);
    randomBlocks random(type);
    for (int i = 0; i < 20; ++i) {
        const QByteArray image = random.fullImage(type);
        QCOMPARE(image.size(), 11132);
        optionsZOR70 o;
        o.devType = type;
        QVERIFY(o.setData(image));
        QCOMPARE(o.getData().toHex(), image.toHex());

        // The signature inside an image is not taken over.
        optionsZOR70 other;
        other.devType = type ^ 0x10000;
        QVERIFY(other.setData(image));
        QCOMPARE(other.devType, type ^ 0x10000);
        QCOMPARE(other.getData().mid(4), image.mid(4));
    }
}

void test_optionsZOR70::referenceDataSize_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("basic") << optionsZOR70::typeBasic << 1008;
    QTest::newRow("extended") << optionsZOR70::typeExtended << 1124;
    QTest::newRow("unidentified") << 0u << 1008;
}

void test_optionsZOR70::referenceDataSize()
{
    QFETCH(quint32, type);
    QFETCH(int, size);
    optionsZOR70 o;
    o.devType = type;
    QCOMPARE(o.getRefData(true).size(), size);
    QCOMPARE(o.getRefData(false).size(), 1008);
    QCOMPARE(o.getRefData(true).left(1008), o.getRefData(false));
    QCOMPARE(o.getRefData(true).mid(1008), o.getRefdUData());
}

void test_optionsZOR70::wrongLengthChangesNothing_data()
{
    QTest::addColumn<int>("address"); // -1: full image
    QTest::addColumn<int>("length");

    const QList<QPair<const char *, int>> blocks = {
        {"reference", optionsZOR70::rdRef}, {"refdU", optionsZOR70::rdRefdU},
        {"device", optionsZOR70::rdDev},    {"channel", optionsZOR70::rdCh},
        {"characteristic", optionsZOR70::rdFeat}, {"identity", optionsZOR70::rdIdent},
        {"name", optionsZOR70::rdName},     {"full image", -1},
    };
    for (const auto &b : blocks) {
        const int length = b.second < 0 ? optionsZOR70::fullSize : optionsZOR70::readLength(quint8(b.second));
        QTest::addRow("%s, empty", b.first) << b.second << 0;
        QTest::addRow("%s, one short", b.first) << b.second << length - 1;
        QTest::addRow("%s, one over", b.first) << b.second << length + 1;
    }
    // Addresses that are written, never read, and unknown ones: refused at any length.
    for (int address : {0, 1, 4, 6, 9, 10, 0x32, 0x34, 0x80, 0x9F, 0xFE})
        for (int length : {8, 16, 24, 224, 1008})
            QTest::addRow("address 0x%02x, %d bytes", address, length) << address << length;
}

void test_optionsZOR70::wrongLengthChangesNothing()
{
    QFETCH(int, address);
    QFETCH(int, length);

    randomBlocks random(7);
    optionsZOR70 o;
    fill(o, random, optionsZOR70::typeExtended);
    const QByteArray before = state(o);
    signalLog log(&o);

    // A buffer whose prefix is a valid block of that address: only the length is wrong.
    QByteArray buf = (random.fullImage(optionsZOR70::typeExtended) + random.bytes(1)).left(length);
    if (length >= 4)
        buf.replace(0, 4, bWord::getByte(optionsZOR70::typeBasic));
    if (address < 0) {
        QVERIFY(!o.setData(buf));
        QVERIFY(!o.setData(&buf));
    } else {
        QVERIFY(!o.setData(buf, quint8(address)));
        QVERIFY(!o.setData(&buf, quint8(address)));
    }
    QCOMPARE(state(o).toHex(), before.toHex());
    QCOMPARE(log.entries, QStringList());
}

void test_optionsZOR70::identity_data()
{
    QTest::addColumn<quint32>("signature");
    QTest::addColumn<bool>("taken");
    QTest::newRow("basic") << optionsZOR70::typeBasic << true;
    QTest::newRow("extended") << optionsZOR70::typeExtended << true;
    QTest::newRow("unknown variant") << 0x0302AA0Fu << false;
    QTest::newRow("garbage") << 0xFFFFFFFFu << false;
}

void test_optionsZOR70::identity()
{
    QFETCH(quint32, signature);
    QFETCH(bool, taken);

    optionsZOR70 o;
    // Identified before, and the name came from a name-only read.
    QVERIFY(o.setData(bWord::getByte(optionsZOR70::typeBasic) + QByteArray("OLD").leftJustified(16, '\0')
                          + bWord::getByte(7),
                      optionsZOR70::rdIdent));
    QVERIFY(o.setData(QByteArray("Old name").leftJustified(16, '\0'), optionsZOR70::rdName));
    QVERIFY(o.nameFromNameRead);
    signalLog log(&o);

    const QByteArray reply = bWord::getByte(signature) + QByteArray("  ZOR-1\0junk", 12).leftJustified(16, '\0')
                             + bWord::getByte(42);
    QCOMPARE(o.setData(reply, optionsZOR70::rdIdent), taken);
    QCOMPARE(o.devType, taken ? signature : 0u);
    QCOMPARE(o.devNumber, taken ? 42u : 0u);
    QCOMPARE(o.devName, taken ? QString("ZOR-1") : QString());
    QCOMPARE(o.getDevNumberStr(), taken ? QString("0042") : QString("--"));
    QCOMPARE(o.nameFromNameRead, !taken);
    QCOMPARE(log.entries, taken ? QStringList{"onIdentChange"} : QStringList());
    // A foreign instrument must not be written to.
    o.triggerDevChange();
    o.triggerNameChange();
    QCOMPARE(log.entries.count("onDevApply"), taken ? 1 : 0);
}

void test_optionsZOR70::everyScaledByteRoundTrips()
{
    // Corrections A and B and the six temperature coefficients: every byte the
    // instrument can hold must come back unchanged, or each read-and-write
    // cycle would walk its calibration away.
    randomBlocks random(1);
    QByteArray block = random.ref();
    optionsZOR70 o;
    for (int b = 0; b < 256; ++b) {
        block.replace(928, 64, QByteArray(64, char(b)));
        block.replace(1000, 6, QByteArray(6, char(b)));
        QVERIFY(o.setData(block, optionsZOR70::rdRef));
        const QByteArray back = o.getRefData(false);
        for (int i = 0; i < block.size(); ++i)
            if (back.at(i) != block.at(i))
                QFAIL(qPrintable(QString("byte %1 at offset %2 came back as %3")
                                     .arg(b).arg(i).arg(quint8(back.at(i)))));
    }
}

void test_optionsZOR70::everyWordRoundTrips()
{
    randomBlocks random(2);
    QByteArray ref = random.ref();
    QByteArray refdU = random.refdU();
    optionsZOR70 o;
    o.devType = optionsZOR70::typeExtended;
    for (int w = 0; w < 65536; ++w) {
        const char word[2] = {char(w & 0xFF), char(w >> 8)};
        ref.replace(1006, 2, word, 2);
        refdU.replace(0, 2, word, 2);
        o.setData(ref, optionsZOR70::rdRef);
        o.setData(refdU, optionsZOR70::rdRefdU);
        const QByteArray back = o.getRefData(true);
        if (back.mid(1006, 2) != ref.mid(1006, 2) || back.mid(1008, 2) != refdU.left(2))
            QFAIL(qPrintable(QString("word %1 came back as %2").arg(w).arg(back.mid(1006, 4).toHex().constData())));
    }
}

void test_optionsZOR70::scaledFieldsClamp_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("encoded");

    QTest::newRow("A lowest") << "corrA" << -0.0128 << 0;
    QTest::newRow("A highest") << "corrA" << 0.0127 << 255;
    QTest::newRow("A below range clamps") << "corrA" << -1.0 << 0;
    QTest::newRow("A above range clamps, never wraps") << "corrA" << 0.0128 << 255;
    QTest::newRow("A nearest, not truncated") << "corrA" << 0.00009 << 129;
    QTest::newRow("A negative nearest") << "corrA" << -0.00009 << 127;
    QTest::newRow("A not a number reads as 0") << "corrA" << double(NAN) << 128;
    QTest::newRow("B highest") << "corrB" << 0.00127 << 255;
    QTest::newRow("B above range") << "corrB" << 0.5 << 255;
    QTest::newRow("tk lowest") << "tk" << -1.28e-5 << 0;
    QTest::newRow("tk above range") << "tk" << 1.0 << 255;
    QTest::newRow("1e-4 highest") << "d10k" << 3.2767 << 65535;
    QTest::newRow("1e-4 above range") << "d10k" << 4.0 << 65535;
    QTest::newRow("1e-4 below range") << "d10k" << -100.0 << 0;
    QTest::newRow("ratio 1") << "ratio" << 1.0 << 32768;
    QTest::newRow("ratio highest") << "ratio" << 1.0000032767 << 65535;
    QTest::newRow("ratio above range") << "ratio" << 2.0 << 65535;
    QTest::newRow("ratio below range") << "ratio" << 0.0 << 0;
}

void test_optionsZOR70::scaledFieldsClamp()
{
    QFETCH(QString, field);
    QFETCH(double, value);
    QFETCH(int, encoded);

    optionsZOR70 o;
    o.devType = optionsZOR70::typeExtended;
    const QByteArray data = o.getRefData(true);
    int actual = -1;
    if (field == "corrA") {
        o.corrA[31].setValue(value);
        actual = quint8(o.getRefData(false).at(928 + 31));
    } else if (field == "corrB") {
        o.corrB[0].setValue(value);
        actual = quint8(o.getRefData(false).at(960));
    } else if (field == "tk") {
        o.tk[5].setValue(value);
        actual = quint8(o.getRefData(false).at(1005));
    } else if (field == "d10k") {
        o.d10k.setValue(value);
        const QByteArray word = o.getRefData(false).mid(1006);
        actual = quint8(word.at(0)) | quint8(word.at(1)) << 8;
    } else {
        o.k005ma.setValue(value);
        const QByteArray refdU = o.getRefdUData();
        actual = quint8(refdU.at(0)) | quint8(refdU.at(1)) << 8;
    }
    QCOMPARE(actual, encoded);
    QCOMPARE(o.getRefData(true).size(), data.size());
}

void test_optionsZOR70::textsStayInTheirField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("nameBytes");     // bytes 4..19 of the name block
    QTest::addColumn<QByteArray>("passwordBytes"); // bytes 992..999 of the reference block

    QTest::newRow("short") << QString("ЗОР") << QByteArray("\xC7\xCE\xD0").leftJustified(16, '\0')
                           << QByteArray("\xC7\xCE\xD0").leftJustified(8, '\0');
    QTest::newRow("too long: cut at the width")
        << QString("Прибор номер один, склад 4") << QByteArray("\xCF\xF0\xE8\xE1\xEE\xF0 \xED\xEE\xEC\xE5\xF0 \xEE\xE4\xE8")
        << QByteArray("\xCF\xF0\xE8\xE1\xEE\xF0 \xED");
    QTest::newRow("characters Windows-1251 lacks")
        << QString("\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600")
        << QByteArray(9, '?').leftJustified(16, '\0') << QByteArray(8, '?');
}

void test_optionsZOR70::textsStayInTheirField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, nameBytes);
    QFETCH(QByteArray, passwordBytes);

    randomBlocks random(3);
    optionsZOR70 o;
    fill(o, random, optionsZOR70::typeBasic);
    const QByteArray refBefore = o.getRefData(false);
    const QByteArray imageBefore = o.getData();

    o.devName = text;
    o.password = text;
    const QByteArray image = o.getData();
    const QByteArray ref = o.getRefData(false);
    QCOMPARE(image.size(), optionsZOR70::fullSize);
    QCOMPARE(ref.size(), optionsZOR70::refSize);
    QCOMPARE(image.left(4), imageBefore.left(4));
    QCOMPARE(image.mid(4, 16), nameBytes);
    QCOMPARE(image.mid(20), imageBefore.mid(20));
    QCOMPARE(ref.left(992), refBefore.left(992));
    QCOMPARE(ref.mid(992, 8), passwordBytes);
    QCOMPARE(ref.mid(1000), refBefore.mid(1000));
}

void test_optionsZOR70::sendCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("length"); // -1: ignored code, nothing to send

    QTest::newRow("characteristics") << 0 << 10880;
    QTest::newRow("references") << 1 << 1008;
    QTest::newRow("device") << 4 << 8;
    QTest::newRow("clock") << 9 << 8;
    QTest::newRow("refdU") << 10 << 116;
    QTest::newRow("name") << 50 << 20;
    QTest::newRow("serial number") << 52 << 4;
    QTest::newRow("channel block is no send code") << 6 << -1;
    QTest::newRow("unknown") << 99 << -1;
}

void test_optionsZOR70::sendCodes()
{
    QFETCH(int, code);
    QFETCH(int, length);

    randomBlocks random(4);
    optionsZOR70 o;
    fill(o, random, optionsZOR70::typeExtended);
    const QByteArray data = o.getTxData(optionsZOR70::tx_code(code));
    QCOMPARE(data.size(), qMax(length, 0));
    if (length > 0)
        QCOMPARE(optionsZOR70::writeLength(quint8(code)), length);

    // The encoders behind the codes.
    const QMap<int, QByteArray> encoders = {
        {0, o.getFeatData()}, {1, o.getRefData(false)}, {4, o.getDevData()},
        {10, o.getRefdUData()}, {50, o.getNameData()}, {52, o.getSNData()},
    };
    if (encoders.contains(code))
        QCOMPARE(data, encoders.value(code));

    // The basic variant has no refdU block to send.
    o.devType = optionsZOR70::typeBasic;
    if (code == optionsZOR70::txRefdU)
        QVERIFY(o.getTxData(optionsZOR70::txRefdU).isEmpty());
}

void test_optionsZOR70::dateTimeBlock()
{
    const QDateTime time(QDate(2024, 3, 5), QTime(14, 7, 9));
    QCOMPARE(optionsZOR70::getDateTimeData(time), QByteArray::fromHex("0e070900050318 00").replace(" ", ""));
    QCOMPARE(optionsZOR70().getDateTimeData().size(), optionsZOR70::dateTimeSize);
    QCOMPARE(int(optionsZOR70::writeLength(optionsZOR70::txDateTime)), optionsZOR70::dateTimeSize);
}

void test_optionsZOR70::devNumberText_data()
{
    QTest::addColumn<quint32>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("unidentified") << 0u << "--";
    QTest::newRow("42") << 42u << "0042";
    QTest::newRow("four digits") << 1234u << "1234";
    QTest::newRow("more digits") << 123456u << "123456";
}

void test_optionsZOR70::devNumberText()
{
    QFETCH(quint32, number);
    QFETCH(QString, text);
    optionsZOR70 o;
    o.devNumber = number;
    QCOMPARE(o.getDevNumberStr(), text);
}

void test_optionsZOR70::decoderSignals_data()
{
    QTest::addColumn<int>("address"); // -1: full image
    QTest::addColumn<QStringList>("log");

    QStringList features;
    for (int n = 0; n < 32; ++n)
        features << QString("onFeatChange(%1)").arg(n);
    features << "onFeatChange" << "onChChange";

    QTest::newRow("identity") << int(optionsZOR70::rdIdent) << QStringList{"onIdentChange"};
    QTest::newRow("name") << int(optionsZOR70::rdName) << QStringList{"onIdentChange"};
    QTest::newRow("reference") << int(optionsZOR70::rdRef) << QStringList{"onRefChange"};
    QTest::newRow("refdU") << int(optionsZOR70::rdRefdU) << QStringList{"onRefChange"};
    QTest::newRow("device") << int(optionsZOR70::rdDev) << QStringList{"onDevChange"};
    QTest::newRow("channel") << int(optionsZOR70::rdCh) << QStringList{"onChChange"};
    QTest::newRow("characteristic") << int(optionsZOR70::rdFeat) << features;
    QTest::newRow("full image") << -1
                                << QStringList{"onIdentChange", "onDevChange", "onChChange"} + features;
}

void test_optionsZOR70::decoderSignals()
{
    QFETCH(int, address);
    QFETCH(QStringList, log);

    randomBlocks random(5);
    QByteArray block;
    switch (address) {
    case optionsZOR70::rdIdent:
        block = bWord::getByte(optionsZOR70::typeBasic) + random.name() + bWord::getByte(9);
        break;
    case optionsZOR70::rdName: block = random.name(); break;
    case optionsZOR70::rdRef: block = random.ref(); break;
    case optionsZOR70::rdRefdU: block = random.refdU(); break;
    case optionsZOR70::rdDev: block = random.dev(); break;
    case optionsZOR70::rdCh: block = random.ch(); break;
    case optionsZOR70::rdFeat: block = random.featBlock(); break;
    default: block = random.fullImage(optionsZOR70::typeBasic);
    }
    optionsZOR70 o;
    signalLog entries(&o);
    QVERIFY(address < 0 ? o.setData(block) : o.setData(block, quint8(address)));
    QCOMPARE(entries.entries, log);
}

void test_optionsZOR70::triggerSignals_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("index"); // -1: the overload without an index
    QTest::addColumn<quint32>("number");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("channel 5") << "triggerChChange" << 5 << 0u << QStringList{"onChApply", "onChApply(5)"};
    QTest::newRow("channel 31") << "triggerChChange" << 31 << 1u << QStringList{"onChApply", "onChApply(31)"};
    QTest::newRow("channel 32") << "triggerChChange" << 32 << 1u << QStringList();
    QTest::newRow("all channels") << "triggerChChange" << -1 << 0u << QStringList{"onChApply"};
    QTest::newRow("slot 3") << "triggerFeatChange" << 3 << 1u << QStringList{"onFeatApply(3)"};
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

    optionsZOR70 o;
    o.devNumber = number;
    signalLog entries(&o);
    const QByteArray name = slot.toLatin1();
    if (index < 0)
        QVERIFY(QMetaObject::invokeMethod(&o, name.constData()));
    else
        QVERIFY(QMetaObject::invokeMethod(&o, name.constData(), Q_ARG(quint8, quint8(index))));
    QCOMPARE(entries.entries, log);
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
    optionsZOR70 o;
    QVERIFY(o.setData(random.ref(), optionsZOR70::rdRef));
    const QByteArray before = o.getRefData(false);
    signalLog log(&o);

    QCOMPARE(o.setRefNelin(texts, quint8(table)), changed >= 0);
    if (changed < 0) {
        QCOMPARE(o.getRefData(false), before);
        QCOMPARE(log.entries, QStringList());
        return;
    }
    QCOMPARE(log.entries, QStringList{"onRefChange"});
    const double k = changed == 1 ? 625 : 78;
    for (int p = 0; p < 26; ++p) {
        QCOMPARE(o.nelin[changed][p].code.value(), p * 1000.0);
        QCOMPARE(o.nelin[changed][p].value.value(), p + 0.5);
        QCOMPARE(o.nelin[changed][p].mV, p * 1000.0 * k / 8388608.0);
    }
    QCOMPARE(o.nelin[1 - changed][0].code.getByte(), before.mid(changed == 1 ? 96 : 512, 8));
}

void test_optionsZOR70::nelinShift()
{
    optionsZOR70 o;
    o.nelin[1][0].value.setValue(10);
    o.nelin[1][25].value.setValue(-3);
    signalLog log(&o);

    QVERIFY(o.setRefNelinShift("2,5", 1));
    QCOMPARE(o.nelin[1][0].value.value(), 12.5);
    QCOMPARE(o.nelin[1][25].value.value(), -0.5);
    QVERIFY(o.setRefNelinShift("1", 1)); // moves by the change, not by the whole shift
    QCOMPARE(o.nelin[1][0].value.value(), 11.0);
    QVERIFY(!o.setRefNelinShift("1.0", 1)); // unchanged
    QVERIFY(!o.setRefNelinShift("abc", 1));
    QCOMPARE(o.nelin[0][0].value.value(), 0.0); // the other table never moves
    QCOMPARE(log.entries, (QStringList{"onRefChange", "onRefChange"}));

    // A fresh reference block from the instrument starts without a shift.
    QVERIFY(o.setData(QByteArray(1008, '\0'), optionsZOR70::rdRef));
    QCOMPARE(o.nelinShift[1], 0.0);
}

void test_optionsZOR70::hostileBuffers()
{
    // Random garbage of random lengths, near the real lengths half of the time,
    // through every decoding entry point: nothing may crash, and every encoder
    // must still give blocks of their exact lengths afterwards.
    const QList<int> addresses = {2, 3, 5, 7, 11, 0x33, 0xFF, 0, 1, 4, 6, 0x80};
    const QList<int> lengths = {0, 8, 16, 24, 116, 224, 340, 1008, 10880, 11132};
    randomBlocks random(0xBAD);
    optionsZOR70 o;
    for (int i = 0; i < 10000; ++i) {
        int length = int(random.bounded(2)) ? lengths.at(int(random.bounded(lengths.size())))
                                                  + int(random.bounded(3)) - 1
                                            : int(random.bounded(12000));
        QByteArray buf = random.bytes(qMax(0, length));
        const quint8 address = random.bounded(4) ? quint8(addresses.at(int(random.bounded(addresses.size()))))
                                                 : quint8(random.bounded(256));
        switch (i % 5) {
        case 0: o.setData(&buf, address); break;
        case 1: o.setData(buf, address); break;
        case 2: o.setData(&buf); break;
        case 3: o.setData(buf); break;
        default: o.feature[i % 32]->setData(buf);
        }
    }
    QVERIFY(!o.setData(nullptr, optionsZOR70::rdRef));
    QVERIFY(!o.setData(static_cast<QByteArray *>(nullptr)));

    QCOMPARE(o.getData().size(), optionsZOR70::fullSize);
    QCOMPARE(o.getRefData(false).size(), optionsZOR70::refSize);
    QCOMPARE(o.getChData().size(), optionsZOR70::chSize);
    QVERIFY(o.getChCount() >= 1 && o.getChCount() <= 32);
    for (quint8 c = 0; c < 32; ++c)
        o.normalize(c);
}

QTEST_GUILESS_MAIN(test_optionsZOR70)
#include "test_optionsZOR70.moc"
