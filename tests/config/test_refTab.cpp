#include "config/passDialog.h"
#include "config/zorRefInput.h"
#include "link/bDouble.h"
#include "link/bFloat.h"
#include "tests/config/configRig.h"
#include "tests/config/modalAnswer.h"
#include "tests/model/randomBlocks.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <functional>

using O = optionsZOR70;
using R = zorRefInput;
using Expect = std::function<void(O *)>;
Q_DECLARE_METATYPE(Expect)
Q_DECLARE_METATYPE(R::_group)

namespace {

const QString master = "47302958";

// Key by key, as typed (keyClicks knows Latin-1 keys only).
void type(QLineEdit *edit, const QString &text)
{
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

// The reference data of a stored snapshot, or of the one the record follows.
QByteArray snapShotRef(configRig &rig, int id = 0)
{
    QString info;
    QByteArray data, refdata;
    rig.r.sql.loadSnapShot(id ? id : rig.record()->snapShotId, &info, &data, &refdata);
    return refdata;
}

// The snapshot box as the user sees it: its entries (a snapshot by its description, "F"
// after a factory one), then what is shown and enabled.
QStringList entries(configRig &rig)
{
    const auto *list = rig.find<QComboBox>("dbFindCB");
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        QString info;
        QByteArray data, refdata;
        const int id = list->itemData(row).toInt();
        const bool factory = list->itemText(row).endsWith(" (Заводская)");
        shown << (id > 0 && rig.r.sql.loadSnapShot(id, &info, &data, &refdata) ? info + (factory ? "F" : "")
                                                                                : list->itemText(row));
    }
    return shown;
}

QString box(configRig &rig)
{
    const auto *info = rig.find<QPlainTextEdit>("infoText");
    return QString("%1 [!]=%2 save=%3 rm=%4 %5 %6")
        .arg(entries(rig).join(';'))
        .arg(!rig.find<QLabel>("dbStatusLabel")->isHidden())
        .arg(rig.find<QToolButton>("saveDBBtn")->isEnabled())
        .arg(rig.find<QToolButton>("rmDBBtn")->isEnabled())
        .arg(info->isEnabled() ? "info" : "-")
        .arg(info->placeholderText());
}

void editChannel(configRig &rig, int ch, int mode)
{
    rig.image()->setChMode(quint8(ch), mode);
    emit rig.image()->onChChange();
}

// An identified instrument of 16 channels, its references random to the last bit.
void fillImage(O *o, quint32 type)
{
    randomBlocks random(5);
    o->setData(random.block(O::rdRef), O::rdRef);
    o->setData(random.block(O::rdRefdU), O::rdRefdU);
    o->devType = type;
    o->devNumber = 42;
    o->chCount = 16;
}

// Everything the tab shows and the instrument receives.
QStringList shown(const O &o)
{
    QStringList all{QString(o.getRefData(true).toHex())};
    for (int g = 0; g < R::groupCount; ++g) {
        for (const QStringList &row : R::texts(o, R::_group(g)))
            all << row;
    }
    return all;
}

const QString found = "Настройка найдена в БД";
const QString notFound = "Настройка НЕ найдена в БД";

} // namespace

// The reference tab, the password dialog and the settings snapshot box of the settings
// dialog, against a simulated extended instrument (and a basic one last) through the
// real registry and link, on a temporary database.
class test_refTab : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> shared;
    const configRig *searchable = nullptr; // the rig whose database holds the snapshots searched
    configRig &rigOf(bool extended = true)
    {
        configRig &rig = extended ? configRig::shared(shared, 82, zorSimMemory::extended) : configRig::shared(shared, 81);
        rig.dialog.show(rig.index);
        return rig;
    }

private slots:
    void cleanupTestCase() { shared.reset(); }
    void refInput_data();
    void refInput();
    void passwords_data();
    void passwords();
    void nextRunStartsOver();
    void snapShots(); // first on the instrument: the registry stores a copy of the factory snapshot after a write
    void search_data();
    void search();
    void wrongText_data();
    void wrongText();
    void spreadDU_data();
    void spreadDU();
    void cancelSendsNothing();
    void loadSnapShot_data();
    void loadSnapShot();
    void registryRecognisesDialogSnapshot();
    void applyReferences_data(); // last: its rows end on a basic instrument
    void applyReferences();
};

void test_refTab::refInput_data()
{
    // The tab's texts, as the image gives them, with "1.5" typed into Rr-1 and the text
    // into a cell: stored all together, every other constant keeping every bit (random
    // doubles have far more digits than the tab shows) and the voltages following the
    // codes as a read of the block derives them; or, with no expectation, refused with
    // the cell named and nothing stored.
    QTest::addColumn<quint32>("type");
    QTest::addColumn<R::_group>("group");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Expect>("expect");

    const quint32 basic = O::typeBasic, ext = O::typeExtended;
    const Expect refused, nothing = [](O *) {};
    QTest::newRow("Iref <0>, decimal comma") << ext << R::gRef << 1 << 5 << "-0,25" << Expect([](O *o) { o->ref[5].zero.setValue(-0.25); });
    QTest::newRow("empty cell is 0") << ext << R::gRef << 0 << 2 << " " << Expect([](O *o) { o->ref[2].value.setValue(0); });
    QTest::newRow("correction A, between steps: the nearest") << ext << R::gCorrA << 0 << 0 << "0.00016" << Expect([](O *o) { o->corrA[0].setValue(2 / 1e4); });
    QTest::newRow("temperature coefficient") << ext << R::gTk << 0 << 2 << "1.5e-6" << Expect([](O *o) { o->tk[2].setValue(15 / 1e7); });
    QTest::newRow("nelin 0 code") << ext << R::gNelin0 << 0 << 4 << "1048576" << Expect([](O *o) { o->nelin[0][4].code.setValue(1048576); });
    QTest::newRow("refdU ratio") << ext << R::gCoef << 0 << 1 << "1.0000000123" << Expect([](O *o) { o->k005ma.setValue(1 + 123 / 1e10); });
    QTest::newRow("refdU C code") << ext << R::gRefdUC << 0 << 0 << "8388608" << Expect([](O *o) { o->refdU[0][0].code.setValue(8388608); });
    QTest::newRow("refdU D value") << ext << R::gRefdUD << 2 << 6 << "12.25" << Expect([](O *o) { o->refdU[1][6].value.setValue(12.25f); });
    QTest::newRow("basic, unchanged") << basic << R::gRef << 0 << 0 << "1.5" << nothing;
    // Cells that are not parsed at all.
    QTest::newRow("a voltage is derived, not read") << ext << R::gNelin0 << 1 << 3 << "junk" << nothing;
    QTest::newRow("refdU of a basic instrument") << basic << R::gRefdUD << 2 << 6 << "junk" << nothing;
    // Beyond what the block can carry: refused rather than clamped.
    QTest::newRow("correction A beyond its byte") << ext << R::gCorrA << 0 << 7 << "0.0128" << refused;
    QTest::newRow("coefficient beyond its byte") << ext << R::gTk << 0 << 5 << "-1.29e-5" << refused;
    QTest::newRow("not a number: nan") << ext << R::gNelin1 << 2 << 3 << "nan" << refused;
    QTest::newRow("10 kΩ beyond its word") << ext << R::gCoef << 0 << 0 << "3.2768" << refused;
    QTest::newRow("refdU D value beyond a float") << ext << R::gRefdUD << 2 << 6 << "1e39" << refused;
}

void test_refTab::refInput()
{
    QFETCH(quint32, type);
    QFETCH(R::_group, group);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(Expect, expect);
    O o, expected;
    fillImage(&o, type);
    fillImage(&expected, type);
    const QStringList before = shown(o);
    R::_tab tab;
    for (int g = 0; g < R::groupCount; ++g)
        tab << R::texts(o, R::_group(g));
    tab[R::gRef][0][0] = "1.5";
    tab[group][row][column] = text;
    QSignalSpy changed(&o, &O::onRefChange);
    R::_cell fault;
    QCOMPARE(R::store(&o, tab, &fault), bool(expect));
    QCOMPARE(changed.count(), int(bool(expect)));
    if (!expect) {
        QCOMPARE(QString("%1 %2 %3").arg(fault.group).arg(fault.row).arg(fault.column),
                 QString("%1 %2 %3").arg(group).arg(row).arg(column));
        QCOMPARE(shown(o), before);
        return;
    }
    expected.ref[0].value.setValue(1.5);
    expect(&expected);
    expected.setData(expected.getRefData(false), O::rdRef);
    expected.setData(expected.getRefdUData(), O::rdRefdU);
    QCOMPARE(shown(o), shown(expected));
}

void test_refTab::passwords_data()
{
    // The password dialog on an instrument whose password is "ab12": the password typed,
    // a new one typed twice (none when null), the button pressed when it may be; whether
    // it unlocked, the status line, and the instrument's password afterwards.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("unlocked");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("password");

    const QString none, apply = "applyBtn", kept = "ab12";
    QTest::newRow("instrument's password") << "ab12" << none << none << apply << true << "" << kept;
    QTest::newRow("master password") << master << none << none << apply << true << "" << kept;
    QTest::newRow("master cut to 8 characters") << master + "1" << none << none << apply << true << "" << kept;
    QTest::newRow("letter case differs") << "AB12" << none << none << apply << false << "" << kept;
    QTest::newRow("a prefix") << "ab1" << none << none << apply << false << "" << kept;
    QTest::newRow("new: Cyrillic") << "ab12" << "пароль" << "пароль" << apply << true << "" << "пароль";
    QTest::newRow("new: second empty") << "ab12" << "wxyz" << "" << apply << true << "" << kept;
    QTest::newRow("new: not in Windows-1251") << "ab12" << "ab✓d" << "ab✓d" << apply << true
                                              << "Недопустимые символы в пароле" << kept;
    QTest::newRow("new: leading blank") << "ab12" << " abcd" << " abcd" << apply << true
                                        << "Недопустимые символы в пароле" << kept;
    QTest::newRow("new, cancelled") << "ab12" << "wxyz" << "wxyz" << "closeBtn" << true << "" << kept;
}

void test_refTab::passwords()
{
    QFETCH(QString, typed);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, button);
    QFETCH(bool, unlocked);
    QFETCH(QString, status);
    QFETCH(QString, password);
    O options;
    options.password = "ab12";
    passDialog dialog;
    dialog.setOptions(&options);
    dialog.show();
    type(dialog.findChild<QLineEdit *>("passEdit"), typed);
    auto *apply = dialog.findChild<QPushButton *>("applyBtn");
    QCOMPARE(apply->isEnabled(), unlocked);
    QCOMPARE(dialog.findChild<QPushButton *>("setPassBtn")->isEnabled(), unlocked);
    if (!unlocked)
        return;
    if (!first.isNull()) {
        dialog.findChild<QPushButton *>("setPassBtn")->click();
        type(dialog.findChild<QLineEdit *>("nPassEdit1"), first);
        type(dialog.findChild<QLineEdit *>("nPassEdit2"), second);
    }
    QCOMPARE(dialog.findChild<QLabel *>("statusLabel")->text(), status);
    QVERIFY(apply->isEnabled()); // the references go out whatever the new password
    QTest::mouseClick(dialog.findChild<QPushButton *>(qPrintable(button)), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(button == apply->objectName() ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(options.password, password);
}

// One dialog serves every instrument: what was typed for one run, and the frame it was
// typed in, are gone at the next, so another instrument never gets that password.
void test_refTab::nextRunStartsOver()
{
    O options, other;
    options.password = "ab12";
    other.password = "cd34";
    passDialog dialog;
    const auto newPassword = [&dialog](const QString &password) {
        type(dialog.findChild<QLineEdit *>("passEdit"), password);
        dialog.findChild<QPushButton *>("setPassBtn")->click();
        type(dialog.findChild<QLineEdit *>("nPassEdit1"), "wxyz");
        type(dialog.findChild<QLineEdit *>("nPassEdit2"), "wxyz");
    };
    dialog.setOptions(&options);
    dialog.show();
    newPassword("ab12");
    dialog.findChild<QPushButton *>("closeBtn")->click();

    dialog.setOptions(&other);
    dialog.show();
    for (const char *name : {"passEdit", "nPassEdit1", "nPassEdit2"})
        QVERIFY(dialog.findChild<QLineEdit *>(name)->text().isEmpty());
    QVERIFY(dialog.findChild<QFrame *>("nPassFrame")->isHidden());
    type(dialog.findChild<QLineEdit *>("passEdit"), "cd34");
    dialog.findChild<QPushButton *>("applyBtn")->click();
    QCOMPARE(other.password, QString("cd34"));

    // Fields typed, then hidden by typing on (which locks again), are not taken either.
    dialog.setOptions(&other);
    newPassword("cd34");
    type(dialog.findChild<QLineEdit *>("passEdit"), "x");
    QVERIFY(!dialog.findChild<QPushButton *>("applyBtn")->isEnabled());
    QVERIFY(dialog.findChild<QFrame *>("nPassFrame")->isHidden());
    dialog.findChild<QLineEdit *>("passEdit")->clear();
    type(dialog.findChild<QLineEdit *>("passEdit"), master);
    dialog.findChild<QPushButton *>("applyBtn")->click();
    QCOMPARE(other.password, QString("cd34"));
}

void test_refTab::wrongText_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("row"); // -1: a field of its own
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
void test_refTab::wrongText()
{
    QFETCH(QString, widget);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, cell);
    configRig &rig = rigOf();
    rig.enterServiceMode();
    const QByteArray before = rig.image()->getRefData(true);
    QStringList boxes;
    if (row < 0) {
        auto *field = rig.find<QLineEdit>(widget);
        field->setText("0.0l");
        emit field->editingFinished();
    } else {
        modalAnswer::box(&boxes);
        edit(rig, qPrintable(widget), row, column, "1.2x");
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
    configRig &rig = rigOf();
    rig.enterServiceMode();
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
    QStringList boxes;
    if (warned)
        modalAnswer::box(&boxes);
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_COMPARE(boxes.size(), int(warned));
    QCOMPARE(o->refdU[1][6].value.value(), last + dU);
    QVERIFY(qAbs(o->refdU[1][0].value.value() - (first + dU / 7)) < 1e-6f);
    QCOMPARE(rig.find<QTableWidget>("dUTableMinus")->item(2, 6)->text(), QString::number(last + dU, 'f', 2));
    QCOMPARE(field->text(), warned ? text : QString("0"));
    QTest::qWait(4 * configRig::sendDelay);
    QCOMPARE(rig.waitWrites(0), QByteArray()); // only an apply sends
}

// Cancelled, nothing is sent and the image holds the instrument's references again, so
// that the snapshot stored after the next write of anything holds them too.
void test_refTab::cancelSendsNothing()
{
    configRig &rig = rigOf();
    rig.enterServiceMode();
    const QByteArray held = rig.image()->getRefData(true);
    edit(rig, "refTable", 0, 0, "123.25");
    edit(rig, "dUTableMinus", 2, 3, "4.5");
    QVERIFY(rig.image()->getRefData(true) != held);
    answerPassword(master, false);
    click(rig, "applyRefBtn");
    QTest::qWait(4 * configRig::sendDelay);
    QCOMPARE(rig.waitWrites(0), QByteArray());
    QCOMPARE(rig.image()->getRefData(true), held);
    QCOMPARE(rig.find<QTableWidget>("refTable")->item(0, 0)->text(), QString("3.00000000"));

    click(rig, "applyChBtn");
    rig.waitWrites(3); // device, channels, name
    QCOMPARE(rig.changes(), QStringList());
    QCOMPARE(snapShotRef(rig), held);
}

// Found, changed, not found, saved as new, overwritten and deleted, in the order a user
// meets them; the factory snapshot is never saved over or deleted.
void test_refTab::snapShots()
{
    configRig &rig = rigOf();
    const int factory = rig.record()->snapShotId;
    QVERIFY(factory > 0);
    // The registry stored the factory snapshot in the same form the box matches.
    QCOMPARE(box(rig), "Заводская настройкаF [!]=0 save=0 rm=0 info " + found);
    editChannel(rig, 0, O::chOhm);
    QCOMPARE(box(rig), "Заводская настройкаF [!]=1 save=0 rm=0 info " + found);

    rig.record()->snapShotId = 0;
    rig.dialog.findSnapShot();
    QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 - " + notFound);
    click(rig, "addDBBtn");
    const int added = rig.record()->snapShotId;
    QVERIFY(added > factory);
    QCOMPARE(box(rig), " [!]=0 save=0 rm=1 info " + found);
    QCOMPARE(snapShotRef(rig), rig.image()->getRefData(true));

    editChannel(rig, 1, O::chMV);
    QCOMPARE(box(rig), " [!]=1 save=1 rm=1 info " + found);
    rig.find<QPlainTextEdit>("infoText")->setPlainText("Поверка 2024");
    click(rig, "saveDBBtn");
    QCOMPARE(rig.record()->snapShotId, added);
    QCOMPARE(box(rig), "Поверка 2024 [!]=0 save=0 rm=1 info " + found);
    QString info;
    QByteArray data, refdata;
    QVERIFY(rig.r.sql.loadSnapShot(added, &info, &data, &refdata));
    QCOMPARE(data, rig.image()->getData());

    QStringList boxes;
    modalAnswer::box(&boxes, QMessageBox::Yes);
    click(rig, "rmDBBtn");
    QCOMPARE(boxes, QStringList{rig.dialog.windowTitle() + "|Вы уверены?"});
    QVERIFY(snapShotRef(rig, added).isEmpty());
    QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 - " + notFound);
    QVERIFY(!snapShotRef(rig, factory).isEmpty());
}

void test_refTab::search_data()
{
    QTest::addColumn<QStringList>("typed"); // the texts of the field, one after the other
    QTest::addColumn<int>("count");         // entries in the box afterwards
    QTest::addColumn<QString>("first");     // the first of them

    QTest::newRow("two characters: the hint only") << QStringList{"п", "по"} << 1 << "Введите не менее 3-х символов";
    QTest::newRow("the third starts the search")
        << QStringList{"по", "пов"} << 4 << "Найдено: 3;Поверка 2024;Поверка 2023;Поверка 2022";
    QTest::newRow("Cyrillic capitals") << QStringList{"ПОВЕРКА 2023"} << 2 << "Найдено: 1;Поверка 2023";
    QTest::newRow("the device number") << QStringList{"082"} << 5 << "Найдено: 4;Поверка 2024;Поверка 2023;Поверка 2022";
    QTest::newRow("the device number, 4 digits") << QStringList{"0082"} << 5 << "Найдено: 4;Поверка 2024;Поверка 2023;Поверка 2022";
    QTest::newRow("nothing") << QStringList{"xyz"} << 1 << "Найдено: 0";
    QTest::newRow("emptied: the current settings again") << QStringList{"пов", ""} << 1 << "Заводская настройкаF";
    // More than a few hundred: the newest few hundred, and how many matched.
    QTest::newRow("another device's name, 321 matches")
        << QStringList{"Другой"} << 301 << "Найдено: 321, показаны последние 300";
}

// Searching lists and never loads: the image stays as it was.
void test_refTab::search()
{
    QFETCH(QStringList, typed);
    QFETCH(int, count);
    QFETCH(QString, first);
    configRig &rig = rigOf();
    if (searchable != &rig) {
        searchable = &rig;
        // Three snapshots of the instrument, oldest first, and many of another's.
        O other;
        other.setData(rig.image()->getData());
        const QByteArray refdata = rig.image()->getRefData(true);
        for (int n = 1; n <= 3; ++n) {
            other.devName = QString::number(n); // other bytes, another snapshot
            const QByteArray data = other.getData();
            rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, QString("Поверка %1").arg(n + 2021), 0);
            QTest::qWait(2); // distinct creation times
        }
        const int device = rig.r.sql.addDev(O::typeBasic, 1234, "Другой ЗОР");
        QSqlDatabase::database().transaction();
        for (int n = 0; n <= 320; ++n) {
            const QByteArray data = other.getData() + QByteArray::number(n); // distinct bytes
            rig.r.sql.setSnapShot(device, &data, &refdata, n < 320 ? QString("Серия %1").arg(n) : "прочее", 0);
        }
        QSqlDatabase::database().commit();
    }
    const QByteArray before = rig.image()->getData() + rig.image()->getRefData(true);
    for (const QString &text : typed)
        rig.find<QLineEdit>("dbSearchEdit")->setText(text);
    const QStringList shown = entries(rig);
    QCOMPARE(shown.size(), count);
    QCOMPARE(shown.mid(0, first.count(';') + 1).join(';'), first);
    QCOMPARE(rig.image()->getData() + rig.image()->getRefData(true), before);
    rig.find<QLineEdit>("dbSearchEdit")->clear();
}

void test_refTab::loadSnapShot_data()
{
    QTest::addColumn<bool>("withRefdU");
    QTest::newRow("reference block and refdU block, applied") << true;
    QTest::newRow("an older snapshot, reference block only: refdU kept") << false;
}

// A snapshot found by text and chosen goes into the image, and applying it puts exactly
// its bytes into the instrument.
void test_refTab::loadSnapShot()
{
    QFETCH(bool, withRefdU);
    configRig &rig = rigOf();
    O *o = rig.image();
    const QByteArray refdUBefore = o->getRefdUData();
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
    const QByteArray data = other.getData();
    const QByteArray refdata = other.getRefData(withRefdU);
    const QString info = withRefdU ? "Партия 7" : "Партия 8";
    rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, info, 0);

    rig.find<QLineEdit>("dbSearchEdit")->setText(info);
    rig.find<QComboBox>("dbFindCB")->setCurrentIndex(1);
    QCOMPARE(o->getData(), data);
    QCOMPARE(o->getRefData(false), refdata.left(O::refSize));
    QCOMPARE(o->getRefdUData(), withRefdU ? refdata.mid(O::refSize) : refdUBefore);
    QCOMPARE(rig.find<QLineEdit>("dbSearchEdit")->text(), QString());
    QCOMPARE(box(rig), QString("%1 [!]=%2 save=%2 rm=1 info %3").arg(info).arg(!withRefdU).arg(found));
    if (!withRefdU)
        return;

    answerPassword(master, true);
    click(rig, "applyRefBtn");
    click(rig, "pushButton_5");
    const zorSimulator *sim = rig.sim;
    QTRY_COMPARE_WITH_TIMEOUT(sim->block(O::rdIdent).left(20) + sim->block(O::rdDev) + sim->block(O::rdCh)
                                  + sim->block(O::rdFeat) + sim->block(O::rdRef) + sim->block(O::rdRefdU),
                              data + refdata, simulatedLink::timeout);
}

// A snapshot saved in the dialog for an extended instrument is the one the registry finds
// when it reads the instrument again, and the dialog shows it found.
void test_refTab::registryRecognisesDialogSnapshot()
{
    configRig &rig = rigOf();
    O *o = rig.image();
    o->refdU[0][2].value.setValue(7.25f); // only the refdU block differs from the factory
    emit o->onRefChange();
    rig.record()->snapShotId = 0;
    rig.dialog.findSnapShot();
    rig.find<QPlainTextEdit>("infoText")->setPlainText("С поправкой");
    click(rig, "addDBBtn");
    const int saved = rig.record()->snapShotId;
    QVERIFY(saved > 0);

    // The instrument is programmed with it elsewhere and read again from scratch.
    rig.sim->setBlock(O::rdRefdU, o->getRefdUData());
    rig.dialog.reject();
    o->refdU[0][2].value.setValue(0);
    rig.record()->snapShotId = 0;
    rig.r.list.getAllDataFromZor(rig.index);
    rig.r.waitIdle(rig.index);
    QCOMPARE(rig.record()->snapShotId, saved);
    rig.dialog.show(rig.index);
    QCOMPARE(box(rig), "С поправкой [!]=0 save=0 rm=1 info " + found);
}

void test_refTab::applyReferences_data()
{
    // References edited in service mode and applied behind the password dialog, with a
    // new password typed twice: what the instrument holds afterwards.
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("taken");
    QTest::newRow("extended, new password taken") << true << "wxyz" << "wxyz" << "" << true;
    QTest::newRow("extended, new passwords differ") << true << "wxyz" << "wxzy" << "Пароли не совпадают" << false;
    QTest::newRow("basic, new password of 3 characters") << false << "wxy" << "wxy" << "Пароль слишком короткий" << false;
}

// The blocks reach the instrument byte for byte (the refdU block only an extended one's),
// the new password inside the reference block; the references are sent whether or not
// it was taken, and one not taken leaves the old one.
void test_refTab::applyReferences()
{
    QFETCH(bool, extended);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, status);
    QFETCH(bool, taken);
    configRig &rig = rigOf(extended);
    QByteArray ref = rig.image()->getRefData(false);
    ref.replace(992, 8, QByteArray("pw12\0\0\0\0", 8));
    rig.sim->setBlock(O::rdRef, ref);
    rig.image()->setData(ref, O::rdRef);
    rig.enterServiceMode();
    edit(rig, "refTable", 0, 0, "123.25");
    edit(rig, "chU0Table", 0, 2, "0.0015");
    if (extended)
        edit(rig, "dUTablePlus", 2, 3, "4.5");

    QString seen;
    answerPassword("pw12", true, first, second, &seen);
    click(rig, "applyRefBtn");
    rig.waitWrites(extended ? 3 : 2); // the device block goes first
    QCOMPARE(seen, "1|" + status);
    const QByteArray held = rig.sim->block(O::rdRef);
    QCOMPARE(held + rig.sim->block(O::rdRefdU), rig.image()->getRefData(true));
    QCOMPARE(held.mid(992, 8), taken ? QByteArray("wxyz\0\0\0\0", 8) : QByteArray("pw12\0\0\0\0", 8));
    bDouble rr1;
    rr1.setDouble(&held, 1);
    QCOMPARE(rr1.value(), 123.25);
    QCOMPARE(quint8(held.at(928 + 2)), quint8(128 + 15));
    if (extended) {
        const QByteArray refdU = rig.sim->block(O::rdRefdU);
        bFloat value;
        value.setFloat(&refdU, 1 + 3);
        QCOMPARE(value.value(), 4.5f);
    }
    // The settings the registry stored after the writes are the instrument's, and the
    // box knows them.
    QCOMPARE(snapShotRef(rig), held + rig.sim->block(O::rdRefdU));
    QVERIFY(rig.find<QLabel>("dbStatusLabel")->isHidden());

    // The password in force unlocks the next apply; the other does not.
    const QString now = taken ? "wxyz" : "pw12";
    for (const QString &tried : {now, QString(taken ? "pw12" : "wxyz")}) {
        seen.clear();
        answerPassword(tried, false, QString(), QString(), &seen);
        click(rig, "applyRefBtn");
        QTRY_VERIFY(!seen.isEmpty());
        QCOMPARE(seen.left(1), QString(tried == now ? "1" : "0"));
    }
}

QTEST_MAIN(test_refTab)
#include "test_refTab.moc"
