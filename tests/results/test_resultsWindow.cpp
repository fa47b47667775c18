#include "fileSizeLimit.h"
#include "tests/app/mainWindowHarness.h"
#include "tests/common/modalAnswer.h"

#include "results/zorRecorder.h"
#include "results/zorResultImport.h"
#include "results/zorResultLayout.h"

#include <QtTest>
#include <QtWidgets>

#include <optional>

namespace {

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? zorResultLayout::codec()->toUnicode(f.readAll()) : QString();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The data rows of a results file: "number|time|value|...", values with a decimal point.
QStringList fileRows(const QString &path)
{
    const QStringList lines = fileText(path).split("\r\n", Qt::SkipEmptyParts);
    QStringList rows;
    for (const QString &line : lines.mid(3))
        rows << line.chopped(1).split(lines.first().back()).join('|').replace(',', '.');
    return rows;
}

void waitRows(const QString &path, int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(fileRows(path).size() >= count, mainWindowHarness::timeout);
}

// The rows are consecutive sweeps of the instrument, in the order sent, numbered from 1: none left out, none
// repeated. A sweep ends at each reading whose channel number is not above the previous one's.
void compareWithSweeps(const QStringList &rows, const zorSimulator *sim)
{
    QVERIFY(!rows.isEmpty());
    QList<QStringList> values, sweeps;
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).section('|', 0, 0).toInt(), i + 1);
        values << rows.at(i).split('|').mid(2);
    }
    QStringList newest = QString("-- -- -- -- -- -- -- --").split(' ');
    int previous = -1;
    for (const zorSimulator::_event &e : sim->log(zorSimulator::tokenSent)) {
        const QByteArray token = e.data.trimmed();
        const int colon = token.indexOf(':'), ch = token.left(colon).toInt() - 1;
        if (colon < 0)
            continue; // a status line
        newest[ch] = QString::number(token.mid(colon + 1).chopped(1).toDouble(), 'f', 4);
        if (ch <= previous)
            sweeps << newest;
        previous = ch;
    }
    for (int first = 0; first + values.size() <= sweeps.size(); ++first)
        if (sweeps.mid(first, values.size()) == values)
            return;
    QFAIL(qPrintable("no run of sweeps sent is " + rows.join(", ")));
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
    // Readings "channel:time:value[:unit] ...", handed on as the window does.
    void feed(const QString &readings)
    {
        for (const QString &r : readings.split(' ')) {
            const QStringList f = r.split(':');
            h.plot()->addPoint(f[2].toDouble(), f[1].toDouble(), f.value(3, "°С"), zor->qwtIndex, quint8(f[0].toInt()));
            if (recorder.sweepDone(index, quint8(f[0].toInt())))
                recorder.record(index);
        }
    }
    // Sweeps of two channels at times t and t + 0.5, reading t and t + 1. A sweep ends
    // as channel 0 of the next one arrives, so the row of sweep t reads t + 1, t + 1.
    void sweeps(const QVector<double> &times)
    {
        for (double t : times)
            feed(QString("0:%1:%1 1:%2:%3").arg(t).arg(t + 0.5).arg(t + 1));
    }
};

} // namespace

// Results through the main window: recording, of a recorder fed readings with chosen times and of simulated
// instruments on the real link and registry; export with the table button, reading back with the open button.
class test_resultsWindow : public QObject
{
    Q_OBJECT
    mainWindowHarness h; // one window for the suite
    QTemporaryDir dir;

    QWidget *dialog(const char *name) const { return h.window->findChild<QWidget *>(name); }
    QString status(const char *name) const { return dialog(name)->findChild<QLabel *>("statusLabel")->text(); }
    void removeDevices() { for (int index : h.list()->getIndexList()) h.list()->rmByIndex(index); }
    // Opens the recording ("recmeas") or export ("savemeas") dialog of the main device with its button; a path given
    // comes with the separators chosen by their places in the lists.
    QWidget *openDialog(const char *name, const QString &path = QString(), int field = 0, int point = 0)
    {
        QTest::mouseClick(h.window->findChild<QToolButton *>(name == QByteArray("recmeas") ? "recBtn" : "toolButton_2"),
                          Qt::LeftButton);
        if (!path.isEmpty()) {
            dialog(name)->findChild<QLineEdit *>("lineEdit")->setText(path);
            dialog(name)->findChild<QComboBox *>("deFieldCB")->setCurrentIndex(field);
            dialog(name)->findChild<QComboBox *>("dePointCB")->setCurrentIndex(point);
        }
        return dialog(name);
    }

    // Makes the device the main one and switches its recording with the dialog.
    void record(int index, bool on, const QString &file = QString(), int field = 0, int point = 0)
    {
        h.press("devTable", h.list()->getIndexList().indexOf(index) + 1, 1);
        auto *save = openDialog("recmeas", file, field, point)->findChild<QPushButton *>("saveBtn");
        if (save->isChecked() != on)
            QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(status("recmeas"), on ? QString("Идёт запись...") : QString("Запись остановлена"));
        dialog("recmeas")->close();
    }

    // A device without a port, the main one, holding count points a channel: °С at
    // i + 0.25, Ω from i = 3 at i + 0.5, mV at i + 0.5 whose last reading was rejected.
    void portlessDevice(int count)
    {
        h.menuAction("addDevBtn", "без подключния")->trigger();
        const int index = h.list()->getIndexList().last(), q = h.list()->getQWTIndex(index);
        h.plot()->prepareMeas(q, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
        QVector<double> t0, v0, t1, v1, v2;
        for (int i = 0; i < count; ++i) {
            t0 << i + 0.25;
            v0 << 20.0 + i * 0.12345;
            t1 << i + 0.5;
            v1 << 100.0 - i * 0.5;
            v2 << i;
        }
        h.plot()->addPoints(v0, t0, "°С", q, 0);
        h.plot()->addPoints(v1.mid(3), t1.mid(3), "Ω", q, 1);
        h.plot()->addPoints(v2 << -2000.0, t1 << count, "мВ", q, 2);
        h.press("devTable", h.list()->getIndexList().indexOf(index) + 1, 1);
    }

    // Reads the file with the open button: the device it went into, none when none was made; the boxes seen in boxes.
    const zorList::_zor *readBack(const QString &path, QStringList *boxes = nullptr)
    {
        const QList<int> before = h.list()->getIndexList();
        modalAnswer answer(path);
        QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_3"), Qt::LeftButton);
        if (boxes)
            *boxes = answer.seen;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!h.window->findChild<zorResultImport *>(), mainWindowHarness::timeout); }();
        return h.list()->getIndexList() == before ? nullptr : h.list()->getZorByIndex(h.list()->getIndexList().last());
    }

private slots:
    void initTestCase() { h.open(); }

    void period_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QVector<double>>("sweeps"); // start times of the sweeps
        QTest::addColumn<QString>("times");          // of the rows written

        const QVector<double> every20 = {0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220, 240};
        QTest::newRow("2 min, sweeps every 20 s: more than 120 s apart") << 2 << every20 << "20 160";
        QTest::newRow("0: a sweep at the time of the last row gives its row too") << 0 << QVector<double>{0, 5, 5, 6} << "5 5 6";
        QTest::newRow("1 min, the plot cleared: the next sweep gives a row")
            << 1 << QVector<double>{0, 20, 100, 1, 2, 70} << "20 100 1 70";
    }

    void period()
    {
        QFETCH(int, period);
        QFETCH(QVector<double>, sweeps);
        QFETCH(QString, times);
        fedDevice d(h, dir.filePath(QTest::currentDataTag()));
        d.zor->recPeriod = uchar(period);
        d.sweeps(sweeps);
        QStringList got;
        for (const QString &row : fileRows(d.zor->recFile))
            got << row.section('|', 1, 1);
        QCOMPARE(got.join(' '), times);
    }

    // Each row: number, the reference channel's newest time, the newest value of every
    // channel; "--" for a channel switched off or whose last reading was rejected.
    void rowContents()
    {
        fedDevice d(h, dir.filePath("contents.csv"), 3);
        d.zor->options->ch[1].mode = optionsZOR70::chOff;
        d.zor->recRound = 0;
        d.zor->recPointSep = ",";
        // Sweeps 1 and 2 end as channel 0 comes again; channel 2's second reading is rejected.
        d.feed("0:0.4:20.125 1:0.6:7:Ω 2:0.8:30:мВ 0:1.6:21 1:1.7:8:Ω 2:1.8:-1300 0:2.4:22");
        QCOMPARE(fileText(d.zor->recFile), "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;Канал 2;"
                                           "Канал 3;\r\n ;[c];[°С];[Ом];[мВ];\r\n1;2;21,00;--;30,00;\r\n2;2;22,00;--;--;\r\n");
    }

    void gap_data()
    {
        QTest::addColumn<QString>("before"); // "ch:t:value ..." up to the break
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("rows");   // "dT values" of each row
        QTest::newRow("complete sweep: its row at once; then only what came after the gap")
            << "0:0:1 1:0.1:2 2:0.2:3" << "2:10:30 0:11:10 1:11.1:20 2:11.2:31 0:12:11"
            << "0 1.00 2.00 3.00, 11 10.00 -- 30.00, 12 11.00 20.00 31.00";
        QTest::newRow("incomplete sweep: forgotten, not joined to the first one after the gap")
            << "0:0:1 1:0.1:2 2:0.2:3 0:1:4 1:1.1:5" << "1:10:50 2:10.1:60 0:11:40"
            << "1 4.00 2.00 3.00, 11 40.00 50.00 60.00";
    }

    // A broken link: the last complete sweep is written at once, and after the gap no row
    // carries a value or a time read before it.
    void gap()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, rows);
        fedDevice d(h, dir.filePath(QString("gap%1.csv").arg(QTest::currentDataTag()[0] == 'c')), 3);
        d.zor->recRound = 0;
        d.feed(before);
        d.recorder.linkLost(d.index);
        d.feed(after);
        QStringList got;
        for (const QString &row : fileRows(d.zor->recFile))
            got << row.section('|', 1).replace('|', ' ');
        QCOMPARE(got.join(", "), rows);
    }

    // Rows the file does not take wait in memory and go in, in order, once it takes them again, with nothing of a
    // row written halfway left; the failure is shown while it lasts.
    void diskFullForAWhile()
    {
        const QString file = dir.filePath("full.csv");
        fedDevice d(h, file);
        QSignalSpy state(&d.recorder, &zorRecorder::onRecStateChange);
        d.sweeps({0, 1, 2});
        const qint64 size = QFileInfo(file).size();
        {
            fileSizeLimit full(size + 10); // in the middle of the next row
            d.sweeps({3, 4, 5, 6});
        }
        QCOMPARE(QFileInfo(file).size(), size);
        QVERIFY(d.recorder.isFailing(d.index) && state.count() >= 1);
        QVERIFY(d.recorder.problemText(d.index).contains("File too large"));
        QVERIFY(d.recorder.problemText(d.index).endsWith("Строк в памяти: 4"));
        state.clear();
        d.sweeps({7});
        QCOMPARE(d.recorder.problemText(d.index), QString());
        QCOMPARE(state.count(), 1);
        QStringList expected;
        for (int row = 1; row <= 7; ++row)
            expected << QString("%1|%1|%1.0000|%1.0000").arg(row);
        QCOMPARE(fileRows(file), expected);
    }

    // Rows are lost only where they cannot be kept, and are counted: beyond the bound of the rows waiting in
    // memory, and those a stop cannot write. A new recording starts with a clean slate.
    void rowsLost()
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

    void saveFails_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("reason"); // in the warning, after the path; "" for no warning
        QTest::newRow("a folder that does not exist") << "folder" << "Файл не сохранён" << "No such file or directory";
        QTest::newRow("disk full, over an existing file") << "full" << "Файл не сохранён" << "File too large";
        QTest::newRow("cancelled, over an existing file") << "cancel" << "Сохранение отменено" << "";
    }

    // A file that could not be written is never reported as saved, and neither a failed nor a cancelled export leaves
    // a partial file or touches an older file of that name.
    void saveFails()
    {
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QString, reason);
        QTemporaryDir here;
        portlessDevice(how == "cancel" ? 1000000 : 20000);
        const QString path = here.filePath(how == "folder" ? "gone/out.csv" : "out.csv");
        QVERIFY(how == "folder" || writeFile(path, "older results\r\n"));
        modalAnswer answer;
        std::optional<fileSizeLimit> full;
        if (how == "full")
            full.emplace(100000);
        QTest::mouseClick(openDialog("savemeas", path)->findChild<QPushButton *>("saveBtn"), Qt::LeftButton);
        QProgressDialog *progress = nullptr;
        if (how == "cancel") {
            QTRY_VERIFY((progress = dialog("savemeas")->findChild<QProgressDialog *>()) && progress->isVisible());
            QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(status("savemeas"), shown, mainWindowHarness::timeout);
        full.reset();
        QTRY_COMPARE(answer.seen, reason.isEmpty() ? QStringList()
                                                   : QStringList{"Ошибка сохранения: Не удалось сохранить файл " + path
                                                                 + ":\n" + reason});
        QCOMPARE(QDir(here.path()).entryList(QDir::Files), how == "folder" ? QStringList() : QStringList{"out.csv"});
        QCOMPARE(fileText(path), QString(how == "folder" ? "" : "older results\r\n"));
        QTRY_VERIFY(!dialog("savemeas")->findChild<QProgressDialog *>());
        dialog("savemeas")->close();
        h.list()->rmByIndex(h.list()->getIndexList().last());
    }

    // The table button writes the file with the separators chosen (commas for both: a comma between fields keeps the
    // decimal point; the layout suite writes every separator); the open button reads back exactly the points written,
    // each as rounded, with the units, into a device named after it.
    void roundTrip()
    {
        portlessDevice(10);
        const QString path = dir.filePath("round trip.csv");
        QTest::mouseClick(openDialog("savemeas", path, 2, 2)->findChild<QPushButton *>("saveBtn"), Qt::LeftButton);
        QTRY_COMPARE(status("savemeas"), QString("Сохранено!"));
        dialog("savemeas")->close();
        QVERIFY(fileText(path).contains("\r\n1,0,20.0000,--,--,\r\n"));

        const zorList::_zor *zor = readBack(path);
        QVERIFY(zor && zor->devIndex == -1);
        int q = zor->qwtIndex;
        QCOMPARE(zor->options->devName, QFileInfo(path).completeBaseName());
        QCOMPARE(h.plot()->getStartDateTime(q), QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
        // Rows at the whole seconds of channel 1's times (0.25 rounds to 0); channel 2
        // starts at 3.5, so it has no value in the rows before.
        QStringList expected = {"°С:", "Ω:"}, got;
        for (int i = 0; i < 10; ++i) {
            expected[0] += QString(" %1=%2").arg(i).arg(20.0 + i * 0.12345, 0, 'f', 4);
            expected[1] += i >= 4 ? QString(" %1=%2").arg(i).arg(100.0 - (i - 1) * 0.5, 0, 'f', 4) : QString();
        }
        for (const zorPointStore::_ch &c : h.plot()->store().findDev(q)->chs) {
            got << c.dim + ":";
            for (int i = 0; i < c.time.size(); ++i)
                got.last() += QString(" %1=%2").arg(c.time.at(i), 0, 'g', 12).arg(c.meas.at(i), 0, 'f', 4);
        }
        QCOMPARE(got, expected);
        removeDevices();
    }

    // A file cut short inside a row (a copy broken off, a full disk) reads up to the cut and gives no half-written
    // value. Its device keeps the file's start for itself: an instrument added later counts its time from now. Its
    // rows without the header are no results file, refused with the reason (garbage of every kind is the fuzz target's).
    void brokenFilesReadBack()
    {
        removeDevices();
        const QByteArray rows = "1;0;20.5;21.5;\r\n2;1;20.6;21.62";
        QStringList boxes;
        QVERIFY(writeFile(dir.filePath("bad.csv"), rows) && !readBack(dir.filePath("bad.csv"), &boxes));
        QCOMPARE(boxes, QStringList{"Ошибка при чтении файла: Невозможно прочитать файл " + dir.filePath("bad.csv")
                                    + ":\nв первой строке нет даты начала измерений."});
        QByteArray text = zorResultLayout::codec()->fromUnicode("Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n"
                                                                "№;dT;Канал 1;Канал 2;\r\n ;[c];[°С];[°С];\r\n");
        QVERIFY(writeFile(dir.filePath("cut.csv"), text + rows));
        const zorList::_zor *zor = readBack(dir.filePath("cut.csv"));
        QVERIFY(zor);
        const int q = zor->qwtIndex;
        QCOMPARE(QString("%1 %2 %3").arg(h.plot()->getChMeasCount(q, 0)).arg(h.plot()->getChMeasCount(q, 1)).arg(h.plot()->getChMeas(q, 1)),
                 QString("2 1 21.5"));
        QVERIFY(h.plot()->getChShow(q, 1)); // the plot took up the channels the file brought
        h.menuAction("addDevBtn", "без подключния")->trigger();
        QVERIFY(h.plot()->getStartDateTime(h.list()->getQWTIndex(h.list()->getIndexList().last())).secsTo(QDateTime::currentDateTime()) < 60);
        removeDevices();
    }

    // Two instruments of 8 channels with readings of 4 decimals (so that each sweep differs from the one before), the
    // first measuring channel 3 alone: each one's sweeps cut at its own channels, whatever the other sends. The second
    // one's file, with tabs and decimal commas, lies in a folder that goes away for a while (a network share lost): its
    // device row and the dialog show it, and once the folder is back the file holds its sweeps, in order. Recording the
    // first one again into the same file goes on below its rows, numbered from 1 again, under the one header. A file
    // read back meanwhile goes into a device of its own; the live series go on.
    void instrumentsAtOnce()
    {
        QList<zorSimulator *> sims;
        for (quint32 serial : {21, 11}) {
            zorSimulator *sim = h.startSim(serial);
            optionsZOR70 image;
            image.setData(sim->block(optionsZOR70::rdDev), optionsZOR70::rdDev);
            image.setData(sim->block(optionsZOR70::rdCh), optionsZOR70::rdCh);
            for (optionsZOR70::_ch &ch : image.ch)
                ch.round = optionsZOR70::round4;
            image.measMode = serial == 21 ? 0 : image.measMode;
            image.mainCh = serial == 21 ? 2 : image.mainCh;
            sim->setBlock(optionsZOR70::rdDev, image.getDevData());
            sim->setBlock(optionsZOR70::rdCh, image.getChData());
            sims << sim;
        }
        const QList<int> live = h.connectSims(sims);
        // With a reading of each channel in the plot, the next sweeps are whole.
        for (int i = 0; i < live.size(); ++i)
            for (uchar ch = i == 0 ? 2 : 0; ch < (i == 0 ? 3 : 8); ++ch)
                QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(h.list()->getQWTIndex(live[i]), ch) > 0,
                                         mainWindowHarness::timeout);
        QVERIFY(QDir(dir.path()).mkdir("share"));
        const QStringList paths = {dir.filePath("a.csv"), dir.filePath("share/b.csv")};
        record(live[0], true, paths[0]);
        record(live[1], true, paths[1], 1, 2);
        for (const QString &path : paths)
            waitRows(path, 4);
        record(live[0], false);
        const int first = fileRows(paths[0]).size();

        const int row = h.list()->getIndexList().indexOf(live[1]) + 1;
        h.press("devTable", row, 1);
        QVERIFY(QDir(dir.path()).rename("share", "away"));
        QTRY_VERIFY_WITH_TIMEOUT(h.table("devTable")->item(row, 1)->toolTip().contains(
                                     "Файл не принимает запись: No such file or directory"),
                                 mainWindowHarness::timeout);
        openDialog("recmeas");
        QVERIFY(status("recmeas").startsWith("Идёт запись...\nФайл не принимает запись"));
        QVERIFY(QDir(dir.path()).rename("away", "share"));
        QTRY_COMPARE_WITH_TIMEOUT(status("recmeas"), QString("Идёт запись..."), mainWindowHarness::timeout);
        dialog("recmeas")->close();

        QCOMPARE(fileRows(paths[0]).size(), first);
        record(live[0], true);
        waitRows(paths[0], first + 3);
        waitRows(paths[1], fileRows(paths[1]).size() + 2);
        for (int index : live)
            record(index, false);
        const QStringList again = fileRows(paths[0]);
        compareWithSweeps(again.mid(0, first), sims[0]);
        compareWithSweeps(again.mid(first), sims[0]);
        compareWithSweeps(fileRows(paths[1]), sims[1]);
        QCOMPARE(fileText(paths[0]).count("Начало измерений"), 1);
        QVERIFY(QRegularExpression("\t\r\n1\t\\d+\t-?\\d+,\\d{4}\t").match(fileText(paths[1])).hasMatch());

        const int liveQwt = h.list()->getQWTIndex(live[1]), before = h.plot()->getChMeasCount(liveQwt, 0);
        const zorList::_zor *zor = readBack(paths[1]);
        QVERIFY(zor && zor->devIndex == -1 && h.plot()->getChMeasCount(zor->qwtIndex, 2) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(liveQwt, 0) > before, mainWindowHarness::timeout);
    }
};

QTEST_MAIN(test_resultsWindow)
#include "test_resultsWindow.moc"
