#include "tests/config/configRig.h"

#include "model/featureZOR70.h"
#include "model/zorBlockCodec.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QtEndian>
#include <QtTest>

using O = optionsZOR70;

configRig::configRig()
    : dialog(&r.list, &r.link.port, &r.sql)
{
    r.list.setSendDelay(sendDelay);
}

configRig &configRig::shared(std::unique_ptr<configRig> &rig, quint32 serial, zorSimMemory::_variant type)
{
    if (rig && rig->serial == serial && rig->original.contains(O::rdRefdU) == (type == zorSimMemory::extended)) {
        rig->restore();
        return *rig;
    }
    rig.reset(); // before the next one takes the database
    rig.reset(new configRig);
    rig->connectSim(serial, type);
    return *rig;
}

zorSimulator *configRig::connectSim(quint32 serial, zorSimMemory::_variant type)
{
    this->serial = serial;
    sim = r.startSim(serial, type);
    index = r.connectPort(sim->portName());
    r.list.getAllDataFromZor(index);
    r.waitIdle(index);
    for (quint8 address : {O::rdIdent, O::rdDev, O::rdCh, O::rdFeat, O::rdRef, O::rdRefdU}) {
        if (!sim->block(address).isEmpty()) // a basic instrument has no refdU block
            original.insert(address, sim->block(address));
    }
    snapShotId = record()->snapShotId;
    sim->clearLog();
    return sim;
}

void configRig::restore()
{
    dialog.reject();
    r.waitIdle(index);
    for (auto it = original.cbegin(); it != original.cend(); ++it) {
        sim->setBlock(it.key(), it.value());
        image()->setData(it.value(), it.key());
    }
    record()->snapShotId = snapShotId;
    sim->clearLog();
}

void configRig::addRecord()
{
    index = r.list.newZor(-1, true);
}

QMenu *configRig::popUp(int row, int column)
{
    auto *table = find<QTableWidget>("chTable");
    if (row >= 0) {
        const QRect cell = table->visualItemRect(table->item(row, column));
        QTest::mousePress(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        emit table->horizontalHeader()->sectionClicked(column);
    }
    QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    return menu && menu->property("ch").toInt() == row ? menu : nullptr;
}

void configRig::enterServiceMode(QWidget *receiver)
{
    auto *close = find<QWidget>("pushButton_6");
    receiver = receiver ? receiver : &dialog;
    QTest::keyPress(receiver, Qt::Key_PageUp);
    QTest::mousePress(close, Qt::LeftButton);
    QTest::mouseRelease(close, Qt::LeftButton);
    QTest::keyRelease(receiver, Qt::Key_PageUp);
}

void configRig::choose(QMenu *menu, const QString &text)
{
    const std::function<QAction *(QMenu *)> entry = [&entry, &text](QMenu *in) -> QAction * {
        for (QAction *action : in->actions()) {
            if (action->text() == text)
                return action;
            if (QAction *found = action->menu() ? entry(action->menu()) : nullptr)
                return found;
        }
        return nullptr;
    };
    QAction *chosen = entry(menu);
    QVERIFY2(chosen && chosen->isEnabled(), qPrintable("no enabled entry " + text));
    chosen->trigger();
    menu->close();
}

void configRig::setChannel(optionsZOR70 *options, int ch, const QList<int> &values)
{
    options->ch[ch] = {values[0], values[1], QString(), values[2], values[4], quint8(values[3]), quint8(values[5]),
                       quint8(values[6])};
}

QByteArray configRig::waitWrites(int count)
{
    (void)QTest::qWaitFor([this, count] { return sim->log(zorSimulator::blockWritten).size() >= count; },
                          simulatedLink::timeout);
    r.waitIdle(index);
    return simulatedLink::addresses(sim->log(zorSimulator::blockWritten));
}

QStringList configRig::changes() const
{
    static const QStringList devFields = {"measMode", "show", "time", "filter", "count", "speaker"};
    static const QStringList chFields = {"mode", "dim", "ref", "cur", "round", "feat", "comp"};
    QStringList found;
    const QByteArray dev = sim->block(O::rdDev), ch = sim->block(O::rdCh);
    for (int n = 0; n < dev.size(); ++n) {
        if (dev[n] != original[O::rdDev][n])
            found << devFields.value(n, "dev" + QString::number(n)) + "=" + QString::number(quint8(dev[n]));
    }
    for (int n = 0; n < ch.size(); ++n) {
        if (ch[n] != original[O::rdCh][n])
            found << QString("%1%2=%3").arg(chFields[n / O::chMax]).arg(n % O::chMax).arg(quint8(ch[n]));
    }
    const QByteArray ident = sim->block(O::rdIdent), identBefore = original[O::rdIdent];
    if (ident.left(4) != identBefore.left(4))
        found << "type";
    if (ident.mid(4, 16) != identBefore.mid(4, 16))
        found << "name=" + zorBlockCodec::decodeText(ident.mid(4, 16));
    if (ident.mid(20) != identBefore.mid(20))
        found << "sn=" + QString::number(qFromLittleEndian<quint32>(ident.constData() + 20));
    const QByteArray feat = sim->block(O::rdFeat);
    for (int slot = 0; slot < O::chMax; ++slot) {
        const int at = slot * featureZOR70::dataSize;
        if (feat.mid(at, featureZOR70::dataSize) != original[O::rdFeat].mid(at, featureZOR70::dataSize))
            found << "record" + QString::number(slot);
    }
    if (sim->block(O::rdRef) != original.value(O::rdRef))
        found << "ref";
    if (sim->block(O::rdRefdU) != original.value(O::rdRefdU))
        found << "refdU";
    found.sort();
    return found;
}
