#include "plot/QwtZOR.h"
#include "results/zorRecorder.h"
#include "results/zorResultLayout.h"
#include "tests/registry/simulatedRegistry.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// The registry on simulated instruments through the real link, with the plot and the
// recorder wired as the main window wires them: a reading goes to the plot, and a sweep
// it completes to the recording.
struct rig
{
    simulatedRegistry r;
    QwtZOR plot;
    zorRecorder recorder{&r.list, &plot.store()};
    QTemporaryDir dir;

    rig()
    {
        QObject::connect(&r.list, &zorList::onReadMeas, &plot, [this](int index, double v, quint8 ch, QString dim) {
            plot.addPoint(v, dim, r.list.getQWTIndex(index), ch);
            if (recorder.sweepDone(index, ch))
                recorder.record(index);
        });
    }
    // An instrument whose readings carry 4 decimals, so that each sweep differs from
    // the one before; with one channel, only channel 2 is measured.
    zorSimulator *startSim(quint32 serial, bool oneChannel = false)
    {
        zorSimulator *sim = r.startSim(serial);
        optionsZOR70 image;
        image.setData(sim->block(optionsZOR70::rdDev), optionsZOR70::rdDev);
        image.setData(sim->block(optionsZOR70::rdCh), optionsZOR70::rdCh);
        for (optionsZOR70::_ch &ch : image.ch)
            ch.round = optionsZOR70::round4;
        if (oneChannel) {
            image.measMode = 0;
            image.mainCh = 2;
        }
        sim->setBlock(optionsZOR70::rdDev, image.getDevData());
        sim->setBlock(optionsZOR70::rdCh, image.getChData());
        return sim;
    }
    // Connects the instrument, reads its settings, shows it in the plot and waits until
    // the plot holds a reading of each of its channels, so that its next sweeps are
    // whole.
    int connect(zorSimulator *sim, QVector<uchar> channels = {0, 1, 2, 3, 4, 5, 6, 7})
    {
        const int index = r.connectPort(sim->portName());
        const int q = plot.addDev();
        r.list.getZorByIndex(index)->qwtIndex = q;
        r.list.getAllDataFromZor(index);
        r.waitIdle(index);
        waitReadings(q, channels);
        return index;
    }
    void waitReadings(int q, const QVector<uchar> &channels)
    {
        for (uchar ch : channels)
            QTRY_VERIFY_WITH_TIMEOUT(plot.getChMeasCount(q, ch) > 0, simulatedLink::timeout);
    }
    void record(int index, bool on, const QString &file = QString())
    {
        zorList::_zor *z = r.list.getZorByIndex(index);
        if (!file.isEmpty())
            z->recFile = dir.filePath(file);
        z->recEnabled = on;
        if (on) {
            recorder.started(index);
        } else {
            z->recRow = 0;
            recorder.stopped(index);
        }
    }
};

// The data rows of a results file: "number|time|value|value|...".
QStringList fileRows(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = zorResultLayout::codec()->toUnicode(f.readAll()).split("\r\n");
    rows = rows.mid(4);
    rows.removeAll(QString());
    for (QString &row : rows) {
        row.chop(1);
        row.replace(';', '|');
    }
    return rows;
}

QStringList valuesOf(const QString &row)
{
    return row.split('|').mid(2);
}

// The rows the instrument's readings make, in the order sent: at each reading whose
// channel number is not above the previous one's, the newest value of every channel.
QList<QStringList> sweepsSent(const zorSimulator *sim, int channels)
{
    QList<QStringList> rows;
    QStringList newest;
    for (int c = 0; c < channels; ++c)
        newest << "--";
    int previous = -1;
    for (const zorSimulator::_event &e : sim->log(zorSimulator::tokenSent)) {
        const QByteArray token = e.data.trimmed();
        const int colon = token.indexOf(':');
        if (colon < 0)
            continue;   // a status line
        const int ch = token.left(colon).toInt() - 1;
        newest[ch] = QString::number(token.mid(colon + 1).chopped(1).toDouble(), 'f', 4);
        if (ch <= previous)
            rows << newest;
        previous = ch;
    }
    return rows;
}

// The rows are a run of the instrument's sweeps without a gap or a repeat, numbered
// from first on.
void compareWithSweeps(const QStringList &rows, const QList<QStringList> &sweeps, int first = 1)
{
    QVERIFY(!rows.isEmpty());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(rows.at(i).section('|', 0, 0).toInt(), first + i);
    QList<QStringList> values;
    for (const QString &row : rows)
        values << valuesOf(row);
    for (int start = 0; start + values.size() <= sweeps.size(); ++start)
        if (sweeps.mid(start, values.size()) == values)
            return;
    QFAIL(qPrintable("no run of sweeps sent is " + rows.join(", ")));
}

// Until the file holds at least count rows.
void waitRows(const QString &path, int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(fileRows(path).size() >= count, simulatedLink::timeout);
}

} // namespace

// Recording of simulated instruments through the real link and registry: each file
// holds every sweep of its own instrument, in order, also with two instruments at
// once, with one channel, across a stop and a start, and across a stretch in which the
// file could not be written.
class test_recording : public QObject
{
    Q_OBJECT

private slots:
    void twoInstrumentsAtOnce();
    void singleChannel();
    void reenabledIntoTheSameFile();
    void fileUnreachableForAWhile();
};

void test_recording::twoInstrumentsAtOnce()
{
    rig s;
    zorSimulator *a = s.startSim(11);
    zorSimulator *b = s.startSim(12);
    const int ia = s.connect(a);
    const int ib = s.connect(b);
    s.record(ia, true, "a.csv");
    s.record(ib, true, "b.csv");
    waitRows(s.dir.filePath("a.csv"), 8);
    waitRows(s.dir.filePath("b.csv"), 8);
    s.record(ia, false);
    s.record(ib, false);
    compareWithSweeps(fileRows(s.dir.filePath("a.csv")), sweepsSent(a, 8));
    compareWithSweeps(fileRows(s.dir.filePath("b.csv")), sweepsSent(b, 8));
}

// An instrument measuring one channel: every reading after the first makes a row.
void test_recording::singleChannel()
{
    rig s;
    zorSimulator *sim = s.startSim(21, true);
    const int index = s.connect(sim, {2});
    s.record(index, true, "one.csv");
    waitRows(s.dir.filePath("one.csv"), 10);
    s.record(index, false);
    const QStringList rows = fileRows(s.dir.filePath("one.csv"));
    QCOMPARE(valuesOf(rows.first()).size(), 3);   // the plot holds channels 0..2
    compareWithSweeps(rows, sweepsSent(sim, 3));
}

// Recording again into the same file goes on below its rows, numbered from 1 again.
void test_recording::reenabledIntoTheSameFile()
{
    rig s;
    zorSimulator *sim = s.startSim(31);
    const int index = s.connect(sim);
    const QString path = s.dir.filePath("same.csv");
    s.record(index, true, "same.csv");
    waitRows(path, 3);
    s.record(index, false);
    const int first = fileRows(path).size();
    QTest::qWait(400);
    QCOMPARE(fileRows(path).size(), first);
    s.record(index, true);
    waitRows(path, first + 3);
    s.record(index, false);
    const QStringList rows = fileRows(path);
    const QList<QStringList> sweeps = sweepsSent(sim, 8);
    compareWithSweeps(rows.mid(0, first), sweeps);
    compareWithSweeps(rows.mid(first), sweeps);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count(zorResultLayout::codec()->fromUnicode("Начало измерений")), 1);
}

// The file's folder goes away for a while (a network share lost): the failure shows,
// and once it is back the file holds every sweep, in order.
void test_recording::fileUnreachableForAWhile()
{
    rig s;
    zorSimulator *sim = s.startSim(41);
    const int index = s.connect(sim);
    QVERIFY(QDir(s.dir.path()).mkdir("share"));
    const QString path = s.dir.filePath("share/rec.csv");
    QSignalSpy state(&s.recorder, &zorRecorder::onRecStateChange);
    s.record(index, true, "share/rec.csv");
    waitRows(path, 2);
    QVERIFY(QDir(s.dir.path()).rename("share", "away"));
    QTRY_VERIFY_WITH_TIMEOUT(s.recorder.writer(index)->waitingRows() >= 4, simulatedLink::timeout);
    QVERIFY(s.recorder.isFailing(index));
    QVERIFY(s.recorder.problemText(index).startsWith("Файл не принимает запись"));
    QVERIFY(QDir(s.dir.path()).rename("away", "share"));
    const int before = fileRows(path).size();
    QTRY_VERIFY_WITH_TIMEOUT(!s.recorder.isFailing(index), simulatedLink::timeout);
    waitRows(path, before + 6);
    s.record(index, false);
    QVERIFY(state.count() >= 2);
    compareWithSweeps(fileRows(path), sweepsSent(sim, 8));
}

QTEST_MAIN(test_recording)
#include "test_recording.moc"
