#include "results/zorDecimalText.h"
#include "results/zorResultExport.h"
#include "results/zorResultLayout.h"
#include "results/zorResultReader.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

using Channels = QVector<zorResultExport::_channel>;
Q_DECLARE_METATYPE(Channels)

namespace {

// A channel whose points are time=value pairs, e.g. "0=1 5=2.5".
zorResultExport::_channel channel(const QString &points)
{
    zorResultExport::_channel c;
    for (const QString &point : points.split(' ')) {
        c.time << point.section('=', 0, 0).toDouble();
        c.meas << point.section('=', 1).toDouble();
    }
    c.plottedStart = c.time.value(0);
    c.dim = "°С";
    return c;
}

// A results file of the current layout with separator s: a header over the units
// given, then the rows, written with '_' for the separator and '|' between rows.
QByteArray layout(const QString &s, const QStringList &units, const QString &rows = QString())
{
    QString text = "Начало измерений. Дата 05.03.2024 Время 09:08:07" + s + "\r\n\r\n№" + s + "dT" + s;
    for (int ch = 1; ch <= units.size(); ++ch)
        text += QString("Канал %1").arg(ch) + s;
    text += "\r\n " + s + "[c]" + s + "[" + units.join("]" + s + "[") + "]" + s + "\r\n";
    text += rows.isEmpty() ? QString() : QString(rows).replace('_', s).replace('|', "\r\n") + "\r\n";
    return zorResultLayout::codec()->fromUnicode(text);
}

// Writes the whole export, or slice by slice when slices is given (the count lands there).
QByteArray exported(const Channels &channels, const zorResultLayout &layout, int period, int *slices = nullptr)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    zorResultExport job(QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)), channels, layout, period);
    job.begin(&out);
    while (slices && !job.run(QDeadlineTimer(1)))
        ++*slices;
    job.run();
    return out.data();
}

// A device that fails once failAt bytes are read, as a file on a lost share does.
class failingBuffer : public QBuffer
{
public:
    qint64 failAt = -1;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        if (failAt < 0)
            return QBuffer::readData(data, max);
        if (pos() >= failAt) {
            setErrorString("Input/output error");
            return -1;
        }
        return QBuffer::readData(data, qMin(max, failAt - pos()));
    }
};

// What a file gives back: "error n", or "start [separator] units" then per channel
// with points " | channel: time=value ...", then what was not read.
QString readAll(const QByteArray &bytes, qint64 failAt = -1)
{
    failingBuffer in;
    in.failAt = failAt;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    zorResultReader reader(&in);
    const int error = reader.readHeader();
    if (error != zorResultReader::readOk)
        return QString("error %1").arg(error);
    QMap<int, QStringList> points;
    reader.run([&](int ch, double t, double v) {
        points[ch] << QString::number(t, 'g', 15) + '=' + QString::number(v, 'g', 15);
    });
    QString text = reader.start().toString("dd.MM.yyyy hh:mm:ss [") + QChar(reader.separator()) + "] "
        + reader.units().join(',');
    for (auto it = points.cbegin(); it != points.cend(); ++it)
        text += QString(" | %1: %2").arg(it.key()).arg(it.value().join(' '));
    if (!reader.failure().isEmpty())
        text += " | failed: " + reader.failure();
    if (reader.columnsLeftOut() > 0)
        text += QString(" | left out %1").arg(reader.columnsLeftOut());
    return text;
}

} // namespace

// The results file without a window: the fixed-point text of values, the layout the
// export writes (byte for byte), and reading files back, from files the program wrote
// to garbage.
class test_zorResultFile : public QObject
{
    Q_OBJECT

private slots:
    void decimalTextAsQt_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<int>("decimals");
        QTest::newRow("halves away from zero, carries, around zero")
            << QVector<double>{0.125, -0.125, 2.5, 1.0625, 0.005, 9.999, -9.996, 999999.99999, -0.0, -0.001, -0.004} << 2;
        QTest::newRow("halves at no decimals") << QVector<double>{0.5, 1.5, 2.5, -2.5} << 0;
        QTest::newRow("large, tiny, not finite")
            << QVector<double>{1e17, -1e300, 5e-324, 922337203685.4775, -0.00000005, qInf(), -qInf(), qQNaN()} << 7;
        QVector<double> random;
        QRandomGenerator generator(7);
        for (int i = 0; i < 20000; ++i)
            random << (generator.generateDouble() - 0.5) * std::pow(10.0, generator.bounded(-3, 7));
        QTest::newRow("random, 4 decimals") << random << 4;
    }

    void decimalTextAsQt()
    {
        QFETCH(QVector<double>, values);
        QFETCH(int, decimals);
        char text[zorDecimalText::maxChars];
        for (double v : values)
            QCOMPARE(QByteArray(text, int(zorDecimalText::write(text, v, decimals) - text)),
                     QString::number(v, 'f', decimals).toLatin1());
    }

    void exportLayout_data()
    {
        QTest::addColumn<Channels>("channels");
        QTest::addColumn<QString>("options"); // field separator, decimal separator ('_': the system's), decimals
        QTest::addColumn<int>("period");
        QTest::addColumn<QByteArray>("expected");
        const QStringList two = {"°С", "°С"};

        QTest::newRow("channel 2 starts 5 s earlier: its times drive the rows")
            << Channels{channel("5=1 10=2 15=3"), channel("0=10 5=11 10=12 15=13.5")} << ";_4" << 0
            << layout(";", two, "1_0_--_10.0000_|2_5_1.0000_11.0000_|3_10_2.0000_12.0000_|4_15_3.0000_13.5000_");
        QTest::newRow("period 1 min, points every 20 s: rows at 0, 80, 160 s")
            << Channels{channel("0=0 20=20 40=40 60=60 80=80 100=100 120=120 140=140 160=160 180=180 200=200")}
            << ";_4" << 1 << layout(";", {"°С"}, "1_0_0.0000_|2_80_80.0000_|3_160_160.0000_");
        Channels rejected{channel("0=1 1=2"), channel("0=5 1=6")};
        rejected[1].pointError = true;
        QTest::newRow("last reading rejected: the whole column reads --")
            << rejected << ";_4" << 0 << layout(";", two, "1_0_1.0000_--_|2_1_2.0000_--_");
        QTest::newRow("comma between fields keeps the decimal point, even when a comma is asked for")
            << Channels{channel("0=12.3456")} << ",,4" << 0 << layout(",", {"°С"}, "1_0_12.3456_");
        Channels ohms{channel("0.4=100.12345 1.6=99.5")};
        ohms[0].dim = "Ω";
        QTest::newRow("ohms are written Ом; a decimal comma")
            << ohms << ";,3" << 0 << layout(";", {"Ом"}, "1_0_100,123_|2_2_99,500_");
        QTest::newRow("the last row carries the reference's last value; a channel that ended reads --")
            << Channels{channel("0=1 1=2 2=3.25"), channel("0=7 1=8")} << "\t.0" << 0
            << layout("\t", two, "1_0_1.00_7.00_|2_1_2.00_8.00_|3_2_3.25_--_");
        QTest::newRow("a value between two points is the earlier one, at a point's time that point")
            << Channels{channel("0=1 10=2 20=3"), channel("1=5 9=6 11=7 20=8")} << " _2" << 0
            << layout(" ", two, "1_0_1.00_--_|2_10_2.00_6.00_|3_20_3.00_8.00_");
        Channels linked{channel("0=1 1=2 2=3"), channel("1=5 2=6")};
        linked[0].plottedStart = 2; // its difference series starts later than its own points
        QTest::newRow("a linked channel counts by the start of the series drawn")
            << linked << ";_4" << 0 << layout(";", two, "1_1_2.0000_5.0000_|2_2_3.0000_6.0000_");
        QTest::newRow("equal starts: the lowest channel; 1,000,000 s and beyond in whole seconds; 7 decimals")
            << Channels{channel("999999.4=1 1000000.6=2 12345678.5=3"), channel("999999.4=4")} << ":.7" << 0
            << layout(":", two, "1_999999_1.0000000_4.0000000_|2_1000001_2.0000000_--_|3_12345679_3.0000000_--_");
    }

    void exportLayout()
    {
        QFETCH(Channels, channels);
        QFETCH(QString, options);
        QFETCH(int, period);
        QFETCH(QByteArray, expected);
        const zorResultLayout layout(options.left(1), options.mid(1, 1).remove('_'), options.mid(2).toInt());
        QCOMPARE(exported(channels, layout, period), expected);
    }

    // Slice after slice, each continuing where the last stopped, the same file as in one go.
    void exportInSlices()
    {
        Channels channels(2);
        for (int i = 0; i < 300000; ++i) {
            channels[0].time << i;
            channels[0].meas << i;
            if (i % 3 == 0) {
                channels[1].time << i + 0.5;
                channels[1].meas << i + 0.5;
            }
        }
        channels[1].plottedStart = 0.5;
        const zorResultLayout layout(";", "", 2);
        int slices = 0;
        const QByteArray sliced = exported(channels, layout, 0, &slices);
        QVERIFY(slices > 1);
        QCOMPARE(sliced, exported(channels, layout, 0));
        QVERIFY(sliced.contains("\r\n301;300;300.00;297.50;\r\n"));
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QStringList two = {"°С", "°С"};
        const QString twoRead = "05.03.2024 09:08:07 [;] °С,°С";
        const auto cp1251 = [](const char *text) { return zorResultLayout::codec()->fromUnicode(text); };

        QTest::newRow("as exported, ohms mapped to the unit list's ohm; a comma between fields, a decimal point")
            << layout(",", {"°С", "Ом", "мВ"}, "1_0_1.5_2_3_") << "05.03.2024 09:08:07 [,] °С,Ω,мВ | 0: 0=1.5 | 1: 0=2 | 2: 0=3";
        QTest::newRow("blank separator: the units do not shift")
            << layout(" ", {"°С", "Ом"}, "1_0_1,5_2_") << "05.03.2024 09:08:07 [ ] °С,Ω | 0: 0=1.5 | 1: 0=2";
        QTest::newRow("line ends of a single LF; a field without brackets adds no unit")
            << cp1251("Начало измерений. Дата 05.03.2024 Время 09:08:07\t\n\n№\tdT\tКанал 1\tКанал 2\t\n \t[c]\tK\t[%]\t\n")
            << "05.03.2024 09:08:07 [\t] %";
        QTest::newRow("older layout: time on line 2, units in the captions, clock time dropped")
            << cp1251("Измерение;05.03.2024;\r\nВремя;09:08:07;\r\n\r\n№;dT;Время;Канал 1 [°С];Канал 2 [Ом];Канал 3;\r\n"
                      "1;0;09:08:07;21.5;100.25;--;\r\n2;2;09:08:09;21.75;--;--;\r\n")
            << "05.03.2024 09:08:07 [;] °С,Ω,- | 0: 0=21.5 2=21.75 | 1: 0=100.25";
        QTest::newRow("beyond 1,000,000 s; gaps, spaces, signs, exponents, decimal commas")
            << layout(";", two, "1_999999_--_20.5_|2_ 1000001,5 _+1,5_2e1_|3_12345678_-0.25__")
            << twoRead + " | 0: 1000001.5=1.5 12345678=-0.25 | 1: 999999=20.5 1000001.5=20";
        QTest::newRow("rows without a time, or too short, are skipped; values past the channels ignored; no last line end")
            << layout(";", two, "1_--_1_2_|2_x_1_2_|3_4|_5_6_7_8_") + "6;9;1;2;" << twoRead + " | 0: 5=6 9=1 | 1: 5=7 9=2";
        QTest::newRow("not a number, infinities and huge exponents are no readings")
            << layout(";", two, "1_0_nan_inf_|2_inf_1_1_|3_1_1e999_-inf_|4_2_0x10_1.5.5_") << twoRead;
        QString wide = "05.03.2024 09:08:07 [;] " + QString("K,").repeated(32).chopped(1);
        for (int ch = 0; ch < 32; ++ch)
            wide += QString(" | %1: 0=5").arg(ch);
        QTest::newRow("34 channel columns: 2 left out")
            << layout(";", QString("K ").repeated(34).trimmed().split(' '), "1_0" + QString("_5").repeated(34) + "_")
            << wide + " | left out 2";
        QTest::newRow("a header only") << layout(";", two) << twoRead;
        QTest::newRow("a data line of 1 MB between good rows is skipped")
            << layout(";", two) + "1;0;1;2;\r\n2;1;" + QByteArray(1 << 20, '7') + ";3;\r\n3;2;5;6;\r\n"
            << twoRead + " | 0: 0=1 2=5 | 1: 0=2 2=6";
        QTest::newRow("empty file") << QByteArray() << "error 1";
        QTest::newRow("a first line of 1 MB") << QByteArray(1 << 20, 'x') + "\r\n" + layout(";", two) << "error 1";
        QTest::newRow("a date that does not exist") << layout(";", two).replace("05.03", "31.02") << "error 2";
        QTest::newRow("a line of columns with two fields")
            << cp1251("Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT\r\n ;[c];[°С];\r\n") << "error 3";
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(readAll(bytes), expected);
    }

    // A device that fails after a row: the rows before, and why.
    void deviceFails()
    {
        const QByteArray two = layout(";", {"°С", "°С"});
        QCOMPARE(readAll(two + "1;0;1;2;\r\n2;1;3;4;\r\n", two.size() + 10),
                 "05.03.2024 09:08:07 [;] °С,°С | 0: 0=1 | 1: 0=2 | failed: Input/output error");
    }

};

QTEST_GUILESS_MAIN(test_zorResultFile)
#include "test_zorResultFile.moc"
