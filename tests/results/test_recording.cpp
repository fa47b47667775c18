#include "tests/app/mainWindowHarness.h"

#include "results/recmeas.h"
#include "results/zorResultLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// The data rows of a results file: "number|time|value|value|...".
QStringList fileRows(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = zorResultLayout::codec()->toUnicode(f.readAll()).split("\r\n").mid(4);
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
// from 1.
void compareWithSweeps(const QStringList &rows, const QList<QStringList> &sweeps)
{
    QVERIFY(!rows.isEmpty());
    QList<QStringList> values;
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).section('|', 0, 0).toInt(), i + 1);
        values << valuesOf(rows.at(i));
    }
    for (int start = 0; start + values.size() <= sweeps.size(); ++start)
        if (sweeps.mid(start, values.size()) == values)
            return;
    QFAIL(qPrintable("no run of sweeps sent is " + rows.join(", ")));
}

void waitRows(const QString &path, int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(fileRows(path).size() >= count, mainWindowHarness::timeout);
}

} // namespace

// Recording through the main window, with simulated instruments on the real link and
// registry: the record button opens the recording of the main device; each file holds
// every sweep of its own instrument, in order, with two instruments at once, with one
// channel, across a stop and a start, and across a stretch in which the file could not
// be written, which the device row and the dialog show while it lasts.
class test_recording : public QObject
{
    Q_OBJECT
    std::unique_ptr<mainWindowHarness> h;
    QTemporaryDir dir;

    recmeas *dialog() const { return h->window->findChild<recmeas *>("recmeas"); }
    QString status() const { return dialog()->findChild<QLabel *>("statusLabel")->text(); }
    int rowOf(int index) const { return h->list()->getIndexList().indexOf(index) + 1; }

    // An instrument whose readings carry 4 decimals, so that each sweep differs from the
    // one before; with one channel, only channel 2 is measured.
    zorSimulator *startSim(quint32 serial, bool oneChannel = false);
    // Connected, and the plot holds a reading of each of its channels, so that its next
    // sweeps are whole.
    QList<int> connect(const QList<zorSimulator *> &sims, const QVector<uchar> &channels = {0, 1, 2, 3, 4, 5, 6, 7});
    // Makes the device the main one and switches its recording with the dialog.
    void record(int index, bool on, const QString &file = QString());

private slots:
    void init();
    void cleanup() { h.reset(); }
    void twoInstrumentsAtOnce();
    void singleChannel();
    void reenabledIntoTheSameFile();
    void fileUnreachableForAWhile();
};

void test_recording::init()
{
    h.reset(new mainWindowHarness);
    h->open();
}

zorSimulator *test_recording::startSim(quint32 serial, bool oneChannel)
{
    zorSimulator *sim = h->startSim(serial);
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

QList<int> test_recording::connect(const QList<zorSimulator *> &sims, const QVector<uchar> &channels)
{
    const QList<int> indices = h->connectSims(sims);
    for (int index : indices)
        for (uchar ch : channels)
            [&] { QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(h->list()->getQWTIndex(index), ch) > 0,
                                           mainWindowHarness::timeout); }();
    return indices;
}

void test_recording::record(int index, bool on, const QString &file)
{
    h->press("devTable", rowOf(index), 1);
    auto *button = h->window->findChild<QToolButton *>("recBtn");
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(dialog()->isVisible());
    if (!file.isEmpty())
        dialog()->findChild<QLineEdit *>("lineEdit")->setText(dir.filePath(file));
    auto *save = dialog()->findChild<QPushButton *>("saveBtn");
    if (save->isChecked() != on)
        QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(status(), on ? QString("Идёт запись...") : QString("Запись остановлена"));
    dialog()->close();
    QCOMPARE(button->isChecked(), on);
}

void test_recording::twoInstrumentsAtOnce()
{
    zorSimulator *a = startSim(11);
    zorSimulator *b = startSim(12);
    const QList<int> indices = connect({a, b});
    record(indices[0], true, "a.csv");
    record(indices[1], true, "b.csv");
    waitRows(dir.filePath("a.csv"), 8);
    waitRows(dir.filePath("b.csv"), 8);
    record(indices[0], false);
    record(indices[1], false);
    compareWithSweeps(fileRows(dir.filePath("a.csv")), sweepsSent(a, 8));
    compareWithSweeps(fileRows(dir.filePath("b.csv")), sweepsSent(b, 8));
}

// An instrument measuring one channel: every reading after the first makes a row.
void test_recording::singleChannel()
{
    zorSimulator *sim = startSim(21, true);
    const int index = connect({sim}, {2}).first();
    record(index, true, "one.csv");
    waitRows(dir.filePath("one.csv"), 10);
    record(index, false);
    const QStringList rows = fileRows(dir.filePath("one.csv"));
    QCOMPARE(valuesOf(rows.first()).size(), 8);   // the plot has the instrument's 8 channels
    QCOMPARE(valuesOf(rows.first()).mid(0, 2), QStringList({"--", "--"}));
    compareWithSweeps(rows, sweepsSent(sim, 8));
}

// Recording again into the same file goes on below its rows, numbered from 1 again,
// under the one header.
void test_recording::reenabledIntoTheSameFile()
{
    zorSimulator *sim = startSim(31);
    const int index = connect({sim}).first();
    const QString path = dir.filePath("same.csv");
    record(index, true, "same.csv");
    waitRows(path, 3);
    record(index, false);
    const int first = fileRows(path).size();
    QTest::qWait(400);
    QCOMPARE(fileRows(path).size(), first);
    record(index, true);
    waitRows(path, first + 3);
    record(index, false);
    const QStringList rows = fileRows(path);
    const QList<QStringList> sweeps = sweepsSent(sim, 8);
    compareWithSweeps(rows.mid(0, first), sweeps);
    compareWithSweeps(rows.mid(first), sweeps);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count(zorResultLayout::codec()->fromUnicode("Начало измерений")), 1);
}

// The file's folder goes away for a while (a network share lost): the device row and
// the dialog show it, and once it is back the file holds every sweep, in order.
void test_recording::fileUnreachableForAWhile()
{
    zorSimulator *sim = startSim(41);
    const int index = connect({sim}).first();
    QVERIFY(QDir(dir.path()).mkdir("share"));
    const QString path = dir.filePath("share/rec.csv");
    record(index, true, "share/rec.csv");
    waitRows(path, 2);
    QTableWidgetItem *name = h->table("devTable")->item(rowOf(index), 1);
    QVERIFY(name->toolTip().contains("Запись в файл " + path));
    const QBrush normal = name->background();

    QVERIFY(QDir(dir.path()).rename("share", "away"));
    QTRY_VERIFY_WITH_TIMEOUT(name->toolTip().contains("Строк в памяти: 3"), mainWindowHarness::timeout);
    QVERIFY(name->toolTip().contains("Файл не принимает запись: No such file or directory"));
    QVERIFY(name->background() != normal);
    QTest::mouseClick(h->window->findChild<QToolButton *>("recBtn"), Qt::LeftButton);
    QVERIFY(status().startsWith("Идёт запись...\nФайл не принимает запись"));

    QVERIFY(QDir(dir.path()).rename("away", "share"));
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString("Идёт запись..."), mainWindowHarness::timeout);
    QVERIFY(!name->toolTip().contains("Файл не принимает запись"));
    QCOMPARE(name->background(), normal);
    const int rows = fileRows(path).size();
    waitRows(path, rows + 2);
    dialog()->close();
    record(index, false);
    compareWithSweeps(fileRows(path), sweepsSent(sim, 8));
}

QTEST_MAIN(test_recording)
#include "test_recording.moc"
