#include "config/devConfUI.h"
#include "config/featconfui.h"
#include "model/featureZOR70.h"
#include "model/zorBlockCodec.h"
#include "tests/config/configRig.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

using O = optionsZOR70;

namespace {
// The texts of a channel table row, joined by "|".
QString rowText(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << table->item(row, column)->text();
    return texts.join('|');
}

// A record of an 8-channel instrument whose first channels are in the modes given.
O *eightChannels(configRig &rig, const QList<int> &modes)
{
    rig.addRecord();
    O *o = rig.image();
    o->chCount = 8;
    for (int ch = 0; ch < modes.size(); ++ch) {
        o->ch[ch].ref = O::ref300;
        o->setChMode(quint8(ch), modes[ch]);
    }
    return o;
}

} // namespace

// The settings dialog: its device page, channel table and menus, keys and service mode,
// and what its edits and buttons make of the instrument, read back from a simulated
// instrument's memory through the real registry and link.
class test_devConfUI : public QObject
{
    Q_OBJECT

    // Instruments read in full once and shared by the rows of a test: numbered 71, and
    // without a serial number.
    std::unique_ptr<configRig> numbered;
    std::unique_ptr<configRig> unnumbered;

private slots:
    void cleanupTestCase();
    void displayCounts_data();
    void displayCounts();
    void chTableTexts_data();
    void chTableTexts();
    void headerUnitMenu_data();
    void headerUnitMenu();
    void currentSpin_data();
    void currentSpin();
    void keysDoNotClose_data();
    void keysDoNotClose();
    void serviceMode_data();
    void serviceMode();
    void proposedFileName();
    void roundTrip_data();
    void roundTrip();
    void unnumberedInstrument_data();
    void unnumberedInstrument();
    void removeFromDatabase_data();
    void removeFromDatabase();
    void recordRemovedWhileOpen();
    void characteristicEditor();
};

void test_devConfUI::cleanupTestCase()
{
    numbered.reset();
    unnumbered.reset();
}

void test_devConfUI::displayCounts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("boxEnabled");
    QTest::addColumn<QString>("entries");   // "1" enabled, "0" disabled: 1, 2, 4, 8, 16, 32

    QTest::newRow("8 channels, cyclic") << 8 << 1 << true << "111100";
    QTest::newRow("16 channels, cyclic") << 16 << 1 << true << "111110";
    QTest::newRow("32 channels, cyclic") << 32 << 1 << true << "111111";
    QTest::newRow("single channel") << 32 << 0 << false << "111111";
}

void test_devConfUI::displayCounts()
{
    QFETCH(int, count);
    QFETCH(int, mode);
    QFETCH(bool, boxEnabled);
    QFETCH(QString, entries);
    configRig rig;
    rig.addRecord();
    rig.dialog.show(rig.index);
    // The instrument reports its settings after the dialog has opened.
    rig.image()->chCount = count;
    rig.image()->measMode = mode;
    emit rig.image()->onDevChange();
    auto *box = rig.find<QComboBox>("devDisplayModeCB");
    QCOMPARE(box->isEnabled(), boxEnabled);
    QString shown;
    for (int row = 0; row < box->count(); ++row)
        shown += qobject_cast<QStandardItemModel *>(box->model())->item(row)->isEnabled() ? '1' : '0';
    QCOMPARE(shown, entries);
    QCOMPARE(rig.find<QComboBox>("devChCountCB")->currentText(), QString::number(count));
    QCOMPARE(rig.find<QTableWidget>("chU0Table")->columnCount(), count);
}

void test_devConfUI::chTableTexts_data()
{
    QTest::addColumn<QList<int>>("channel");   // configRig::setChannel
    QTest::addColumn<QString>("texts");
    QTest::addColumn<bool>("compensEnabled");
    QTest::addColumn<bool>("grey");

    using L = QList<int>;
    QTest::newRow("resistance thermometer")
        << L{5, 3, 2, 20, 1, 12, 0} << "НСХ ТС: Pt100|°С|1.00 мА|300 Ом|0.01|-" << false << false;
    QTest::newRow("thermocouple, no compensation")
        << L{8, 4, 1, 20, 0, 10, 0} << "НСХ ТП: ТХА(K)|K|1.00 мА|30 Ом|0.1|Выкл." << true << false;
    QTest::newRow("thermocouple by characteristic, compensated")
        << L{9, 3, 2, 20, 0, 4, 18} << "ИСХ ТП: ТП-эталон|°С|1.00 мА|300 Ом|0.1|100H" << true << false;
    QTest::newRow("channel off") << L{0, 0, 3, 255, 5, 0, 0} << "Выкл.|Ω|12.75 мА|3000 Ом|0.000001|-" << false << true;
    // Bytes no instrument should send still make a readable row.
    QTest::newRow("garbage") << L{77, 40, 9, 7, 9, 200, 99} << "-|-|0.35 мА|- Ом|-|-" << false << false;
}

void test_devConfUI::chTableTexts()
{
    QFETCH(QList<int>, channel);
    QFETCH(QString, texts);
    QFETCH(bool, compensEnabled);
    QFETCH(bool, grey);
    configRig rig;
    rig.addRecord();
    QVERIFY(rig.image()->feature[4]->setFeature(featureZOR70::ftTPTable, "ТП-эталон", {"0", "0", "100", "4.1"}));
    rig.dialog.show(rig.index);
    configRig::setChannel(rig.image(), 3, channel);
    emit rig.image()->onChChange();
    auto *table = rig.find<QTableWidget>("chTable");
    QCOMPARE(table->rowCount(), 32);
    QCOMPARE(rowText(table, 3), texts);
    QCOMPARE(bool(table->item(3, devConfUI::colCompens)->flags() & Qt::ItemIsEnabled), compensEnabled);
    QCOMPARE(table->item(3, 0)->foreground().color(), grey ? QColor(Qt::lightGray) : QColor(Qt::black));
    QCOMPARE(table->item(3, 0)->textAlignment(), int(Qt::AlignCenter));
    // The compensation menu opens only where compensation means something.
    QCOMPARE(rig.popUp(3, devConfUI::colCompens) != nullptr, compensEnabled);
}

void test_devConfUI::headerUnitMenu_data()
{
    // Channels 0..4 measure: off, Ом, НСХ ТС, НСХ ТП, ИЗМ. ПР.; all start in their own unit.
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("units");   // of channels 0..4 afterwards

    QTest::newRow("K") << "K" << "Ω|Ω|K|K|K";
    QTest::newRow("мВ") << "мВ" << "Ω|Ω|°С|°С|мВ";
    QTest::newRow("кПа") << "кПа" << "Ω|Ω|°С|°С|кПа";
}

void test_devConfUI::headerUnitMenu()
{
    QFETCH(QString, unit);
    QFETCH(QString, units);
    configRig rig;
    O *o = eightChannels(rig, {O::chOff, O::chOhm, O::chNSHTS, O::chNSHTP, O::chIZMPR});
    rig.dialog.show(rig.index);
    QSignalSpy changes(o, qOverload<quint8>(&O::onChChange));
    QMenu *menu = rig.popUp(-1, devConfUI::colDim);
    QVERIFY(menu);
    // Every unit may be chosen for all channels; none is checked.
    for (QAction *entry : menu->actions())
        QVERIFY(entry->isEnabled() && !entry->isChecked());
    configRig::choose(menu, unit);
    QStringList shown;
    for (int ch = 0; ch < 5; ++ch)
        shown << rig.find<QTableWidget>("chTable")->item(ch, devConfUI::colDim)->text();
    QCOMPARE(shown.join('|'), units);
    // Every channel was asked, and redrawn whether it took the unit or not.
    QCOMPARE(changes.size(), 8);
    // One channel: only what its mode measures in, its own unit checked.
    menu = rig.popUp(2, devConfUI::colDim);
    QStringList enabled;
    for (QAction *entry : menu->actions()) {
        if (entry->isEnabled())
            enabled << entry->text() + (entry->isChecked() ? "*" : "");
    }
    QCOMPARE(enabled, (QStringList{"°С", "K"}.replaceInStrings(shown[2], shown[2] + "*")));
    menu->close();
}

void test_devConfUI::currentSpin_data()
{
    QTest::addColumn<int>("row");   // -1: the header, every channel
    QTest::addColumn<double>("mA");
    QTest::addColumn<QString>("codes");   // of channels 0..7 afterwards

    QTest::newRow("12.75 for every channel") << -1 << 12.75 << "255 255 255 255 255 255 255 255";
    QTest::newRow("0 for every channel: ignored") << -1 << 0.0 << "20 20 20 20 20 20 20 20";
    QTest::newRow("12.75 for one channel") << 5 << 12.75 << "20 20 20 20 20 255 20 20";
    QTest::newRow("0 for one channel: ignored") << 5 << 0.0 << "20 20 20 20 20 20 20 20";
    QTest::newRow("0.35 for one channel") << 1 << 0.35 << "20 7 20 20 20 20 20 20";
}

void test_devConfUI::currentSpin()
{
    QFETCH(int, row);
    QFETCH(double, mA);
    QFETCH(QString, codes);
    configRig rig;
    O *o = eightChannels(rig, QVector<int>(8, O::chOhm3).toList());
    rig.dialog.show(rig.index);
    QMenu *menu = rig.popUp(row, devConfUI::colCurrent);
    QVERIFY(menu);
    auto *spin = menu->findChild<QDoubleSpinBox *>("currentSpin");
    QCOMPARE(spin->value(), row < 0 ? 0.0 : 1.0);
    spin->setValue(mA);
    QTest::keyClick(spin, Qt::Key_Return);
    QVERIFY(!menu->isVisible());
    QStringList shown;
    for (int ch = 0; ch < 8; ++ch)
        shown << QString::number(o->ch[ch].current);
    QCOMPARE(shown.join(' '), codes);
    QCOMPARE(rig.find<QTableWidget>("chTable")->item(5, devConfUI::colCurrent)->text(),
             QString::number(o->ch[5].current * 0.05, 'f', 2) + " мА");
}

void test_devConfUI::keysDoNotClose_data()
{
    QTest::addColumn<QString>("target");   // the widget with the focus; "" the dialog itself
    QTest::addColumn<int>("key");

    for (const QString &target : {QString(), QString("devNameEdit")}) {
        const QString in = target.isEmpty() ? " to the dialog" : " in the name";
        QTest::newRow(qPrintable("Escape" + in)) << target << int(Qt::Key_Escape);
        QTest::newRow(qPrintable("Return" + in)) << target << int(Qt::Key_Return);
        QTest::newRow(qPrintable("Enter" + in)) << target << int(Qt::Key_Enter);
        QTest::newRow(qPrintable("service key" + in)) << target << int(Qt::Key_PageUp);
    }
}

void test_devConfUI::keysDoNotClose()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    configRig rig;
    rig.addRecord();
    rig.dialog.show(rig.index);
    QWidget *receiver = target.isEmpty() ? static_cast<QWidget *>(&rig.dialog) : rig.find<QWidget>(target);
    receiver->setFocus();
    QTest::keyClick(receiver, Qt::Key(key));
    QTest::keyClick(receiver, Qt::Key(key), Qt::ControlModifier);
    QVERIFY(rig.dialog.isVisible());
    QVERIFY(!rig.dialog.isServiceMode());
}

void test_devConfUI::serviceMode_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("focus");   // where the focus is while the key is held
    QTest::newRow("basic") << false << "";
    QTest::newRow("extended") << true << "";
    QTest::newRow("key held in the channel table") << true << "chTable";
}

void test_devConfUI::serviceMode()
{
    QFETCH(bool, extended);
    QFETCH(QString, focus);
    configRig rig;
    rig.addRecord();
    rig.image()->devType = extended ? O::typeExtended : O::typeBasic;
    rig.dialog.show(rig.index);
    auto *close = rig.find<QPushButton>("pushButton_6");
    auto *tabs = rig.find<QTabWidget>("tabWidget_2");
    const auto serviceControls = [&rig, tabs] {
        QStringList shown;
        for (const char *name : {"profTab", "label_13", "d005maEdit", "rmDevBtn"})
            shown << QString(name) + "=" + QString::number(!rig.find<QWidget>(name)->isHidden());
        for (int tab = 2; tab < 5; ++tab)
            shown << tabs->tabText(tab) + "=" + QString::number(tabs->isTabVisible(tab));
        shown << "number=" + QString::number(!rig.find<QLineEdit>("devNumEdit")->isReadOnly());
        return shown.join(' ');
    };
    const QString hidden = "profTab=0 label_13=0 d005maEdit=0 rmDevBtn=0 Поправки 10 кОм=0 "
                           "Нелинейность по U +=0 Нелинейность по U -=0 number=0";
    QCOMPARE(serviceControls(), hidden);

    QWidget *receiver = focus.isEmpty() ? static_cast<QWidget *>(&rig.dialog) : rig.find<QWidget>(focus);
    QTest::keyPress(receiver, Qt::Key_PageUp);
    QTest::mousePress(close, Qt::LeftButton);
    QTest::mouseRelease(close, Qt::LeftButton);
    QTest::keyRelease(receiver, Qt::Key_PageUp);
    QVERIFY(rig.dialog.isVisible());
    QCOMPARE(serviceControls(), extended ? QString("profTab=1 label_13=1 d005maEdit=1 rmDevBtn=1 "
                                                   "Поправки 10 кОм и 0.05 mA=1 Нелинейность по U +=1 "
                                                   "Нелинейность по U -=1 number=1")
                                         : QString("profTab=1 label_13=0 d005maEdit=0 rmDevBtn=1 "
                                                   "Поправки 10 кОм=1 Нелинейность по U +=0 "
                                                   "Нелинейность по U -=0 number=1"));
    // Without the key "Закрыть" closes, and the service controls go with the dialog.
    QTest::mousePress(close, Qt::LeftButton);
    QVERIFY(!rig.dialog.isVisible());
    QCOMPARE(serviceControls(), hidden);
    rig.dialog.show(rig.index);
    QCOMPARE(serviceControls(), hidden);
}

void test_devConfUI::proposedFileName()
{
    configRig rig;
    rig.addRecord();
    rig.image()->devName = "Стенд/2";
    rig.image()->devNumber = 3;
    rig.dialog.show(rig.index);
    rig.answerFile(QString());
    QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
    QCOMPARE(rig.files.size(), 1);
    QCOMPARE(rig.files[0].section('|', 0, 0), QString("Загрузка настроек из файла"));
    QCOMPARE(QFileInfo(rig.files[0].section('|', 1)).fileName(), QString("Стенд_2_N0003.zor70"));
    // A cancelled dialog leaves the image alone and shows no warning.
    QVERIFY(rig.boxes.isEmpty());
}

void test_devConfUI::roundTrip_data()
{
    // Edits made through the dialog, then "Применить": the instrument's device, channel
    // and identity blocks must differ from what they were in exactly the bytes named.
    //   "combo:<object>=<data>", "name=<text>", "cell:<row>:<column>=<entry>" (row -1: the
    //   header), "spin:<row>=<mA>".
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("button");   // "Применить" (pushButton_5) or applyChBtn
    QTest::addColumn<QStringList>("devChanges");
    QTest::addColumn<QStringList>("chChanges");
    QTest::addColumn<QString>("name");

    using L = QStringList;
    QTest::newRow("device page")
        << L{"combo:devMeasTimeCB=2", "combo:devFilterCB=1", "combo:devSoundCB=1", "combo:devDisplayModeCB=2",
             "name=Стенд 7"}
        << "pushButton_5" << L{"time=2", "filter=1", "speaker=1", "show=2"} << L{} << "Стенд 7";
    QTest::newRow("mode, then range") << L{"cell:2:0=Ом", "cell:2:3=3000"} << "applyChBtn" << L{}
                                      << L{"mode2=1", "dim2=0", "feat2=0", "ref2=3", "round2=2", "cur2=2"} << "";
    QTest::newRow("unit, current, rounding") << L{"cell:3:1=K", "cell:0:2=2.0", "cell:5:4=0.001"} << "pushButton_5" << L{}
                                             << L{"dim3=4", "cur0=40", "round5=2"} << "";
    QTest::newRow("thermocouple, compensated") << L{"cell:6:0=ТХА(K)", "cell:6:5=Pt100"} << "applyChBtn" << L{}
                                               << L{"mode6=8", "feat6=10", "round6=0", "comp6=13"} << "";
    QTest::newRow("current of every channel")
        << L{"spin:-1=12.75"} << "applyChBtn" << L{}
        << L{"cur0=255", "cur1=255", "cur2=255", "cur3=255", "cur4=255", "cur5=255", "cur6=255", "cur7=255"} << "";
    QTest::newRow("mode of every channel")
        << L{"cell:-1:0=Ом/3"} << "applyChBtn" << L{}
        << L{"mode0=2", "mode1=2", "mode2=2", "mode3=2", "mode4=2", "mode5=2", "mode6=2", "mode7=2",
             "dim0=0", "dim1=0", "dim2=0", "dim3=0", "dim4=0", "dim5=0", "dim6=0", "dim7=0",
             "round0=3", "round1=3", "round2=3", "round3=3", "round4=3", "round5=3", "round6=3", "round7=3",
             "feat0=0", "feat1=0", "feat2=0", "feat3=0", "feat4=0", "feat5=0", "feat6=0", "feat7=0"}
        << "";
}

void test_devConfUI::roundTrip()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, button);
    QFETCH(QStringList, devChanges);
    QFETCH(QStringList, chChanges);
    QFETCH(QString, name);
    configRig &rig = configRig::shared(numbered, 71);
    zorSimulator *sim = rig.sim;
    const QByteArray dev = sim->block(O::rdDev);
    const QByteArray ch = sim->block(O::rdCh);
    const QByteArray feat = sim->block(O::rdFeat);
    QByteArray ident = sim->block(O::rdIdent);
    rig.dialog.show(rig.index);
    for (const QString &edit : edits) {
        const QString what = edit.section('=', 0, 0);
        const QString value = edit.section('=', 1);
        const QStringList where = what.split(':');
        if (where[0] == "combo") {
            auto *box = rig.find<QComboBox>(where[1]);
            box->setCurrentIndex(box->findData(value.toInt()));
        } else if (where[0] == "name") {
            auto *line = rig.find<QLineEdit>("devNameEdit");
            line->setText(value);
            emit line->editingFinished();
        } else if (where[0] == "cell") {
            QMenu *menu = rig.popUp(where[1].toInt(), where[2].toInt());
            QVERIFY2(menu, qPrintable(edit));
            configRig::choose(menu, value);
        } else {
            QMenu *menu = rig.popUp(where[1].toInt(), devConfUI::colCurrent);
            auto *spin = menu->findChild<QDoubleSpinBox *>("currentSpin");
            spin->setValue(value.toDouble());
            QTest::keyClick(spin, Qt::Key_Return);
        }
    }
    // Nothing reaches the instrument before the user applies.
    QTest::qWait(2 * configRig::sendDelay);
    QVERIFY(sim->log(zorSimulator::blockWritten).isEmpty());
    QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
    // The channel block goes at once, the others together once the edits are over:
    // "Применить" sends everything and closes, the channel page's button its own page.
    const bool all = button == "pushButton_5";
    QCOMPARE(rig.dialog.isVisible(), !all);
    const QByteArray written = all ? QByteArray("\x06\x32\x04\x00", 4) : QByteArray("\x06\x04\x32");
    rig.waitWrites(written.size());
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written);
    QCOMPARE(sim->block(O::rdDev), configRig::edited(dev, devChanges));
    QCOMPARE(sim->block(O::rdCh), configRig::edited(ch, chChanges));
    QCOMPARE(sim->block(O::rdFeat), feat);
    if (!name.isEmpty())
        ident.replace(4, 16, zorBlockCodec::encodeText(name, 16));
    QCOMPARE(sim->block(O::rdIdent), ident);
}

void test_devConfUI::unnumberedInstrument_data()
{
    QTest::addColumn<QString>("number");   // typed in service mode; "" none
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("nothing typed: nothing sent") << "" << QByteArray();
    QTest::newRow("number typed: the number alone") << "42" << QByteArray("\x34");
    QTest::newRow("0 typed: refused") << "0" << QByteArray();
}

void test_devConfUI::unnumberedInstrument()
{
    QFETCH(QString, number);
    QFETCH(QByteArray, written);
    configRig &rig = configRig::shared(unnumbered, 0);
    zorSimulator *sim = rig.sim;
    const QByteArray ident = sim->block(O::rdIdent);
    rig.dialog.show(rig.index);
    auto *time = rig.find<QComboBox>("devMeasTimeCB");
    time->setCurrentIndex(time->findData(3));
    configRig::choose(rig.popUp(1, devConfUI::colDim), "K");
    if (!number.isEmpty()) {
        QTest::keyPress(&rig.dialog, Qt::Key_PageUp);
        QTest::mousePress(rig.find<QPushButton>("pushButton_6"), Qt::LeftButton);
        QTest::keyRelease(&rig.dialog, Qt::Key_PageUp);
        auto *line = rig.find<QLineEdit>("devNumEdit");
        line->setText(number);
        emit line->editingFinished();
        QCOMPARE(line->text(), number == "0" ? QString("--") : number.rightJustified(4, '0'));
    }
    QTest::mouseClick(rig.find<QPushButton>("pushButton_5"), Qt::LeftButton);
    if (!written.isEmpty())
        rig.waitWrites(written.size());
    QTest::qWait(6 * configRig::sendDelay);
    QCOMPARE(simulatedLink::addresses(sim->log(zorSimulator::blockWritten)), written);
    QCOMPARE(sim->block(O::rdIdent).mid(20), written.isEmpty() ? ident.mid(20) : QByteArray("\x2a\0\0\0", 4));
}

void test_devConfUI::removeFromDatabase_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("removed");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
}

void test_devConfUI::removeFromDatabase()
{
    QFETCH(int, button);
    QFETCH(bool, removed);
    configRig rig;
    rig.addRecord();
    O *o = rig.image();
    o->devType = O::typeBasic;
    o->devNumber = 88;
    o->devName = "ЗОР 4.70";
    rig.record()->dbIndex = rig.r.sql.addDev(o->devType, o->devNumber, o->devName);
    const QByteArray data = o->getData();
    const QByteArray refdata = o->getRefData(true);
    QVERIFY(rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, "Заводская настройка", 0) > 0);
    rig.dialog.show(rig.index);
    auto *remove = rig.find<QToolButton>("rmDevBtn");
    QVERIFY(remove->isEnabled());
    rig.answerBox(button);
    remove->click();
    QCOMPARE(rig.boxes, QStringList{"Настройки прибора ЗОР 4.70 (№ 0088)|Вы уверены?"});
    const QStringList left = simulatedRegistry::rows("SELECT count(*) FROM device")
                             + simulatedRegistry::rows("SELECT count(*) FROM device_snapshot");
    QCOMPARE(left, (removed ? QStringList{"0", "0"} : QStringList{"1", "1"}));
    QCOMPARE(rig.record()->dbIndex < 0, removed);
    QCOMPARE(remove->isEnabled(), !removed);
}

void test_devConfUI::recordRemovedWhileOpen()
{
    configRig rig;
    rig.addRecord();
    rig.dialog.show(rig.index);
    QMenu *menu = rig.popUp(0, devConfUI::colMode);
    QVERIFY(menu);
    rig.r.list.rmByIndex(rig.index);
    QVERIFY(!rig.dialog.isVisible());
    // What was still on screen does nothing.
    configRig::choose(menu, "Ом");
    QTest::mouseClick(rig.find<QPushButton>("pushButton_5"), Qt::LeftButton);
    rig.dialog.show(rig.index);
    QVERIFY(!rig.dialog.isVisible());
}

void test_devConfUI::characteristicEditor()
{
    // A double click on a characteristic opens the editor on its slot; what it accepts
    // stays in the image until an apply button sends it.
    configRig rig;
    rig.addRecord();
    QVERIFY(rig.image()->feature[5]->setFeature(featureZOR70::ftTPTable, "ТП-6", {"0", "0", "100", "4.1"}));
    rig.dialog.show(rig.index);
    QCOMPARE(rig.find<QTableWidget>("featTable")->item(5, 1)->text(), QString("ТП Таблица"));
    QString shown;
    configRig::renameInEditor("ТП-шесть", &shown);
    QSignalSpy sends(rig.image(), qOverload<quint8>(&O::onFeatApply));
    emit rig.find<QTableWidget>("featTable")->cellDoubleClicked(5, 0);
    QCOMPARE(shown, QString("ТП-6|Ввод"));
    QCOMPARE(rig.find<QTableWidget>("featTable")->item(5, 0)->text(), QString("ТП-шесть"));
    QCOMPARE(sends.size(), 0);
}

QTEST_MAIN(test_devConfUI)
#include "test_devConfUI.moc"
