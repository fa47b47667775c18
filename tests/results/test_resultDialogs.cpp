#include "modalAnswer.h"
#include "plot/QwtZOR.h"
#include "results/recmeas.h"
#include "results/savemeas.h"
#include "results/zorRecorder.h"
#include "results/zorResultLayout.h"
#include "tests/registry/simulatedRegistry.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(name);
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QString items(QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        const QVariant data = box->itemData(i);
        list << box->itemText(i) + (data.isValid() ? "=" + data.toString().replace('\t', "\\t") : QString());
    }
    return list.join('|') + " @" + box->currentText() + (box->isEnabled() ? "" : " (off)");
}

// What the user sees of a results dialog, one line per control.
QStringList describe(QDialog *d)
{
    auto *save = child<QPushButton>(d, "saveBtn");
    auto *close = child<QPushButton>(d, "closeBtn");
    auto *spin = child<QSpinBox>(d, "timePointSB");
    auto *file = child<QToolButton>(d, "selectFileBtn");
    return {d->windowTitle() + (d->windowFlags() & Qt::WindowContextHelpButtonHint ? " (help)" : ""),
            "roundCB " + items(child<QComboBox>(d, "roundCB")),
            "deFieldCB " + items(child<QComboBox>(d, "deFieldCB")),
            "dePointCB " + items(child<QComboBox>(d, "dePointCB")),
            QString("timePointSB %1..%2 @%3").arg(spin->minimum()).arg(spin->maximum()).arg(spin->value()),
            "lineEdit " + child<QLineEdit>(d, "lineEdit")->placeholderText(),
            "selectFileBtn " + file->text() + " / " + file->toolTip(),
            "saveBtn " + save->text() + " / " + save->toolTip() + (save->isCheckable() ? " (checkable)" : ""),
            "closeBtn " + close->text() + " / " + close->toolTip()};
}

const QString fields = "deFieldCB Точка с запятой=;|Табуляция=\\t|Запятая=,|Пробел= |Двоеточие=:";
const QString points = "dePointCB Системный=|Точка=.|Запятая=,";

// A file the program wrote, as text.
QString text(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? zorResultLayout::codec()->toUnicode(f.readAll()) : QString("(none)");
}

struct saveRig
{
    simulatedRegistry r;
    QwtZOR plot;
    savemeas dialog{nullptr, &plot, &r.sql};
    QTemporaryDir dir;
    int dev = plot.addDev();

    saveRig()
    {
        plot.prepareMeas(dev, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)));
        plot.setDevMain(dev);
        dialog.show();
    }
    void points(int count)
    {
        for (int i = 0; i < count; ++i) {
            plot.addPoint(20.0 + i * 0.001, i, "°С", dev, 0);
            plot.addPoint(100.0 - i * 0.002, i + 0.5, "Ω", dev, 1);
        }
    }
    QString status() { return child<QLabel>(&dialog, "statusLabel")->text(); }
    void save(const QString &path)
    {
        child<QLineEdit>(&dialog, "lineEdit")->setText(path);
        QTest::mouseClick(child<QPushButton>(&dialog, "saveBtn"), Qt::LeftButton);
    }
};

} // namespace

// The export and the recording dialogs as the user works them: their controls, the
// coupled separators, the file dialog, saving with its failures and its cancel, and
// switching a device's recording on and off.
class test_resultDialogs : public QObject
{
    Q_OBJECT

private slots:
    void form_data();
    void form();
    void separatorsCoupled();
    void fileChosen_data();
    void fileChosen();
    void saveFails_data();
    void saveFails();
    void cancelLargeExport();
    void recordingSwitch_data();
    void recordingSwitch();
};

void test_resultDialogs::form_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("seen");
    const QStringList common = {"roundCB 0|1|2|3|4|5|6|7 @4",
                                fields + " @Точка с запятой",
                                points + " @Системный",
                                "timePointSB 0..120 @0",
                                "lineEdit Выберите файл для сохранения",
                                "selectFileBtn Файл / Выбор файла для сохранения"};
    QTest::newRow("savemeas") << "savemeas"
                              << QStringList{"Сохранение результатов в файл"} + common
                                     + QStringList{"saveBtn Сохранить / ", "closeBtn Закрыть / "};
    QTest::newRow("recmeas") << "recmeas"
                             << QStringList{"Запись в файл"} + common
                                    + QStringList{"saveBtn Запись / Сохранить (checkable)", "closeBtn Закрыть / Отмена"};
}

void test_resultDialogs::form()
{
    QFETCH(QString, dialog);
    QFETCH(QStringList, seen);
    simulatedRegistry r;
    QwtZOR plot;
    zorRecorder recorder(&r.list, &plot.store());
    QScopedPointer<QDialog> d(dialog == "savemeas" ? static_cast<QDialog *>(new savemeas(nullptr, &plot, &r.sql))
                                                   : new recmeas(nullptr, &r.list, &recorder));
    QCOMPARE(describe(d.data()), seen);
}

// A comma between fields forces the decimal point; any other separator frees the choice.
void test_resultDialogs::separatorsCoupled()
{
    simulatedRegistry r;
    QwtZOR plot;
    savemeas d(nullptr, &plot, &r.sql);
    auto *field = child<QComboBox>(&d, "deFieldCB");
    auto *point = child<QComboBox>(&d, "dePointCB");
    point->setCurrentIndex(2);
    field->setCurrentIndex(2);
    QCOMPARE("dePointCB " + items(point), points + " @Точка (off)");
    field->setCurrentIndex(3);
    QCOMPARE("dePointCB " + items(point), points + " @Системный");
    point->setCurrentIndex(2);
    field->setCurrentIndex(4);
    QCOMPARE("dePointCB " + items(point), points + " @Системный");
}

void test_resultDialogs::fileChosen_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("property");
    QTest::newRow("savemeas") << "savemeas" << "savemeas_dir";
    QTest::newRow("recmeas") << "recmeas" << "recmeas_dir";
}

// The file dialog: its title, filter and suffix; the file chosen goes to the line, and
// its folder is where the dialog starts next time, in a new session too.
void test_resultDialogs::fileChosen()
{
    QFETCH(QString, dialog);
    QFETCH(QString, property);
    simulatedRegistry r;
    QwtZOR plot;
    zorRecorder recorder(&r.list, &plot.store());
    QTemporaryDir dir;
    const auto make = [&] {
        return dialog == "savemeas" ? static_cast<QDialog *>(new savemeas(nullptr, &plot, &r.sql))
                                    : new recmeas(nullptr, &r.list, &recorder);
    };
    QScopedPointer<QDialog> d(make());
    QStringList asked;
    modalAnswer answer([&](QWidget *w) {
        auto *files = qobject_cast<QFileDialog *>(w);
        asked << files->windowTitle() << files->nameFilters().join(" / ") << files->defaultSuffix()
              << QString::number(files->acceptMode());
        // Typed in, as the user does.
        files->setDirectory(dir.path());
        files->findChild<QLineEdit *>("fileNameEdit")->setText("run 1");
        QMetaObject::invokeMethod(files, "accept");
    });
    QTest::mouseClick(child<QToolButton>(d.data(), "selectFileBtn"), Qt::LeftButton);
    QCOMPARE(asked, QStringList({"Файл для сохранения результатов", "CSV (*.csv *.CSV) / * (*.*)", "csv",
                                 QString::number(QFileDialog::AcceptSave)}));
    QCOMPARE(child<QLineEdit>(d.data(), "lineEdit")->text(), dir.filePath("run 1.csv"));
    QCOMPARE(r.sql.getAppProperty(property).toString(), dir.path());
    QScopedPointer<QDialog> again(make());
    QCOMPARE(again->findChild<QFileDialog *>()->directory().absolutePath(), dir.path());
}

void test_resultDialogs::saveFails_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("reason");   // in the warning, after the path; "" for no warning
    QTest::newRow("no file name") << "none" << "Выберите файл для сохранения" << "";
    QTest::newRow("no channels") << "empty" << "Нет данных для сохранения" << "";
    QTest::newRow("a folder that does not exist") << "folder" << "Файл не сохранён" << "No such file or directory";
    QTest::newRow("disk full, over an existing file") << "full" << "Файл не сохранён" << "File too large";
}

// A file that could not be written is never reported as saved, leaves no partial file
// and leaves an older file of that name as it was.
void test_resultDialogs::saveFails()
{
    QFETCH(QString, how);
    QFETCH(QString, status);
    QFETCH(QString, reason);
    saveRig s;
    if (how != "empty")
        s.points(20000);
    QString path = s.dir.filePath("out.csv");
    if (how == "none")
        path.clear();
    if (how == "folder")
        path = s.dir.filePath("gone/out.csv");
    if (how == "full") {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older results\r\n");
    }
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    if (how == "full") {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit full{100000, unlimited.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    }
    modalAnswer answer;
    s.save(path);
    QTRY_COMPARE(s.status(), status);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    if (!reason.isEmpty()) {
        QTRY_COMPARE(answer.seen.size(), 1);
        QCOMPARE(answer.seen.first(), "Ошибка сохранения: Не удалось сохранить файл " + path + ":\n" + reason);
    }
    QVERIFY(child<QPushButton>(&s.dialog, "saveBtn")->isEnabled());
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), how == "full" ? QStringList{"out.csv"} : QStringList());
    if (how == "full")
        QCOMPARE(text(path), QString("older results\r\n"));
}

// A long export shows its progress; cancelling it leaves the older file as it was and
// nothing else behind.
void test_resultDialogs::cancelLargeExport()
{
    saveRig s;
    s.points(1000000);
    const QString path = s.dir.filePath("out.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older results\r\n");
    old.close();
    s.save(path);
    QProgressDialog *progress = nullptr;
    QTRY_VERIFY((progress = s.dialog.findChild<QProgressDialog *>()) && progress->isVisible());
    QCOMPARE(progress->labelText(), QString("Сохранение результатов в файл..."));
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    QTRY_COMPARE(s.status(), QString("Сохранение отменено"));
    QCOMPARE(text(path), QString("older results\r\n"));
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList{"out.csv"});
    QTRY_VERIFY(!s.dialog.findChild<QProgressDialog *>());
}

void test_resultDialogs::recordingSwitch_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("state");   // recEnabled, recRow, the button, the status line
    QTest::newRow("on with a file") << "rec.csv" << true << "1 5 checked Идёт запись...";
    QTest::newRow("on without a file") << "" << true << "0 0 - Запись остановлена";
    QTest::newRow("off") << "rec.csv" << false << "0 0 - Запись остановлена";
}

// The button copies the form into the device's recording settings and tells the
// views; stopping resets the row count. A device without a file is offered the name
// proposed, in the folder of the last file chosen.
void test_resultDialogs::recordingSwitch()
{
    QFETCH(QString, file);
    QFETCH(bool, checked);
    QFETCH(QString, state);
    simulatedRegistry r;
    QwtZOR plot;
    zorRecorder recorder(&r.list, &plot.store());
    recmeas d(nullptr, &r.list, &recorder);
    const int index = r.list.newZor(-1, false);
    zorList::_zor *z = r.list.getZorByIndex(index);
    z->recEnabled = !checked;
    z->recRow = 5;
    d.setZor(index, file);
    child<QComboBox>(&d, "deFieldCB")->setCurrentIndex(1);
    child<QComboBox>(&d, "roundCB")->setCurrentIndex(6);
    child<QSpinBox>(&d, "timePointSB")->setValue(15);
    QSignalSpy change(&r.list, &zorList::onChange);
    auto *button = child<QPushButton>(&d, "saveBtn");
    button->setChecked(!checked);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(QString("%1 %2 %3 %4")
                 .arg(int(z->recEnabled))
                 .arg(z->recRow)
                 .arg(button->isChecked() ? "checked" : "-")
                 .arg(child<QLabel>(&d, "statusLabel")->text()),
             state);
    QCOMPARE(QString("%1|%2|%3|%4|%5").arg(z->recFile, z->recFieldSep, z->recPointSep).arg(int(z->recRound)).arg(z->recPeriod),
             (file.isEmpty() ? QString() : QDir::home().filePath(file)) + "|\t||6|15");
    QCOMPARE(change.count(), 1);
}

QTEST_MAIN(test_resultDialogs)
#include "test_resultDialogs.moc"
