#include "config/devConfUI.h"
#include "config/passDialog.h"
#include "tests/config/configRig.h"
#include "tests/config/modalAnswer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QToolButton>
#include <QtTest>

#include <memory>

using O = optionsZOR70;

namespace {

// The box's entries: a snapshot as "#id", a factory one "#idF", others by their text.
QString entries(configRig &rig)
{
    const auto *list = rig.find<QComboBox>("dbFindCB");
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        const int id = list->itemData(row).toInt();
        shown << (id > 0 ? QString("#%1%2").arg(id).arg(list->itemText(row).endsWith(" (Заводская)") ? "F" : "")
                         : list->itemText(row));
    }
    return shown.join(';');
}

// The box as the user sees it: its entries, then what is shown and enabled.
QString box(configRig &rig)
{
    const auto *info = rig.find<QPlainTextEdit>("infoText");
    return QString("%1 [!]=%2 save=%3 rm=%4 info=%5 %6")
        .arg(entries(rig))
        .arg(!rig.find<QLabel>("dbStatusLabel")->isHidden())
        .arg(rig.find<QToolButton>("saveDBBtn")->isEnabled())
        .arg(rig.find<QToolButton>("rmDBBtn")->isEnabled())
        .arg(info->isEnabled() ? info->toPlainText() : "-")
        .arg(info->placeholderText());
}

void click(configRig &rig, const char *button)
{
    QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
}

void editChannel(configRig &rig, int ch, int mode)
{
    rig.image()->setChMode(quint8(ch), mode);
    emit rig.image()->onChChange();
}

// id|info|data equals the image's|refdata equals the image's snapshot form
QString stored(configRig &rig, int id)
{
    QString info;
    QByteArray data, refdata;
    if (!rig.r.sql.loadSnapShot(id, &info, &data, &refdata))
        return "none";
    return QString("%1|%2|%3|%4")
        .arg(id)
        .arg(info)
        .arg(data == rig.image()->getData())
        .arg(refdata == rig.image()->getRefData(true));
}

const QString found = "Настройка найдена в БД";
const QString notFound = "Настройка НЕ найдена в БД";

} // namespace

// The settings snapshot box against a simulated extended instrument through the real
// registry and link, on a temporary database.
class test_snapShotBox : public QObject
{
    Q_OBJECT

    // An instrument read once for the tests that need no fresh one; one rig at a time,
    // since every rig's database is the default connection.
    std::unique_ptr<configRig> shared;
    configRig &sharedRig() { return configRig::shared(shared, 91, zorSimMemory::extended); }

    void storeSearchable(configRig &rig);

private slots:
    void cleanupTestCase() { shared.reset(); }
    void lifecycle();
    void registryRecognisesDialogSnapshot();
    void search_data();
    void search();
    void manyMatches();
    void loadAndApply_data();
    void loadAndApply();
};

// Found, changed, not found, saved as new, overwritten and deleted, in the order a user
// meets them; the factory snapshot is never saved over or deleted.
void test_snapShotBox::lifecycle()
{
    configRig rig;
    rig.connectSim(91, zorSimMemory::extended);
    rig.dialog.show(rig.index);
    const int factory = rig.record()->snapShotId;
    QVERIFY(factory > 0);
    // The registry stored the factory snapshot in the same form the box matches.
    QCOMPARE(box(rig), QString("#%1F [!]=0 save=0 rm=0 info=Заводская настройка %2").arg(factory).arg(found));

    editChannel(rig, 0, O::chOhm);
    QCOMPARE(box(rig), QString("#%1F [!]=1 save=0 rm=0 info=Заводская настройка %2").arg(factory).arg(found));

    rig.record()->snapShotId = 0;
    rig.dialog.findSnapShot();
    QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 info=- " + notFound);

    click(rig, "addDBBtn");
    const int added = rig.record()->snapShotId;
    QVERIFY(added > factory);
    QCOMPARE(box(rig), QString("#%1 [!]=0 save=0 rm=1 info= %2").arg(added).arg(found));
    QCOMPARE(stored(rig, added), QString("%1||1|1").arg(added));

    editChannel(rig, 1, O::chMV);
    QCOMPARE(box(rig), QString("#%1 [!]=1 save=1 rm=1 info= %2").arg(added).arg(found));
    rig.find<QPlainTextEdit>("infoText")->setPlainText("Поверка 2024");
    click(rig, "saveDBBtn");
    QCOMPARE(rig.record()->snapShotId, added);
    QCOMPARE(box(rig), QString("#%1 [!]=0 save=0 rm=1 info=Поверка 2024 %2").arg(added).arg(found));
    QCOMPARE(stored(rig, added), QString("%1|Поверка 2024|1|1").arg(added));

    rig.answerBox(QMessageBox::Yes);
    click(rig, "rmDBBtn");
    QTRY_COMPARE(rig.boxes.size(), 1);
    QCOMPARE(rig.boxes.first(), rig.dialog.windowTitle() + "|Вы уверены?");
    QCOMPARE(stored(rig, added), QString("none"));
    QCOMPARE(box(rig), "Новая настройка [!]=0 save=0 rm=0 info=- " + notFound);
    QVERIFY(stored(rig, factory) != "none");
}

void test_snapShotBox::search_data()
{
    QTest::addColumn<QStringList>("typed"); // the texts of the field, one after the other
    QTest::addColumn<QString>("entries");   // the box after the last

    QTest::newRow("two characters: the hint only") << QStringList{"п", "по"} << "Введите не менее 3-х символов";
    QTest::newRow("the third starts the search") << QStringList{"по", "пов"} << "Найдено: 3;#4;#3;#2";
    QTest::newRow("Cyrillic capitals") << QStringList{"ПОВЕРКА 2023"} << "Найдено: 1;#3";
    QTest::newRow("the device number") << QStringList{"091"} << "Найдено: 4;#4;#3;#2;#1F";
    QTest::newRow("the device number, 4 digits") << QStringList{"0091"} << "Найдено: 4;#4;#3;#2;#1F";
    QTest::newRow("another device's name") << QStringList{"Другой"} << "Найдено: 1;#5F";
    QTest::newRow("nothing") << QStringList{"xyz"} << "Найдено: 0";
    QTest::newRow("emptied: the current settings again") << QStringList{"пов", ""} << "#1F";
}

// Searching lists and never loads: the image stays as it was.
void test_snapShotBox::search()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, entries);
    const bool first = !shared;
    configRig &rig = sharedRig();
    if (first)
        storeSearchable(rig);
    rig.dialog.show(rig.index);
    const QByteArray before = rig.image()->getData() + rig.image()->getRefData(true);
    for (const QString &text : typed)
        rig.find<QLineEdit>("dbSearchEdit")->setText(text);
    QCOMPARE(::entries(rig), entries);
    QCOMPARE(rig.image()->getData() + rig.image()->getRefData(true), before);
    rig.find<QLineEdit>("dbSearchEdit")->clear();
}

// Three ordinary snapshots of the instrument, oldest first, and another instrument's.
void test_snapShotBox::storeSearchable(configRig &rig)
{
    O other;
    other.setData(rig.image()->getData());
    for (int n = 1; n <= 3; ++n) {
        other.devName = QString::number(n); // other bytes, another snapshot
        const QByteArray data = other.getData(), refdata = rig.image()->getRefData(true);
        rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, QString("Поверка %1").arg(n + 2021), 0);
        QTest::qWait(2); // distinct creation times
    }
    const int device = rig.r.sql.addDev(O::typeBasic, 1234, "Другой ЗОР");
    const QByteArray data = other.getData(), refdata = other.getRefData(true);
    rig.r.sql.setSnapShot(device, &data, &refdata, "прочее", 0);
}

// A search matching hundreds lists the newest few hundred and says how many matched.
void test_snapShotBox::manyMatches()
{
    configRig &rig = sharedRig();
    const QByteArray refdata = rig.image()->getRefData(true);
    QSqlDatabase::database().transaction();
    for (int n = 0; n < 320; ++n) {
        const QByteArray data = rig.image()->getData() + QByteArray::number(n); // distinct bytes
        rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, QString("Серия %1").arg(n), 0);
    }
    QSqlDatabase::database().commit();
    rig.dialog.show(rig.index);
    rig.find<QLineEdit>("dbSearchEdit")->setText("серия");
    const auto *list = rig.find<QComboBox>("dbFindCB");
    QCOMPARE(list->count(), 301);
    QCOMPARE(list->itemText(0), QString("Найдено: 320, показаны последние 300"));
    QCOMPARE(list->itemData(0).toInt(), 0);
}

void test_snapShotBox::loadAndApply_data()
{
    QTest::addColumn<bool>("withRefdU");
    QTest::newRow("reference block and refdU block") << true;
    QTest::newRow("an older snapshot, reference block only: refdU kept") << false;
}

// A snapshot found by text and chosen goes into the image, and applying it puts exactly
// its bytes into the instrument.
void test_snapShotBox::loadAndApply()
{
    QFETCH(bool, withRefdU);
    configRig &rig = sharedRig();
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
    const int id = rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, "Партия 7", 0);

    rig.dialog.show(rig.index);
    rig.find<QLineEdit>("dbSearchEdit")->setText("партия");
    rig.find<QComboBox>("dbFindCB")->setCurrentIndex(1);
    QCOMPARE(o->getData(), data);
    QCOMPARE(o->getRefData(false), refdata.left(O::refSize));
    QCOMPARE(o->getRefdUData(), withRefdU ? refdata.mid(O::refSize) : refdUBefore);
    QCOMPARE(rig.find<QLineEdit>("dbSearchEdit")->text(), QString());
    QCOMPARE(box(rig), QString("#%1 [!]=%2 save=%2 rm=1 info=Партия 7 %3").arg(id).arg(!withRefdU).arg(found));


    modalAnswer::next<passDialog>([](passDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>("passEdit");
        edit->setText("47302958");
        dialog->findChild<QPushButton *>("applyBtn")->click();
    });
    click(rig, "applyRefBtn");
    click(rig, "pushButton_5");
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdCh), data.mid(28, O::chSize), simulatedLink::timeout);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdFeat), data.mid(252), simulatedLink::timeout);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdIdent).mid(4, 16), data.mid(4, 16), simulatedLink::timeout);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdDev), data.mid(20, O::devSize), simulatedLink::timeout);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdRef), refdata.left(O::refSize), simulatedLink::timeout);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdRefdU), withRefdU ? refdata.mid(O::refSize) : refdUBefore,
                              simulatedLink::timeout);
}

// A snapshot saved in the dialog for an extended instrument is the one the registry finds
// when it reads the instrument again, and the dialog shows it found.
void test_snapShotBox::registryRecognisesDialogSnapshot()
{
    configRig rig;
    rig.connectSim(91, zorSimMemory::extended);
    rig.dialog.show(rig.index);
    O *o = rig.image();
    o->refdU[0][2].value.setValue(7.25f); // only the refdU block differs from the factory
    emit o->onRefChange();
    rig.find<QPlainTextEdit>("infoText")->setPlainText("С поправкой");
    rig.record()->snapShotId = 0;
    rig.dialog.findSnapShot();
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
    QCOMPARE(box(rig), QString("#%1 [!]=0 save=0 rm=1 info= %2").arg(saved).arg(found));
}

QTEST_MAIN(test_snapShotBox)
#include "test_snapShotBox.moc"
