#include "simulatedRegistry.h"

#include "db/zorSqlFile.h"
#include "link/bWord.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <functional>

simulatedRegistry::simulatedRegistry()
    : sql(zorSqlFile::prepare(dir.path()).path()), list(&link.port, &sql, true)
{
    const auto add = [this](const QStringList &fields) { lines << fields.join(' '); };
    const auto n = [](double number) { return QString::number(number, 'g', 10); };
    QObject::connect(&list, &zorList::onReadMeas, [add, n](int index, double meas, quint8 ch, QString dim) {
        add({"meas", n(index), n(ch), n(meas), dim});
    });
    QObject::connect(&list, &zorList::onChError, [add, n](int index, quint8 ch, quint8 code, QString msg) {
        add({"chError", n(index), n(ch), n(code), msg});
    });
    QObject::connect(&list, &zorList::onDevError,
                     [add, n](int index, quint8 code, QString msg) { add({"devError", n(index), n(code), msg}); });
    QObject::connect(&list, &zorList::onReadStatus, [add, n](int index) { add({"status", n(index)}); });
    QObject::connect(&list, &zorList::onAddZor,
                     [add, n](int index, bool added) { add({"add", n(index), added ? "true" : "false"}); });
    QObject::connect(&list, &zorList::onRmZor, [add, n](int index, int qwt) { add({"rm", n(index), n(qwt)}); });
    QObject::connect(&list, &zorList::onChange, [add] { add({"change"}); });
    QObject::connect(&list, qOverload<int, QByteArray *, quint8, zorQueryMode>(&zorList::sendDevData),
                     [add, n](int devIndex, QByteArray *buf, quint8 address, zorQueryMode) {
                         add({"write", n(devIndex), n(address), n(buf->size())});
                     });
}

zorSimulator *simulatedRegistry::startSim(quint32 serial, zorSimMemory::variant type)
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

void simulatedRegistry::readAll(int index)
{
    list.getAllDataFromZor(index);
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
    const optionsZOR70 *options = image(index);
    QCOMPARE(options->getDevData(), sim->block(optionsZOR70::rdDev));
    QCOMPARE(options->getChData(), sim->block(optionsZOR70::rdCh));
    QCOMPARE(options->getRefData(false), sim->block(optionsZOR70::rdRef));
    QCOMPARE(options->getFeatData(), sim->block(optionsZOR70::rdFeat));
    QCOMPARE(options->getRefdUData(), sim->block(optionsZOR70::rdRefdU));
    const QByteArray identity = sim->block(optionsZOR70::rdIdent);
    QCOMPARE(options->devType, bWord::getWord(&identity, 0));
    QCOMPARE(options->devNumber, bWord::getWord(&identity, 5));
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
