#include "link/bDouble.h"
#include "link/bFloat.h"
#include "link/bWord.h"

#include <QtTest>

// Byte codecs of the instrument images and the number parsers of the dialogs.
class test_byteCodecs : public QObject
{
    Q_OBJECT

private slots:
    void parseNumber_data();
    void parseNumber();
    void byteOrder();
    void takeBytes_data();
    void takeBytes();
};

void test_byteCodecs::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("floatOk"); // differs beyond the float range

    QTest::newRow("decimal point") << "3.25" << 3.25 << true << true;
    QTest::newRow("decimal comma, blanks around") << " 3,25 " << 3.25 << true << true;
    QTest::newRow("exponent") << "1e3" << 1000.0 << true << true;
    QTest::newRow("letters") << "abc" << 0.0 << false << false;
    QTest::newRow("empty") << "" << 0.0 << true << true;
    QTest::newRow("half-typed minus") << "-" << 0.0 << true << true;
    QTest::newRow("lone unicode minus is not a half-typed one") << "\u2212" << 0.0 << false << false;
    QTest::newRow("unicode minus before a number") << "\u22123,5" << -3.5 << true << true;
    QTest::newRow("not a number") << "nan" << 0.0 << false << false;
    QTest::newRow("infinity") << "inf" << 0.0 << false << false;
    QTest::newRow("beyond float, within double") << "1e39" << 1e39 << true << false;
}

void test_byteCodecs::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, ok);
    QFETCH(bool, floatOk);

    bool parsed = !ok;
    QCOMPARE(bDouble::str2Double(text, &parsed), value);
    QCOMPARE(parsed, ok);
    parsed = !floatOk;
    QCOMPARE(bFloat::str2Float(text, &parsed), floatOk ? float(value) : 0.0f);
    QCOMPARE(parsed, floatOk);

    // The text setter stores the result whatever the outcome.
    bFloat f(7.5f);
    QCOMPARE(f.setFloat(text), floatOk);
    QCOMPARE(f.value(), floatOk ? float(value) : 0.0f);
}

void test_byteCodecs::byteOrder()
{
    const bFloat direct(1.0f), reverse(1.0f, bFloat::rbmReverse), other(1.0f, bFloat::ReverseByteMode(7));
    QCOMPARE(direct.getByte(), QByteArray::fromHex("0000803F"));
    QCOMPARE(reverse.getByte(), QByteArray::fromHex("3F800000"));
    QCOMPARE(other.getByte(), QByteArray::fromHex("0000803F")); // unknown modes are direct
    QCOMPARE(direct.getByte(bFloat::rbmReverse), QByteArray::fromHex("3F800000"));
    QCOMPARE(bDouble(1.0, bDouble::rbmReverse).getByte(), QByteArray::fromHex("3FF0000000000000"));

    const QByteArray ident = QByteArray::fromHex("0FAA0003");
    QCOMPARE(bWord::getWord(&ident, 0), 0x0300AA0Fu);
    QCOMPARE(bWord::getWord(&ident, 0, 0, bWord::rbmReverse), 0x0FAA0003u);
    QCOMPARE(bWord::getByte(0x0300AA0F), ident);
}

void test_byteCodecs::takeBytes_data()
{
    QTest::addColumn<int>("arraySize");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("first"); // position of the first byte taken, -1: nothing

    QTest::newRow("index 2 offset 4: bytes 20-27") << 28 << 2 << 4 << 20;
    QTest::newRow("aligned") << 24 << 2 << 0 << 16;
    QTest::newRow("one byte short") << 27 << 2 << 4 << -1;
    QTest::newRow("before the start") << 28 << 0 << -4 << -1;
    QTest::newRow("huge index") << 28 << 0x7FFFFFFF << 0 << -1;
    QTest::newRow("empty") << 0 << 0 << 0 << -1;
}

void test_byteCodecs::takeBytes()
{
    QFETCH(int, arraySize);
    QFETCH(int, index);
    QFETCH(int, offset);
    QFETCH(int, first);

    QByteArray array(arraySize, '\0');
    for (int i = 0; i < arraySize; ++i)
        array[i] = char(i); // byte i holds i: the bytes taken tell their position

    bDouble d(42.0);
    bool ok = false;
    d.setDouble(&array, index, offset, &ok);
    QCOMPARE(ok, first >= 0);
    QCOMPARE(d.getByte(), first >= 0 ? array.mid(first, 8) : bDouble(42.0).getByte());

    bFloat f(3.0f);
    f.setFloat(nullptr, 0, 0, &ok);
    QVERIFY(!ok);
    QCOMPARE(bWord::getWord(nullptr, 0), 0u);
    if (first < 0)
        return;
    // Floats and words are 4-byte granular: the same bytes as two halves.
    f.setFloat(&array, index * 2 + 1, offset, &ok);
    QCOMPARE(f.getByte(), array.mid(first + 4, 4));
    const QByteArray low = array.mid(first, 4);
    QCOMPARE(bWord::getWord(&array, index * 2, offset), bWord::getWord(&low, 0));
}

QTEST_APPLESS_MAIN(test_byteCodecs)
#include "test_byteCodecs.moc"
