#include "tests/registry/simulatedLink.h"

#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "link/bWord.h"
#include "registry/zorList.h"
#include "tests/registry/registryLog.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

simulatedLink::simulatedLink() = default;

simulatedLink::~simulatedLink()
{
    tearDown();
}

void simulatedLink::setUp()
{
    dir.reset(new QTemporaryDir);
    sql.reset(new zorSql(zorSqlFile::prepare(dir->path()).path()));
    port.reset(new ZORSerialPort);
    list.reset(new zorList(port.data(), sql.data(), true));
    log.reset(new registryLog(list.data()));
}

void simulatedLink::tearDown()
{
    log.reset();
    list.reset();
    port.reset();
    sims.clear();
    sql.reset();
    dir.reset();
}

zorSimulator *simulatedLink::startSim(quint32 serial, zorSimMemory::variant type, const QString &name)
{
    zorSimulator::options settings;
    settings.type = type;
    settings.serialNumber = serial;
    settings.name = name;
    settings.period = 20;
    sims.emplace_back(new zorSimulator(settings));
    if (!sims.back()->start())
        qFatal("no pseudo-terminal for the simulator");
    return sims.back().get();
}

int simulatedLink::connectPort(const QString &portName)
{
    const int devIndex = port->addDev(portName);
    if (devIndex < 0)
        qFatal("the link refused %s", qPrintable(portName));
    emit port->onSetDelayTime(devIndex, 500, 0, 100);
    const int index = list->newZor(devIndex, true);
    list->getZorByIndex(index)->qwtIndex = index;
    return index;
}

void simulatedLink::waitForReads(int index)
{
    const int devIndex = list->getZorByIndex(index)->devIndex;
    QTRY_VERIFY_WITH_TIMEOUT(port->isEmptyQueryQueue(devIndex) && port->isSendAllData(), exchangeTimeout);
}

void simulatedLink::readAll(int index)
{
    list->getAllDataFromZor(index);
    waitForReads(index);
}

void simulatedLink::readIdentity(int index)
{
    port->sendDevQuery(list->getZorByIndex(index)->devIndex, optionsZOR70::rdIdent, optionsZOR70::identSize);
    waitForReads(index);
}

void simulatedLink::compareWithSim(int index, const zorSimulator *sim)
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

optionsZOR70 *simulatedLink::image(int index) const
{
    return list->getZorByIndex(index)->options;
}

QByteArray simulatedLink::addresses(const QVector<zorSimulator::event> &events)
{
    QByteArray result;
    for (const zorSimulator::event &e : events)
        result += char(e.address);
    return result;
}

QByteArray simulatedLink::selectors(std::initializer_list<quint8> addresses)
{
    QByteArray bytes;
    for (quint8 address : addresses)
        bytes += char(address);
    return bytes;
}

QVector<QVector<QVariant>> simulatedLink::rows(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database());
    QVector<QVector<QVariant>> result;
    if (!query.exec(statement))
        return result;
    while (query.next()) {
        QVector<QVariant> row;
        for (int n = 0; n < query.record().count(); ++n)
            row << query.value(n);
        result << row;
    }
    return result;
}
