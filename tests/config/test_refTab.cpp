#include "config/devConfUI.h"
#include "config/passDialog.h"
#include "link/bDouble.h"
#include "link/bFloat.h"
#include "tests/config/configRig.h"
#include "tests/config/modalAnswer.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

using O = optionsZOR70;

namespace {

const QString master = "47302958";
const QString warning = "Ошибка ввода опор|Не верные коэффициенты!\nПроверьте введённые значения и повторите "
                        "попытку.\n\nОшибка в поле: ";

void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void enterServiceMode(configRig &rig)
{
    auto *close = rig.find<QPushButton>("pushButton_6");
    QTest::keyPress(&rig.dialog, Qt::Key_PageUp);
    QTest::mousePress(close, Qt::LeftButton);
    QTest::mouseRelease(close, Qt::LeftButton);
    QTest::keyRelease(&rig.dialog, Qt::Key_PageUp);
}

// What a cell editor does with the text typed.
void edit(configRig &rig, const char *table, int row, int column, const QString &text)
{
    rig.find<QTableWidget>(table)->item(row, column)->setText(text);
}

// The next password dialog gets password typed (and the new password, when first is not
// null), then "Загрузить" (accept) or "Отмена". seen gets whether "Загрузить" was
// enabled and the status line.
void answerPassword(const QString &password, bool accept, const QString &first = QString(),
                    const QString &second = QString(), QString *seen = nullptr)
{
    modalAnswer::next<passDialog>([=](passDialog *dialog) {
        type(dialog->findChild<QLineEdit *>("passEdit"), password);
        if (!first.isNull()) {
            dialog->findChild<QPushButton *>("setPassBtn")->click();
            type(dialog->findChild<QLineEdit *>("nPassEdit1"), first);
            type(dialog->findChild<QLineEdit *>("nPassEdit2"), second);
        }
        auto *apply = dialog->findChild<QPushButton *>("applyBtn");
        if (seen)
            *seen = QString::number(apply->isEnabled()) + "|" + dialog->findChild<QLabel *>("statusLabel")->text();
        dialog->findChild<QPushButton *>(accept && apply->isEnabled() ? "applyBtn" : "closeBtn")->click();
    });
}

void applyRef(configRig &rig)
{
    QTest::mouseClick(rig.find<QToolButton>("applyRefBtn"), Qt::LeftButton);
}

// The instrument's reference data as it holds it.
QByteArray refOf(const zorSimulator *sim)
{
    return sim->block(O::rdRef) + sim->block(O::rdRefdU);
}

// The reference data of the snapshot the record follows.
QByteArray snapShotRef(configRig &rig)
{
    QString info;
    QByteArray data, refdata;
    rig.r.sql.loadSnapShot(rig.record()->snapShotId, &info, &data, &refdata);
    return refdata;
}

} // namespace

// The reference tab of the settings dialog against simulated instruments through the
// real registry and link: what a wrong text leaves, the per-channel columns, the ΔU
// spread, and what reaches the instrument behind the password dialog.
class test_refTab : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> basic;
    std::unique_ptr<configRig> extended;

    // One rig at a time: every rig's database is the default connection.
    configRig &rigOf(bool isExtended)
    {
        (isExtended ? basic : extended).reset();
        configRig &rig = isExtended ? configRig::shared(extended, 82, zorSimMemory::extended)
                                    : configRig::shared(basic, 81);
        rig.boxes.clear();
        rig.dialog.show(rig.index);
        return rig;
    }

private slots:
    void cleanupTestCase()
    {
        basic.reset();
        extended.reset();
    }
    void channelColumns_data(); // first, before a shared rig holds the database
    void channelColumns();
    void wrongTextChangesNothing_data();
    void wrongTextChangesNothing();
    void spreadDU_data();
    void spreadDU();
    void cancelSendsNothing();
    void applyWritesBlocks_data();
    void applyWritesBlocks();
    void newPassword_data();
    void newPassword();
};

void test_refTab::wrongTextChangesNothing_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");

    QTest::newRow("a value") << "refTable" << 0 << 1 << "Опоры: Rr-2, Значение";
    QTest::newRow("a zero value") << "refTable" << 1 << 5 << "Опоры: Iref, <0>";
    QTest::newRow("voltage correction") << "chU0Table" << 0 << 7 << "Напряжение - уст. <0>: канал 8";
    QTest::newRow("current correction") << "chI0Table" << 0 << 0 << "Сила тока - уст. <0>: канал 1";
    QTest::newRow("temperature coefficient") << "tkTable" << 0 << 3 << "Темп. коэф.: R4";
    QTest::newRow("nelin table 2") << "rKTable2" << 2 << 25 << "Нелинейность, таблица 2: 26, Значение";
    QTest::newRow("10 kΩ field") << "d10kEdit" << -1 << -1 << "Поправки 10 кОм и 0.05 mA: >Δ< 10 кОм";
    QTest::newRow("refdU table D") << "dUTableMinus" << 0 << 6 << "Нелинейность по U -: 7, Код";
}

// A letter anywhere, then a valid edit of the first table: the warning names the wrong
// cell, selects it, and nothing of either reaches the image.
void test_refTab::wrongTextChangesNothing()
{
    QFETCH(QString, widget);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, cell);
    configRig &rig = rigOf(true);
    enterServiceMode(rig);
    const QByteArray before = rig.image()->getRefData(true);

    if (row < 0) {
        auto *field = rig.find<QLineEdit>(widget);
        field->setText("0.0l");
        emit field->editingFinished();
    } else {
        rig.answerBox(QMessageBox::Ok);
        edit(rig, qPrintable(widget), row, column, "1.2x");
        QTRY_COMPARE(rig.boxes.size(), 1);
    }
    rig.answerBox(QMessageBox::Ok);
    edit(rig, "refTable", 0, 0, "5.5");
    QTRY_COMPARE(rig.boxes.size(), row < 0 ? 1 : 2);
    QCOMPARE(rig.boxes.last(), warning + cell);
    QCOMPARE(rig.image()->getRefData(true), before);
    if (row >= 0) {
        const auto *table = rig.find<QTableWidget>(widget);
        QCOMPARE(table->currentRow(), row);
        QCOMPARE(table->currentColumn(), column);
    }
    emit rig.image()->onRefChange(); // the tab as the image holds it, for the next row
}

void test_refTab::channelColumns_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("stretched");
    QTest::newRow("8: stretched") << 8 << true;
    QTest::newRow("16: 100 pixels each") << 16 << false;
    QTest::newRow("32: 100 pixels each") << 32 << false;
}

void test_refTab::channelColumns()
{
    QFETCH(int, channels);
    QFETCH(bool, stretched);
    configRig rig;
    rig.addRecord();
    rig.dialog.show(rig.index);
    rig.image()->chCount = channels;
    emit rig.image()->onDevChange();
    for (const char *name : {"chU0Table", "chI0Table"}) {
        const QHeaderView *header = rig.find<QTableWidget>(name)->horizontalHeader();
        QCOMPARE(header->count(), channels);
        for (int c = 0; c < channels; ++c) {
            QCOMPARE(header->sectionResizeMode(c), stretched ? QHeaderView::Stretch : QHeaderView::Fixed);
            if (!stretched)
                QCOMPARE(header->sectionSize(c), 100);
        }
    }
}

void test_refTab::spreadDU_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("dU"); // by how much the last record moves
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("lastHasVoltage");
    QTest::newRow("0: nothing") << "0" << 0.0f << false << true;
    QTest::newRow("positive") << "1.5" << 1.5f << false << true;
    QTest::newRow("negative, comma") << "-0,75" << -0.75f << false << true;
    QTest::newRow("not a number") << "1.5x" << 0.0f << true << true;
    // Every share would be infinite.
    QTest::newRow("no voltage at the last record") << "1.5" << 0.0f << true << false;
}

void test_refTab::spreadDU()
{
    QFETCH(QString, text);
    QFETCH(float, dU);
    QFETCH(bool, warned);
    QFETCH(bool, lastHasVoltage);
    configRig &rig = rigOf(true);
    enterServiceMode(rig);
    O *o = rig.image();
    for (int k = 0; k < O::refdUPoints; ++k) {
        o->refdU[1][k].code.setValue(lastHasVoltage || k < 6 ? 1e6f * float(k + 1) : 0.0f);
        o->refdU[1][k].value.setValue(0.25f * float(k));
    }
    o->setData(o->getRefdUData(), O::rdRefdU); // the voltages, and the tab refreshed
    const float last = o->refdU[1][6].value.value();
    const float first = o->refdU[1][0].value.value();

    auto *field = rig.find<QLineEdit>("dU1200LE");
    field->setText(text);
    if (warned)
        rig.answerBox(QMessageBox::Ok);
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_COMPARE(rig.boxes.size(), int(warned));
    QCOMPARE(o->refdU[1][6].value.value(), last + dU);
    QVERIFY(qAbs(o->refdU[1][0].value.value() - (first + dU / 7)) < 1e-6f);
    QCOMPARE(rig.find<QTableWidget>("dUTableMinus")->item(2, 6)->text(), QString::number(last + dU, 'f', 2));
    QCOMPARE(field->text(), warned ? text : QString("0"));
    QTest::qWait(4 * configRig::sendDelay);
    QVERIFY(rig.sim->log(zorSimulator::blockWritten).isEmpty()); // only an apply sends
}

// Cancelled, nothing is sent and the image holds the instrument's references again, so
// that the snapshot stored after the next write of anything holds them too.
void test_refTab::cancelSendsNothing()
{
    configRig &rig = rigOf(true);
    enterServiceMode(rig);
    const QByteArray held = refOf(rig.sim);
    edit(rig, "refTable", 0, 0, "123.25");
    edit(rig, "dUTableMinus", 2, 3, "4.5");
    QVERIFY(rig.image()->getRefData(true) != held);

    answerPassword(master, false);
    applyRef(rig);
    QTest::qWait(4 * configRig::sendDelay);
    rig.r.waitIdle(rig.index);
    QVERIFY(rig.sim->log(zorSimulator::blockWritten).isEmpty());
    QCOMPARE(refOf(rig.sim), held);
    QCOMPARE(rig.image()->getRefData(true), held);
    QCOMPARE(rig.find<QTableWidget>("refTable")->item(0, 0)->text(), QString("3.00000000"));

    QTest::mouseClick(rig.find<QToolButton>("applyChBtn"), Qt::LeftButton);
    rig.waitWrites(3); // device, channels, name
    QCOMPARE(snapShotRef(rig), held);
}

void test_refTab::applyWritesBlocks_data()
{
    QTest::addColumn<bool>("isExtended");
    QTest::newRow("extended: with the refdU block") << true;
    QTest::newRow("basic: the reference block") << false;
}

void test_refTab::applyWritesBlocks()
{
    QFETCH(bool, isExtended);
    configRig &rig = rigOf(isExtended);
    enterServiceMode(rig);
    edit(rig, "refTable", 0, 0, "123.25");
    edit(rig, "chU0Table", 0, 2, "0.0015");
    if (isExtended)
        edit(rig, "dUTablePlus", 2, 3, "4.5");

    answerPassword(master, true);
    applyRef(rig);
    rig.waitWrites(isExtended ? 3 : 2); // the device block goes first
    const QByteArray ref = rig.sim->block(O::rdRef);
    QCOMPARE(ref, rig.image()->getRefData(false));
    QCOMPARE(rig.sim->block(O::rdRefdU), rig.image()->getRefdUData());
    bDouble rr1;
    rr1.setDouble(&ref, 1);
    QCOMPARE(rr1.value(), 123.25);
    QCOMPARE(quint8(ref.at(928 + 2)), quint8(128 + 15));
    if (isExtended) {
        bFloat value;
        const QByteArray refdU = rig.sim->block(O::rdRefdU);
        value.setFloat(&refdU, 1 + 3);
        QCOMPARE(value.value(), 4.5f);
    }
    // The settings the registry stored after the writes are the instrument's, and the
    // box knows them.
    QCOMPARE(snapShotRef(rig), refOf(rig.sim));
    QVERIFY(rig.find<QLabel>("dbStatusLabel")->isHidden());
}

void test_refTab::newPassword_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("taken");
    QTest::newRow("taken") << "wxyz" << "wxyz" << "" << true;
    QTest::newRow("3 characters") << "wxy" << "wxy" << "Пароль слишком короткий" << false;
    QTest::newRow("mismatch") << "wxyz" << "wxzy" << "Пароли не совпадают" << false;
}

// The new password goes to the instrument inside the reference block; the references
// are sent whether or not it was taken, and the password not taken leaves the old one.
void test_refTab::newPassword()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, status);
    QFETCH(bool, taken);
    configRig &rig = rigOf(false);
    QByteArray ref = rig.sim->block(O::rdRef);
    ref.replace(992, 8, QByteArray("pw12\0\0\0\0", 8));
    rig.sim->setBlock(O::rdRef, ref);
    rig.image()->setData(ref, O::rdRef);

    QString seen;
    answerPassword("pw12", true, first, second, &seen);
    applyRef(rig);
    rig.waitWrites(2);
    QCOMPARE(seen, "1|" + status);
    const QByteArray password = taken ? QByteArray("wxyz\0\0\0\0", 8) : QByteArray("pw12\0\0\0\0", 8);
    QCOMPARE(rig.sim->block(O::rdRef).mid(992, 8), password);

    // The password in force unlocks the next apply; the other does not.
    const QString now = taken ? "wxyz" : "pw12";
    const QString other = taken ? "pw12" : "wxyz";
    for (const QString &tried : {now, other}) {
        answerPassword(tried, false, QString(), QString(), &seen);
        applyRef(rig);
        QTRY_VERIFY(!seen.isEmpty());
        QCOMPARE(seen.left(1), QString(tried == now ? "1" : "0"));
        seen.clear();
    }
}

QTEST_MAIN(test_refTab)
#include "test_refTab.moc"
