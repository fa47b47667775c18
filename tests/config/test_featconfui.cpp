#include "config/featconfui.h"
#include "config/tpReperUI.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"
#include "tests/common/modalAnswer.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using L = QStringList;

namespace {

L texts(int count, const std::function<QString(int)> &text)
{
    L result;
    for (int n = 0; n < count; ++n)
        result << text(n);
    return result;
}

// A record of the type whose coefficient n is n + 1.
QByteArray counting(int type, const QString &name = "счёт")
{
    featureZOR70 f;
    f.setFeature(type, name, texts(featureTableLayout(type).cells(), [](int n) { return QString::number(n + 1); }));
    return f.getData();
}

// The editor on a temporary database, open on a characteristic of its own.
struct fixture
{
    explicit fixture(const QByteArray &record = counting(0))
    {
        feature.setData(record);
        dialog.setEdited(&feature, false);
        dialog.QDialog::show();
    }

    template <typename T>
    T *get(const char *name) { return dialog.findChild<T *>(name); }
    QTableWidget *table() { return get<QTableWidget>("ratioTable"); }
    QComboBox *box() { return get<QComboBox>("dbFindCB"); }
    L boxItems() { return texts(box()->count(), [this](int n) { return box()->itemText(n); }); }
    // Type, name and "[!] save delete" shown ("1" shown or enabled).
    QString state()
    {
        return QString("%1 %2 %3%4%5").arg(get<QComboBox>("featType")->currentData().toInt()).arg(get<QLineEdit>("featName")->text())
            .arg(!get<QWidget>("dbStatusLabel")->isHidden()).arg(get<QWidget>("saveDBBtn")->isEnabled()).arg(get<QWidget>("rmDBBtn")->isEnabled());
    }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void chooseType(int type) { get<QComboBox>("featType")->setCurrentIndex(get<QComboBox>("featType")->findData(type)); }
    // What a cell editor does with the text the user typed.
    void edit(int row, int column, const QString &text) { table()->item(row, column)->setText(text); }
    // The cells as the user reads them, column by column.
    L cells()
    {
        const int rows = table()->rowCount();
        return texts(rows * table()->columnCount(), [this, rows](int n) {
            const QTableWidgetItem *item = table()->item(n % rows, n / rows);
            return item ? item->text() : QString();
        });
    }
    // The working copy, as the enter button hands it over.
    QByteArray entered()
    {
        click("pushButton");
        return feature.getData();
    }

    QTemporaryDir dir;
    zorSql sql{zorSqlFile::prepare(dir.path()).path()};
    featureZOR70 feature;
    featconfui dialog{&sql};
};

} // namespace

// The characteristic editor: table layouts, ".dat" files, the database box and the
// fixed-point recalculation with its dialog. (Applying to an instrument is tried from
// the settings dialog and the channel menu, in test_devConfUI.)
class test_featconfui : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data()
    {
        // The headers, the second cell (coefficients by row, tables by column), then the
        // table after adding a column and a row (never beyond the 40 coefficients a record
        // holds): "<columns>|<rows>|<second cell> <columns>x<rows>".
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        const QString table = texts(20, [](int n) { return QString::number(n + 1); }).join(',');
        QTest::newRow("0 ТС МТШ-90") << 0 << "Rтт,M,a,b,c,d,W|1|2.0000000 8x2";
        QTest::newRow("2 ТС Полином") << 2 << "1,2,3,4,5|C0..C4,C5..C9|6.000000e+00 6x3";
        QTest::newRow("3 ТС Таблица") << 3 << table + "|°С,Ом|2.00000 20x2";
        QTest::newRow("6 Изм. Пр.") << 6 << "Min,Max,Диапазон|1|2.000 4x2";
    }

    // Each type shown on the same record is taken into the working copy, saved to a ".dat"
    // file and loaded back after another type and name were chosen: type, name and every
    // cell back. (Every format and fault of the files, in test_featureDatFile.)
    void layouts()
    {
        QFETCH(int, type);
        QFETCH(QString, shown);
        fixture f(counting(featureZOR70::ftTSTable)); // 40 coefficients, arguments ascending
        f.chooseType(type);
        const auto headers = [&f](Qt::Orientation o, int count) {
            return texts(count, [&](int n) { return f.table()->model()->headerData(n, o).toString(); }).join(',');
        };
        const QString before = headers(Qt::Horizontal, f.table()->columnCount()) + "|"
                               + headers(Qt::Vertical, f.table()->rowCount()) + "|" + f.cells().at(1);
        auto *range = qobject_cast<QComboBox *>(f.table()->cellWidget(0, 2));
        QCOMPARE(range != nullptr, type == featureZOR70::ftIzmPr);
        if (range) {
            QCOMPARE(range->currentIndex(), -1); // 3 names no range
            range->setCurrentIndex(2);
            QCOMPARE(f.table()->item(0, 2)->text(), QString("2.000"));
        }
        f.edit(0, 0, "-0.75");
        const QByteArray taken = f.entered();
        QCOMPARE(f.feature.getType(), type);
        QCOMPARE(f.feature.getRatio(2), range ? 2.0 : 3.0);
        const QString state = f.state() + f.cells().join(' ');
        modalAnswer::file(f.dir.filePath("in.dat"));
        f.click("pushButton_4");
        f.chooseType((type + 1) % 7);
        f.get<QLineEdit>("featName")->setText("другое");
        modalAnswer::file(f.dir.filePath("in.dat"));
        f.click("pushButton_3");
        QCOMPARE(f.state() + f.cells().join(' '), state);
        QCOMPARE(f.entered(), taken);
        for (const char *action : {"addColumnAction", "addRowAction"})
            f.dialog.findChild<QAction *>(action)->trigger();
        QCOMPARE(QString("%1 %2x%3").arg(before).arg(f.table()->columnCount()).arg(f.table()->rowCount()), shown);
    }

    // The table shows rounded numbers; applying must not round what the user left alone.
    void unchangedCellsKeepFullPrecision()
    {
        featureZOR70 precise;
        QVERIFY(precise.setFeature(0, "ПТС-10", {"25.5012345678", "0.123456789012", "-1.23456789e-5", "4.5e-9",
                                                 "-7.7e-10", "0", "1.11809"}));
        fixture f(precise.getData());
        f.edit(0, 1, "0.5");
        f.entered();
        QCOMPARE(f.feature.getRatio(1), 0.5);
        for (int n : {0, 2, 3, 4, 6})
            QCOMPARE(f.feature.getRatio(n), precise.getRatio(n));
    }

    void characteristicGoneWhileOpen()
    {
        fixture f;
        featureZOR70 *gone = new featureZOR70;
        f.dialog.setEdited(gone, true);
        delete gone;
        L seen;
        modalAnswer::box(&seen);
        f.click("pushButton");
        QCOMPARE(seen, L{"Ввод индивидуальной статической характеристики (ИСХ)|Прибор отключён: ИСХ не применена."});
        QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    }

    // A ".dat" file refused, then a write into a missing folder: the user is told of each,
    // and the working copy stays. (Every fault of the files, in test_featureDatFile.)
    void datFileFaults()
    {
        const QByteArray record = counting(featureZOR70::ftTPTable);
        fixture f(record);
        const QString state = f.state() + f.cells().join(' ');
        QFile file(f.dir.filePath("in.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("50375183\r\n6\r\nn\r\n1\r\n2\r\nx\r\n") > 0 && file.flush());
        L seen;
        for (const QString &path : {file.fileName(), f.dir.filePath("missing/feature.dat")}) {
            modalAnswer::file(path);
            modalAnswer::box(&seen);
            f.click(path == file.fileName() ? "pushButton_3" : "pushButton_4");
        }
        QCOMPARE(seen, (L{"Ошибка чтения ИСХ|Не верная ИСХ в файле!\nВозможно файл повреждён, не доступен для чтения или имеет не "
                          "верный тип.", "|Ошибка записи в файл!\nВозможно файл занят другим приложением или не доступен для записи."}));
        QCOMPARE(f.state() + f.cells().join(' '), state);
        QCOMPARE(f.entered(), record);
    }

    // Found right after opening, marked changed after an edit, saved over, saved as new,
    // deleted after asking; the search finds names typed in capitals, and a damaged row
    // leaves the working copy as it was. A database that fails later: the user hears why,
    // once per kind of failure (a characteristic not saved, or not deleted).
    void database()
    {
        fixture f;
        const QByteArray bytes = counting(0);
        const int id = f.sql.addFeature(&bytes, "счёт", "поверка 2023");
        f.dialog.setEdited(&f.feature, false);
        const auto found = [&f] { return QString("%1 %2 ").arg(f.box()->currentData().toInt()).arg(f.get<QPlainTextEdit>("infoText")->toPlainText()) + f.state(); };
        QCOMPARE(found(), QString("%1 поверка 2023 0 счёт 001").arg(id));
        f.edit(0, 3, "44");
        QCOMPARE(found(), QString("%1 поверка 2023 0 счёт 111").arg(id));
        f.get<QPlainTextEdit>("infoText")->setPlainText("поверка 2024");
        f.click("saveDBBtn");
        f.get<QPlainTextEdit>("infoText")->setPlainText("поверка 2025"); // a description alone changes no bytes
        QCOMPARE(found(), QString("%1 поверка 2025 0 счёт 001").arg(id));
        QCOMPARE(f.sql.getFeatureItem(id).info, QString("поверка 2024"));
        QCOMPARE(f.sql.loadFeature(id), f.entered());

        f.edit(0, 3, "45");
        f.get<QPlainTextEdit>("infoText")->setPlainText("новая");
        f.click("addDBBtn");
        const int added = f.box()->currentData().toInt();
        QCOMPARE(f.sql.loadFeature(added), f.entered());
        QCOMPARE(f.sql.getFeatureItem(added).info, QString("новая"));
        L seen;
        modalAnswer::box(&seen, QMessageBox::No);
        modalAnswer::box(&seen, QMessageBox::Yes);
        f.click("rmDBBtn");
        QCOMPARE(f.sql.getFeatureItem(added).id, added);
        f.click("rmDBBtn");
        const QString asked = "Ввод индивидуальной статической характеристики (ИСХ)|Вы уверены?";
        QCOMPARE(seen, (L{asked, asked}));
        QCOMPARE(f.sql.getFeatureItem(added).id, 0);
        QCOMPARE(f.boxItems().join(' ') + " " + found(), QString("Новая настройка 0  0 счёт 000"));

        const QByteArray other = counting(featureZOR70::ftTPTable, "Термопара ПП"), damaged(100, '\x05');
        const int otherId = f.sql.addFeature(&other, "Термопара ПП", "");
        f.sql.addFeature(&damaged, "Термопара битая", "");
        QLineEdit *search = f.get<QLineEdit>("searchEdit");
        search->setText("ТЕРМОПАРА П"); // capitals find the lower-case search column
        QCOMPARE(f.boxItems(), (L{"Найдено: 1", f.sql.getFeatureItem(otherId).title}));
        search->setText("битая");
        modalAnswer::box(&seen);
        f.box()->setCurrentIndex(1);
        QCOMPARE(seen.last(), QString("Ошибка чтения ИСХ|Запись в БД повреждена, ИСХ не загружена."));
        QCOMPARE(f.state().left(7), QString("0 счёт "));
        search->setText("а пп");
        f.box()->setCurrentIndex(1);
        QCOMPARE(search->text() + found(), QString("%1  5 Термопара ПП 001").arg(otherId));
        QCOMPARE(f.entered(), other);

        const QString path = f.dir.filePath(zorSqlFile::fileName);
        QVERIFY(QFile::rename(path, path + ".moved")); // as by a share remounted
        seen.clear();
        for (int button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok})
            modalAnswer::box(&seen, button);
        f.click("addDBBtn");
        f.click("addDBBtn");
        f.click("rmDBBtn");
        f.edit(0, 3, "44");
        QVERIFY(f.get<QWidget>("saveDBBtn")->isEnabled());
        f.click("saveDBBtn");
        const QString reason = ": база данных доступна только для чтения (код 8).";
        QCOMPARE(seen, (L{"Ошибка базы данных|ИСХ не сохранена в базе данных" + reason, asked,
                          "Ошибка базы данных|ИСХ не удалена из базы данных" + reason}));
    }

    void recalculation_data()
    {
        // The recalculation dialog opened from the editor, the three EMFs typed: whether
        // "Применить" may be pressed and the key the first EMF is taken by; pressed when it
        // may be (then "Отмена" while the dialog is open), the first and the last of the ten
        // points written from the start column on; the rest of the table stays.
        QTest::addColumn<int>("type");
        QTest::addColumn<L>("emfs");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("points"); // none: the table unchanged
        QTest::addColumn<QString>("warning");
        const QString outside = "1|вне таблицы 3.435…3.458 мВ", warning = "Пересчёт таблицы ТП по реперным точкам|ТЭДС вне таблиц";
        QTest::newRow("from the last column that fits, between keys, blanks around") << 5 << L{" 3,4374 ", "5.86", "10.575"}
            << "1|по ключу 3.437 мВ" << 11 << "300 2.3023 1200 11.9474" << ""; // °C and mV of the type S table
        QTest::newRow("outside the tables: warned") << 5 << L{"0,5", "5,86", "10,575"} << outside << 1 << "" << warning;
        QTest::newRow("not a number") << 5 << L{"3.4x", "5.86", "1O.575"} << "0|не число" << 1 << "" << "";
        QTest::newRow("ТС Таблица: no recalculation") << 3 << L{} << "" << 1 << "" << "";
    }

    void recalculation()
    {
        QFETCH(int, type);
        QFETCH(L, emfs);
        QFETCH(QString, shown);
        QFETCH(int, start);
        QFETCH(QString, points);
        QFETCH(QString, warning);
        fixture f(counting(type));
        const L before = f.cells();
        f.get<QSpinBox>("reperTPSpin")->setValue(start);
        QCOMPARE(f.get<QWidget>("reperTPBtn")->isEnabled(), type == featureZOR70::ftTPTable);
        if (emfs.isEmpty())
            return;
        L seen;
        modalAnswer::next<tpReperUI>([&](tpReperUI *dialog) {
            auto *apply = dialog->findChild<QPushButton *>("pushButton_2");
            seen << QString::number(apply->isEnabled());
            for (int i = 0; i < 3; ++i)
                QTest::keyClicks(dialog->findChild<QLineEdit *>(i ? QString("lineEdit_%1").arg(i + 1) : "lineEdit"), emfs[i]);
            seen[0] += QString::number(apply->isEnabled()) + "|" + dialog->findChild<QLabel *>("keyLabel")->text();
            if (!warning.isEmpty())
                modalAnswer::box(&seen);
            QTest::mouseClick(apply, Qt::LeftButton);
            if (dialog->isVisible())
                QTest::mouseClick(dialog->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        });
        f.click("reperTPBtn");
        QCOMPARE(seen.value(0), "0" + shown);
        QCOMPARE(seen.value(1).left(warning.size()), warning);
        L cells = f.cells(); // a column's key, then its value
        const int at = (start - 1) * 2;
        if (!points.isEmpty()) {
            QCOMPARE((L{cells[at], cells[at + 1], cells[at + 18], cells[at + 19]}).join(' '), points);
            std::copy(before.begin() + at, before.begin() + at + 20, cells.begin() + at);
        }
        QCOMPARE(cells, before);
    }
};

QTEST_MAIN(test_featconfui)
#include "test_featconfui.moc"
