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
    void setFloatTextStoresEvenOnFailure();
    void bytesOfValue_data();
    void bytesOfValue();
    void takeBytesAtIndex_data();
    void takeBytesAtIndex();
    void word_data();
    void word();
};

void test_byteCodecs::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("floatOk"); // differs where the value exceeds the float range

    QTest::newRow("decimal point") << "3.25" << 3.25 << true << true;
    QTest::newRow("decimal comma, blanks around") << " 3,25 " << 3.25 << true << true;
    QTest::newRow("negative with comma") << "-0,5" << -0.5 << true << true;
    QTest::newRow("exponent") << "1e3" << 1000.0 << true << true;
    QTest::newRow("letters") << "abc" << 0.0 << false << false;
    QTest::newRow("empty") << "" << 0.0 << true << true;
    QTest::newRow("only blanks") << " \t " << 0.0 << true << true;
    QTest::newRow("half-typed minus") << "-" << 0.0 << true << true;
    QTest::newRow("lone unicode minus is not a half-typed minus") << "\u2212" << 0.0 << false << false;
    QTest::newRow("unicode minus before a number") << "\u22123,5" << -3.5 << true << true;
    QTest::newRow("two separators") << "1.2.3" << 0.0 << false << false;
    QTest::newRow("not a number") << "nan" << 0.0 << false << false;
    QTest::newRow("infinity") << "inf" << 0.0 << false << false;
    QTest::newRow("beyond float, within double") << "1e39" << 1e39 << true << false;
    QTest::newRow("beyond double") << "1e400" << 0.0 << false << false;
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
    QCOMPARE(bFloat::str2Float(text), floatOk ? float(value) : 0.0f); // no flag asked
}

void test_byteCodecs::setFloatTextStoresEvenOnFailure()
{
    bFloat f(7.5f);
    QVERIFY(!f.setFloat(QStringLiteral("abc")));
    QCOMPARE(f.value(), 0.0f);
    QVERIFY(f.setFloat(QStringLiteral("2,5")));
    QCOMPARE(f.value(), 2.5f);

    bDouble d(7.5);
    QVERIFY(!d.setDouble(QStringLiteral("x")));
    QCOMPARE(d.value(), 0.0);
}

void test_byteCodecs::bytesOfValue_data()
{
    QTest::addColumn<bool>("isFloat");
    QTest::addColumn<int>("storedMode");
    QTest::addColumn<int>("argumentMode");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("float direct") << true << 2 << 0 << QByteArray::fromHex("0000803F");
    QTest::newRow("float reverse") << true << 1 << 0 << QByteArray::fromHex("3F800000");
    QTest::newRow("float unknown mode is direct") << true << 7 << 0 << QByteArray::fromHex("0000803F");
    QTest::newRow("float argument overrides") << true << 2 << 1 << QByteArray::fromHex("3F800000");
    QTest::newRow("double direct") << false << 2 << 0 << QByteArray::fromHex("000000000000F03F");
    QTest::newRow("double reverse") << false << 1 << 0 << QByteArray::fromHex("3FF0000000000000");
    QTest::newRow("double argument overrides") << false << 1 << 2
                                               << QByteArray::fromHex("000000000000F03F");
}

void test_byteCodecs::bytesOfValue()
{
    QFETCH(bool, isFloat);
    QFETCH(int, storedMode);
    QFETCH(int, argumentMode);
    QFETCH(QByteArray, bytes);

    if (isFloat) {
        const bFloat f(1.0f, bFloat::ReverseByteMode(storedMode));
        QCOMPARE(f.getByte(bFloat::ReverseByteMode(argumentMode)), bytes);
        bFloat back(0, bFloat::ReverseByteMode(storedMode));
        back.setFloat(&bytes, 0, 0, nullptr, bFloat::ReverseByteMode(argumentMode));
        QCOMPARE(back.value(), 1.0f);
    } else {
        const bDouble d(1.0, bDouble::ReverseByteMode(storedMode));
        QCOMPARE(d.getByte(bDouble::ReverseByteMode(argumentMode)), bytes);
        bDouble back(0, bDouble::ReverseByteMode(storedMode));
        back.setDouble(&bytes, 0, 0, nullptr, bDouble::ReverseByteMode(argumentMode));
        QCOMPARE(back.value(), 1.0);
    }
}

void test_byteCodecs::takeBytesAtIndex_data()
{
    QTest::addColumn<int>("arraySize");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("firstByte"); // -1: nothing taken

    // Byte i of the array holds i, so the first byte taken tells the position.
    QTest::newRow("double index 2 offset 4: bytes 20-27") << 28 << 2 << 4 << 20;
    QTest::newRow("double aligned") << 24 << 2 << 0 << 16;
    QTest::newRow("double one byte short") << 27 << 2 << 4 << -1;
    QTest::newRow("double negative position") << 28 << 0 << -4 << -1;
    QTest::newRow("double huge index") << 28 << 0x7FFFFFFF << 0 << -1;
    QTest::newRow("empty array") << 0 << 0 << 0 << -1;
}

void test_byteCodecs::takeBytesAtIndex()
{
    QFETCH(int, arraySize);
    QFETCH(int, index);
    QFETCH(int, offset);
    QFETCH(int, firstByte);

    QByteArray array(arraySize, '\0');
    for (int i = 0; i < arraySize; ++i)
        array[i] = char(i);

    bDouble d(42.0);
    bool ok = false;
    d.setDouble(&array, index, offset, &ok);
    QCOMPARE(ok, firstByte >= 0);
    if (firstByte < 0) {
        QCOMPARE(d.value(), 42.0);
    } else {
        QCOMPARE(d.getByte(), array.mid(firstByte, 8));
        // The float of the same index is 4-byte granular: index * 4 + offset.
        bFloat f;
        f.setFloat(&array, index, offset, &ok);
        QVERIFY(ok);
        QCOMPARE(f.getByte(), array.mid(index * 4 + offset, 4));
    }

    bFloat f(3.0f);
    f.setFloat(nullptr, 0, 0, &ok);
    QVERIFY(!ok);
    QCOMPARE(f.value(), 3.0f);
}

void test_byteCodecs::word_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint32>("word");

    const QByteArray ident = QByteArray::fromHex("0FAA0003") + QByteArray(16, 'x')
                             + QByteArray::fromHex("2A000000");
    QTest::newRow("signature, first byte least significant") << ident << 0 << 0 << 2 << 0x0300AA0Fu;
    QTest::newRow("serial number at index 5") << ident << 5 << 0 << 2 << 42u;
    QTest::newRow("reversed") << ident << 0 << 0 << 1 << 0x0FAA0003u;
    QTest::newRow("offset") << ident << 0 << 1 << 2 << 0x780300AAu;
    QTest::newRow("short: 0") << QByteArray::fromHex("0FAA00") << 0 << 0 << 2 << 0u;
    QTest::newRow("past the end: 0") << ident << 6 << 0 << 2 << 0u;
    QTest::newRow("before the start: 0") << ident << 0 << -1 << 2 << 0u;
}

void test_byteCodecs::word()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, index);
    QFETCH(int, offset);
    QFETCH(int, mode);
    QFETCH(quint32, word);

    QCOMPARE(bWord::getWord(&bytes, index, offset, bWord::ReverseByteMode(mode)), word);
    QCOMPARE(bWord::getWord(nullptr, index, offset, bWord::ReverseByteMode(mode)), 0u);
    if (word != 0 && offset == 0)
        QCOMPARE(bWord::getByte(word, bWord::ReverseByteMode(mode)), bytes.mid(index * 4, 4));
}

QTEST_APPLESS_MAIN(test_byteCodecs)
#include "test_byteCodecs.moc"
