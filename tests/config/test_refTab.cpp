#include "config/passDialog.h"
#include "db/zorSqlFile.h"
#include "tests/config/configRig.h"
#include "tests/common/modalAnswer.h"
#include "tests/model/randomBlocks.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QtTest>

using O = optionsZOR70;
using L = QStringList;

namespace {

const QString master = "47302958";
const QString found = "Настройка найдена в БД";

// Key by key, as typed (keyClicks knows Latin-1 keys only).
void type(QWidget *parent, const char *name, const QString &text)
{
    auto *edit = parent->findChild<QLineEdit *>(name);
    edit->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// What a cell editor does with the text typed.
void edit(configRig &rig, const char *table, int row, int column, const QString &text)
{
    rig.find<QTableWidget>(table)->item(row, column)->setText(text);
}

void click(configRig &rig, const char *button)
{
    QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
}

// Types password, and a new one twice unless first is null, into a password dialog.
void fill(QWidget *dialog, const QString &password, const QString &first = QString(), const QString &second = QString())
{
    type(dialog, "passEdit", password);
    if (!first.isNull()) {
        dialog->findChild<QPushButton *>("setPassBtn")->click();
        type(dialog, "nPassEdit1", first);
        type(dialog, "nPassEdit2", second);
    }
}

// The next password dialog filled in, then "Загрузить" when it may be pressed and accept
// is set, else "Отмена". seen gets whether "Загрузить" was enabled and the status line.
void answerPassword(const QString &password, bool accept, const QString &first = QString(),
                    const QString &second = QString(), QString *seen = nullptr)
{
    modalAnswer::next<passDialog>([=](passDialog *dialog) {
        fill(dialog, password, first, second);
        auto *apply = dialog->findChild<QPushButton *>("applyBtn");
        if (seen)
            *seen = QString::number(apply->isEnabled()) + "|" + dialog->findChild<QLabel *>("statusLabel")->text();
        dialog->findChild<QPushButton *>(accept && apply->isEnabled() ? "applyBtn" : "closeBtn")->click();
    });
}

// A stored snapshot, or the one the record follows: info, then data and reference data.
QStringList snapShot(configRig &rig, int id = 0)
{
    QString info;
    QByteArray data, refdata;
    if (!rig.r.sql.loadSnapShot(id ? id : rig.record()->snapShotId, &info, &data, &refdata))
        return {};
    return {info, data.toHex(), refdata.toHex()};
}

// The snapshot box as the user sees it: its entries (a snapshot by its description, "F"
// after a factory one), then whether "[!]", save and delete are shown.
L entries(configRig &rig)
{
    const auto *list = rig.find<QComboBox>("dbFindCB");
    L shown;
    for (int row = 0; row < list->count(); ++row) {
        const bool factory = list->itemText(row).endsWith(" (Заводская)");
        const int id = list->itemData(row).toInt();
        shown << (id > 0 ? snapShot(rig, id).value(0) + (factory ? "F" : "") : list->itemText(row));
    }
    return shown;
}

QString box(configRig &rig)
{
    return QString("%1 [!]=%2 save=%3 rm=%4 %5")
        .arg(entries(rig).join(';'))
        .arg(!rig.find<QLabel>("dbStatusLabel")->isHidden())
        .arg(rig.find<QWidget>("saveDBBtn")->isEnabled())
        .arg(rig.find<QWidget>("rmDBBtn")->isEnabled())
        .arg(rig.find<QPlainTextEdit>("infoText")->placeholderText());
}

} // namespace

// The reference tab, the password dialog and the settings snapshot box of the settings
// dialog, against a simulated extended instrument (and a basic one last) through the
// real registry and link, on a temporary database.
class test_refTab : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> shared;
    bool searchable = false; // the database holds the snapshots searched

    // An extended instrument or a basic one, read once side by side, in the dialog.
    configRig &rigOf(bool extended = true)
    {
        if (!shared)
            shared.reset(new configRig({{82, zorSimMemory::extended}, {81, zorSimMemory::basic}}));
        configRig &rig = shared->use(extended ? 82 : 81);
        rig.dialog.show(rig.index);
        return rig;
    }

private slots:
    void cleanupTestCase() { shared.reset(); }

    // One dialog serves every instrument: what was typed for one run, and the frame it was
    // typed in, are gone at the next, so another instrument never gets that password.
    void passwordsStayWithTheirRun()
    {
        O options, other;
        options.password = "ab12";
        other.password = "cd34";
        passDialog dialog;
        dialog.setOptions(&options);
        dialog.show();
        fill(&dialog, "ab12", "wxyz", "wxyz");
        dialog.findChild<QPushButton *>("closeBtn")->click();
        dialog.setOptions(&other);
        type(&dialog, "passEdit", "cd34");
        dialog.findChild<QPushButton *>("applyBtn")->click();
        QCOMPARE(options.password + other.password, QString("ab12cd34"));

        // Fields typed, then hidden by typing on (which locks again), are not taken either.
        dialog.setOptions(&other);
        fill(&dialog, "cd34", "wxyz", "wxyz");
        type(&dialog, "passEdit", "x");
        QVERIFY(!dialog.findChild<QWidget *>("applyBtn")->isEnabled() && dialog.findChild<QWidget *>("nPassFrame")->isHidden());
        dialog.findChild<QLineEdit *>("passEdit")->clear();
        type(&dialog, "passEdit", master);
        dialog.findChild<QPushButton *>("applyBtn")->click();
        QCOMPARE(other.password, QString("cd34"));
    }

    // Found, changed, not found, saved as new, found by the registry when the instrument is
    // read again, overwritten and deleted, in the order a user meets them; the factory
    // snapshot is never saved over or deleted. First on the instrument: after a write the
    // registry follows a copy of the factory snapshot. Then a database that fails after
    // start-up: saving the settings says why, once per run. Last, snapshots found by text
    // and chosen go into the image (an older one, the reference block alone, keeps the
    // image's refdU block), and the last applied puts exactly its bytes into the instrument.
    void snapShots()
    {
        configRig &rig = rigOf();
        O *o = rig.image();
        const int factory = rig.record()->snapShotId;
        // The registry stored the factory snapshot in the same form the box matches.
        QCOMPARE(box(rig), "Заводская настройкаF [!]=0 save=0 rm=0 " + found);
        o->refdU[0][2].value.setValue(7.25f); // only the refdU block differs from the factory
        emit o->onRefChange();
        QCOMPARE(box(rig), "Заводская настройкаF [!]=1 save=0 rm=0 " + found);

        rig.record()->snapShotId = 0;
        rig.dialog.findSnapShot();
        QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 Настройка НЕ найдена в БД");
        click(rig, "addDBBtn");
        const int added = rig.record()->snapShotId;
        QVERIFY(added > factory);
        // The instrument is programmed with it elsewhere, and the block read again.
        rig.sim->setBlock(O::rdRefdU, o->getRefdUData());
        rig.dialog.reject();
        o->refdU[0][2].value.setValue(0);
        rig.record()->snapShotId = 0;
        rig.r.link.port.sendDevQuery(rig.record()->devIndex, O::rdRefdU, O::refdUSize);
        rig.r.waitIdle(rig.index);
        QCOMPARE(rig.record()->snapShotId, added);
        rig.dialog.show(rig.index);
        QCOMPARE(box(rig), " [!]=0 save=0 rm=1 " + found);

        o->setChMode(1, O::chMV);
        emit o->onChChange();
        QCOMPARE(box(rig), " [!]=1 save=1 rm=1 " + found);
        rig.find<QPlainTextEdit>("infoText")->setPlainText("Поверка 2024");
        click(rig, "saveDBBtn");
        QCOMPARE(rig.record()->snapShotId, added);
        QCOMPARE(box(rig), "Поверка 2024 [!]=0 save=0 rm=1 " + found);
        QCOMPARE(snapShot(rig), (L{"Поверка 2024", rig.image()->getData().toHex(), rig.image()->getRefData(true).toHex()}));

        L boxes;
        modalAnswer::box(&boxes, QMessageBox::Yes);
        click(rig, "rmDBBtn");
        QCOMPARE(boxes, L{rig.dialog.windowTitle() + "|Вы уверены?"});
        QCOMPARE(snapShot(rig, added), L{});
        QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 Настройка НЕ найдена в БД");
        QCOMPARE(snapShot(rig, factory).value(0), QString("Заводская настройка"));

        const QString path = rig.r.dir.filePath(zorSqlFile::fileName);
        QVERIFY(QFile::rename(path, path + ".moved")); // as by a share remounted
        modalAnswer::box(&boxes);
        click(rig, "addDBBtn");
        click(rig, "addDBBtn");
        QVERIFY(QFile::rename(path + ".moved", path));
        QCOMPARE(boxes.mid(1), L{"Ошибка базы данных|Настройка не сохранена в базе данных: база данных доступна только для "
                                 "чтения (код 8)."});

        O other;
        other.setData(o->getData());
        other.devType = O::typeExtended;
        other.setData(o->getRefData(false), O::rdRef);
        other.devName = "Стенд 2";
        other.measTime = 2;
        other.setChMode(3, O::chMV);
        other.ref[1].value.setValue(30.000125);
        other.corrA[5].setValue(-0.0042);
        other.refdU[1][6].value.setValue(1.75f);
        const QByteArray data = other.getData(), refdata = other.getRefData(true);
        for (const bool withRefdU : {false, true}) {
            const QString info = withRefdU ? "Партия 7" : "Партия 8";
            const QByteArray refdUBefore = o->getRefdUData(), stored = withRefdU ? refdata : refdata.left(O::refSize);
            rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &stored, info, 0);
            rig.find<QLineEdit>("dbSearchEdit")->setText(info);
            rig.find<QComboBox>("dbFindCB")->setCurrentIndex(1);
            QCOMPARE(o->getData() + o->getRefData(false), data + refdata.left(O::refSize));
            QCOMPARE(o->getRefdUData(), withRefdU ? refdata.mid(O::refSize) : refdUBefore);
            QCOMPARE(rig.find<QLineEdit>("dbSearchEdit")->text(), QString());
            QCOMPARE(box(rig), QString("%1 [!]=%2 save=%2 rm=1 %3").arg(info).arg(!withRefdU).arg(found));
        }
        answerPassword(master, true);
        click(rig, "applyRefBtn");
        click(rig, "pushButton_5");
        const zorSimulator *sim = rig.sim;
        QTRY_COMPARE_WITH_TIMEOUT(sim->block(O::rdIdent).left(20) + sim->block(O::rdDev) + sim->block(O::rdCh)
                                      + sim->block(O::rdFeat) + sim->block(O::rdRef) + sim->block(O::rdRefdU),
                                  data + refdata, simulatedLink::timeout);
    }

    void search_data()
    {
        QTest::addColumn<L>("typed");    // the texts of the field, one after the other
        QTest::addColumn<QString>("shown"); // the count of entries in the box afterwards, the first few
        const QString three = "Поверка 2024;Поверка 2023;Поверка 2022";
        QTest::newRow("two characters: the hint only") << L{"п", "по"} << "1:Введите не менее 3-х символов";
        QTest::newRow("the third starts the search") << L{"по", "пов"} << "4:Найдено: 3;" + three;
        QTest::newRow("emptied: the current settings again") << L{"пов", ""} << "1:Заводская настройкаF";
        // More than a few hundred: the newest few hundred, and how many matched.
        QTest::newRow("another device's name, 321 matches") << L{"Другой"} << "301:Найдено: 321, показаны последние 300";
    }

    // Searching lists and never loads: the image stays as it was.
    void search()
    {
        QFETCH(L, typed);
        QFETCH(QString, shown);
        configRig &rig = rigOf();
        if (!std::exchange(searchable, true)) {
            // Three snapshots of the instrument, oldest first, then 321 of another's.
            const int another = rig.r.sql.addDev(O::typeBasic, 1234, "Другой ЗОР");
            const QByteArray refdata = rig.image()->getRefData(true);
            O other;
            other.setData(rig.image()->getData());
            QSqlDatabase::database().transaction();
            for (int n = 1; n <= 324; ++n) {
                other.devName = QString::number(n); // other bytes, another snapshot
                const QByteArray data = other.getData();
                rig.r.sql.setSnapShot(n <= 3 ? rig.record()->dbIndex : another, &data, &refdata,
                                      n <= 3 ? QString("Поверка %1").arg(n + 2021) : "Серия", 0);
                QTest::qWait(n <= 3 ? 2 : 0); // distinct creation times
            }
            QSqlDatabase::database().commit();
        }
        const QByteArray before = rig.image()->getData() + rig.image()->getRefData(true);
        auto *list = rig.find<QComboBox>("dbFindCB");
        L passed; // every entry the box held on the way: the search shows that it runs
        const auto spy = connect(list->model(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int row) {
            passed << list->itemText(row);
        });
        for (const QString &text : typed)
            rig.find<QLineEdit>("dbSearchEdit")->setText(text);
        disconnect(spy);
        const L box = entries(rig);
        QCOMPARE(QString::number(box.size()) + ":" + box.mid(0, shown.count(';') + 1).join(';'), shown);
        QCOMPARE(passed.contains("Идёт поиск..."), !typed.filter(QRegularExpression(".{3}")).isEmpty());
        QCOMPARE(rig.image()->getData() + rig.image()->getRefData(true), before);
        rig.find<QLineEdit>("dbSearchEdit")->clear();
    }

    void wrongText_data()
    {
        // Beyond what the block can carry is refused rather than clamped.
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("row"); // -1: a field of its own
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("a letter") << "refTable" << 0 << 1 << "1.2x" << "Опоры: Rr-2, Значение";
        QTest::newRow("correction beyond its byte") << "chU0Table" << 0 << 7 << "0.0128" << "Напряжение - уст. <0>: канал 8";
        QTest::newRow("nan") << "rKTable2" << 2 << 25 << "nan" << "Нелинейность, таблица 2: 26, Значение";
        QTest::newRow("10 kΩ beyond its word") << "d10kEdit" << -1 << -1 << "3.2768" << "Поправки 10 кОм и 0.05 mA: >Δ< 10 кОм";
        QTest::newRow("refdU beyond a float") << "dUTableMinus" << 2 << 6 << "1e39" << "Нелинейность по U -: 7, Значение";
    }

    // A wrong text anywhere, then a valid edit of the first table: the warning names the
    // wrong cell, selects it, and nothing of either reaches the image.
    void wrongText()
    {
        QFETCH(QString, widget);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, cell);
        configRig &rig = rigOf();
        rig.enterServiceMode();
        const QByteArray before = rig.image()->getRefData(true);
        L boxes;
        if (row < 0) {
            auto *field = rig.find<QLineEdit>(widget);
            field->setText(text);
            emit field->editingFinished();
        } else {
            modalAnswer::box(&boxes);
            edit(rig, qPrintable(widget), row, column, text);
            QTRY_COMPARE(boxes.size(), 1);
        }
        modalAnswer::box(&boxes);
        edit(rig, "refTable", 0, 0, "5.5");
        QTRY_COMPARE(boxes.size(), row < 0 ? 1 : 2);
        QCOMPARE(boxes.last(), "Ошибка ввода опор|Не верные коэффициенты!\nПроверьте введённые значения и повторите "
                               "попытку.\n\nОшибка в поле: " + cell);
        QCOMPARE(rig.image()->getRefData(true), before);
        if (row >= 0) {
            const auto *table = rig.find<QTableWidget>(widget);
            QCOMPARE(QPoint(table->currentColumn(), table->currentRow()), QPoint(column, row));
        }
    }

    void spreadDU_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("dU"); // by how much the last record of table D moves; 0: refused with a warning
        QTest::addColumn<bool>("lastHasVoltage");
        QTest::newRow("negative, comma") << "-0,75" << -0.75f << true;
        QTest::newRow("not a number") << "1.5x" << 0.0f << true;
        // Every share would be infinite.
        QTest::newRow("no voltage at the last record") << "1.5" << 0.0f << false;
    }

    void spreadDU()
    {
        QFETCH(QString, text);
        QFETCH(float, dU);
        QFETCH(bool, lastHasVoltage);
        const bool warned = dU == 0;
        configRig &rig = rigOf();
        rig.enterServiceMode();
        O *o = rig.image();
        for (int k = 0; k < O::refdUPoints; ++k) {
            o->refdU[1][k].code.setValue(lastHasVoltage || k < 6 ? 1e6f * float(k + 1) : 0.0f);
            o->refdU[1][k].value.setValue(0.25f * float(k));
        }
        o->setData(o->getRefdUData(), O::rdRefdU); // the voltages, and the tab refreshed
        auto *field = rig.find<QLineEdit>("dU1200LE");
        field->setText(text);
        L boxes;
        if (warned)
            modalAnswer::box(&boxes);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(boxes.size(), int(warned));
        // The first record, at 0, moves by a seventh of ΔU: its voltage is a seventh of the last's, at 1.5.
        QVERIFY(qAbs(o->refdU[1][0].value.value() - dU / 7) < 1e-6f);
        QCOMPARE(o->refdU[1][6].value.value(), 1.5f + dU);
        QCOMPARE(rig.find<QTableWidget>("dUTableMinus")->item(2, 6)->text(), QString::number(1.5f + dU, 'f', 2));
        QCOMPARE(field->text(), warned ? text : QString("0"));
        QTest::qWait(2 * configRig::sendDelay);
        QCOMPARE(rig.waitWrites(0), QByteArray()); // only an apply sends
    }

    void applyReferences_data()
    {
        // References edited in service mode and applied behind the password dialog, with
        // a new password typed twice: the status line, the password the instrument holds.
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("password");
        const QByteArray kept("pw12\0\0\0\0", 8);
        QTest::newRow("Cyrillic, in Windows-1251") << true << "пароль" << "пароль" << "" << QByteArray("\xef\xe0\xf0\xee\xeb\xfc\0\0", 8);
        QTest::newRow("a character Windows-1251 lacks") << false << "ab✓d" << "ab✓d" << "Недопустимые символы в пароле" << kept;
        QTest::newRow("basic, 3 characters") << false << "wxy" << "wxy" << "Пароль слишком короткий" << kept;
        QTest::newRow("new passwords that differ") << false << "wxyz" << "wxyv" << "Пароли не совпадают" << kept;
        QTest::newRow("blanks around") << false << " wxyz" << " wxyz" << "Недопустимые символы в пароле" << kept;
    }

    // Cancelled first, nothing is sent and the image holds the instrument's references
    // again, so that the snapshot stored after the next write of anything holds them too;
    // the cells keep what was typed, marked as not sent, for the next apply. Then the
    // blocks reach the instrument byte for byte (the refdU block only an extended one's),
    // the new password inside the reference block; the references are sent whether or not
    // it was taken, and one not taken leaves the old one in force.
    void applyReferences()
    {
        QFETCH(bool, extended);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, status);
        QFETCH(QByteArray, password);
        configRig &rig = rigOf(extended);
        // Constants with far more digits than the tab shows, which keep every bit unless edited.
        QByteArray ref = randomBlocks(5).block(O::rdRef);
        ref.replace(992, 8, QByteArray("pw12\0\0\0\0", 8));
        rig.sim->setBlock(O::rdRef, ref);
        rig.image()->setData(ref, O::rdRef);
        rig.image()->chCount = 32; // a correction column for every channel the block holds
        emit rig.image()->onDevChange();
        const modalAnswer refused; // an edit refused would show a message box
        const QByteArray read = rig.image()->getRefData(true);
        rig.enterServiceMode();
        edit(rig, "refTable", 0, 0, "123.25");
        edit(rig, "chU0Table", 0, 2, "-0.0128"); // the lowest a byte holds
        if (extended)
            edit(rig, "dUTablePlus", 2, 3, "4.5");
        QVERIFY(rig.image()->getRefData(true) != read);
        answerPassword(master, false);
        click(rig, "applyRefBtn");
        QTest::qWait(4 * configRig::sendDelay);
        QCOMPARE(rig.waitWrites(0), QByteArray());
        QCOMPARE(rig.image()->getRefData(true), read);
        const QTableWidgetItem *kept = rig.find<QTableWidget>("refTable")->item(0, 0);
        QCOMPARE(kept->text() + "|" + kept->toolTip(), QString("123.25000000|Не передано в прибор"));
        rig.r.request(rig.index, "dev");
        rig.waitWrites(1);
        QCOMPARE(snapShot(rig).value(2), QString(read.toHex()));
        rig.sim->clearLog();
        QString seen;
        answerPassword("pw12", true, first, second, &seen);
        click(rig, "applyRefBtn");
        rig.waitWrites(extended ? 3 : 2); // the device block goes first
        QCOMPARE(refused.seen, L{});
        QCOMPARE(seen, "1|" + status);
        const QByteArray held = rig.sim->block(O::rdRef), refdU = rig.sim->block(O::rdRefdU);
        QCOMPARE(held + refdU, rig.image()->getRefData(true));
        // Rr-1 is 123.25 as a little-endian double, the correction -128 steps from the middle.
        QByteArray expected = ref.replace(992, 8, password).replace(8, 8, QByteArray::fromHex("0000000000d05e40"));
        expected[928 + 2] = 0;
        QCOMPARE(held.toHex(), expected.toHex());
        QCOMPARE(refdU.mid(16, 4).toHex(), QByteArray(extended ? "00009040" : "")); // 4.5 as a float
        // The settings the registry stored after the writes are the instrument's, and the
        // box knows them.
        QCOMPARE(snapShot(rig).value(2), QString((held + refdU).toHex()));
        QVERIFY(rig.find<QLabel>("dbStatusLabel")->isHidden() && rig.find<QTableWidget>("refTable")->item(0, 0)->toolTip().isEmpty());
        // The password in force unlocks the next apply; the other does not.
        const QString now = password.startsWith("pw12") ? "pw12" : first;
        for (const QString &tried : {now, now == first ? QString("pw12") : first}) {
            seen.clear();
            answerPassword(tried, false, QString(), QString(), &seen);
            click(rig, "applyRefBtn");
            QTRY_VERIFY(!seen.isEmpty());
            QCOMPARE(seen.left(1), QString(tried == now ? "1" : "0"));
        }
    }
};

QTEST_MAIN(test_refTab)
#include "test_refTab.moc"
