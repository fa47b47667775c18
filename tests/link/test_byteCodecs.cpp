#include "link/bDouble.h"
#include "link/bFloat.h"
#include "link/bWord.h"

#include <QtTest>

// Byte codecs of the instrument images and the number parsers of the dialogs.
class test_byteCodecs : public QObject
{
    Q_OBJECT

private slots:
    void parseNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("taken"); // by "both" parsers, by the "double" one only, or by "none"

        QTest::newRow("decimal point") << "3.25" << 3.25 << "both";
        QTest::newRow("decimal comma, blanks around") << " 3,25 " << 3.25 << "both";
        QTest::newRow("letters") << "abc" << 0.0 << "none";
        QTest::newRow("empty") << "" << 0.0 << "both";
        QTest::newRow("half-typed minus") << "-" << 0.0 << "both";
        QTest::newRow("lone unicode minus is not a half-typed one") << "\u2212" << 0.0 << "none";
        QTest::newRow("not a number") << "nan" << 0.0 << "none";
        QTest::newRow("beyond float, within double") << "1e39" << 1e39 << "double";
    }

    void parseNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, taken);

        bool parsed = taken == "none";
        QCOMPARE(bDouble::str2Double(text, &parsed), value);
        QCOMPARE(parsed, taken != "none");
        bFloat f(7.5f); // the text setter stores the result whatever the outcome
        QCOMPARE(f.setFloat(text), taken == "both");
        QCOMPARE(f.value(), taken == "both" ? float(value) : 0.0f);
    }

    void takeBytes_data()
    {
        QTest::addColumn<QPoint>("at");        // index and offset
        QTest::addColumn<QByteArray>("taken"); // of 28 bytes holding their positions: a double's 8, a float's 4

        QTest::newRow("index 2 offset 4") << QPoint(2, 4) << QByteArray("1415161718191a1b0c0d0e0f");
        QTest::newRow("double one byte past the end") << QPoint(2, 5) << QByteArray("00000000000000000d0e0f10");
        QTest::newRow("float one byte past the end") << QPoint(6, 1) << QByteArray(24, '0');
        QTest::newRow("before the start") << QPoint(0, -1) << QByteArray(24, '0');
        QTest::newRow("double index wrapping to 16 in 32 bits") << QPoint(0x20000002, 0) << QByteArray(24, '0');
        QTest::newRow("float index wrapping to 16 in 32 bits") << QPoint(0x40000004, 0) << QByteArray(24, '0');
    }

    void takeBytes()
    {
        QFETCH(QPoint, at);
        QFETCH(QByteArray, taken);

        const QByteArray array = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b");
        bDouble d; // zero bytes until it takes some
        bFloat f;
        d.setDouble(&array, at.x(), char(at.y()));
        f.setFloat(&array, at.x(), char(at.y()));
        const QByteArray word = bWord::getByte(bWord::getWord(&array, at.x(), char(at.y())));
        QCOMPARE((d.getByte() + f.getByte() + word).toHex(), taken + taken.right(8));
    }

    void byteOrder()
    {
        const QByteArray ident = QByteArray::fromHex("0FAA0003");
        QCOMPARE(bWord::getWord(&ident, 0), 0x0300AA0Fu);
        const QByteArray both = bFloat(1.0f).getByte() + bFloat(1.0f, bFloat::rbmReverse).getByte();
        QCOMPARE(both.toHex(), QByteArray("0000803f3f800000")); // direct, then reversed
    }
};

QTEST_APPLESS_MAIN(test_byteCodecs)
#include "test_byteCodecs.moc"
