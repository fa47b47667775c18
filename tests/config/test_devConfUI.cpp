#include "config/confChMenu.h"
#include "config/confMenu.h"
#include "config/featconfui.h"
#include "model/featureZOR70.h"
#include "model/zorBlockCodec.h"
#include "model/zorSettingsFile.h"
#include "tests/config/configRig.h"
#include "tests/common/modalAnswer.h"
#include "tests/model/randomBlocks.h"
#include "tests/results/fileSizeLimit.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using O = optionsZOR70;
using L = QStringList;

namespace {

// The enabled entries of a combo box, "*" after the current one; "-" for a disabled box.
QString entries(const QComboBox *box)
{
    QStringList shown;
    for (int row = 0; row < box->count(); ++row) {
        if (qobject_cast<const QStandardItemModel *>(box->model())->item(row)->isEnabled())
            shown << box->itemText(row) + (row == box->currentIndex() ? "*" : "");
    }
    return box->isEnabled() ? shown.join(' ') : "-";
}

// A choice in a combo box as the user makes it.
void activate(QComboBox *box, int data)
{
    QVERIFY(box->findData(data) >= 0);
    box->setCurrentIndex(box->findData(data));
    emit box->activated(box->currentIndex());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The settings dialog, the device and channel popup menus and the settings file: what
// they show, and what their edits and buttons make of the instrument, read back from a
// simulated instrument's memory through the real registry and link. Tests on records
// without a port come first, each with a rig of its own; then those sharing instruments.
class test_devConfUI : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> shared;

    // The instruments of the tests that write, read once side by side: an extended one
    // and one without a serial number.
    configRig &instrument(quint32 serial)
    {
        if (!shared)
            shared.reset(new configRig({{71, zorSimMemory::extended}, {0, zorSimMemory::basic}}));
        return shared->use(serial);
    }

private slots:
    void cleanupTestCase() { shared.reset(); }

    void shown_data()
    {
        // Settings the instrument reports after the dialog has opened. Its channel count and
        // measuring mode: the display counts offered (none beyond its channels; "-" the box
        // disabled), and a correction column per channel. A channel (mode, unit, range,
        // current code, rounding, characteristic byte, compensation byte): its row in the
        // dialog's table and its popup menu: mode, units (entries()), range, current and
        // rounding ("+" enabled), compensation ("+" enabled).
        QTest::addColumn<QList<int>>("device"); // channel count, measuring mode
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QList<int>>("channel");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("menu");
        using C = QList<int>;
        QTest::newRow("8 channels, resistance thermometer") << C{8, 1} << "1 2 4 8" << C{5, 3, 2, 20, 1, 12, 0}
            << "НСХ ТС: Pt100|°С|1.00 мА|300 Ом|0.01|-" << "НСХ ТС: Pt100|°С* K|-300|-1.0|+0.01|-";
        QTest::newRow("32 channels, thermocouple by characteristic, compensated") << C{32, 1} << "1 2 4 8 16 32"
            << C{9, 3, 2, 20, 0, 4, 18} << "ИСХ ТП: ТП-эталон|°С|1.00 мА|300 Ом|0.1|100H" << "ИСХ ТП|°С* K|-300|-1.0|+0.1|+";
        QTest::newRow("single channel mode, channel off") << C{32, 0} << "-" << C{0, 0, 3, 255, 5, 0, 0}
            << "Выкл.|Ω|12.75 мА|3000 Ом|0.000001|-" << "Выкл.|-|-3000|-Ручной ввод: 12.75|-0.000001|-";
        // Bytes no instrument should send still make a readable row and menu.
        QTest::newRow("16 channels, garbage") << C{16, 1} << "1 2 4 8 16" << C{77, 40, 9, 7, 9, 200, 99} << "-|-|0.35 мА|- Ом|-|-"
                                              << "-||-|-Ручной ввод: 0.35|+|-";
    }

    void shown()
    {
        QFETCH(QList<int>, device);
        QFETCH(QString, counts);
        QFETCH(QList<int>, channel);
        QFETCH(QString, row);
        QFETCH(QString, menu);
        configRig rig;
        rig.addRecord();
        O *o = rig.image();
        QVERIFY(o->feature[4]->setFeature(featureZOR70::ftTPTable, "ТП-эталон", {"0", "0", "100", "4.1"}));
        rig.dialog.show(rig.index);
        o->chCount = device[0];
        o->measMode = device[1];
        emit o->onDevChange();
        QCOMPARE(entries(rig.find<QComboBox>("devDisplayModeCB")).remove('*'), counts);
        for (const char *name : {"chU0Table", "chI0Table"})
            QCOMPARE(rig.find<QTableWidget>(name)->columnCount(), device[0]);
        o->ch[3] = {channel[0], channel[1], QString(), channel[2], channel[4], quint8(channel[3]), quint8(channel[5]),
                    quint8(channel[6])};
        emit o->onChChange();
        QStringList texts;
        for (int column = 0; column <= devConfUI::colCompens; ++column)
            texts << rig.find<QTableWidget>("chTable")->item(3, column)->text();
        QCOMPARE(texts.join('|'), row);
        // The compensation menu opens only where compensation means something.
        QMenu *compens = rig.popUp(3, devConfUI::colCompens);
        QCOMPARE(compens != nullptr, menu.endsWith('+'));
        if (compens)
            compens->close();

        confChMenu chMenu(&rig.r.list, &rig.r.sql);
        chMenu.show(rig.index, QPoint(100, 100), 3);
        const auto shown = [&chMenu] {
            QStringList texts{chMenu.findChild<QAction *>("modeAction")->text(), entries(chMenu.findChild<QComboBox *>("dimCB"))};
            for (const char *name : {"refCB", "currentCB", "roundCB"}) {
                const auto *box = chMenu.findChild<QComboBox *>(name);
                texts << (box->isEnabled() ? "+" : "-") + box->currentText();
            }
            return (texts << (chMenu.findChild<QAction *>("compensAction")->isEnabled() ? "+" : "-")).join('|');
        };
        QCOMPARE(shown(), menu);
        // A change made elsewhere while the menu is open is shown at once.
        o->setChMode(3, O::chMV);
        QCOMPARE(shown().section('|', 0, 1), QString("мВ|мВ*"));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus"); // the widget with the focus; "" the dialog itself
        QTest::addColumn<QString>("keys");  // "keys": Escape, Return, Enter and PageUp, alone and with Ctrl;
                                            // "service": PageUp held while "Закрыть" is pressed; "close"
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QString>("shown"); // the service controls afterwards (serviceControls), or "closed"
        QTest::newRow("keys") << "" << "keys" << true << "00000";
        QTest::newRow("keys in the name") << "devNameEdit" << "keys" << true << "00000";
        QTest::newRow("service mode, basic") << "" << "service" << false << "10101";
        QTest::newRow("service mode, extended") << "" << "service" << true << "11111";
        QTest::newRow("service key held in the channel table") << "chTable" << "service" << true << "11111";
        QTest::newRow("close") << "" << "close" << true << "closed";
    }

    // No key closes the dialog; the service controls come with the service key and go
    // with the dialog.
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(QString, keys);
        QFETCH(bool, extended);
        QFETCH(QString, shown);
        configRig rig;
        rig.addRecord();
        rig.image()->devType = extended ? O::typeExtended : O::typeBasic;
        rig.dialog.show(rig.index);
        // Shown or not: the service page, the 0.05 mA field, removal from the database, the
        // refdU pages, and the number may be typed.
        const auto serviceControls = [&rig] {
            return !rig.dialog.isVisible() ? QString("closed") : QString("%1%2%3%4%5").arg(!rig.find<QWidget>("profTab")->isHidden())
                .arg(!rig.find<QWidget>("d005maEdit")->isHidden()).arg(!rig.find<QWidget>("rmDevBtn")->isHidden())
                .arg(rig.find<QTabWidget>("tabWidget_2")->isTabVisible(3)).arg(!rig.find<QLineEdit>("devNumEdit")->isReadOnly());
        };
        const QString hidden = serviceControls();
        QWidget *receiver = focus.isEmpty() ? static_cast<QWidget *>(&rig.dialog) : rig.find<QWidget>(focus);
        receiver->setFocus();
        if (keys == "service") {
            rig.enterServiceMode(receiver);
        } else if (keys == "close") {
            QTest::mousePress(rig.find<QPushButton>("pushButton_6"), Qt::LeftButton);
        } else {
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_PageUp}) {
                QTest::keyClick(receiver, key);
                QTest::keyClick(receiver, key, Qt::ControlModifier);
            }
        }
        QCOMPARE(serviceControls(), shown);
        rig.dialog.reject();
        rig.dialog.show(rig.index);
        QCOMPARE(serviceControls(), hidden);
    }

    // Removal from the database is asked first; "No" keeps the device and its snapshots,
    // "Yes" deletes them. The record then removed while the dialog is open closes it, and
    // what was still on screen does nothing.
    void recordRemovedWhileOpen()
    {
        configRig rig;
        rig.addRecord();
        O *o = rig.image();
        o->devType = O::typeBasic;
        o->devNumber = 88;
        o->devName = "ЗОР 4.70";
        rig.record()->dbIndex = rig.r.sql.addDev(o->devType, o->devNumber, o->devName);
        const QByteArray data = o->getData(), refdata = o->getRefData(true);
        QVERIFY(rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &refdata, "Заводская настройка", 0) > 0);
        rig.dialog.show(rig.index);
        QStringList boxes;
        for (int button : {QMessageBox::No, QMessageBox::Yes}) {
            modalAnswer::box(&boxes, button);
            rig.find<QAbstractButton>("rmDevBtn")->click();
            QCOMPARE(simulatedRegistry::rows("SELECT (SELECT count(*) FROM device) || (SELECT count(*) FROM device_snapshot)"),
                     L{button == QMessageBox::No ? "11" : "00"});
        }
        const QString asked = "Настройки прибора ЗОР 4.70 (№ 0088)|Вы уверены?";
        QCOMPARE(boxes, (L{asked, asked}));
        QVERIFY(rig.record()->dbIndex < 0 && !rig.find<QWidget>("rmDevBtn")->isEnabled());

        QMenu *menu = rig.popUp(0, devConfUI::colMode);
        rig.r.list.rmByIndex(rig.index);
        QVERIFY(!rig.dialog.isVisible());
        configRig::choose(menu, "Ом");
        QTest::mouseClick(rig.find<QPushButton>("pushButton_5"), Qt::LeftButton);
        rig.dialog.show(rig.index);
        QVERIFY(!rig.dialog.isVisible());
    }

    // "Отключить/подключить прибор" closes the port of a connected instrument and opens it
    // again for one that is not, in the same record, whose settings are read anew.
    void reconnect()
    {
        configRig rig;
        rig.sim = rig.r.startSim(82);
        rig.index = rig.r.connectPort(rig.sim->portName());
        confMenu menu(&rig.r.list, &rig.r.link.port);
        for (const bool connected : {false, true}) {
            menu.show(rig.index, QPoint(100, 100));
            menu.findChild<QAction *>("connectAction")->trigger();
            QCOMPARE(rig.r.link.port.getDevIndexList(), connected ? QList<int>{rig.record()->devIndex} : QList<int>());
            QCOMPARE(rig.record()->devIndex >= 0, connected);
        }
        QCOMPARE(rig.r.list.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(rig.record()->dbIndex > 0 && rig.r.link.port.isEmptyQueryQueue(rig.record()->devIndex),
                                 simulatedLink::timeout);
    }

    void settingsFile_data()
    {
        QTest::addColumn<bool>("good");
        QTest::addColumn<L>("errors");
        QTest::newRow("a file the program wrote") << true << L{};
        QTest::newRow("a file cut short, then a write that runs out of room") << false
            << L{"Ошибка чтения файла настроек|Не удалось прочитать настройки из файла!\nВозможно файл повреждён, не доступен для "
                 "чтения или имеет не верный тип.", "Ошибка записи настроек в файл|Не удалось записать настройки в файл!\nВозможно "
                 "файл занят другим приложением или не доступен для записи."};
    }

    // A basic instrument's file loaded through "Загрузить из файла" into an extended
    // instrument holding settings of its own, then saved through "Сохранить в файл" over an
    // older file of the record's: the bytes saved are the file's. A file refused is told,
    // and a write that fails is reported and leaves the older file whole, with no scratch
    // file behind. A file taken is then applied: the
    // instrument gets its settings and keeps its type and refdU block. (Every kind of
    // file, in test_zorSettingsFile.)
    void settingsFile()
    {
        QFETCH(bool, good);
        QFETCH(L, errors);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.zor70"), copy = dir.filePath("b.zor70");
        configRig &rig = instrument(71);
        O *o = rig.image();
        o->setData(randomBlocks(99).block(-1)); // settings of its own, as random as an instrument's may be
        o->devNumber = 3;
        o->devName = "Стенд/2";
        const QByteArray refdU = o->getRefdUData();
        QVERIFY(zorSettingsFile::save(*o, copy));
        const QByteArray own = readFile(copy);
        O other;
        other.setData(randomBlocks(7).block(-1));
        other.devType = O::typeBasic;
        other.devName = "Стенд";
        QVERIFY(zorSettingsFile::save(other, path));
        const QByteArray loaded = readFile(path);
        if (!good)
            QVERIFY(QFile::resize(path, loaded.size() - 100));
        rig.dialog.show(rig.index);
        QSignalSpy chChanges(rig.image(), qOverload<>(&O::onChChange));
        QStringList files, boxes;
        modalAnswer::file(path, &files);
        if (!good)
            modalAnswer::box(&boxes);
        QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
        QCOMPARE(chChanges.isEmpty(), !good);
        modalAnswer::file(copy, &files);
        modalAnswer::box(&boxes, QMessageBox::Yes); // the file exists: overwrite it
        if (!good)
            modalAnswer::box(&boxes);
        {
            // The disk is full as far as this process is concerned once a file would pass 4 KB.
            const fileSizeLimit room(good ? RLIM_INFINITY : 4096);
            QTest::mouseClick(rig.find<QPushButton>("pushButton_4"), Qt::LeftButton);
        }
        QCOMPARE(boxes.filter("Ошибка"), errors);
        // A file taken is saved again under the instrument's type, its refdU block after it.
        const QByteArray saved = readFile(copy);
        QCOMPARE((good ? saved.mid(4, loaded.size() - 4) : saved).toHex(), (good ? loaded.mid(4) : own).toHex());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (L{"a.zor70", "b.zor70"}));
        if (!good)
            return;
        // The name proposed at first, then the file last tried, in the folder last used.
        QCOMPARE(files.value(0).section('/', -1), QString("Стенд_2_N0003.zor70"));
        QCOMPARE(files.value(1), "Сохранение настроек в файл|" + path);
        QCOMPARE(rig.r.sql.getAppProperty("ust_dir").toString(), dir.path());
        QTest::mouseClick(rig.find<QPushButton>("pushButton_5"), Qt::LeftButton);
        rig.waitWrites(4);
        const zorSimulator *sim = rig.sim;
        QCOMPARE((sim->block(O::rdIdent).left(20) + sim->block(O::rdDev) + sim->block(O::rdCh) + sim->block(O::rdFeat)
                  + sim->block(O::rdRefdU) + o->getRefdUData()).toHex(),
                 (QByteArray::fromHex("0faa0103") + zorBlockCodec::encodeText("Стенд", 16) + other.getDevData() + other.getChData()
                  + other.getFeatData() + rig.original[O::rdRefdU] + refdU).toHex());
    }

    void reads_data()
    {
        // Settings changed on the instrument, then read by a button of the dialog: what the
        // image took (configRig::changes), and the progress bar at the end of each block
        // read: its range, the block's length, then hidden ("-").
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("progress");
        QTest::newRow("channels") << "loadChBtn" << "mode1=1 name=Новое time=2" << "8 - 224 - 24 -";
        QTest::newRow("characteristics") << "loadFeatBtn" << "record3" << "10880 -";
        QTest::newRow("references: refdU too on the extended instrument") << "loadRefBtn" << "ref refdU" << "1008 - 116 -";
        QTest::newRow("everything") << "pushButton_7" << "mode1=1 name=Новое record3 ref refdU time=2"
                                    << "24 - 1008 - 8 - 224 - 10880 - 116 -";
    }

    void reads()
    {
        QFETCH(QString, button);
        QFETCH(QString, changes);
        QFETCH(QString, progress);
        configRig &rig = instrument(71);
        rig.dialog.show(rig.index);
        QMap<quint8, QByteArray> blocks = rig.original;
        blocks[O::rdDev][2] = 2; // measuring time
        blocks[O::rdCh][1] = char(O::chOhm); // mode of channel 1
        blocks[O::rdIdent].replace(4, 16, zorBlockCodec::encodeText("Новое", 16));
        const auto flip = [&blocks](quint8 address, int at) { blocks[address][at] = char(blocks[address].at(at) ^ 1); };
        flip(O::rdFeat, 3 * featureZOR70::dataSize + 20); // a coefficient of record 3
        flip(O::rdRef, 8);
        flip(O::rdRefdU, 5);
        for (auto it = blocks.cbegin(); it != blocks.cend(); ++it)
            rig.sim->setBlock(it.key(), it.value());
        const auto *bar = rig.find<QProgressBar>("pgBar");
        L seen;
        const auto spy = connect(&rig.r.link.port, qOverload<int, int, int, quint8>(&ZORSerialPort::setProgress),
                                 [&](int, int done, int total, quint8) {
                                     if (done == total)
                                         seen << (bar->isHidden() ? "-" : QString::number(bar->maximum()));
                                 });
        QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
        QTest::qWait(2 * configRig::sendDelay);
        rig.r.waitIdle(rig.index);
        disconnect(spy);
        QCOMPARE(rig.changes(true).join(' '), changes);
        QCOMPARE(seen.join(' '), progress);
    }

    void roundTrip_data()
    {
        // Edits made through the settings dialog or a popup menu, then applied: the
        // instrument's memory differs in exactly the fields named (configRig::changes), and
        // the blocks were written at these addresses (repeats of the last merged). Rows
        // without an apply read the changes from the image, and nothing is sent.
        //   dialog: "combo:<object>=<data>", "name=<text>", "cell:<row>:<column>=<entry>" (row
        //     -1: the header), "spin:<row>=<mA>", "service", "number=<text>"; applied by
        //     "Применить" (pushButton_5) or the channel page's applyChBtn
        //   device menu: "combo:<object>=<data>"; applied by applyAction ("menu" alone: not)
        //   channel menu of channel 2 (a Pt100 on the 300 Ω range at first), opened again for
        //     each edit it closed: "combo:<object>=<data>", "manual=<mA>", "<action>=<entry>"
        //     of a submenu; closing it applies ("close")
        //   the characteristic of slot 3 in the editor opened from the channel menu (sent as
        //     soon as it is accepted) or from the dialog's list: "editor=<second coefficient>",
        //     "refused=<text>" (warned, the record kept)
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<L>("edits");
        QTest::addColumn<QString>("apply");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("changes");

        const QByteArray chPage("\x06\x04\x32"), dev("\x04"), ch("\x06");
        L every; // mode and current of the 8 channels
        for (const char *field : {"mode%1=2", "dim%1=0", "round%1=3", "feat%1=0", "cur%1=255"}) {
            for (int ch = 0; ch < 8; ++ch)
                every << QString(field).arg(ch);
        }
        QTest::newRow("dialog: device page and channels") << 71u
            << L{"combo:devMeasTimeCB=2", "combo:devFilterCB=1", "combo:devSoundCB=1", "combo:devDisplayModeCB=2", "name=Стенд-7",
                 "cell:2:0=Ом", "cell:2:3=3000", "cell:3:1=K", "cell:0:2=2.0", "cell:5:4=0.001", "cell:6:0=ТХА(K)", "cell:6:5=Pt100"}
            << "applyChBtn" << chPage
            << "time=2 filter=1 speaker=1 show=2 name=Стенд-7 mode2=1 dim2=0 feat2=0 ref2=3 round2=2 cur2=2 dim3=4 cur0=40 "
               "round5=2 mode6=8 feat6=10 round6=0 comp6=13";
        QTest::newRow("dialog: a unit for every channel that takes it") << 71u << L{"cell:1:0=Ом", "cell:6:0=ТХА(K)", "cell:-1:1=K"}
            << "" << QByteArray() << "dim0=4 dim1=0 dim2=4 dim3=4 dim4=4 dim5=4 dim6=4 dim7=4 feat1=0 feat6=10 mode1=1 mode6=8 ref6=1 "
                                     "round1=3 round6=0";
        QTest::newRow("dialog: mode and current of every channel") << 71u << L{"cell:-1:0=Ом/3", "spin:-1=12.75"} << ""
                                                                   << QByteArray() << every.join(' ');
        // 0 mA is no current: ignored, for one channel and for all.
        QTest::newRow("dialog: currents typed") << 71u << L{"spin:5=12.75", "spin:5=0", "spin:1=0.35", "spin:-1=0"} << ""
                                                << QByteArray() << "cur1=7 cur5=255";
        QTest::newRow("device menu: time, filter, speaker, 32 channels shown") << 71u
            << L{"combo:devMeasTimeCB=3", "combo:devFilterCB=1", "combo:devSoundCB=1", "combo:devChCountCB=32",
                 "combo:devDisplayModeCB=5"}
            << "applyAction" << dev << "time=3 filter=1 speaker=1 count=32 show=5";
        QTest::newRow("device menu: single channel, 16 channels") << 71u << L{"combo:devMeasModeCB=0", "combo:devChCountCB=16"}
                                                                  << "menu" << QByteArray() << "measMode=0 count=16";
        QTest::newRow("channel menu: thermocouple, unit, compensation")
            << 71u << L{"modeAction=ТХА(K)", "combo:dimCB=4", "compensAction=Pt100"} << "close" << ch
            << "mode2=8 feat2=10 round2=0 dim2=4 comp2=13";
        QTest::newRow("channel menu: characteristic slot, range, current typed, rounding")
            << 71u << L{"modeAction=ТС-1", "featAction=7: ТС-2 (ТС КВД)", "combo:refCB=3", "manual=0.35", "combo:roundCB=3"}
            << "close" << ch << "mode2=7 feat2=6 ref2=3 round2=3 cur2=7";
        QTest::newRow("channel menu: nothing changed, nothing sent") << 71u << L{} << "close" << QByteArray() << "";
        QTest::newRow("channel menu: characteristic edited") << 71u << L{"modeAction=ТС-1", "editor=123.5"} << "close"
                                                             << QByteArray("\x06\x83") << "mode2=7 feat2=3 round2=2 record3";
        QTest::newRow("channel menu: characteristic refused") << 71u << L{"modeAction=ТС-1", "refused=12a"} << "close" << ch
                                                              << "mode2=7 feat2=3 round2=2";
        QTest::newRow("dialog: characteristic entered, not sent") << 71u << L{"editor=123,5"} << "" << QByteArray() << "record3";
        QTest::newRow("dialog: applyFeatBtn sends the device and characteristic blocks")
            << 71u << L{"combo:devMeasTimeCB=2", "cell:2:0=Ом"} << "applyFeatBtn" << QByteArray("\x04\x00", 2) << "time=2";
        // An instrument without a serial number takes the number alone, and nothing without one.
        const L unnumbered = {"combo:devMeasTimeCB=3", "cell:1:1=K"};
        QTest::newRow("unnumbered, number typed: the number alone")
            << 0u << unnumbered + L{"service", "number=42"} << "pushButton_5" << QByteArray("\x34") << "sn=42";
        QTest::newRow("unnumbered, 0 typed: refused")
            << 0u << unnumbered + L{"service", "number=0"} << "pushButton_5" << QByteArray() << "";
        // The typed number already makes the image count as identified.
        QTest::newRow("unnumbered, number typed: applyFeatBtn sends nothing")
            << 0u << unnumbered + L{"service", "number=42"} << "applyFeatBtn" << QByteArray() << "";
        // "typed=<n>" first: a number typed in service mode, then the dialog closed without
        // applying. The instrument keeps its own number, in its memory, the image and the
        // database, and one numbered 0 gets nothing.
        QTest::newRow("typed, not applied, numbered 0: device menu") << 0u << L{"typed=42"} << "applyAction" << QByteArray() << "";
        QTest::newRow("typed, not applied, numbered 0: channel menu")
            << 0u << L{"typed=42", "modeAction=Ом"} << "close" << QByteArray() << "";
        QTest::newRow("typed, not applied, numbered 0: edits applied")
            << 0u << L{"typed=42", "name=Стенд-9"} + unnumbered << "pushButton_5" << QByteArray() << "";
        QTest::newRow("typed, not applied: name applied")
            << 71u << L{"typed=42", "name=Стенд-9"} << "pushButton_5" << QByteArray("\x06\x32\x04\x00", 4) << "name=Стенд-9";
    }

    void roundTrip()
    {
        QFETCH(quint32, serial);
        QFETCH(L, edits);
        QFETCH(QString, apply);
        QFETCH(QByteArray, written);
        QFETCH(QString, changes);
        L expected = changes.split(' ', Qt::SkipEmptyParts);
        expected.sort();
        configRig &rig = instrument(serial);
        const bool typed = edits.value(0).startsWith("typed=");
        if (typed) {
            rig.dialog.show(rig.index);
            rig.enterServiceMode();
            auto *number = rig.find<QLineEdit>("devNumEdit");
            number->setText(edits.takeFirst().section('=', 1));
            emit number->editingFinished();
            QTest::mouseClick(rig.find<QPushButton>("pushButton_6"), Qt::LeftButton);
        }
        confMenu devMenu(&rig.r.list, &rig.r.link.port);
        confChMenu chMenu(&rig.r.list, &rig.r.sql);
        QWidget *surface = &rig.dialog;
        if (apply == "applyAction" || apply == "menu") {
            devMenu.show(rig.index, QPoint(100, 100));
            QCOMPARE(devMenu.title(), QString("ЗОР 4.70 (№ %1)").arg(serial ? "0071" : "--"));
            surface = &devMenu;
        } else if (apply == "close") {
            O *o = rig.image();
            QVERIFY(o->feature[3]->setFeature(featureZOR70::ftTSMTSH90, "ТС-1", {"100", "1", "0", "0", "0", "0", "0"}));
            QVERIFY(o->feature[6]->setFeature(featureZOR70::ftTSKVD, "ТС-2", {"100", "0.0039", "-5.8e-7", "0"}));
            surface = &chMenu;
        } else {
            rig.dialog.show(rig.index);
        }
        for (const QString &edit : edits + (apply == "close" ? L{"close"} : L{})) {
            const QString value = edit.section('=', 1);
            const QStringList where = edit.section('=', 0, 0).split(':');
            if (surface == &chMenu && !chMenu.isVisible())
                chMenu.show(rig.index, QPoint(100, 100), 2);
            if (where[0] == "combo") {
                activate(surface->findChild<QComboBox *>(where[1]), value.toInt());
            } else if (where[0] == "name" || where[0] == "number") {
                auto *line = rig.find<QLineEdit>(where[0] == "name" ? "devNameEdit" : "devNumEdit");
                line->setText(value);
                emit line->editingFinished();
            } else if (where[0] == "cell") {
                configRig::choose(rig.popUp(where[1].toInt(), where[2].toInt()), value);
            } else if (where[0] == "spin") {
                auto *spin = rig.popUp(where[1].toInt(), devConfUI::colCurrent)->findChild<QDoubleSpinBox *>("currentSpin");
                spin->setValue(value.toDouble());
                QTest::keyClick(spin, Qt::Key_Return);
            } else if (where[0] == "service") {
                rig.enterServiceMode();
            } else if (where[0] == "manual") {
                auto *current = chMenu.findChild<QComboBox *>("currentCB");
                activate(current, 0);
                current->lineEdit()->setText(value);
                emit current->lineEdit()->editingFinished();
            } else if (where[0] == "close") {
                chMenu.close();
            } else if (where[0] == "editor" || where[0] == "refused") {
                L seen;
                modalAnswer::next<featconfui>([&](featconfui *editor) {
                    editor->findChild<QTableWidget *>("ratioTable")->item(0, 1)->setText(value);
                    if (where[0] == "refused")
                        modalAnswer::box(&seen);
                    QTest::mouseClick(editor->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
                    if (editor->isVisible())
                        editor->reject();
                });
                if (surface == &chMenu)
                    configRig::choose(chMenu.findChild<QAction *>("featAction")->menu(), "Редактировать ИСХ канала...");
                else
                    emit rig.find<QTableWidget>("featTable")->cellDoubleClicked(3, 0);
                QCOMPARE(seen, where[0] == "editor" ? L{} : L{"Ошибка ввода ИСХ|Не верная ИСХ!\nПроверьте введённые значения."});
                QCOMPARE(rig.image()->feature[3]->getRatio(1), where[0] == "editor" ? 123.5 : 1.0);
            } else {
                configRig::choose(chMenu.findChild<QAction *>(where[0])->menu(), value);
            }
        }
        if (apply != "close") {
            // Nothing reaches the instrument before the user applies.
            QTest::qWait(2 * configRig::sendDelay);
            QCOMPARE(rig.waitWrites(0), QByteArray());
        }
        if (apply.isEmpty() || apply == "menu") {
            QCOMPARE(rig.changes(true).join(' '), expected.join(' '));
            return;
        }
        if (apply == "applyAction")
            devMenu.findChild<QAction *>("applyAction")->trigger();
        else if (apply != "close")
            QTest::mouseClick(rig.find<QAbstractButton>(apply), Qt::LeftButton);
        if (expected.isEmpty())
            QTest::qWait(2 * configRig::sendDelay); // a write is handed to the link by then
        QTRY_COMPARE_WITH_TIMEOUT(rig.changes().join(' '), expected.join(' '), simulatedLink::timeout);
        QByteArray addresses = rig.waitWrites(0);
        while (addresses.size() > 1 && addresses.endsWith(addresses.right(1).repeated(2)))
            addresses.chop(1);
        QCOMPARE(addresses, written);
        if (expected.contains("record3"))
            QCOMPARE(rig.sim->block(O::rdFeat).mid(3 * featureZOR70::dataSize, featureZOR70::dataSize), rig.image()->feature[3]->getData());
        if (typed) {
            QCOMPARE(rig.image()->devNumber, serial);
            QCOMPARE(simulatedRegistry::rows(QString("SELECT device_number FROM device WHERE device_id=%1").arg(rig.record()->dbIndex)),
                     serial ? L{QString::number(serial)} : L{});
        }
    }
};

QTEST_MAIN(test_devConfUI)
#include "test_devConfUI.moc"
