#include "config/confChMenu.h"
#include "config/confMenu.h"
#include "config/featconfui.h"
#include "config/passDialog.h"
#include "db/zorSqlFile.h"
#include "model/featureZOR70.h"
#include "model/zorBlockCodec.h"
#include "model/zorSettingsFile.h"
#include "tests/config/configRig.h"
#include "tests/common/modalAnswer.h"
#include "tests/model/randomBlocks.h"
#include "tests/results/fileSizeLimit.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using O = optionsZOR70;
using L = QStringList;

namespace {

// The enabled entries of a combo box; "-" for a disabled box.
QString entries(const QComboBox *box)
{
    QStringList shown;
    for (int row = 0; row < box->count(); ++row) {
        if (qobject_cast<const QStandardItemModel *>(box->model())->item(row)->isEnabled())
            shown << box->itemText(row);
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
L snapShotList(configRig &rig)
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

QString snapShotBox(configRig &rig)
{
    return QString("%1 [!]=%2 save=%3 rm=%4 %5")
        .arg(snapShotList(rig).join(';'))
        .arg(!rig.find<QLabel>("dbStatusLabel")->isHidden())
        .arg(rig.find<QWidget>("saveDBBtn")->isEnabled())
        .arg(rig.find<QWidget>("rmDBBtn")->isEnabled())
        .arg(rig.find<QPlainTextEdit>("infoText")->placeholderText());
}

} // namespace

// The settings dialog with its reference tab, password dialog and snapshot box, the
// device and channel popup menus and the settings file: what they show, and what their
// edits and buttons make of the instrument, read back from a simulated instrument's memory
// through the real registry and link. Tests on records without a port come first, each
// with a rig of its own; then those sharing instruments.
class test_devConfUI : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> shared;

    // The instruments of the tests that write, read once side by side: extended ones (71
    // for the settings, 82 for the references) and basic ones (0 without a serial number).
    configRig &instrument(quint32 serial, bool open = false)
    {
        if (!shared)
            shared.reset(new configRig({{71, zorSimMemory::extended}, {0, zorSimMemory::basic},
                                        {82, zorSimMemory::extended}, {81, zorSimMemory::basic}}));
        configRig &rig = shared->use(serial);
        if (open)
            rig.dialog.show(rig.index);
        return rig;
    }

private slots:
    void cleanupTestCase() { shared.reset(); }

    void shown_data()
    {
        // Settings the instrument reports after the dialog has opened. Its channel count and
        // measuring mode: the display counts offered (none beyond its channels; "-" the box
        // disabled). A channel (mode, unit, range,
        // current code, rounding, characteristic byte, compensation byte): its row in the
        // dialog's table, and whether its compensation menu opens.
        QTest::addColumn<QList<int>>("device"); // channel count, measuring mode
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QList<int>>("channel");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("compensated");
        using C = QList<int>;
        QTest::newRow("8 channels, resistance thermometer") << C{8, 1} << "1 2 4 8" << C{5, 3, 2, 20, 1, 12, 0}
                                                            << "НСХ ТС: Pt100|°С|1.00 мА|300 Ом|0.01|-" << false;
        QTest::newRow("32 channels, thermocouple by characteristic, compensated") << C{32, 1} << "1 2 4 8 16 32"
            << C{9, 3, 2, 20, 0, 4, 18} << "ИСХ ТП: ТП-эталон|°С|1.00 мА|300 Ом|0.1|100H" << true;
        QTest::newRow("single channel mode, channel off") << C{32, 0} << "-" << C{0, 0, 3, 255, 5, 0, 0}
                                                          << "Выкл.|Ω|12.75 мА|3000 Ом|0.000001|-" << false;
        // Bytes no instrument should send still make a readable row.
        QTest::newRow("16 channels, garbage") << C{16, 1} << "1 2 4 8 16" << C{77, 40, 9, 7, 9, 200, 99} << "-|-|0.35 мА|- Ом|-|-"
                                              << false;
    }

    void shown()
    {
        QFETCH(QList<int>, device);
        QFETCH(QString, counts);
        QFETCH(QList<int>, channel);
        QFETCH(QString, row);
        QFETCH(bool, compensated);
        configRig rig;
        rig.addRecord();
        O *o = rig.image();
        QVERIFY(o->feature[4]->setFeature(featureZOR70::ftTPTable, "ТП-эталон", {"0", "0", "100", "4.1"}));
        rig.dialog.show(rig.index);
        o->chCount = device[0];
        o->measMode = device[1];
        emit o->onDevChange();
        QCOMPARE(entries(rig.find<QComboBox>("devDisplayModeCB")), counts);
        o->ch[3] = {channel[0], channel[1], QString(), channel[2], channel[4], quint8(channel[3]), quint8(channel[5]),
                    quint8(channel[6])};
        emit o->onChChange();
        QStringList texts;
        for (int column = 0; column <= devConfUI::colCompens; ++column)
            texts << rig.find<QTableWidget>("chTable")->item(3, column)->text();
        QCOMPARE(texts.join('|'), row);
        // The compensation menu opens only where compensation means something.
        QMenu *compens = rig.popUp(3, devConfUI::colCompens);
        QCOMPARE(compens != nullptr, compensated);
        if (compens)
            compens->close();
    }

    // No key closes the dialog, from a field either; the service key held in the channel
    // table while "Закрыть" is pressed shows the service controls, which go with the dialog.
    void keys()
    {
        configRig rig;
        rig.addRecord();
        rig.dialog.show(rig.index);
        // Shown or not: the service page, removal from the database, and the number may be typed.
        const auto serviceControls = [&rig] {
            return !rig.dialog.isVisible() ? QString("closed") : QString("%1%2%3").arg(!rig.find<QWidget>("profTab")->isHidden())
                .arg(!rig.find<QWidget>("rmDevBtn")->isHidden()).arg(!rig.find<QLineEdit>("devNumEdit")->isReadOnly());
        };
        rig.find<QWidget>("devNameEdit")->setFocus();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_PageUp}) {
            QTest::keyClick(rig.find<QWidget>("devNameEdit"), key);
            QTest::keyClick(rig.find<QWidget>("devNameEdit"), key, Qt::ControlModifier);
        }
        QCOMPARE(serviceControls(), QString("000"));
        rig.enterServiceMode(rig.find<QWidget>("chTable"));
        QCOMPARE(serviceControls(), QString("111"));
        rig.dialog.reject();
        rig.dialog.show(rig.index);
        QCOMPARE(serviceControls(), QString("000"));
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
        QCOMPARE(boxes.filter("|Вы уверены?").size(), 2);
        QVERIFY(rig.record()->dbIndex < 0 && !rig.find<QWidget>("rmDevBtn")->isEnabled());

        QMenu *menu = rig.popUp(0, devConfUI::colMode);
        rig.r.list.rmByIndex(rig.index);
        QVERIFY(!rig.dialog.isVisible());
        configRig::choose(menu, "Ом");
        click(rig, "pushButton_5");
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
        QTest::newRow("a file the program wrote") << true;
        QTest::newRow("a file cut short, then a write that runs out of room") << false;
    }

    // A basic instrument's file loaded through "Загрузить из файла" into an extended
    // instrument holding settings of its own, then saved through "Сохранить в файл" over an
    // older file of the record's: the bytes saved are the file's. A file refused is told,
    // and a write that fails is told and leaves the older file whole, with no scratch file
    // behind. A file taken is then applied: the instrument gets its settings and keeps its
    // type and refdU block. (Every kind of file, in test_zorSettingsFile.)
    void settingsFile()
    {
        QFETCH(bool, good);
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
        QStringList files, boxes;
        modalAnswer::file(path, &files);
        if (!good)
            modalAnswer::box(&boxes);
        click(rig, "pushButton_3");
        modalAnswer::file(copy, &files);
        modalAnswer::box(&boxes, QMessageBox::Yes); // the file exists: overwrite it
        if (!good)
            modalAnswer::box(&boxes);
        {
            // The disk is full as far as this process is concerned once a file would pass 4 KB.
            const fileSizeLimit room(good ? RLIM_INFINITY : 4096);
            click(rig, "pushButton_4");
        }
        QCOMPARE(boxes.filter("Не удалось").size(), good ? 0 : 2); // the file not read, then not written
        // A file taken is saved again under the instrument's type, its refdU block after it.
        const QByteArray saved = readFile(copy);
        QCOMPARE((good ? saved.mid(4, loaded.size() - 4) : saved).toHex(), (good ? loaded.mid(4) : own).toHex());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (L{"a.zor70", "b.zor70"}));
        if (!good)
            return;
        // The name proposed: no slash of the instrument's name makes it a path.
        QCOMPARE(files.value(0).section('/', -1), QString("Стенд_2_N0003.zor70"));
        click(rig, "pushButton_5");
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
        // image took (configRig::changes).
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("changes");
        QTest::newRow("channels") << "loadChBtn" << "mode1=1 name=Новое time=2";
        QTest::newRow("characteristics") << "loadFeatBtn" << "record3";
        QTest::newRow("references: refdU too on the extended instrument") << "loadRefBtn" << "ref refdU";
        QTest::newRow("everything") << "pushButton_7" << "mode1=1 name=Новое record3 ref refdU time=2";
    }

    void reads()
    {
        QFETCH(QString, button);
        QFETCH(QString, changes);
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
        QTest::mouseClick(rig.find<QAbstractButton>(button), Qt::LeftButton);
        QTest::qWait(2 * configRig::sendDelay);
        rig.r.waitIdle(rig.index);
        QCOMPARE(rig.changes(true).join(' '), changes);
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
        //   device menu: "combo:<object>=<data>"; applied by applyAction
        //   channel menu of channel 2 (a Pt100 on the 300 Ω range at first), opened again for
        //     each edit it closed: "combo:<object>=<data>", "manual=<mA>", "<action>=<entry>"
        //     of a submenu; closing it applies ("close")
        //   the characteristic of slot 3 in the editor opened from the channel menu (sent as
        //     soon as it is accepted): "editor=<second coefficient>", "refused=<text>" (warned,
        //     the record kept)
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<L>("edits");
        QTest::addColumn<QString>("apply");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("changes");

        const QByteArray chPage("\x06\x04\x32"), dev("\x04"), ch("\x06");
        QTest::newRow("dialog: device page and channels") << 71u
            << L{"combo:devMeasTimeCB=2", "combo:devFilterCB=1", "combo:devSoundCB=1", "combo:devDisplayModeCB=2", "name=Стенд-7",
                 "cell:2:0=Ом", "cell:2:3=3000", "cell:3:1=K", "cell:0:2=2.0", "cell:5:4=0.001", "cell:6:0=ТХА(K)", "cell:6:5=Pt100"}
            << "applyChBtn" << chPage
            << "time=2 filter=1 speaker=1 show=2 name=Стенд-7 mode2=1 dim2=0 feat2=0 ref2=3 round2=2 cur2=2 dim3=4 cur0=40 "
               "round5=2 mode6=8 feat6=10 round6=0 comp6=13";
        QTest::newRow("dialog: a unit for every channel that takes it") << 71u << L{"cell:1:0=Ом", "cell:6:0=ТХА(K)", "cell:-1:1=K"}
            << "" << QByteArray() << "dim0=4 dim1=0 dim2=4 dim3=4 dim4=4 dim5=4 dim6=4 dim7=4 feat1=0 feat6=10 mode1=1 mode6=8 ref6=1 "
                                     "round1=3 round6=0";
        // 0 mA is no current: ignored, for one channel and for all.
        QTest::newRow("dialog: currents typed") << 71u << L{"spin:5=12.75", "spin:5=0", "spin:1=0.35", "spin:-1=0"} << ""
                                                << QByteArray() << "cur1=7 cur5=255";
        QTest::newRow("device menu: time, filter, speaker, 32 channels shown") << 71u
            << L{"combo:devMeasTimeCB=3", "combo:devFilterCB=1", "combo:devSoundCB=1", "combo:devChCountCB=32",
                 "combo:devDisplayModeCB=5"}
            << "applyAction" << dev << "time=3 filter=1 speaker=1 count=32 show=5";
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
            click(rig, "pushButton_6");
        }
        confMenu devMenu(&rig.r.list, &rig.r.link.port);
        confChMenu chMenu(&rig.r.list, &rig.r.sql);
        QWidget *surface = &rig.dialog;
        if (apply == "applyAction") {
            devMenu.show(rig.index, QPoint(100, 100));
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
                configRig::choose(chMenu.findChild<QAction *>("featAction")->menu(), "Редактировать ИСХ канала...");
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
        if (apply.isEmpty()) {
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

    // Found, changed, not found, saved as new, overwritten and deleted, in the order a user
    // meets them; the factory snapshot is never saved over or deleted. Then a database that
    // fails after start-up: saving the settings says why, once per run. Last, snapshots
    // found by text (two characters get a hint; the search lists and never loads) and chosen
    // go into the image (an older one, the reference block alone, keeps the image's refdU
    // block), and the last applied puts exactly its bytes into the instrument.
    void snapShots()
    {
        configRig &rig = instrument(82, true);
        O *o = rig.image();
        const int factory = rig.record()->snapShotId;
        // The registry stored the factory snapshot in the same form the box matches.
        QCOMPARE(snapShotBox(rig), "Заводская настройкаF [!]=0 save=0 rm=0 " + found);
        o->refdU[0][2].value.setValue(7.25f); // only the refdU block differs from the factory
        emit o->onRefChange();
        QCOMPARE(snapShotBox(rig), "Заводская настройкаF [!]=1 save=0 rm=0 " + found);

        rig.record()->snapShotId = 0;
        rig.dialog.findSnapShot();
        QCOMPARE(snapShotBox(rig), "Новая настройка [!]=0 save=0 rm=0 Настройка НЕ найдена в БД");
        click(rig, "addDBBtn");
        const int added = rig.record()->snapShotId;
        QCOMPARE(snapShotBox(rig), " [!]=0 save=0 rm=1 " + found);

        o->setChMode(1, O::chMV);
        emit o->onChChange();
        QCOMPARE(snapShotBox(rig), " [!]=1 save=1 rm=1 " + found);
        rig.find<QPlainTextEdit>("infoText")->setPlainText("Поверка 2024");
        click(rig, "saveDBBtn");
        QCOMPARE(rig.record()->snapShotId, added);
        QCOMPARE(snapShotBox(rig), "Поверка 2024 [!]=0 save=0 rm=1 " + found);
        QCOMPARE(snapShot(rig), (L{"Поверка 2024", rig.image()->getData().toHex(), rig.image()->getRefData(true).toHex()}));

        L boxes;
        modalAnswer::box(&boxes, QMessageBox::Yes);
        click(rig, "rmDBBtn");
        QCOMPARE(boxes, L{rig.dialog.windowTitle() + "|Вы уверены?"});
        QCOMPARE(snapShot(rig, added), L{});
        QCOMPARE(snapShotBox(rig), "Новая настройка [!]=0 save=0 rm=0 Настройка НЕ найдена в БД");
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
        other.setData(randomBlocks(82).block(-1));
        other.devType = O::typeExtended;
        const QByteArray data = other.getData(), refdata = other.getRefData(true);
        for (const bool withRefdU : {false, true}) {
            const QString info = withRefdU ? "Партия 7" : "Партия 8";
            const QByteArray refdUBefore = o->getRefdUData(), stored = withRefdU ? refdata : refdata.left(O::refSize);
            rig.r.sql.setSnapShot(rig.record()->dbIndex, &data, &stored, info, 0);
            rig.find<QLineEdit>("dbSearchEdit")->setText(info.left(2));
            QCOMPARE(snapShotList(rig), L{"Введите не менее 3-х символов"});
            rig.find<QLineEdit>("dbSearchEdit")->setText(info);
            QCOMPARE(snapShotList(rig), (L{"Найдено: 1", info})); // a snapshot loaded would have ended the search
            rig.find<QComboBox>("dbFindCB")->setCurrentIndex(1);
            QCOMPARE(o->getData() + o->getRefData(false), data + refdata.left(O::refSize));
            QCOMPARE(o->getRefdUData(), withRefdU ? refdata.mid(O::refSize) : refdUBefore);
            QCOMPARE(rig.find<QLineEdit>("dbSearchEdit")->text(), QString());
            QCOMPARE(snapShotBox(rig), QString("%1 [!]=%2 save=%2 rm=1 %3").arg(info).arg(!withRefdU).arg(found));
        }
        const modalAnswer refused; // the loaded references refused would show a message box
        answerPassword(master, true);
        click(rig, "applyRefBtn");
        click(rig, "pushButton_5");
        QCOMPARE(refused.seen, L{});
        const zorSimulator *sim = rig.sim;
        QTRY_COMPARE_WITH_TIMEOUT(sim->block(O::rdIdent).left(20) + sim->block(O::rdDev) + sim->block(O::rdCh)
                                      + sim->block(O::rdFeat) + sim->block(O::rdRef) + sim->block(O::rdRefdU),
                                  data + refdata, simulatedLink::timeout);
    }

    void wrongText_data()
    {
        // Beyond what the block can carry is refused rather than clamped.
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("a letter") << "refTable" << 0 << 1 << "1.2x" << "Опоры: Rr-2, Значение";
        QTest::newRow("correction beyond its byte") << "chU0Table" << 0 << 7 << "0.0128" << "Напряжение - уст. <0>: канал 8";
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
        configRig &rig = instrument(82, true);
        rig.enterServiceMode();
        const QByteArray before = rig.image()->getRefData(true);
        L boxes;
        modalAnswer::box(&boxes);
        auto *table = rig.find<QTableWidget>(widget);
        table->item(row, column)->setText(text);
        QTRY_COMPARE(boxes.size(), 1);
        modalAnswer::box(&boxes);
        rig.find<QTableWidget>("refTable")->item(0, 0)->setText("5.5");
        QTRY_COMPARE(boxes.size(), 2);
        QCOMPARE(boxes.last(), "Ошибка ввода опор|Не верные коэффициенты!\nПроверьте введённые значения и повторите "
                               "попытку.\n\nОшибка в поле: " + cell);
        QCOMPARE(rig.image()->getRefData(true), before);
        QCOMPARE(QPoint(table->currentColumn(), table->currentRow()), QPoint(column, row));
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
        configRig &rig = instrument(82, true);
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
        configRig &rig = instrument(extended ? 82 : 81, true);
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
        // The 0.05 mA field and the refdU pages are an extended instrument's only.
        QCOMPARE(QString("%1%2").arg(!rig.find<QWidget>("d005maEdit")->isHidden()).arg(rig.find<QTabWidget>("tabWidget_2")->isTabVisible(3)),
                 QString(extended ? "11" : "00"));
        rig.find<QTableWidget>("refTable")->item(0, 0)->setText("123.25");
        rig.find<QTableWidget>("chU0Table")->item(0, 2)->setText("-0.0128"); // the lowest a byte holds
        if (extended)
            rig.find<QTableWidget>("dUTablePlus")->item(2, 3)->setText("4.5");
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
    }
};

QTEST_MAIN(test_devConfUI)
#include "test_devConfUI.moc"
