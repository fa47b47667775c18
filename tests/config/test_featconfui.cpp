#include "config/featconfui.h"

#include "config/tpReperUI.h"
#include "db/zorSqlFile.h"
#include "model/featureTableLayout.h"
#include "model/featureZOR70.h"
#include "model/tpReper.h"
#include "tests/config/modalAnswer.h"
#include "tests/registry/simulatedRegistry.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include <functional>

namespace {

// A record of the type whose coefficient n is n + 1.
QByteArray counting(int type, const QString &name = "счёт")
{
    featureZOR70 f;
    QStringList texts;
    for (int n = 0; n < featureTableLayout(type).cells(); ++n)
        texts << QString::number(n + 1);
    f.setFeature(type, name, texts);
    return f.getData();
}

QStringList texts(int count, const std::function<QString(int)> &text)
{
    QStringList result;
    for (int n = 0; n < count; ++n)
        result << text(n);
    return result;
}

QStringList numbers(int count)
{
    return texts(count, [](int n) { return QString::number(n + 1); });
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
    QString name() { return get<QLineEdit>("featName")->text(); }
    int type() { return get<QComboBox>("featType")->currentData().toInt(); }
    bool shown(const char *name) { return !get<QWidget>(name)->isHidden(); }
    bool enabled(const char *name) { return get<QWidget>(name)->isEnabled(); }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void chooseType(int type) { get<QComboBox>("featType")->setCurrentIndex(get<QComboBox>("featType")->findData(type)); }
    // What a cell editor does with the text the user typed.
    void edit(int row, int column, const QString &text) { table()->item(row, column)->setText(text); }
    // The cells as the user reads them, column by column.
    QStringList cells()
    {
        const int rows = table()->rowCount();
        return texts(rows * table()->columnCount(), [this, rows](int n) {
            const QTableWidgetItem *item = table()->item(n % rows, n / rows);
            return item ? item->text() : QString();
        });
    }
    QStringList headers(Qt::Orientation o)
    {
        return texts(o == Qt::Horizontal ? table()->columnCount() : table()->rowCount(),
                     [this, o](int n) { return table()->model()->headerData(n, o).toString(); });
    }
    QStringList boxItems() { return texts(box()->count(), [this](int n) { return box()->itemText(n); }); }
    // The working copy, as the enter button hands it over.
    QByteArray entered()
    {
        click("pushButton");
        return feature.getData();
    }
    QString dat(const QByteArray &bytes)
    {
        QFile file(dir.filePath("in.dat"));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
    zorSql sql{zorSqlFile::prepare(dir.path()).path()};
    featureZOR70 feature;
    featconfui dialog{&sql};
};

} // namespace

// The characteristic editor: table layouts, applying, ".dat" files, the database box and
// the fixed-point recalculation.
class test_featconfui : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("secondCell"); // coefficient order: by row; tables by column

        const QStringList one{"1"}, polynomial{"C0..C4", "C5..C9"};
        QTest::newRow("0 ТС МТШ-90") << 0 << QStringList{"Rтт", "M", "a", "b", "c", "d", "W"} << one << "2.0000000";
        QTest::newRow("1 ТС КВД") << 1 << QStringList{"R0", "A", "B", "C"} << one << "2.000000e+00";
        QTest::newRow("2 ТС Полином") << 2 << numbers(5) << polynomial << "6.000000e+00";
        QTest::newRow("3 ТС Таблица") << 3 << numbers(20) << QStringList{"°С", "Ом"} << "2.00000";
        QTest::newRow("4 ТП Полином") << 4 << numbers(5) << polynomial << "6.000000e+00";
        QTest::newRow("5 ТП Таблица") << 5 << numbers(20) << QStringList{"°С", "мВ"} << "2.0000";
        QTest::newRow("6 Изм. Пр.") << 6 << QStringList{"Min", "Max", "Диапазон"} << one << "2.000";
    }

    void layouts()
    {
        QFETCH(int, type);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, rows);
        QFETCH(QString, secondCell);

        fixture f(counting(featureZOR70::ftTSTable)); // 40 coefficients, arguments ascending
        f.chooseType(type);
        QCOMPARE(f.headers(Qt::Horizontal), columns);
        QCOMPARE(f.headers(Qt::Vertical), rows);
        QCOMPARE(f.cells().at(1), secondCell);
        QCOMPARE(f.enabled("reperTPFrame"), type == featureZOR70::ftTPTable);
        QComboBox *range = qobject_cast<QComboBox *>(f.table()->cellWidget(0, 2));
        QCOMPARE(range != nullptr, type == featureZOR70::ftIzmPr);
        if (range) {
            QCOMPARE(range->objectName(), QString("piRange"));
            QCOMPARE(range->currentIndex(), -1); // 3 names no range
            range->setCurrentIndex(2);
            QCOMPARE(f.table()->item(0, 2)->text(), QString("2.000"));
        }
        f.entered(); // the working copy took the type
        QCOMPARE(f.feature.getType(), type);
        QCOMPARE(f.feature.getRatio(2), range ? 2.0 : 3.0);
    }

    void apply_data()
    {
        QTest::addColumn<bool>("applyMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("warning");

        const QString none;
        QTest::newRow("valid, apply mode: written") << true << "123.5" << "pushButton" << none;
        QTest::newRow("valid, enter mode: not written") << false << "123,5" << "pushButton" << none;
        QTest::newRow("invalid: refused") << true << "12a" << "pushButton"
                                          << "Ошибка ввода ИСХ|Не верная ИСХ!\nПроверьте введённые значения.";
        QTest::newRow("cancel") << true << "123.5" << "pushButton_2" << none;
    }

    void apply()
    {
        QFETCH(bool, applyMode);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, warning);
        const bool changed = warning.isEmpty() && button == "pushButton";

        simulatedRegistry r;
        zorSimulator *sim = r.startSim(61);
        const int index = r.connectPort(sim->portName());
        r.readIdentity(index);
        const quint8 slot = 5;
        featureZOR70 *feature = r.image(index)->feature[slot];
        feature->setData(counting(featureZOR70::ftTSKVD));
        const QByteArray before = feature->getData();
        sim->clearLog();

        featconfui dialog(&r.sql);
        QString seen;
        QTimer::singleShot(0, [&] {
            QCOMPARE(dialog.findChild<QPushButton *>("pushButton")->text(), applyMode ? "Применить" : "Ввод");
            dialog.findChild<QTableWidget *>("ratioTable")->item(0, 1)->setText(typed);
            if (!warning.isEmpty())
                modalAnswer::messageBox(&seen);
            QTest::mouseClick(dialog.findChild<QPushButton *>(qPrintable(button)), Qt::LeftButton);
            if (dialog.isVisible())
                dialog.reject();
        });
        QCOMPARE(dialog.show(feature, applyMode), int(changed ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(seen, warning);
        QCOMPARE(feature->getData() != before, changed);
        QCOMPARE(feature->getRatio(1), changed ? 123.5 : 2.0);

        const int writes = changed && applyMode ? 1 : 0;
        QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), writes, simulatedLink::timeout);
        r.waitIdle(index);
        QTest::qWait(100);
        QCOMPARE(sim->log(zorSimulator::blockWritten).size(), writes);
        if (writes) {
            const zorSimulator::_event written = sim->log(zorSimulator::blockWritten).first();
            QCOMPARE(int(written.address), optionsZOR70::featWriteAddress + slot);
            QCOMPARE(written.data, feature->getData());
            QCOMPARE(sim->block(optionsZOR70::rdFeat).mid(slot * featureZOR70::dataSize, featureZOR70::dataSize),
                     feature->getData());
        }
    }

    // The table shows rounded numbers; applying must not round what the user left alone.
    void unchangedCellsKeepFullPrecision()
    {
        featureZOR70 precise;
        QVERIFY(precise.setFeature(0, "ПТС-10", {"25.5012345678", "0.123456789012", "-1.23456789e-5", "4.5e-9",
                                                 "-7.7e-10", "0", "1.11809"}));
        {
            fixture f(precise.getData());
            QCOMPARE(f.entered(), precise.getData());
        }
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
        QString seen;
        modalAnswer::messageBox(&seen);
        f.click("pushButton");
        QCOMPARE(seen, "Ввод индивидуальной статической характеристики (ИСХ)|Прибор отключён: ИСХ не применена.");
        QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    }

    void addCells_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QSize>("size"); // columns x rows after; unchanged when the action is off
        QTest::newRow("МТШ-90, a column") << 0 << "addColumnAction" << QSize(8, 1);
        QTest::newRow("polynomial, a row") << 2 << "addRowAction" << QSize(5, 3);
        QTest::newRow("full table, no column") << 5 << "addColumnAction" << QSize(20, 2);
        QTest::newRow("full table, no row") << 3 << "addRowAction" << QSize(20, 2);
    }

    void addCells()
    {
        QFETCH(int, type);
        QFETCH(QString, action);
        QFETCH(QSize, size);
        fixture f(counting(type));
        QAction *add = f.dialog.findChild<QAction *>(action);
        QVERIFY(f.table()->actions().contains(add));
        QCOMPARE(add->isEnabled(), type != 3 && type != 5);
        add->trigger();
        QCOMPARE(QSize(f.table()->columnCount(), f.table()->rowCount()), size);
    }

    void datRoundTrip_data()
    {
        QTest::addColumn<int>("type");
        for (int type = 0; type <= 6; ++type)
            QTest::addRow("type %d", type) << type;
    }

    void datRoundTrip()
    {
        QFETCH(int, type);
        fixture f;
        f.chooseType(type);
        const int rows = f.table()->rowCount();
        for (int n = 0; n < rows * f.table()->columnCount(); ++n)
            f.edit(n % rows, n / rows, type == 6 && n == 2 ? "1" : QString::number(n * 1.75 - 1));
        f.get<QLineEdit>("featName")->setText("Файл №" + QString::number(type));
        const QStringList cells = f.cells();
        const QString path = f.dir.filePath("saved.dat");
        modalAnswer::fileDialog(path);
        f.click("pushButton_4");
        QCOMPARE(f.sql.getAppProperty("feature_dir").toString(), f.dir.path());

        f.chooseType((type + 1) % 7);
        f.get<QLineEdit>("featName")->setText("другое");
        modalAnswer::fileDialog(path);
        f.click("pushButton_3");
        QCOMPARE(f.type(), type);
        QCOMPARE(f.name(), "Файл №" + QString::number(type));
        QCOMPARE(f.cells(), cells);
        f.entered(); // ... and taken into the working copy
        QCOMPARE(f.feature.getType(), type);
        const featureTableLayout layout(type);
        for (int n = 0; n < cells.size(); ++n) {
            const int ratio = layout.ratioIndex(n % rows, n / rows, rows, layout.columns());
            QCOMPARE(f.feature.getRatio(ratio), cells.at(n).toDouble());
        }
    }

    void datRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("format 1 with 7 lines") << QByteArray("1\r\nn\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
        QTest::newRow("a bad number") << QByteArray("50375183\r\n6\r\nn\r\n1\r\n2\r\nx\r\n");
        QByteArray garbage(4000, '\0');
        QRandomGenerator random(16);
        for (char &c : garbage)
            c = char(random.bounded(256));
        QTest::newRow("garbage") << garbage;
    }

    void datRefused()
    {
        QFETCH(QByteArray, bytes);
        fixture f(counting(featureZOR70::ftTPTable));
        const QStringList cells = f.cells();
        const QByteArray before = f.feature.getData();
        QString seen;
        modalAnswer::fileDialog(f.dat(bytes));
        modalAnswer::messageBox(&seen);
        f.click("pushButton_3");
        QCOMPARE(seen, QString("Ошибка чтения ИСХ|Не верная ИСХ в файле!\nВозможно файл повреждён, не доступен для "
                               "чтения или имеет не верный тип."));
        QCOMPARE(f.type(), int(featureZOR70::ftTPTable));
        QCOMPARE(f.name(), QString("счёт"));
        QCOMPARE(f.cells(), cells);
        QCOMPARE(f.entered(), before);
    }

    void datWriteFails()
    {
        fixture f;
        QString seen;
        modalAnswer::fileDialog(f.dir.filePath("missing/feature.dat"));
        modalAnswer::messageBox(&seen);
        f.click("pushButton_4");
        QCOMPARE(seen, QString("|Ошибка записи в файл!\nВозможно файл занят другим приложением или не доступен для "
                               "записи."));
    }

    void databaseFoundEditedSaved()
    {
        fixture f;
        const QByteArray bytes = counting(0);
        const int id = f.sql.addFeature(&bytes, "счёт", "поверка 2023");
        f.dialog.setEdited(&f.feature, false);
        QCOMPARE(f.box()->currentData().toInt(), id); // found right after opening
        QVERIFY(f.box()->currentText().startsWith("счёт от "));
        QCOMPARE(f.get<QPlainTextEdit>("infoText")->toPlainText(), QString("поверка 2023"));
        QVERIFY(!f.shown("dbStatusLabel") && !f.enabled("saveDBBtn") && f.enabled("rmDBBtn"));

        // An edit: still that entry, marked changed; saving overwrites it.
        f.edit(0, 3, "44");
        QCOMPARE(f.box()->currentData().toInt(), id);
        QVERIFY(f.shown("dbStatusLabel") && f.enabled("saveDBBtn"));
        f.get<QPlainTextEdit>("infoText")->setPlainText("поверка 2024");
        f.click("saveDBBtn");
        QVERIFY(!f.shown("dbStatusLabel") && !f.enabled("saveDBBtn"));
        QCOMPARE(f.sql.getFeatureItem(id).info, QString("поверка 2024"));
        f.get<QPlainTextEdit>("infoText")->setPlainText("поверка 2025"); // a description alone is worth saving
        QVERIFY(f.enabled("saveDBBtn"));
        QCOMPARE(f.sql.loadFeature(id), f.entered());
        QCOMPARE(f.feature.getRatio(3), 44.0);
    }

    void databaseNewAddDelete()
    {
        fixture f;
        QCOMPARE(f.boxItems(), QStringList{"Новая градуировка"});
        QVERIFY(!f.shown("dbStatusLabel") && !f.enabled("saveDBBtn") && !f.enabled("rmDBBtn"));
        f.get<QPlainTextEdit>("infoText")->setPlainText("новая");
        f.click("addDBBtn");
        const int id = f.box()->currentData().toInt();
        QVERIFY(id > 0);
        QCOMPARE(f.sql.loadFeature(id), f.feature.getData());
        QCOMPARE(f.sql.getFeatureItem(id).info, QString("новая"));

        QString seen;
        modalAnswer::messageBox(&seen, QMessageBox::No);
        f.click("rmDBBtn");
        QCOMPARE(seen, QString("Ввод индивидуальной статической характеристики (ИСХ)|Вы уверены?"));
        QCOMPARE(f.sql.getFeatureItem(id).id, id);
        modalAnswer::messageBox(&seen, QMessageBox::Yes);
        f.click("rmDBBtn");
        QCOMPARE(f.sql.getFeatureItem(id).id, 0);
        QCOMPARE(f.boxItems(), QStringList{"Новая градуировка"});
    }

    void databaseSearchAndLoad()
    {
        fixture f;
        const QByteArray other = counting(featureZOR70::ftTPTable, "Термопара ПП");
        const int id = f.sql.addFeature(&other, "Термопара ПП", "");
        const QByteArray damaged(100, '\x05');
        const int damagedId = f.sql.addFeature(&damaged, "Термопара битая", "");
        QLineEdit *search = f.get<QLineEdit>("searchEdit");

        search->setText("ТЕ");
        QCOMPARE(f.boxItems(), QStringList{"Введите не менее 3-х символов"});
        search->setText("ТЕРМОПАРА П"); // capitals find the lower-case search column
        QCOMPARE(f.boxItems(), (QStringList{"Найдено: 1", f.sql.getFeatureItem(id).title}));
        QCOMPARE(f.box()->itemData(1).toInt(), id);

        // A damaged row is refused and the working copy stays.
        search->setText("битая");
        QCOMPARE(f.box()->itemData(1).toInt(), damagedId);
        QString seen;
        modalAnswer::messageBox(&seen);
        f.box()->setCurrentIndex(1);
        QCOMPARE(seen, QString("Ошибка чтения ИСХ|Запись в БД повреждена, ИСХ не загружена."));
        QCOMPARE(f.type(), 0);

        // A good one replaces it.
        search->setText("а пп");
        f.box()->setCurrentIndex(1);
        QVERIFY(search->text().isEmpty());
        QCOMPARE(f.box()->currentData().toInt(), id);
        QCOMPARE(f.type(), int(featureZOR70::ftTPTable));
        QCOMPARE(f.name(), QString("Термопара ПП"));
        QCOMPARE(f.table()->item(1, 0)->text(), QString("2.0000"));
        QCOMPARE(f.entered(), other);
    }

    void recalculation_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("start"); // the start column; 0: the table stays
        QTest::newRow("ТП Таблица from column 3") << 5 << true << 3;
        QTest::newRow("ТП Таблица from column 11") << 5 << true << 11;
        QTest::newRow("ТП Таблица, cancelled") << 5 << false << 0;
        QTest::newRow("ТС Таблица: no recalculation") << 3 << true << 0;
    }

    void recalculation()
    {
        QFETCH(int, type);
        QFETCH(bool, accept);
        QFETCH(int, start);

        fixture f(counting(type));
        const QStringList before = f.cells();
        f.get<QSpinBox>("reperTPSpin")->setValue(qMax(start, 1));
        QCOMPARE(f.enabled("reperTPBtn"), type == featureZOR70::ftTPTable);
        if (!f.enabled("reperTPBtn"))
            return;
        modalAnswer::next<tpReperUI>([accept](tpReperUI *dialog) {
            dialog->findChild<QLineEdit *>("lineEdit")->setText("3.437");
            dialog->findChild<QLineEdit *>("lineEdit_2")->setText("5,86");
            dialog->findChild<QLineEdit *>("lineEdit_3")->setText("10.575");
            QTest::mouseClick(dialog->findChild<QPushButton *>(accept ? "pushButton_2" : "pushButton"), Qt::LeftButton);
        });
        f.click("reperTPBtn");
        QStringList expected = before;
        if (start) {
            const float p[3] = {3.437f, 5.86f, 10.575f};
            QMap<quint16, float> table;
            QVERIFY(tpReper::getEDSTable(p, table));
            int n = (start - 1) * 2;
            for (auto it = table.cbegin(); it != table.cend(); ++it) {
                expected[n++] = QString::number(it.key());
                expected[n++] = QString::number(it.value(), 'f', 4);
            }
        }
        QCOMPARE(f.cells(), expected);
        f.entered();
        QCOMPARE(f.feature.getRatio(39), expected.last().toDouble());
    }
};

QTEST_MAIN(test_featconfui)
#include "test_featconfui.moc"
