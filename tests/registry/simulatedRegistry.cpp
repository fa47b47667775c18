#include "simulatedRegistry.h"

#include "db/zorSqlFile.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <functional>

simulatedRegistry::simulatedRegistry()
    : sql(zorSqlFile::prepare(dir.path()).path()), list(&link.port, &sql, true)
{
    // The time of a reading goes apart, so that the lines compare as they are.
    QObject::connect(&list, &zorList::onReadMeas, &link.port,
                     [this](int index, double meas, quint8 ch, const QString &dim, qint64 at) {
                         lines << QStringLiteral("meas %1 %2 %3 %4").arg(index).arg(meas, 0, 'g', 10).arg(ch).arg(dim);
                         readingTimes << at;
                     });
    link.note(&list, &zorList::onChError, "chError", &lines);
    link.note(&list, &zorList::onDevError, "devError", &lines);
    link.note(&list, &zorList::onReadStatus, "status", &lines);
    link.note(&list, &zorList::onAddZor, "add", &lines);
    link.note(&list, &zorList::onRmZor, "rm", &lines);
    link.note(&list, &zorList::onChange, "change", &lines);
    link.note(&list, qOverload<int, QByteArray *, quint8, zorQueryMode>(&zorList::sendDevData), "write", &lines);
    link.note(&list, &zorList::doClearQwt, "clear", &lines);
}

zorSimulator *simulatedRegistry::startSim(quint32 serial, zorSimMemory::_variant type)
{
    return link.startSim(serial, 20, type);
}

int simulatedRegistry::connectPort(const QString &portName)
{
    const int index = list.newZor(link.addDev(portName), true);
    list.getZorByIndex(index)->qwtIndex = index;
    return index;
}

void simulatedRegistry::readIdentity(int index)
{
    link.port.sendDevQuery(list.getZorByIndex(index)->devIndex, optionsZOR70::rdIdent, optionsZOR70::identSize);
    waitIdle(index);
}

void simulatedRegistry::request(int index, const QString &what)
{
    optionsZOR70 *o = image(index);
    const QMap<QString, std::function<void()>> requests = {
        {"dev", [o] { emit o->onDevApply(); }},
        {"name", [o] { emit o->onNameApply(); }},
        {"ref", [o] { emit o->onRefApply(); }},
        {"sn", [o] { emit o->onSNApply(); }},
        {"clock", [o] { emit o->onDateTimeApply(); }},
        {"ch", [o] { emit o->onChApply(); }},
        {"feat", [o] { emit o->onFeatApply(); }},
        {"feat3", [o] { emit o->onFeatApply(quint8(3)); }},
        {"slot40", [o] { emit o->onFeatApply(quint8(40)); }},
        {"code77", [this, index] { list.sendZorData(index, optionsZOR70::tx_code(77)); }},
        {"lose", [o] { o->devNumber = 0; }},
        {"mute", [this, index] { list.getAllDataFromZor(index); }},
        {"rm", [this, index] { list.rmByIndex(index); }},
        {"disconnect", [this, index] { list.disConnByIndex(index); }},
        {"detach", [this, index] { detached.reset(list.detachByDevIndex(list.getZorByIndex(index)->devIndex)); }},
    };
    requests.value(what)();
}

void simulatedRegistry::compareWithSim(int index, const zorSimulator *sim)
{
    const optionsZOR70 *o = image(index);
    QCOMPARE(o->getNameData() + o->getSNData(), sim->block(optionsZOR70::rdIdent));
    QCOMPARE(o->getDevData() + o->getChData() + o->getFeatData(),
             sim->block(optionsZOR70::rdDev) + sim->block(optionsZOR70::rdCh) + sim->block(optionsZOR70::rdFeat));
    QCOMPARE(o->getRefData(true), sim->block(optionsZOR70::rdRef) + sim->block(optionsZOR70::rdRefdU));
}

QStringList simulatedRegistry::rows(const QString &statement)
{
    QSqlQuery query(statement);
    QStringList result;
    while (query.next()) {
        QStringList row;
        for (int n = 0; n < query.record().count(); ++n)
            row << query.value(n).toString();
        result << row.join('|');
    }
    return result;
}
