#include "fileSizeLimit.h"
#include "tests/app/mainWindowHarness.h"

#include "results/recmeas.h"
#include "results/zorRecorder.h"
#include "results/zorResultLayout.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <optional>

namespace {

// The data rows of a results file: "number|time|value|...", values with a decimal point.
QStringList fileRows(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = zorResultLayout::codec()->toUnicode(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QStringList rows;
    for (const QString &line : lines.mid(3)) {
        QStringList fields = line.split(lines.first().back());
        fields.removeLast();
        rows << fields.join('|').replace(',', '.');
    }
    return rows;
}

// The rows the instrument's readings make, in the order sent: at each reading whose
// channel number is not above the previous one's, the newest value of every channel.
QList<QStringList> sweepsSent(const zorSimulator *sim)
{
    QList<QStringList> rows;
    QStringList newest;
    for (int c = 0; c < 8; ++c)
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

// The rows are consecutive sweeps of the instrument, in the order sent, numbered from 1:
// none left out, none repeated.
void compareWithSweeps(const QStringList &rows, const zorSimulator *sim)
{
    QVERIFY(!rows.isEmpty());
    QList<QStringList> values;
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).section('|', 0, 0).toInt(), i + 1);
        values << rows.at(i).split('|').mid(2);
    }
    const QList<QStringList> sweeps = sweepsSent(sim);
    for (int first = 0; first + values.size() <= sweeps.size(); ++first)
        if (sweeps.mid(first, values.size()) == values)
            return;
    QFAIL(qPrintable("no run of sweeps sent is " + rows.join(", ")));
}

void waitRows(const QString &path, int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(fileRows(path).size() >= count, mainWindowHarness::timeout);
}

// A device without a port in the window, channels 0..count-1 switched on, and a
// recorder of its own, fed readings with chosen times as the window hands them on.
struct fedDevice
{
    mainWindowHarness &h;
    zorRecorder recorder{h.list(), &h.plot()->store()};
    int index = h.list()->newZor(-1, false);
    zorList::_zor *zor = h.list()->getZorByIndex(index);

    fedDevice(mainWindowHarness &h, const QString &file, int count = 2) : h(h)
    {
        h.plot()->prepareMeas(zor->qwtIndex, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
        for (int ch = 0; ch < count; ++ch)
            zor->options->ch[ch].mode = optionsZOR70::chNSHTS;
        zor->recFile = file;
        zor->recEnabled = true;
        recorder.started(index);
    }
    ~fedDevice() { h.list()->rmByIndex(index); }
    void reading(quint8 ch, double t, double value, const QString &dim = "°С")
    {
        h.plot()->addPoint(value, t, dim, zor->qwtIndex, ch);
        if (recorder.sweepDone(index, ch))
            recorder.record(index);
    }
    // Sweeps of two channels at times t and t + 0.5, reading t and t + 1. A sweep ends
    // as channel 0 of the next one arrives, so the row of sweep t reads t + 1, t + 1.
    void sweeps(const QVector<double> &times)
    {
        for (double t : times) {
            reading(0, t, t);
            reading(1, t + 0.5, t + 1);
        }
    }
};

} // namespace

// Recording: a recorder fed readings with chosen times (when a row is due, what it
// holds, a file that stops taking rows for a while, rows lost), and through the main
// window with simulated instruments on the real link and registry, where each file
// holds the sweeps of its own instrument, in order: three instruments at once, one of
// them measuring one channel, across a stop and a start, and across a stretch in which
// the file could not be written, shown on the device row and in the dialog; a file
// read back while they stream.
class test_recording : public QObject
{
    Q_OBJECT
    mainWindowHarness h;   // one window and its instruments for the whole suite
    QTemporaryDir dir;
    QList<zorSimulator *> sims;   // two of 8 channels, one measuring one channel
    QList<int> live;              // their registry indices

    recmeas *dialog() const { return h.window->findChild<recmeas *>("recmeas"); }
    QString status() const { return dialog()->findChild<QLabel *>("statusLabel")->text(); }
    int rowOf(int index) const { return h.list()->getIndexList().indexOf(index) + 1; }
    // Makes the device the main one and switches its recording with the dialog; a file
    // given comes with the separators chosen by their places in the lists.
    void record(int index, bool on, const QString &file = QString(), int field = 0, int point = 0);

private slots:
    void initTestCase();
    void period_data();
    void period();
    void rowContents();
    void fileFailsForAWhile_data();
    void fileFailsForAWhile();
    void rowsLost();
    void instrumentsAtOnce();
    void readBackWhileLive();
};

// The instruments' readings carry 4 decimals, so that each sweep differs from the one
// before; the plot holds a reading of each of their channels, so that their next
// sweeps are whole.
void test_recording::initTestCase()
{
    h.open();
    for (quint32 serial : {11, 12, 21}) {
        zorSimulator *sim = h.startSim(serial);
        optionsZOR70 image;
        image.setData(sim->block(optionsZOR70::rdDev), optionsZOR70::rdDev);
        image.setData(sim->block(optionsZOR70::rdCh), optionsZOR70::rdCh);
        for (optionsZOR70::_ch &ch : image.ch)
            ch.round = optionsZOR70::round4;
        if (serial == 21) {
            image.measMode = 0;
            image.mainCh = 2;
        }
        sim->setBlock(optionsZOR70::rdDev, image.getDevData());
        sim->setBlock(optionsZOR70::rdCh, image.getChData());
        sims << sim;
    }
    live = h.connectSims(sims);
    for (int i = 0; i < live.size(); ++i)
        for (uchar ch = i == 2 ? 2 : 0; ch < (i == 2 ? 3 : 8); ++ch)
            QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(h.list()->getQWTIndex(live[i]), ch) > 0,
                                     mainWindowHarness::timeout);
}

void test_recording::record(int index, bool on, const QString &file, int field, int point)
{
    h.press("devTable", rowOf(index), 1);
    auto *button = h.window->findChild<QToolButton *>("recBtn");
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(dialog()->isVisible());
    if (!file.isEmpty()) {
        dialog()->findChild<QLineEdit *>("lineEdit")->setText(dir.filePath(file));
        dialog()->findChild<QComboBox *>("deFieldCB")->setCurrentIndex(field);
        dialog()->findChild<QComboBox *>("dePointCB")->setCurrentIndex(point);
    }
    auto *save = dialog()->findChild<QPushButton *>("saveBtn");
    if (save->isChecked() != on)
        QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(status(), on ? QString("Идёт запись...") : QString("Запись остановлена"));
    dialog()->close();
    QCOMPARE(button->isChecked(), on);
}

void test_recording::period_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<QVector<double>>("sweeps");   // start times of the sweeps
    QTest::addColumn<QStringList>("times");        // of the rows written

    QVector<double> every20;
    for (int t = 0; t <= 240; t += 20)
        every20 << t;
    QTest::newRow("0: every sweep") << 0 << QVector<double>{0, 1, 2, 3} << QStringList{"1", "2", "3"};
    QTest::newRow("1 min, sweeps every 20 s: more than 60 s apart") << 1 << every20 << QStringList{"20", "100", "180"};
    QTest::newRow("2 min") << 2 << every20 << QStringList{"20", "160"};
    QTest::newRow("0: a sweep at the time of the last row gives its row too")
        << 0 << QVector<double>{0, 5, 5, 6} << QStringList{"5", "5", "6"};
    QTest::newRow("1 min, the plot cleared: the next sweep gives a row")
        << 1 << QVector<double>{0, 20, 100, 1, 2, 70} << QStringList{"20", "100", "1", "70"};
}

void test_recording::period()
{
    QFETCH(int, period);
    QFETCH(QVector<double>, sweeps);
    QFETCH(QStringList, times);
    fedDevice d(h, dir.filePath(QTest::currentDataTag()));
    d.zor->recPeriod = uchar(period);
    d.sweeps(sweeps);
    QStringList got;
    for (const QString &row : fileRows(d.zor->recFile))
        got << row.section('|', 1, 1);
    QCOMPARE(got, times);
}

// Each row: number, the reference channel's newest time, the newest value of every
// channel; "--" for a channel switched off or whose last reading was rejected.
void test_recording::rowContents()
{
    fedDevice d(h, dir.filePath("contents.csv"), 3);
    d.zor->options->ch[1].mode = optionsZOR70::chOff;
    d.zor->recRound = 0;
    d.zor->recPointSep = ",";
    d.reading(0, 0.4, 20.125);
    d.reading(1, 0.6, 7.0, "Ω");
    d.reading(2, 0.8, 30.0, "мВ");
    d.reading(0, 1.6, 21.0);       // ends sweep 1
    d.reading(1, 1.7, 8.0, "Ω");
    d.reading(2, 1.8, -1300.0);    // rejected
    d.reading(0, 2.4, 22.0);       // ends sweep 2
    QFile f(d.zor->recFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(zorResultLayout::codec()->toUnicode(f.readAll()),
             "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;Канал 2;Канал 3;\r\n"
             " ;[c];[°С];[Ом];[мВ];\r\n1;2;21,00;--;30,00;\r\n2;2;22,00;--;--;\r\n");
}

void test_recording::fileFailsForAWhile_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("disk full (a file size limit), a row written halfway") << true;
    QTest::newRow("a folder in the file's place") << false;
}

// Rows the file does not take wait in memory and go in, in order, once it takes them
// again; the failure is shown while it lasts. (A folder gone is tried through the window.)
void test_recording::fileFailsForAWhile()
{
    QFETCH(bool, diskFull);
    QTemporaryDir here;
    const QString file = here.filePath("rec.csv"), kept = here.filePath("kept");
    fedDevice d(h, file);
    QSignalSpy state(&d.recorder, &zorRecorder::onRecStateChange);
    d.sweeps({0, 1, 2});
    const qint64 size = QFileInfo(file).size();
    {
        // Writes stop 10 bytes past the rows there, in the middle of the next one.
        std::optional<fileSizeLimit> full;
        if (diskFull)
            full.emplace(size + 10);
        else
            QVERIFY(QFile::rename(file, kept) && QDir(here.path()).mkdir("rec.csv"));
        d.sweeps({3, 4, 5, 6});
    }
    if (diskFull)
        QCOMPARE(QFileInfo(file).size(), size);   // nothing of the broken row left
    QVERIFY(d.recorder.isFailing(d.index));
    QVERIFY(d.recorder.problemText(d.index).endsWith("Строк в памяти: 4"));
    QCOMPARE(d.recorder.problemText(d.index).contains("File too large"), diskFull);
    QVERIFY(state.count() >= 1);

    QVERIFY(diskFull || (QDir(here.path()).rmdir("rec.csv") && QFile::rename(kept, file)));
    state.clear();
    d.sweeps({7});
    QCOMPARE(d.recorder.problemText(d.index), QString());
    QCOMPARE(state.count(), 1);
    QStringList expected;
    for (int row = 1; row <= 7; ++row)
        expected << QString("%1|%1|%1.0000|%1.0000").arg(row);
    QCOMPARE(fileRows(file), expected);
}

// Rows are lost only where they cannot be kept, and are counted: beyond the bound of
// the rows waiting in memory, and those a stop cannot write. A new recording starts
// with a clean slate.
void test_recording::rowsLost()
{
    zorRecordWriter writer;
    const QByteArray row(1024 * 1024, 'x');
    for (int i = 0; i < 10; ++i)
        QVERIFY(!writer.append("/nonexistent/folder/rec.csv", row, i, [] { return QByteArray(); }));
    QCOMPARE(writer.waitingRows(), int(zorRecordWriter::maxWaitingBytes / row.size()));
    QCOMPARE(writer.lostRows(), 10 - writer.waitingRows());

    fedDevice d(h, dir.filePath("no/such/folder/rec.csv"));
    d.sweeps({0, 1, 2});
    d.recorder.stopped(d.index);
    QCOMPARE(d.recorder.problemText(d.index), QString("Потеряно строк: 2"));
    d.recorder.started(d.index);
    QCOMPARE(d.recorder.problemText(d.index), QString());
}

// Each instrument's sweeps cut at its own channels, whatever the others send between
// them. The second one's file, with tabs and decimal commas as chosen in the dialog,
// lies in a folder that goes away for a while (a network share lost): its device row
// and the dialog show it, and once the folder is back the file holds its sweeps, in
// order. Recording the first one again into the same file goes on below its rows,
// numbered from 1 again, under the one header; nothing is written while it is stopped.
void test_recording::instrumentsAtOnce()
{
    QVERIFY(QDir(dir.path()).mkdir("share"));
    const QStringList paths = {dir.filePath("a.csv"), dir.filePath("share/b.csv"), dir.filePath("one.csv")};
    record(live[0], true, "a.csv");
    record(live[1], true, "share/b.csv", 1, 2);
    record(live[2], true, "one.csv");
    for (const QString &path : paths)
        waitRows(path, 4);
    record(live[0], false);
    const int first = fileRows(paths[0]).size();

    h.press("devTable", rowOf(live[1]), 1);
    QTableWidgetItem *name = h.table("devTable")->item(rowOf(live[1]), 1);
    QVERIFY(name->toolTip().contains("Запись в файл " + paths[1]));
    const QBrush normal = name->background();
    QVERIFY(QDir(dir.path()).rename("share", "away"));
    QTRY_VERIFY_WITH_TIMEOUT(name->toolTip().contains("Строк в памяти: "), mainWindowHarness::timeout);
    QVERIFY(name->toolTip().contains("Файл не принимает запись: No such file or directory"));
    QVERIFY(name->background() != normal);
    QTest::mouseClick(h.window->findChild<QToolButton *>("recBtn"), Qt::LeftButton);
    QVERIFY(status().startsWith("Идёт запись...\nФайл не принимает запись"));
    QVERIFY(QDir(dir.path()).rename("away", "share"));
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString("Идёт запись..."), mainWindowHarness::timeout);
    QVERIFY(!name->toolTip().contains("Файл не принимает запись"));
    QCOMPARE(name->background(), normal);
    dialog()->close();

    QCOMPARE(fileRows(paths[0]).size(), first);
    record(live[0], true);
    waitRows(paths[0], first + 3);
    waitRows(paths[1], fileRows(paths[1]).size() + 2);
    for (int index : live)
        record(index, false);
    const QStringList again = fileRows(paths[0]);
    compareWithSweeps(again.mid(0, first), sims[0]);
    compareWithSweeps(again.mid(first), sims[0]);
    for (int i = 1; i < 3; ++i)
        compareWithSweeps(fileRows(paths[i]), sims[i]);
    QFile a(paths[0]), b(paths[1]);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll().count(zorResultLayout::codec()->fromUnicode("Начало измерений")), 1);
    QVERIFY(QRegularExpression("\t\r\n1\t\\d+\t-?\\d+,\\d{4}\t").match(QString::fromLatin1(b.readAll())).hasMatch());
}

// A file read with the open button while the instruments stream goes into a device
// without a port of its own; their series go on growing.
void test_recording::readBackWhileLive()
{
    const QString path = dir.filePath("earlier run.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(zorResultLayout::codec()->fromUnicode("Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n"
                                                     "№;dT;Канал 1;\r\n ;[c];[°С];\r\n1;0;1;\r\n2;1;2;\r\n"));
    file.close();
    const int liveQwt = h.list()->getQWTIndex(live[0]);
    const int before = h.plot()->getChMeasCount(liveQwt, 0);
    mainWindowHarness::onModal([path](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        files->findChild<QLineEdit *>("fileNameEdit")->setText(path);
        QMetaObject::invokeMethod(files, "accept");
    });
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_3"), Qt::LeftButton);
    const int index = h.list()->getIndexList().last();
    QVERIFY(!live.contains(index));
    const zorList::_zor *zor = h.list()->getZorByIndex(index);
    QCOMPARE(zor->devIndex, -1);
    QCOMPARE(zor->options->devName, QString("earlier run"));
    int q = zor->qwtIndex;
    QTRY_COMPARE_WITH_TIMEOUT(h.plot()->getChMeasCount(q, 0), 2, mainWindowHarness::timeout);
    QCOMPARE(h.plot()->store().findDev(q)->chs.at(0).meas, QVector<double>({1, 2}));
    QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(liveQwt, 0) > before, mainWindowHarness::timeout);
}

QTEST_MAIN(test_recording)
#include "test_recording.moc"
