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

configRig::configRig(const QList<_instrument> &all)
    : dialog(&r.list, &r.link.port, &r.sql)
{
    r.list.setSendDelay(sendDelay);
    // Read side by side: each instrument has a link of its own.
    for (const _instrument &one : all) {
        zorSimulator *sim = r.startSim(one.first, one.second);
        const int index = r.connectPort(sim->portName());
        r.list.getAllDataFromZor(index);
        instruments.insert(one.first, {sim, index, 0, {}});
    }
    for (_read &read : instruments) {
        r.waitIdle(read.index);
        for (quint8 address : {O::rdIdent, O::rdDev, O::rdCh, O::rdFeat, O::rdRef, O::rdRefdU}) {
            if (!read.sim->block(address).isEmpty()) // a basic instrument has no refdU block
                read.blocks.insert(address, read.sim->block(address));
        }
        read.snapShotId = r.list.getZorByIndex(read.index)->snapShotId;
    }
}

configRig &configRig::use(quint32 serial)
{
    dialog.reject();
    const _read &read = instruments[serial];
    sim = read.sim;
    index = read.index;
    original = read.blocks;
    r.waitIdle(index);
    for (auto it = original.cbegin(); it != original.cend(); ++it) {
        sim->setBlock(it.key(), it.value());
        image()->setData(it.value(), it.key());
    }
    record()->snapShotId = read.snapShotId;
    sim->clearLog();
    return *this;
}

QMenu *configRig::popUp(int row, int column)
{
    auto *table = find<QTableWidget>("chTable");
    if (row >= 0) {
        const QPoint cell = table->visualItemRect(table->item(row, column)).center();
        QTest::mousePress(table->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell);
    } else {
        emit table->horizontalHeader()->sectionClicked(column);
    }
    QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    return menu && menu->property("ch").toInt() == row ? menu : nullptr;
}

void configRig::enterServiceMode(QWidget *receiver)
{
    receiver = receiver ? receiver : &dialog;
    QTest::keyPress(receiver, Qt::Key_PageUp);
    QTest::mousePress(find<QWidget>("pushButton_6"), Qt::LeftButton);
    QTest::mouseRelease(find<QWidget>("pushButton_6"), Qt::LeftButton);
    QTest::keyRelease(receiver, Qt::Key_PageUp);
}

void configRig::choose(QMenu *menu, const QString &text)
{
    QVERIFY2(menu, qPrintable("no menu for " + text));
    QList<QAction *> entries = menu->actions();
    for (int n = 0; n < entries.size(); ++n) {
        if (entries[n]->menu())
            entries += entries[n]->menu()->actions();
        if (entries[n]->text() == text && entries[n]->isEnabled()) {
            entries[n]->trigger();
            menu->close();
            return;
        }
    }
    QFAIL(qPrintable("no enabled entry " + text));
}

QByteArray configRig::waitWrites(int count)
{
    (void)QTest::qWaitFor([this, count] { return sim->log(zorSimulator::blockWritten).size() >= count; },
                          simulatedLink::timeout);
    r.waitIdle(index);
    return simulatedLink::addresses(sim->log(zorSimulator::blockWritten));
}

QStringList configRig::changes(bool ofImage) const
{
    const O *o = image();
    QMap<quint8, QByteArray> now = {{O::rdIdent, o->getNameData() + o->getSNData()}, {O::rdDev, o->getDevData()},
        {O::rdCh, o->getChData()}, {O::rdFeat, o->getFeatData()}, {O::rdRef, o->getRefData(false)}, {O::rdRefdU, o->getRefdUData()}};
    for (auto it = now.begin(); !ofImage && it != now.end(); ++it)
        it.value() = sim->block(it.key());
    const auto differs = [&](quint8 address, int from, int size) {
        return now[address].mid(from, size) != original.value(address).mid(from, size);
    };
    static const QStringList devFields = {"measMode", "show", "time", "filter", "count", "speaker"};
    static const QStringList chFields = {"mode", "dim", "ref", "cur", "round", "feat", "comp"};
    QStringList found;
    for (int n = 0; n < O::devSize; ++n) {
        if (differs(O::rdDev, n, 1))
            found << devFields.value(n, "dev" + QString::number(n)) + "=" + QString::number(quint8(now[O::rdDev][n]));
    }
    for (int n = 0; n < O::chSize; ++n) {
        if (differs(O::rdCh, n, 1))
            found << QString("%1%2=%3").arg(chFields[n / O::chMax]).arg(n % O::chMax).arg(quint8(now[O::rdCh][n]));
    }
    if (differs(O::rdIdent, 0, 4))
        found << "type";
    if (differs(O::rdIdent, 4, 16))
        found << "name=" + zorBlockCodec::decodeText(now[O::rdIdent].mid(4, 16));
    if (differs(O::rdIdent, 20, 4))
        found << "sn=" + QString::number(qFromLittleEndian<quint32>(now[O::rdIdent].constData() + 20));
    for (int slot = 0; slot < O::chMax; ++slot) {
        if (differs(O::rdFeat, slot * featureZOR70::dataSize, featureZOR70::dataSize))
            found << "record" + QString::number(slot);
    }
    if (differs(O::rdRef, 0, O::refSize))
        found << "ref";
    if (differs(O::rdRefdU, 0, O::refdUSize))
        found << "refdU";
    found.sort();
    return found;
}
