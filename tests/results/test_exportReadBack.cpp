#include "fileSizeLimit.h"
#include "tests/app/mainWindowHarness.h"

#include "db/zorSql.h"
#include "results/savemeas.h"
#include "results/zorResultExport.h"
#include "results/zorResultImport.h"
#include "results/zorResultLayout.h"

#include <QAbstractButton>
#include <QAbstractItemView>
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

#include <optional>

namespace {

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

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// While it lives, answers every modal window but a progress dialog, so that none is left
// blocking: with answer, or the message box's first button and a dialog's reject().
// The "title: text" of every message box lands in seen.
class modalAnswer
{
public:
    explicit modalAnswer(std::function<void(QWidget *)> answer = nullptr)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, answer] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || qobject_cast<QProgressDialog *>(modal))
                return;
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (box)
                seen << box->windowTitle() + ": " + box->text();
            if (answer)
                answer(modal);
            else if (box)
                box->buttons().first()->click();
            else if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        });
        timer.start(10);
    }
    QStringList seen;

private:
    QTimer timer;
};

} // namespace

// Exporting with the main window's table button and reading back with its open
// button: what was exported comes back point for point with every separator, into a
// new device without a port (a file read while instruments stream is tried in
// test_recording); a file that could not be written is never reported as saved; bad
// files end in the error box or load what is valid; long files show their progress
// and can be cancelled.
class test_exportReadBack : public QObject
{
    Q_OBJECT
    mainWindowHarness h;   // one window for the suite
    QTemporaryDir dir;

    savemeas *saveDialog() const { return h.window->findChild<savemeas *>("savemeas"); }
    QString saveStatus() const { return saveDialog()->findChild<QLabel *>("statusLabel")->text(); }
    // A device without a port, the main one, holding count points a channel: °С at
    // i + 0.25, Ω from i = 3 at i + 0.5, mV at i + 0.5 whose last reading was rejected.
    int portlessDevice(int count);
    // Opens the export with the table button and saves to path.
    void save(const QString &path);
    // Reads the file with the open button; the registry index of the device it went
    // into, -1 when none was made. The message boxes seen land in boxes.
    int readBack(const QString &path, QStringList *boxes = nullptr, bool wait = true);

private slots:
    void initTestCase() { h.open(); }
    void cleanup();
    void saveFails_data();
    void saveFails();
    void fileChosen();
    void roundTrip_data();
    void roundTrip();
    void badFiles_data();
    void badFiles();
    void cancelKeepsWhatWasRead();
};

// Each test starts with no device.
void test_exportReadBack::cleanup()
{
    for (int index : h.list()->getIndexList())
        h.list()->rmByIndex(index);
}

int test_exportReadBack::portlessDevice(int count)
{
    h.menuAction("addDevBtn", "без подключния")->trigger();
    const int index = h.list()->getIndexList().last();
    const int q = h.list()->getQWTIndex(index);
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
    if (count > 0)   // the last reading rejected: the column reads "--"
        h.plot()->addPoints(v2 << -2000.0, t1 << count, "мВ", q, 2);
    h.press("devTable", h.list()->getIndexList().indexOf(index) + 1, 1);
    return index;
}

void test_exportReadBack::save(const QString &path)
{
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_2"), Qt::LeftButton);
    QVERIFY(saveDialog()->isVisible());
    saveDialog()->findChild<QLineEdit *>("lineEdit")->setText(path);
    QTest::mouseClick(saveDialog()->findChild<QPushButton *>("saveBtn"), Qt::LeftButton);
}

int test_exportReadBack::readBack(const QString &path, QStringList *boxes, bool wait)
{
    const QList<int> before = h.list()->getIndexList();
    modalAnswer answer([path](QWidget *modal) {
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            // What the last reading left selected in the list would win over the typed name.
            files->findChild<QAbstractItemView *>("listView")->selectionModel()->clear();
            files->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(files, "accept");
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_3"), Qt::LeftButton);
    if (boxes)
        *boxes = answer.seen;
    QList<int> added = h.list()->getIndexList();
    for (int index : before)
        added.removeAll(index);
    if (added.isEmpty())
        return -1;
    if (wait)
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!h.window->findChild<zorResultImport *>(), mainWindowHarness::timeout); }();
    return added.first();
}

void test_exportReadBack::saveFails_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("reason");   // in the warning, after the path; "" for no warning
    QTest::newRow("no file name") << "none" << "Выберите файл для сохранения" << "";
    QTest::newRow("no channels") << "empty" << "Нет данных для сохранения" << "";
    QTest::newRow("a folder that does not exist") << "folder" << "Файл не сохранён" << "No such file or directory";
    QTest::newRow("disk full, over an existing file") << "full" << "Файл не сохранён" << "File too large";
    QTest::newRow("cancelled, over an existing file") << "cancel" << "Сохранение отменено" << "";
}

// A file that could not be written is never reported as saved, and neither a failed
// nor a cancelled export leaves a partial file or touches an older file of that name.
void test_exportReadBack::saveFails()
{
    QFETCH(QString, how);
    QFETCH(QString, status);
    QFETCH(QString, reason);
    QTemporaryDir here;
    portlessDevice(how == "empty" ? 0 : how == "cancel" ? 1000000 : 20000);
    const QString path = how == "none" ? QString() : here.filePath(how == "folder" ? "gone/out.csv" : "out.csv");
    const bool older = how == "full" || how == "cancel";
    if (older)
        writeFile(path, "older results\r\n");
    modalAnswer answer;
    std::optional<fileSizeLimit> full;
    if (how == "full")
        full.emplace(100000);
    save(path);
    if (how == "cancel") {
        QProgressDialog *progress = nullptr;
        QTRY_VERIFY((progress = saveDialog()->findChild<QProgressDialog *>()) && progress->isVisible());
        QCOMPARE(progress->labelText(), QString("Сохранение результатов в файл..."));
        QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(saveStatus(), status, mainWindowHarness::timeout);
    full.reset();
    QTRY_COMPARE(answer.seen.size(), reason.isEmpty() ? 0 : 1);
    if (!reason.isEmpty())
        QCOMPARE(answer.seen.first(), "Ошибка сохранения: Не удалось сохранить файл " + path + ":\n" + reason);
    QVERIFY(saveDialog()->findChild<QPushButton *>("saveBtn")->isEnabled());
    QCOMPARE(QDir(here.path()).entryList(QDir::Files), older ? QStringList{"out.csv"} : QStringList());
    if (older)
        QCOMPARE(contents(path), QByteArray("older results\r\n"));
    QTRY_VERIFY(!saveDialog()->findChild<QProgressDialog *>());
    saveDialog()->close();
}

// The file dialog of the export: the file typed gets the suffix, and its folder is kept
// for the next session.
void test_exportReadBack::fileChosen()
{
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_2"), Qt::LeftButton);
    modalAnswer answer([&](QWidget *w) {
        auto *files = qobject_cast<QFileDialog *>(w);
        files->setDirectory(dir.path());
        files->findChild<QLineEdit *>("fileNameEdit")->setText("run 1");
        QMetaObject::invokeMethod(files, "accept");
    });
    QTest::mouseClick(saveDialog()->findChild<QToolButton *>("selectFileBtn"), Qt::LeftButton);
    QCOMPARE(saveDialog()->findChild<QLineEdit *>("lineEdit")->text(), dir.filePath("run 1.csv"));
    QCOMPARE(h.list()->getSql()->getAppProperty("savemeas_dir").toString(), dir.path());
    saveDialog()->close();
}

void test_exportReadBack::roundTrip_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("firstRow");
    // Every field separator, and every decimal separator with one of them; the comma
    // between fields keeps the decimal point.
    const QStringList fields = {"Точка с запятой", "Табуляция", "Запятая", "Пробел", "Двоеточие"};
    const QStringList points = {"Системный", "Точка", "Запятая"};
    const QString separators = ";\t, :";
    const int pointOf[] = {2, 0, 2, 1, 0};
    for (int f = 0; f < fields.size(); ++f) {
        const int p = pointOf[f];
        QTest::addRow("%s, %s", qPrintable(fields[f]), qPrintable(points[p]))
            << f << p << QString("1_0_20%1_--_--_").arg(p == 2 && f != 2 ? ",0000" : ".0000").replace('_', separators[f]);
    }
}

// With each field separator: the table button writes the file with the separators
// chosen, the open button reads back exactly the points written, each as rounded,
// with the units.
void test_exportReadBack::roundTrip()
{
    QFETCH(int, field);
    QFETCH(int, point);
    QFETCH(QString, firstRow);
    portlessDevice(10);
    QTest::mouseClick(h.window->findChild<QToolButton *>("toolButton_2"), Qt::LeftButton);
    saveDialog()->findChild<QComboBox *>("deFieldCB")->setCurrentIndex(field);
    saveDialog()->findChild<QComboBox *>("dePointCB")->setCurrentIndex(point);
    const QString path = dir.filePath(QString("round %1 %2.csv").arg(field).arg(point));
    save(path);
    QTRY_COMPARE(saveStatus(), QString("Сохранено!"));
    saveDialog()->close();
    QVERIFY(contents(path).contains("\r\n" + firstRow.toLatin1() + "\r\n"));

    const int index = readBack(path);
    QVERIFY(index >= 0);
    const zorList::_zor *zor = h.list()->getZorByIndex(index);
    QCOMPARE(zor->options->devName, QFileInfo(path).completeBaseName());
    QCOMPARE(h.plot()->getStartDateTime(zor->qwtIndex), QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
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
    QCOMPARE(pointsOf(h.plot()->store(), zor->qwtIndex), expected);
}

void test_exportReadBack::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("channels");   // of the device made, -1 for none and the error box

    QByteArray random(200000, '\0');
    QRandomGenerator generator(5);
    for (char &c : random)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes") << random << -1;
    QTest::newRow("a header only: a device without points")
        << zorResultLayout::codec()->fromUnicode(
               "Начало измерений. Дата 05.03.2024 Время 09:08:07;\r\n\r\n№;dT;Канал 1;Канал 2;\r\n ;[c];[°С];[°С];\r\n")
        << 0;
}

void test_exportReadBack::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, channels);
    const QString path = dir.filePath("bad.csv");
    writeFile(path, bytes);
    QStringList boxes;
    const int index = readBack(path, &boxes);
    QCOMPARE(boxes, channels >= 0 ? QStringList()
                                  : QStringList{"Ошибка при чтении файла: Невозможно прочитать файл.\nФайл повреждён, "
                                                "занят другим приложением или имеет неверный формат."});
    QCOMPARE(h.list()->count(), channels >= 0 ? 1 : 0);
    if (index >= 0)
        QCOMPARE(pointsOf(h.plot()->store(), h.list()->getQWTIndex(index)).join(' ').count('='), 0);
}

// A long file shows its progress; cancelling keeps the rows read so far.
void test_exportReadBack::cancelKeepsWhatWasRead()
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
    QTRY_VERIFY((progress = h.window->findChild<QProgressDialog *>()) && progress->isVisible());
    QCOMPARE(progress->labelText(), QString("Чтение результатов измерений из файла..."));
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    const int q = h.list()->getQWTIndex(index);
    QTRY_VERIFY(!h.window->findChild<zorResultImport *>());
    QCOMPARE(h.plot()->store().currentDev(), q);
    const int read = h.plot()->getChMeasCount(q, 0);
    QVERIFY(read > 0 && read < rows);
    QTest::qWait(200);
    QCOMPARE(h.plot()->getChMeasCount(q, 0), read);
    QTRY_VERIFY(!h.window->findChild<QProgressDialog *>());
}

QTEST_MAIN(test_exportReadBack)
#include "test_exportReadBack.moc"
