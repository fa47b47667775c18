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
    rig->serial = serial;
    rig->sim = rig->r.startSim(serial, type);
    rig->index = rig->r.connectPort(rig->sim->portName());
    rig->r.list.getAllDataFromZor(rig->index);
    rig->r.waitIdle(rig->index);
    for (quint8 address : {O::rdIdent, O::rdDev, O::rdCh, O::rdFeat, O::rdRef, O::rdRefdU}) {
        if (!rig->sim->block(address).isEmpty()) // a basic instrument has no refdU block
            rig->original.insert(address, rig->sim->block(address));
    }
    rig->snapShotId = rig->record()->snapShotId;
    rig->sim->clearLog();
    return *rig;
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

QStringList configRig::changes() const
{
    static const QStringList devFields = {"measMode", "show", "time", "filter", "count", "speaker"};
    static const QStringList chFields = {"mode", "dim", "ref", "cur", "round", "feat", "comp"};
    QStringList found;
    const auto differs = [this](quint8 address, int from, int size) {
        return sim->block(address).mid(from, size) != original.value(address).mid(from, size);
    };
    for (int n = 0; n < O::devSize; ++n) {
        if (differs(O::rdDev, n, 1))
            found << devFields.value(n, "dev" + QString::number(n)) + "=" + QString::number(quint8(sim->block(O::rdDev)[n]));
    }
    for (int n = 0; n < O::chSize; ++n) {
        if (differs(O::rdCh, n, 1))
            found << QString("%1%2=%3").arg(chFields[n / O::chMax]).arg(n % O::chMax).arg(quint8(sim->block(O::rdCh)[n]));
    }
    const QByteArray ident = sim->block(O::rdIdent);
    if (differs(O::rdIdent, 0, 4))
        found << "type";
    if (differs(O::rdIdent, 4, 16))
        found << "name=" + zorBlockCodec::decodeText(ident.mid(4, 16));
    if (differs(O::rdIdent, 20, 4))
        found << "sn=" + QString::number(qFromLittleEndian<quint32>(ident.constData() + 20));
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
