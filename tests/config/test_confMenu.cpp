#include "config/confChMenu.h"
#include "config/confMenu.h"
#include "config/featconfui.h"
#include "model/featureZOR70.h"
#include "tests/config/configRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

using O = optionsZOR70;

namespace {
// The entries of a combo box: enabled ones by text, "*" after the current one.
QString entries(const QComboBox *box)
{
    QStringList shown;
    const auto *model = qobject_cast<const QStandardItemModel *>(box->model());
    for (int row = 0; row < box->count(); ++row) {
        if (model->item(row)->isEnabled())
            shown << box->itemText(row) + (row == box->currentIndex() ? "*" : "");
    }
    return shown.join(' ');
}

// A choice in a combo box as the user makes it.
void activate(QComboBox *box, int data)
{
    const int row = box->findData(data);
    QVERIFY(row >= 0);
    box->setCurrentIndex(row);
    emit box->activated(row);
}

} // namespace

// The device and channel popup menus: what they show for an instrument or channel, and
// what their entries make of a simulated instrument, read back from its memory.
class test_confMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<configRig> numbered;   // an instrument read in full once, shared by rows

private slots:
    void cleanupTestCase();
    void deviceMenu_data();
    void deviceMenu();
    void reconnect();
    void channelMenu_data();
    void channelMenu();
    void channelMenuShows_data();
    void channelMenuShows();
    void characteristicEditor();
};

void test_confMenu::cleanupTestCase()
{
    numbered.reset();
}

void test_confMenu::deviceMenu_data()
{
    QTest::addColumn<QStringList>("choices");   // "<combo>=<data>"
    QTest::addColumn<QByteArray>("dev");        // the device block stored by the instrument
    QTest::addColumn<QString>("displayCounts"); // the display count box afterwards, "-" disabled

    using L = QStringList;
    QTest::newRow("time, filter, speaker") << L{"devMeasTimeCB=3", "devFilterCB=1", "devSoundCB=1"}
                                           << QByteArray::fromHex("0103030108010000") << "1 2 4 8*";
    QTest::newRow("single channel, 16 channels") << L{"devMeasModeCB=0", "devChCountCB=16"}
                                                 << QByteArray::fromHex("0003000010000000") << "-";
    QTest::newRow("32 channels, show 32") << L{"devChCountCB=32", "devDisplayModeCB=5"}
                                          << QByteArray::fromHex("0105000020000000") << "1 2 4 8 16 32*";
}

void test_confMenu::deviceMenu()
{
    QFETCH(QStringList, choices);
    QFETCH(QByteArray, dev);
    QFETCH(QString, displayCounts);
    configRig &rig = configRig::shared(numbered, 81);
    confMenu menu(&rig.r.list, &rig.r.link.port);
    QSignalSpy setup(&menu, &confMenu::neadShowSetup);
    menu.show(rig.index, QPoint(100, 100));
    QCOMPARE(menu.title(), QString("ЗОР 4.70 (№ 0081)"));
    menu.findChild<QAction *>("setupAction")->trigger();
    QCOMPARE(setup.size(), 1);
    QCOMPARE(setup[0][0].toInt(), rig.index);
    menu.show(rig.index, QPoint(100, 100));
    QCOMPARE(menu.findChild<QLineEdit *>("devNumEdit")->text(), QString("0081"));
    QCOMPARE(menu.findChild<QLineEdit *>("devPortEdit")->text(), rig.sim->portName());
    for (const QString &choice : choices)
        activate(menu.findChild<QComboBox *>(choice.section('=', 0, 0)), choice.section('=', 1).toInt());
    auto *display = menu.findChild<QComboBox *>("devDisplayModeCB");
    QCOMPARE(display->isEnabled() ? entries(display) : QString("-"), displayCounts);
    // Only the apply entry sends.
    QTest::qWait(2 * configRig::sendDelay);
    QVERIFY(rig.sim->log(zorSimulator::blockWritten).isEmpty());
    menu.findChild<QAction *>("applyAction")->trigger();
    rig.waitWrites(1);
    QCOMPARE(rig.sim->block(O::rdDev).toHex(), dev.toHex());
}

void test_confMenu::reconnect()
{
    // "Отключить/подключить прибор" closes the port of a connected instrument and opens
    // it again for one that is not, asking for the instrument to be looked for there.
    configRig rig;
    rig.sim = rig.r.startSim(82);
    rig.index = rig.r.connectPort(rig.sim->portName());
    ZORSerialPort &port = rig.r.link.port;
    confMenu menu(&rig.r.list, &port);
    QSignalSpy find(&rig.r.list, &zorList::doFindZor);
    for (int round = 0; round < 2; ++round) {
        menu.show(rig.index, QPoint(100, 100));
        menu.findChild<QAction *>("connectAction")->trigger();
        const bool connected = round == 1;
        QCOMPARE(rig.record()->devIndex >= 0, connected);
        QCOMPARE(port.getDevIndexList(), connected ? QList<int>{rig.record()->devIndex} : QList<int>());
        QCOMPARE(find.size(), round);
    }
    QCOMPARE(find[0][0].toInt(), rig.index);
}

void test_confMenu::channelMenu_data()
{
    // Edits of channel 2 (a Pt100 on the 300 Ω range at first), the menu opened again for
    // each one it closed: "mode=<entry>", "combo:<name>=<data>", "manual=<text>",
    // "compens=<entry>", "feat=<entry>". The instrument's channel block afterwards.
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("changes");

    using L = QStringList;
    QTest::newRow("thermocouple") << L{"mode=ТХА(K)"} << L{"mode2=8", "feat2=10", "round2=0", "ref2=1"};
    QTest::newRow("unit") << L{"combo:dimCB=4"} << L{"dim2=4"};
    QTest::newRow("resistance, then range")
        << L{"mode=Ом", "combo:refCB=3"} << L{"mode2=1", "dim2=0", "feat2=0", "ref2=3", "round2=2", "cur2=2"};
    QTest::newRow("current from the list")
        << L{"mode=Ом", "combo:currentCB=40"} << L{"mode2=1", "dim2=0", "feat2=0", "round2=3", "cur2=40"};
    QTest::newRow("current typed") << L{"mode=Ом", "manual=0.35"}
                                   << L{"mode2=1", "dim2=0", "feat2=0", "round2=3", "cur2=7"};
    QTest::newRow("rounding") << L{"combo:roundCB=2"} << L{"round2=2"};
    QTest::newRow("compensation")
        << L{"mode=ТХА(K)", "compens=Pt100"} << L{"mode2=8", "feat2=10", "round2=0", "comp2=13"};
    QTest::newRow("characteristic slot")
        << L{"mode=4: ТС-1", "feat=7: ТС-2 (ТС КВД)"} << L{"mode2=7", "feat2=6", "round2=2"};
    QTest::newRow("nothing changed, nothing sent") << L{} << L{};
}

void test_confMenu::channelMenu()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, changes);
    configRig &rig = configRig::shared(numbered, 81);
    O *o = rig.image();
    QVERIFY(o->feature[3]->setFeature(featureZOR70::ftTSMTSH90, "ТС-1", {"100", "1", "0", "0", "0", "0", "0"}));
    QVERIFY(o->feature[6]->setFeature(featureZOR70::ftTSKVD, "ТС-2", {"100", "0.0039", "-5.8e-7", "0"}));
    const QByteArray before = rig.sim->block(O::rdCh);
    confChMenu menu(&rig.r.list, &rig.r.sql);
    for (const QString &edit : edits) {
        if (!menu.isVisible())
            menu.show(rig.index, QPoint(100, 100), 2);
        const QString kind = edit.section('=', 0, 0);
        const QString value = edit.section('=', 1);
        if (kind.startsWith("combo:")) {
            activate(menu.findChild<QComboBox *>(kind.mid(6)), value.toInt());
        } else if (kind == "manual") {
            auto *current = menu.findChild<QComboBox *>("currentCB");
            activate(current, 0);
            QVERIFY(current->isEditable());
            current->lineEdit()->setText(value);
            emit current->lineEdit()->editingFinished();
        } else {
            const QMap<QString, QString> submenus = {
                {"mode", "modeAction"}, {"compens", "compensAction"}, {"feat", "featAction"}};
            configRig::choose(menu.findChild<QAction *>(submenus.value(kind))->menu(), value);
            menu.close();
        }
    }
    if (edits.isEmpty())
        menu.show(rig.index, QPoint(100, 100), 2);
    menu.close();
    const QByteArray expected = configRig::edited(before, changes);
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim->block(O::rdCh).toHex(), expected.toHex(), simulatedLink::timeout);
    rig.r.waitIdle(rig.index);
    QCOMPARE(rig.sim->log(zorSimulator::blockWritten).isEmpty(), changes.isEmpty());
}

void test_confMenu::channelMenuShows_data()
{
    // A channel (mode, unit, range, current code, rounding, characteristic byte,
    // compensation byte) and what the menu shows for it.
    QTest::addColumn<QList<int>>("channel");
    QTest::addColumn<QString>("mode");      // the mode entry's text
    QTest::addColumn<QString>("units");     // enabled units, "*" the current one; "-" disabled
    QTest::addColumn<QString>("range");     // enabled state and current text of the combos
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("rounding");
    QTest::addColumn<bool>("compens");      // the compensation submenu is enabled

    using L = QList<int>;
    QTest::newRow("resistance thermometer") << L{5, 3, 2, 20, 1, 12, 0} << "НСХ ТС: Pt100" << "°С* K" << "-300"
                                            << "-1.0" << "+0.01" << false;
    QTest::newRow("thermocouple") << L{8, 4, 1, 20, 0, 10, 13} << "НСХ ТП: ТХА(K)" << "°С K*" << "-30" << "-1.0"
                                  << "+0.1" << true;
    QTest::newRow("resistance, current off the list")
        << L{1, 0, 1, 7, 4, 0, 0} << "Ом" << "Ω*" << "+30" << "+Ручной ввод: 0.35" << "+0.00001" << false;
    QTest::newRow("transducer") << L{10, 6, 1, 20, 1, 0, 0} << "ИЗМ. ПР."
                                << "Ω мВ мА °С K % Па* кПа МПа Бар" << "-30" << "-1.0" << "+0.01" << false;
    QTest::newRow("channel off") << L{0, 0, 0, 1, 0, 0, 0} << "Выкл." << "-" << "-3" << "-0.05" << "-0.1" << false;
}

void test_confMenu::channelMenuShows()
{
    QFETCH(QList<int>, channel);
    QFETCH(QString, mode);
    QFETCH(QString, units);
    QFETCH(QString, range);
    QFETCH(QString, current);
    QFETCH(QString, rounding);
    QFETCH(bool, compens);
    configRig rig;
    rig.addRecord();
    configRig::setChannel(rig.image(), 4, channel);
    confChMenu menu(&rig.r.list, &rig.r.sql);
    menu.show(rig.index, QPoint(100, 100), 4);
    QCOMPARE(menu.title(), QString("Канал № 5"));
    QCOMPARE(menu.findChild<QAction *>("modeAction")->text(), mode);
    QCOMPARE(menu.findChild<QAction *>("modeAction")->toolTip(), mode);
    const auto shown = [&menu](const char *name) {
        const auto *box = menu.findChild<QComboBox *>(name);
        return (box->isEnabled() ? "+" : "-") + box->currentText();
    };
    auto *dims = menu.findChild<QComboBox *>("dimCB");
    QCOMPARE(dims->isEnabled() ? entries(dims) : QString("-"), units);
    QCOMPARE(shown("refCB"), range);
    QCOMPARE(shown("currentCB"), current);
    QCOMPARE(shown("roundCB"), rounding);
    QCOMPARE(menu.findChild<QAction *>("compensAction")->isEnabled(), compens);
    // A change made elsewhere while the menu is open is shown at once.
    rig.image()->setChMode(4, O::chMV);
    QCOMPARE(menu.findChild<QAction *>("modeAction")->text(), QString("мВ"));
    QCOMPARE(entries(dims), QString("мВ*"));
}

void test_confMenu::characteristicEditor()
{
    // The channel's characteristic edited from the menu goes to the instrument as soon
    // as the editor accepts it, as that one record.
    configRig &rig = configRig::shared(numbered, 81);
    O *o = rig.image();
    QVERIFY(o->feature[3]->setFeature(featureZOR70::ftTSMTSH90, "ТС-1", {"100", "1", "0", "0", "0", "0", "0"}));
    o->setChFeature(2, O::chISHTS, 3);
    const QByteArray records = rig.sim->block(O::rdFeat);
    confChMenu menu(&rig.r.list, &rig.r.sql);
    menu.show(rig.index, QPoint(100, 100), 2);
    QString shown;
    configRig::renameInEditor("ТС-эталон", &shown);
    configRig::choose(menu.findChild<QAction *>("featAction")->menu(), "Редактировать ИСХ канала...");
    menu.close();
    QCOMPARE(shown, QString("ТС-1|Применить"));
    QCOMPARE(o->feature[3]->getName(), QString("ТС-эталон"));
    rig.waitWrites(1);
    QCOMPARE(simulatedLink::addresses(rig.sim->log(zorSimulator::blockWritten)), QByteArray("\x83"));
    QCOMPARE(rig.sim->block(O::rdFeat),
             records.left(3 * featureZOR70::dataSize) + o->feature[3]->getData()
                 + records.mid(4 * featureZOR70::dataSize));
}

QTEST_MAIN(test_confMenu)
#include "test_confMenu.moc"
