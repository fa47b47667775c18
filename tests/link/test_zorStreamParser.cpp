#include "link/zorStreamParser.h"

#include <QTest>

namespace {

// A compact picture of the tokens: "m:<ch>:<value>:<dim>", "s:<fields joined by |>" or "o".
QStringList describe(const QVector<zorStreamParser::_token> &tokens)
{
    QStringList lines;
    for (const zorStreamParser::_token &t : tokens) {
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
    void tokens_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");

        using C = QList<QByteArray>;
        using E = QStringList;
        QTest::newRow("reading") << C{"3:21.4567D "} << E{"m:3:21.4567:D"};
        QTest::newRow("split token kept until completed") << C{"1:20.5D 2:1", "9.25D "} << E{"m:1:20.5:D", "m:2:19.25:D"};
        QTest::newRow("no colon: source only") << C{"21.5D "} << E{"o"};
        QTest::newRow("status after a colon") << C{"4:0#1#2# "} << E{"s:0|1|2"};
        QTest::newRow("last character is the unit, not a field") << C{"0#a#b "} << E{"s:0|a"};
        QTest::newRow("error marker") << C{"5:-999999.0= "} << E{"m:5:-999999:="};
        QTest::newRow("blanks in a row") << C{"   1:2.5A   "} << E{"m:1:2.5:A"};
        QTest::newRow("channel 0 is no reading") << C{"0:2.5A "} << E{"o"};
        QTest::newRow("channel beyond a byte is no reading") << C{"256:2.5A -1:2.5A "} << E{"o", "o"};
        QTest::newRow("value that is no number") << C{"1:2,5A 1:xA 1:A "} << E{"o", "o", "o"};
        QTest::newRow("two signs are no reading") << C{"5:+-90.0A "} << E{"o"};
        QTest::newRow("infinity and NaN are no readings") << C{"1:infA 1:nanA 1:1e999A "} << E{"o", "o", "o"};
        QTest::newRow("NUL unit character is no reading") << C{QByteArray("1:2.5\0 ", 7)} << E{"o"};
        QTest::newRow("last colon names the channel") << C{"7:2:3.5C "} << E{"m:2:3.5:C"};
        // The registry reads the thermostat and change flags as raw bytes of the fields.
        QTest::newRow("status fields keep every byte")
            << C{QByteArray("0#\x01#\x0f# 98#\0#\0# ", 15)} << E{"s:0|\x01|\x0f", QString::fromLatin1("s:98|\0|\0", 8)};
        const QByteArray full(zorStreamParser::maxPending, 'x');
        QTest::newRow("4096 bytes without a blank are kept") << C{full, " 1:2.5A "} << E{"o", "m:1:2.5:A"};
        QTest::newRow("the 4097th drops them") << C{full, "y", "1:2.5A "} << E{"m:1:2.5:A"};
        // After a failed handshake: an echo "3" ahead of "2:21.4J" is no reading of channel 32.
        QTest::newRow("resync drops up to the next blank") << C{"1:20.5D 2:1", "<resync>", "3", "2:21.4J 4:1.5A "}
                                                           << E{"m:1:20.5:D", "m:4:1.5:A"};
        QTest::newRow("resync keeps a reading of the selector's channel") << C{"<resync>", "3", ":21.6D 4:1.5A "}
                                                                          << E{"m:3:21.6:D", "m:4:1.5:A"};
    }

    void tokens()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, expected);
        zorStreamParser parser;
        QVector<zorStreamParser::_token> tokens;
        for (const QByteArray &chunk : chunks)
            chunk == "<resync>" ? parser.resync() : void(parser.append(chunk, tokens));
        QCOMPARE(describe(tokens), expected);
        QVERIFY(parser.pending().isEmpty());
        for (const zorStreamParser::_token &t : tokens)
            QVERIFY(t.source.endsWith(' ') && !t.source.trimmed().isEmpty());
    }
};

QTEST_GUILESS_MAIN(test_zorStreamParser)
#include "test_zorStreamParser.moc"
