#include "plot/zorPointStore.h"
#include "results/zorRecorder.h"
#include "results/zorResultLayout.h"
#include "tests/registry/simulatedRegistry.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A device without a port whose channels 0..count-1 are switched on, in the store.
struct rig
{
    simulatedRegistry r;
    zorPointStore store;
    zorRecorder recorder{&r.list, &store};
    QTemporaryDir dir;
    int index = -1;
    zorList::_zor *zor = nullptr;

    explicit rig(int count = 2)
    {
        index = r.list.newZor(-1, false);
        zor = r.list.getZorByIndex(index);
        zor->qwtIndex = store.addDev();
        store.setStart(zor->qwtIndex, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
        for (int ch = 0; ch < count; ++ch)
            zor->options->ch[ch].mode = optionsZOR70::chNSHTS;
        zor->recFile = dir.filePath("rec.csv");
    }
    void start()
    {
        zor->recEnabled = true;
        recorder.started(index);
    }
    void stop()
    {
        zor->recEnabled = false;
        zor->recRow = 0;
        recorder.stopped(index);
    }
    // A reading as the main window hands it on: to the store, then to the recorder.
    void reading(quint8 ch, double t, double value, const QString &dim = "°С")
    {
        store.addPoint(value, t, dim, zor->qwtIndex, ch);
        if (recorder.sweepDone(index, ch))
            recorder.record(index);
    }
    // Sweeps over channels 0..count-1 at times t, t + 0.5, ...; channel c reads t + c.
    // A sweep ends as channel 0 of the next one arrives, so its row holds that new
    // reading and the others of the sweep: the row of sweep t reads t + 1, t + 1, ...
    void sweeps(const QVector<double> &times, int count = 2)
    {
        for (double t : times)
            for (int ch = 0; ch < count; ++ch)
                reading(quint8(ch), t + 0.5 * ch, t + ch);
    }
    QString file() const
    {
        QFile f(zor->recFile);
        return f.open(QIODevice::ReadOnly) ? zorResultLayout::codec()->toUnicode(f.readAll()) : QString("(none)");
    }
    // The data rows only.
    QStringList rows() const { return file().split("\r\n", Qt::SkipEmptyParts).mid(3); }
};

} // namespace

// Recording without instruments: readings fed as the main window hands them on, with
// chosen times. When a sweep ends and a row is due, what goes into the row, the header,
// and a file that stops taking rows for a while.
class test_zorRecorder : public QObject
{
    Q_OBJECT

private slots:
    void period_data();
    void period();
    void rowContents();
    void fileFailsForAWhile_data();
    void fileFailsForAWhile();
    void stopWhileFailing();
    void memoryBound();
};

void test_zorRecorder::period_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<QVector<double>>("sweeps");   // start times of the sweeps
    QTest::addColumn<QStringList>("times");        // of the rows written

    QVector<double> every20;
    for (int t = 0; t <= 240; t += 20)
        every20 << t;
    QTest::newRow("0: every sweep") << 0 << QVector<double>{0, 1, 2, 3}
                                    << QStringList{"1", "2", "3"};
    QTest::newRow("1 min, sweeps every 20 s: more than 60 s apart")
        << 1 << every20 << QStringList{"20", "100", "180"};
    QTest::newRow("2 min") << 2 << every20 << QStringList{"20", "160"};
    QTest::newRow("0: a sweep at the same second as the last row gives none")
        << 0 << QVector<double>{0, 5, 5, 6} << QStringList{"5", "6"};
    QTest::newRow("1 min, the plot cleared: the next sweep gives a row")
        << 1 << QVector<double>{0, 20, 100, 1, 2, 70} << QStringList{"20", "100", "1", "70"};
}

void test_zorRecorder::period()
{
    QFETCH(int, period);
    QFETCH(QVector<double>, sweeps);
    QFETCH(QStringList, times);
    rig s;
    s.zor->recPeriod = uchar(period);
    s.start();
    s.sweeps(sweeps);
    QStringList got;
    for (const QString &row : s.rows())
        got << row.section(';', 1, 1);
    QCOMPARE(got, times);
}

// Each row: number, the reference channel's newest time, the newest value of every
// channel; "--" for a channel switched off or whose last reading was rejected.
void test_zorRecorder::rowContents()
{
    rig s(3);
    s.zor->options->ch[1].mode = optionsZOR70::chOff;
    s.zor->recRound = 0;
    s.zor->recPointSep = ",";
    s.start();
    s.reading(0, 0.4, 20.125);
    s.reading(1, 0.6, 7.0, "Ω");
    s.reading(2, 0.8, 30.0, "мВ");
    s.reading(0, 1.6, 21.0);       // ends sweep 1
    s.reading(1, 1.7, 8.0, "Ω");
    s.reading(2, 1.8, -1300.0);    // rejected
    s.reading(0, 2.4, 22.0);       // ends sweep 2
    QCOMPARE(s.file(), "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;Канал 2;Канал 3;\r\n"
                       " ;[c];[°С];[Ом];[мВ];\r\n"
                       "1;2;21,00;--;30,00;\r\n2;2;22,00;--;--;\r\n");
}

void test_zorRecorder::fileFailsForAWhile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("disk full (a file size limit), a row written halfway") << "full";
    QTest::newRow("a folder in the file's place") << "folder";
    QTest::newRow("the file's folder gone") << "gone";
}

// Rows the file does not take wait in memory and go in, in order, once it takes them
// again; the failure is shown while it lasts.
void test_zorRecorder::fileFailsForAWhile()
{
    QFETCH(QString, how);
    rig s;
    QVERIFY(QDir(s.dir.path()).mkdir("share"));
    const QString file = s.dir.filePath("share/rec.csv");
    s.zor->recFile = file;
    QSignalSpy state(&s.recorder, &zorRecorder::onRecStateChange);
    s.start();
    s.sweeps({0, 1, 2});
    const QString kept = s.dir.filePath("kept");
    const qint64 size = QFileInfo(file).size();
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    if (how == "full") {
        // Writes stop 10 bytes past the rows there, in the middle of the next one.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit full{rlim_t(size + 10), unlimited.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    } else if (how == "gone") {
        QVERIFY(QDir(s.dir.path()).rename("share", "kept"));
    } else {
        QVERIFY(QFile::rename(file, kept));
        QVERIFY(QDir(s.dir.path()).mkdir("share/rec.csv"));
    }
    s.sweeps({3, 4, 5, 6});
    if (how == "full") {
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
        QCOMPARE(QFileInfo(file).size(), size);   // nothing of the broken row left
    }
    QVERIFY(s.recorder.isFailing(s.index));
    QCOMPARE(s.recorder.writer(s.index)->waitingRows(), 4);
    QVERIFY(s.recorder.problemText(s.index).endsWith("Строк в памяти: 4"));
    if (how == "full")
        QVERIFY(s.recorder.problemText(s.index).contains("File too large"));
    QVERIFY(state.count() >= 1);

    if (how == "gone") {
        QVERIFY(QDir(s.dir.path()).rename("kept", "share"));
    } else if (how == "folder") {
        QVERIFY(QDir(s.dir.path()).rmdir("share/rec.csv"));
        QVERIFY(QFile::rename(kept, file));
    }
    state.clear();
    s.sweeps({7});
    QVERIFY(!s.recorder.isFailing(s.index));
    QCOMPARE(s.recorder.problemText(s.index), QString());
    QCOMPARE(state.count(), 1);
    QStringList expected;
    for (int row = 1; row <= 7; ++row)
        expected << QString("%1;%1;%1.0000;%1.0000;").arg(row);
    QCOMPARE(s.rows(), expected);
}

// Stopping makes a last attempt; rows it cannot write are reported as lost.
void test_zorRecorder::stopWhileFailing()
{
    rig s;
    s.zor->recFile = s.dir.filePath("no/such/folder/rec.csv");
    s.start();
    s.sweeps({0, 1, 2});
    QCOMPARE(s.recorder.writer(s.index)->waitingRows(), 2);
    s.stop();
    QCOMPARE(s.recorder.writer(s.index)->waitingRows(), 0);
    QVERIFY(s.recorder.problemText(s.index).endsWith("Потеряно строк: 2"));
    // A new recording starts with a clean slate.
    s.zor->recFile = s.dir.filePath("rec.csv");
    s.start();
    QCOMPARE(s.recorder.problemText(s.index), QString());
}

void test_zorRecorder::memoryBound()
{
    zorRecordWriter writer;
    const QByteArray row(1024 * 1024, 'x');
    const auto header = [] { return QByteArray(); };
    for (int i = 0; i < 10; ++i)
        QVERIFY(!writer.append("/nonexistent/folder/rec.csv", row, i, header));
    QCOMPARE(writer.waitingRows(), int(zorRecordWriter::maxWaitingBytes / row.size()));
    QCOMPARE(writer.lostRows(), 10 - writer.waitingRows());
}

QTEST_GUILESS_MAIN(test_zorRecorder)
#include "test_zorRecorder.moc"
