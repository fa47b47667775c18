#include "link/zorStreamParser.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(QVector<zorStreamParser::token>)

namespace {

QVector<zorStreamParser::token> feed(zorStreamParser &parser, const QList<QByteArray> &chunks)
{
    QVector<zorStreamParser::token> tokens;
    for (const QByteArray &chunk : chunks)
        parser.append(chunk, tokens);
    return tokens;
}

// A compact picture of the tokens: "m:<ch>:<value>:<dim>", "s:<fields joined by |>" or "o".
QStringList describe(const QVector<zorStreamParser::token> &tokens)
{
    QStringList lines;
    for (const zorStreamParser::token &t : tokens) {
        if (t.type == zorStreamParser::measurement)
            lines << QString("m:%1:%2:%3").arg(t.ch).arg(t.meas, 0, 'g', 10).arg(QChar(t.dim));
        else if (t.type == zorStreamParser::status)
            lines << "s:" + t.fields.join('|');
        else
            lines << "o";
    }
    return lines;
}

} // namespace

class test_zorStreamParser : public QObject
{
    Q_OBJECT
private slots:
    void tokens_data();
    void tokens();
    void statusFieldsKeepEveryByte();
    void longTextWithoutBlankIsDropped();
    void garbageInventsNoReadings_data();
    void garbageInventsNoReadings();
};

void test_zorStreamParser::tokens_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("pending");

    QTest::newRow("reading") << QList<QByteArray>{"3:21.4567D "} << QStringList{"m:3:21.4567:D"} << QByteArray();
    QTest::newRow("split token kept until completed")
        << QList<QByteArray>{"1:20.5D 2:1", "9.25D "} << QStringList{"m:1:20.5:D", "m:2:19.25:D"} << QByteArray();
    QTest::newRow("incomplete rest stays pending")
        << QList<QByteArray>{"1:20.5D 2:1"} << QStringList{"m:1:20.5:D"} << QByteArray("2:1");
    QTest::newRow("no colon: source only") << QList<QByteArray>{"21.5D "} << QStringList{"o"} << QByteArray();
    QTest::newRow("status, three fields") << QList<QByteArray>{"0#a#b# "} << QStringList{"s:0|a|b"} << QByteArray();
    QTest::newRow("status after a colon") << QList<QByteArray>{"4:0#1#2# "} << QStringList{"s:0|1|2"} << QByteArray();
    QTest::newRow("last character is the unit, not a field")
        << QList<QByteArray>{"0#a#b "} << QStringList{"s:0|a"} << QByteArray();
    QTest::newRow("error marker") << QList<QByteArray>{"5:-999999.0= "} << QStringList{"m:5:-999999:="} << QByteArray();
    QTest::newRow("blanks in a row") << QList<QByteArray>{"   1:2.5A   "} << QStringList{"m:1:2.5:A"} << QByteArray();
    QTest::newRow("channel 0 is no reading") << QList<QByteArray>{"0:2.5A "} << QStringList{"o"} << QByteArray();
    QTest::newRow("channel beyond a byte is no reading")
        << QList<QByteArray>{"300:2.5A -1:2.5A "} << QStringList{"o", "o"} << QByteArray();
    QTest::newRow("value that is no number") << QList<QByteArray>{"1:2,5A 1:xA 1:A "} << QStringList{"o", "o", "o"}
                                             << QByteArray();
    QTest::newRow("infinity and NaN are no readings")
        << QList<QByteArray>{"1:infA 1:nanA 1:1e999A "} << QStringList{"o", "o", "o"} << QByteArray();
    QTest::newRow("NUL unit character is no reading") << QList<QByteArray>{QByteArray("1:2.5\0 ", 7)}
                                                        << QStringList{"o"} << QByteArray();
    QTest::newRow("last colon names the channel") << QList<QByteArray>{"7:2:3.5C "} << QStringList{"m:2:3.5:C"}
                                                  << QByteArray();
}

void test_zorStreamParser::tokens()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, pending);
    zorStreamParser parser;
    const QVector<zorStreamParser::token> tokens = feed(parser, chunks);
    QCOMPARE(describe(tokens), expected);
    QCOMPARE(parser.pending(), pending);
    for (const zorStreamParser::token &t : tokens)
        QVERIFY(t.source.endsWith(' ') && !t.source.trimmed().isEmpty());
}

void test_zorStreamParser::statusFieldsKeepEveryByte()
{
    // The registry reads the thermostat and change flags as raw bytes of the fields.
    zorStreamParser parser;
    QVector<zorStreamParser::token> tokens;
    parser.append(QByteArray("0#\x01#\x0f# ", 7), tokens);
    parser.append(QByteArray("98#\x00#\x00# ", 8), tokens);
    QCOMPARE(tokens.size(), 2);
    QCOMPARE(tokens.at(0).fields, (QStringList{"0", QString(QChar(1)), QString(QChar(15))}));
    QCOMPARE(tokens.at(1).fields, (QStringList{"98", QString(QChar(0)), QString(QChar(0))}));
}

void test_zorStreamParser::longTextWithoutBlankIsDropped()
{
    zorStreamParser parser;
    QVector<zorStreamParser::token> tokens;
    QVERIFY(!parser.append(QByteArray(4096, 'x'), tokens));
    QCOMPARE(parser.pending().size(), 4096);
    QVERIFY(!parser.append("y", tokens));
    QVERIFY(parser.pending().isEmpty());
    QVERIFY(parser.append("1:2.5A ", tokens));
    QCOMPARE(describe(tokens), QStringList{"m:1:2.5:A"});
}

void test_zorStreamParser::garbageInventsNoReadings_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("alphabet");
    QTest::newRow("random bytes") << 200000 << QByteArray();
    QTest::newRow("NUL bytes and blanks") << 100000 << QByteArray("\0\0\0 ", 4);
    QTest::newRow("non-ASCII bytes") << 100000 << QByteArray("\xc0\xff\x80\xa0 #:");
    QTest::newRow("1 MB chunk of digits and separators") << (1 << 20) << QByteArray("0123456789.:#- ");
}

void test_zorStreamParser::garbageInventsNoReadings()
{
    QFETCH(int, size);
    QFETCH(QByteArray, alphabet);
    QRandomGenerator random(size);
    QByteArray garbage(size, Qt::Uninitialized);
    for (char &c : garbage)
        c = alphabet.isEmpty() ? char(random.bounded(256)) : alphabet.at(random.bounded(alphabet.size()));

    zorStreamParser parser;
    QVector<zorStreamParser::token> tokens;
    // In pieces of varying size, as a port delivers them, and once whole.
    for (int at = 0; at < garbage.size();) {
        const int piece = 1 + random.bounded(3000);
        parser.append(garbage.mid(at, piece), tokens);
        at += piece;
    }
    parser.append(garbage, tokens);
    QVERIFY(parser.pending().size() <= zorStreamParser::maxPending + 3000);

    // Every reading must be exactly what its token says.
    for (const zorStreamParser::token &t : qAsConst(tokens)) {
        if (t.type != zorStreamParser::measurement)
            continue;
        const QByteArray text = t.source.chopped(2);
        const int colon = text.lastIndexOf(':');
        QVERIFY2(colon > 0, t.source.constData());
        bool ok = false;
        QCOMPARE(text.mid(colon + 1).toDouble(&ok), t.meas);
        QVERIFY(ok);
        QVERIFY(t.ch >= 1);
        QCOMPARE(t.dim, t.source.at(t.source.size() - 2));
    }
}

QTEST_GUILESS_MAIN(test_zorStreamParser)
#include "test_zorStreamParser.moc"
