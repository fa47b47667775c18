#include "modalAnswer.h"
#include "tests/app/mainWindowHarness.h"

#include "results/savemeas.h"
#include "results/zorResultExport.h"
#include "results/zorResultImport.h"
#include "results/zorResultLayout.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtTest>

namespace {

const QString badFileText = "Ошибка при чтении файла: Невозможно прочитать файл.\nФайл повреждён, занят другим "
                            "приложением или имеет неверный формат.";

// Per channel: "unit: time=value ..." of every point of the device, values with 4 decimals.
QStringList pointsOf(const zorPointStore &store, int qwtIndex)
{
    QStringList result;
    const zorPointStore::_dev *dev = store.findDev(qwtIndex);
    for (int ch = 0; dev && ch < dev->chs.size(); ++ch) {
        const zorPointStore::_ch &c = dev->chs.at(ch);
        QStringList points;
        for (int i = 0; i < c.time.size(); ++i)
            points << QString::number(c.time.at(i), 'g', 12) + "=" + QString::number(c.meas.at(i), 'f', 4);
        result << c.dim + ": " + points.join(' ');
    }
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// Reading results back through the main window's open button, and the export of its
// table button: what was exported comes back point for point with every separator,
// into a new device without a port that leaves live instruments alone; bad files end
// in the error box or load what is valid; a long file can be cancelled.
class test_readBack : public QObject
{
    Q_OBJECT
    std::unique_ptr<mainWindowHarness> h;
    QTemporaryDir dir;

    // Reads the file with the open button; the registry index of the device it went
    // into, -1 when none was made. The message boxes seen land in boxes.
    int readBack(const QString &path, QStringList *boxes = nullptr, bool wait = true);
    // A device without a port holding a few points, the main device.
    int portlessDevice();

private slots:
    void init();
    void cleanup() { h.reset(); }
    void roundTrip_data();
    void roundTrip();
    void layouts_data();
    void layouts();
    void badFiles_data();
    void badFiles();
    void liveSeriesUntouched();
    void cancelKeepsWhatWasRead();
};

void test_readBack::init()
{
    h.reset(new mainWindowHarness);
    h->open();
}

int test_readBack::readBack(const QString &path, QStringList *boxes, bool wait)
{
    const QList<int> before = h->list()->getIndexList();
    modalAnswer answer([path](QWidget *modal) {
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            files->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(files, "accept");
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    QTest::mouseClick(h->window->findChild<QToolButton *>("toolButton_3"), Qt::LeftButton);
    if (boxes)
        *boxes = answer.seen;
    QList<int> added = h->list()->getIndexList();
    for (int index : before)
        added.removeAll(index);
    if (added.isEmpty())
        return -1;
    if (wait)
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!h->window->findChild<zorResultImport *>(), mainWindowHarness::timeout); }();
    return added.first();
}

int test_readBack::portlessDevice()
{
    h->menuAction("addDevBtn", "без подключния")->trigger();
    const int index = h->list()->getIndexList().last();
    const int q = h->list()->getQWTIndex(index);
    QwtZOR *plot = h->plot();
    plot->prepareMeas(q, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
    for (int i = 0; i < 10; ++i) {
        plot->addPoint(20.0 + i * 0.12345, i + 0.25, "°С", q, 0);
        if (i >= 3)
            plot->addPoint(100.0 - i * 0.5, i + 0.5, "Ω", q, 1);
        plot->addPoint(i, i + 0.5, "мВ", q, 2);
    }
    plot->addPoint(-2000.0, 10.0, "мВ", q, 2);   // rejected: the column reads "--"
    h->press("devTable", h->list()->getIndexList().indexOf(index) + 1, 1);
    return index;
}

void test_readBack::roundTrip_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("point");
    const QStringList fields = {"Точка с запятой", "Табуляция", "Запятая", "Пробел", "Двоеточие"};
    const QStringList points = {"Системный", "Точка", "Запятая"};
    for (int f = 0; f < fields.size(); ++f)
        for (int p = 0; p < points.size(); ++p)
            QTest::addRow("%s, %s", qPrintable(fields[f]), qPrintable(points[p])) << f << p;
}

// Every combination of separators: the table button writes the file, the open button
// reads back exactly the points written, each as rounded, with the units.
void test_readBack::roundTrip()
{
    QFETCH(int, field);
    QFETCH(int, point);
    portlessDevice();
    QTest::mouseClick(h->window->findChild<QToolButton *>("toolButton_2"), Qt::LeftButton);
    auto *save = h->window->findChild<savemeas *>("savemeas");
    QVERIFY(save->isVisible());
    save->findChild<QComboBox *>("deFieldCB")->setCurrentIndex(field);
    if (save->findChild<QComboBox *>("dePointCB")->isEnabled())
        save->findChild<QComboBox *>("dePointCB")->setCurrentIndex(point);
    const QString path = dir.filePath(QString("round %1 %2.csv").arg(field).arg(point));
    save->findChild<QLineEdit *>("lineEdit")->setText(path);
    QTest::mouseClick(save->findChild<QPushButton *>("saveBtn"), Qt::LeftButton);
    QTRY_COMPARE(save->findChild<QLabel *>("statusLabel")->text(), QString("Сохранено!"));
    save->close();

    const int index = readBack(path);
    QVERIFY(index >= 0);
    const zorList::_zor *zor = h->list()->getZorByIndex(index);
    QCOMPARE(zor->options->devName, QFileInfo(path).completeBaseName());
    QCOMPARE(h->plot()->getStartDateTime(zor->qwtIndex), QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
    // Rows at the whole seconds of channel 1's times (0.25 rounds to 0); channel 2
    // starts at 3.5, so it has no value in the rows before.
    QStringList expected{"°С: ", "Ω: "};
    for (int i = 0; i < 10; ++i) {
        expected[0] += QString("%1=%2 ").arg(i).arg(QString::number(20.0 + i * 0.12345, 'f', 4));
        if (i >= 4)
            expected[1] += QString("%1=%2 ").arg(i).arg(QString::number(100.0 - (i - 1) * 0.5, 'f', 4));
    }
    for (QString &line : expected)
        line.chop(1);
    QCOMPARE(pointsOf(h->plot()->store(), zor->qwtIndex), expected);
}

void test_readBack::layouts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QStringList>("points");
    QTest::newRow("beyond 1,000,000 s")
        << "Начало измерений. Дата 01.02.2024 Время 00:00:00;\r\n\r\n№;dT;Канал 1;\r\n ;[c];[K];\r\n"
           "1;999999;293,15;\r\n2;1000001;293,16;\r\n3;12345678;293,17;\r\n"
        << QDateTime(QDate(2024, 2, 1), QTime(0, 0)) << QStringList{"K: 999999=293.1500 1000001=293.1600 12345678=293.1700"};
    QTest::newRow("the older layout")
        << "Измерение;05.03.2024;\r\nВремя;09:08:07;\r\n\r\n№;dT;Время;Канал 1 [°С];Канал 2 [Ом];\r\n"
           "1;0;09:08:07;21.5;100.25;\r\n2;2;09:08:09;21.75;--;\r\n"
        << QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)) << QStringList{"°С: 0=21.5000 2=21.7500", "Ω: 0=100.2500"};
}

void test_readBack::layouts()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, start);
    QFETCH(QStringList, points);
    const QString path = dir.filePath("file.csv");
    writeFile(path, zorResultLayout::codec()->fromUnicode(text));
    const int q = h->list()->getQWTIndex(readBack(path));
    QCOMPARE(h->plot()->getStartDateTime(q), start);
    QCOMPARE(pointsOf(h->plot()->store(), q), points);
}

void test_readBack::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("box");       // "" for none
    QTest::addColumn<int>("channels");      // of the device made, -1 for no device

    QByteArray random(200000, '\0');
    QRandomGenerator generator(5);
    for (char &c : random)
        c = char(generator.bounded(256));
    const QByteArray header = zorResultLayout::codec()->fromUnicode(
        "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;Канал 2;\r\n ;[c];[°С];[°С];\r\n");
    QTest::newRow("a first line without a date")
        << zorResultLayout::codec()->fromUnicode("Результаты\r\n\r\n№;dT;Канал 1;\r\n ;[c];[°С];\r\n1;0;5;\r\n")
        << badFileText << -1;
    QTest::newRow("random bytes") << random << badFileText << -1;
    QTest::newRow("a header only: a device without points") << header << "" << 0;
}

void test_readBack::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, box);
    QFETCH(int, channels);
    const QString path = dir.filePath("bad.csv");
    writeFile(path, bytes);
    QStringList boxes;
    const int index = readBack(path, &boxes);
    QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(index >= 0, channels >= 0);
    QCOMPARE(h->list()->count(), channels >= 0 ? 1 : 0);
    if (index >= 0) {
        int withPoints = 0;
        for (int ch = 0; ch < h->plot()->getChCount(h->list()->getQWTIndex(index)); ++ch)
            withPoints += h->plot()->getChMeasCount(h->list()->getQWTIndex(index), uchar(ch)) > 0;
        QCOMPARE(withPoints, channels);
    }
}

// A file read while an instrument streams goes into a device of its own; the
// instrument's series go on growing.
void test_readBack::liveSeriesUntouched()
{
    zorSimulator *sim = h->startSim(51);
    const int live = h->connectSim(sim);
    const int liveQwt = h->list()->getQWTIndex(live);
    QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(liveQwt, 0) > 2, mainWindowHarness::timeout);
    const QString path = dir.filePath("earlier run.csv");
    writeFile(path, zorResultLayout::codec()->fromUnicode(
                        "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;\r\n ;[c];[°С];\r\n"
                        "1;0;1;\r\n2;1;2;\r\n"));
    const int before = h->plot()->getChMeasCount(liveQwt, 0);
    const int index = readBack(path);
    QVERIFY(index != live);
    QCOMPARE(h->list()->getZorByIndex(index)->devIndex, -1);
    QCOMPARE(h->list()->getZorByIndex(index)->options->devName, QString("earlier run"));
    QCOMPARE(pointsOf(h->plot()->store(), h->list()->getQWTIndex(index)), QStringList{"°С: 0=1.0000 1=2.0000"});
    QVERIFY(h->plot()->getChMeasCount(liveQwt, 0) >= before);
    QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(liveQwt, 0) > before, mainWindowHarness::timeout);
}

// A long file shows its progress; cancelling keeps the rows read so far.
void test_readBack::cancelKeepsWhatWasRead()
{
    const int rows = 400000;
    QVector<zorResultExport::_channel> channels(16);
    for (zorResultExport::_channel &c : channels) {
        c.dim = "°С";
        for (int i = 0; i < rows; ++i) {
            c.time << i;
            c.meas << 20.0 + i * 1e-4;
        }
    }
    const QString path = dir.filePath("week.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    zorResultExport job(QDateTime::currentDateTime(), channels, zorResultLayout(";", "", 4), 0);
    QVERIFY(job.begin(&file) && job.run());
    file.close();

    const int index = readBack(path, nullptr, false);
    QVERIFY(index >= 0);
    QProgressDialog *progress = nullptr;
    QTRY_VERIFY((progress = h->window->findChild<QProgressDialog *>()) && progress->isVisible());
    QCOMPARE(progress->labelText(), QString("Чтение результатов измерений из файла..."));
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    const int q = h->list()->getQWTIndex(index);
    QTRY_VERIFY(!h->window->findChild<zorResultImport *>());
    QCOMPARE(h->plot()->store().currentDev(), q);
    const int read = h->plot()->getChMeasCount(q, 0);
    QVERIFY(read > 0 && read < rows);
    QTest::qWait(200);
    QCOMPARE(h->plot()->getChMeasCount(q, 0), read);
    QTRY_VERIFY(!h->window->findChild<QProgressDialog *>());
}

QTEST_MAIN(test_readBack)
#include "test_readBack.moc"
