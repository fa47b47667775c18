#include "registry/zorList.h"

#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "link/zorSerialPortThread.h"
#include "model/featureZOR70.h"
#include "registry/zorRegistryLog.h"
#include "registry/zorSnapShot.h"

#include <QDateTime>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <utility>

namespace {
// Unit characters of values: 'A' is unit 0 ("Ω") ... 'J' unit 9 ("Бар").
constexpr char firstUnit = 'A';
constexpr char lastUnit = 'J';
// A status line whose first field is not 0 carries the code + 48.
constexpr int statusCodeBase = 48;
constexpr int statusFields = 3;
constexpr char thermostatOn = 1;

// Change flags of a status line and the block each one asks to re-read.
struct ChangeFlag
{
    quint8 bit;
    optionsZOR70::_readAddress address;
};
constexpr ChangeFlag changeFlags[] = {
    {0x01, optionsZOR70::rdFeat},
    {0x02, optionsZOR70::rdRef},
    {0x04, optionsZOR70::rdCh},
    {0x08, optionsZOR70::rdDev},
};

// Blocks whose arrival may make the settings match (or become) a stored snapshot.
bool isSnapShotBlock(quint8 address)
{
    switch (address) {
    case optionsZOR70::rdFeat:
    case optionsZOR70::rdRef:
    case optionsZOR70::rdDev:
    case optionsZOR70::rdCh:
    case optionsZOR70::rdRefdU:
        return true;
    default:
        return false;
    }
}

// Writes after which the instrument's database row is rewritten.
bool changesDevRow(quint8 address)
{
    return address == optionsZOR70::txRef || address == optionsZOR70::txRefdU
        || address == optionsZOR70::txName || address == optionsZOR70::txSN;
}

// Sent even to an instrument without a serial number.
bool isAlwaysSent(optionsZOR70::tx_code code)
{
    return code == optionsZOR70::txSN || code == optionsZOR70::txDateTime;
}
} // namespace

// ---- The record -------------------------------------------------------------------

zorList::_zor::_zor(int devIndex, const QString &portName, int sendDelay)
    : devIndex(devIndex)
    , options(new optionsZOR70)
    , portName(portName)
    , proccesed(devIndex >= 0)
    , txTimer(new QTimer)
{
    txTimer->setSingleShot(true);
    txTimer->setInterval(sendDelay);
}

zorList::_zor::~_zor()
{
    delete txTimer;
    delete options;
}

// ---- Construction -------------------------------------------------------------------

zorList::zorList(ZORSerialPort *port, zorSql *sql, bool statusEnabled, QObject *parent)
    : QObject(parent)
    , port(port)
    , sql(sql)
    , statusEnabled(statusEnabled)
    , errorTexts(makeErrorTexts())
{
    if (!port)
        return;
    // The link manager copies the bytes while the signal is delivered.
    connect(this, qOverload<int, QByteArray *, quint8, zorQueryMode>(&zorList::sendDevData), port,
            [port](int devIndex, QByteArray *buf, quint8 address, zorQueryMode mode) {
                port->sendDevData(devIndex, buf, address, false, mode);
            });
    connect(this, qOverload<int, QByteArray *, quint8>(&zorList::sendDevData), port,
            [port](int devIndex, QByteArray *buf, quint8 address) { port->sendDevData(devIndex, buf, address); });
}

zorList::~zorList()
{
    // Everything is taken out of the map first: the link manager's removal wait runs
    // the event loop, and replies or timers arriving meanwhile must find nothing.
    const QMap<int, _zor *> all = std::exchange(records, {});
    QVector<int> linked;
    for (_zor *zor : all) {
        if (!zor->txCodes.isEmpty())
            qCWarning(lcRegistry) << "record" << zor->index << "closed with settings never written";
        unwire(zor);
        if (zor->devIndex >= 0)
            linked.append(std::exchange(zor->devIndex, -1));
    }
    if (port) {
        for (int devIndex : linked)
            port->rmDev(devIndex);
    }
    qDeleteAll(all);
}

QMap<quint8, QString> zorList::makeErrorTexts()
{
    const QString repair = tr("РАБОТА НЕ ВОЗМОЖНА. ПРИБОРУ ТРЕБУЕТСЯ РЕМОНТ!");
    return {
        {0, tr("неизвестная ошибка")},
        {3, tr("значение силы тока за пределами стат.характ.")},
        {4, tr("значение сопротивления за пределами стат.характ.")},
        {5, tr("значение напряжения за пределами стат.характ.")},
        {6, tr("температура холодного спая ТП за пределами стат.характ.")},
        {7, tr("в ИСХ <ТАБЛИЦА ТС> мало точек. Минимальное 3 точки")},
        {8, tr("в ИСХ <ТАБЛИЦА ТП> мало точек. Минимальное 3 точки")},
        {9, tr("неправильно подключен термоэлектрический преобразователь")},
        {10, tr("сопротивление компенсационного ТС находится за пределами стат.характ.")},
        {11, tr("потенциальные провода не соответствуют токовым")},
        {12, tr("измеряемое значение сопротивления находится за пределами диапазона")},
        {13, tr("не подключен датчик (обрыв токовой цепи)")},
        {14, tr("малый измерительный ток для выбранного опорного резистора")},
        {15, tr("большой измерительный ток для выбранного опорного резистора")},
        {16, tr("не подключен датчик (источник напряжения)")},
        {22, tr("измеряемое значение напряжения находится за пределами диапазона")},
        {32, tr("измеряемое значение сылы тока находится за пределами диапазона")},
        {50, repair},
        {51, repair},
        {52, repair},
        {linkError, tr("Обрыв связи")},
    };
}

void zorList::setSendDelay(int ms)
{
    m_sendDelay = qMax(0, ms);
    for (_zor *zor : qAsConst(records))
        zor->txTimer->setInterval(m_sendDelay);
}

// ---- Lookups -----------------------------------------------------------------------

zorList::_zor *zorList::getZorByIndex(int index) const
{
    return records.value(index, nullptr);
}

zorList::_zor *zorList::findBy(int _zor::*field, int value) const
{
    // A negative value means "none" in these fields and names no record.
    if (value < 0)
        return nullptr;
    for (_zor *zor : records) {
        if (zor->*field == value)
            return zor;
    }
    return nullptr;
}

zorList::_zor *zorList::getZorByDevIndex(int devIndex) const
{
    return findBy(&_zor::devIndex, devIndex);
}

zorList::_zor *zorList::getZorByQwtIndex(int qwtIndex) const
{
    return findBy(&_zor::qwtIndex, qwtIndex);
}

int zorList::getQWTIndex(int index) const
{
    const _zor *zor = getZorByIndex(index);
    return zor ? zor->qwtIndex : -1;
}

int zorList::getDBIndex(int index) const
{
    const _zor *zor = getZorByIndex(index);
    return zor ? zor->dbIndex : -1;
}

int zorList::getIndexByDev(int devIndex) const
{
    const _zor *zor = getZorByDevIndex(devIndex);
    return zor ? zor->index : -1;
}

bool zorList::isDevIndex(int devIndex) const
{
    return getZorByDevIndex(devIndex) != nullptr;
}

bool zorList::isZor(int index) const
{
    return records.contains(index);
}

zorList::_zor *zorList::getLiveZor(quint32 devType, quint32 devNumber) const
{
    for (_zor *zor : records) {
        if (zor->devIndex >= 0 && zor->options->devNumber == devNumber && zor->options->devType == devType)
            return zor;
    }
    return nullptr;
}

zorList::_zor *zorList::getLostZor(quint32 devType, quint32 devNumber) const
{
    for (_zor *zor : records) {
        if (zor->devIndex < 0 && devNumber != 0 && zor->options->devNumber == devNumber
            && zor->options->devType == devType)
            return zor;
    }
    return nullptr;
}

QList<int> zorList::getIndexList() const
{
    return records.keys();
}

QString zorList::getErrorText(quint8 code) const
{
    return errorTexts.value(code, errorTexts.value(0));
}

QString zorList::getTStatName(int index) const
{
    const _zor *zor = getZorByIndex(index);
    if (!zor)
        return QString();
    return zor->tstat ? QStringLiteral(">T<") : QStringLiteral("<T>");
}

zorList::_zor *zorList::stillHere(int index, const _zor *zor) const
{
    _zor *now = getZorByIndex(index);
    return now == zor ? now : nullptr;
}

// ---- Life cycle ----------------------------------------------------------------------

int zorList::freeIndex() const
{
    int index = 0;
    for (auto it = records.keyBegin(); it != records.keyEnd() && *it == index; ++it)
        ++index;
    return index;
}

bool zorList::isRegistered(const _zor *zor) const
{
    // A registered record is kept under its own index; a record of another registry
    // or a detached one may carry an index that is taken here by a different record.
    return getZorByIndex(zor->index) == zor;
}

bool zorList::holdsLiveInstrument(const _zor *zor) const
{
    const optionsZOR70 *options = zor->options;
    return options->isIdentified() && getLiveZor(options->devType, options->devNumber);
}

void zorList::insert(_zor *zor)
{
    zor->index = freeIndex();
    zor->txTimer->setInterval(m_sendDelay);
    records.insert(zor->index, zor);
}

zorList::_zor *zorList::take(int index)
{
    _zor *zor = records.take(index);
    if (zor) {
        unwire(zor);
        zor->txTimer->stop();
    }
    return zor;
}

int zorList::newZor(int devIndex, bool connect)
{
    if (records.size() >= maxZor) {
        emit onAddZor(-1, false);
        return -1;
    }
    _zor *zor = new _zor(devIndex, port ? port->getPortName(devIndex) : QStringLiteral("-"), m_sendDelay);
    insert(zor);
    if (connect)
        setSignal(zor);
    const int index = zor->index;
    emit onAddZor(index, false);
    return index;
}

bool zorList::addZor(_zor *zor, bool readAll)
{
    if (!zor || isRegistered(zor) || zor->devIndex >= ZORSerialPort::maxDevices || records.size() >= maxZor
        || isDevIndex(zor->devIndex) || holdsLiveInstrument(zor))
        return false;
    insert(zor);
    setSignal(zor);
    const int index = zor->index;
    if (readAll)
        getAllDataFromZor(index);
    emit onAddZor(index, true);
    return true;
}

void zorList::rmByIndex(int index)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || !sendBeforeLeaving(index))
        return;
    dropLink(zor);
    // The link manager's removal wait may have let someone else remove it already.
    zor = stillHere(index, zor);
    if (!zor)
        return;
    take(index);
    const int qwtIndex = zor->qwtIndex;
    delete zor;
    emit onRmZor(index, qwtIndex);
}

zorList::_zor *zorList::detachByIndex(int index)
{
    return take(index);
}

zorList::_zor *zorList::detachByDevIndex(int devIndex)
{
    const _zor *zor = getZorByDevIndex(devIndex);
    return zor ? take(zor->index) : nullptr;
}

void zorList::disConnByIndex(int index)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || zor->devIndex < 0 || !sendBeforeLeaving(index))
        return;
    if ((zor = getZorByIndex(index)))
        dropLink(zor);
}

bool zorList::sendBeforeLeaving(int index)
{
    if (!hasWaitingWrites(index))
        return true;
    const _zor *zor = getZorByIndex(index);
    const bool lost = !sendWaitingNow({index}, waitingWritesTimeout).isEmpty();
    if (!stillHere(index, zor))
        return false;
    if (lost)
        emit onWritesLost(index);
    return stillHere(index, zor);
}

void zorList::dropLink(_zor *zor)
{
    if (zor->devIndex < 0)
        return;
    const int devIndex = std::exchange(zor->devIndex, -1);
    // Sends planned for this link can never go out; an interrupted read-all must
    // not leave the image mute.
    zor->txTimer->stop();
    zor->txCodes.clear();
    zor->refdUUndecided = false;
    zor->readRest = false;
    zor->silent = false;
    zor->options->blockSignals(false);
    if (port)
        port->rmDev(devIndex);
}

bool zorList::reattach(int index, int devIndex)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || zor->devIndex >= 0 || devIndex < 0 || isDevIndex(devIndex))
        return false;
    zor->devIndex = devIndex;
    zor->portName = port ? port->getPortName(devIndex) : QStringLiteral("-");
    qCInfo(lcRegistry).noquote() << "record" << index << "№" << zor->options->getDevNumberStr() << "reconnected on"
                                 << zor->portName;
    // The record kept its wiring, and the registry its link manager connections.
    getAllDataFromZor(index);
    emit onReattach(index);
    return true;
}

// ---- Connecting ------------------------------------------------------------------------

// An identified image came from an instrument, even one the record met on another port.
bool zorList::hasAnswered(const _zor *zor)
{
    return zor->answered || zor->options->isIdentified();
}

void zorList::setLinkDelays(int devIndex)
{
    if (port)
        port->setDelayTime(devIndex, handshakeMs, queueMs, retryMs);
}

int zorList::connectPort(const QString &portName, int into)
{
    const _zor *target = into >= 0 ? getZorByIndex(into) : nullptr;
    if (!port || (into >= 0 && (!target || target->devIndex >= 0)))
        return portUnavailable;
    const int devIndex = port->addDev(portName);
    if (devIndex < 0) {
        qCWarning(lcRegistry).noquote() << "port" << portName << "cannot be opened: busy or missing";
        return portUnavailable;
    }
    setLinkDelays(devIndex);
    if (target) {
        reattach(into, devIndex);
        return into;
    }
    const int index = newZor(devIndex, true);
    if (index < 0) {
        port->rmDev(devIndex);
        qCWarning(lcRegistry).noquote() << "port" << portName << "not connected: the registry is full";
        return registryFull;
    }
    qCInfo(lcRegistry).noquote() << "connecting" << portName << "as record" << index;
    getAllDataFromZor(index);
    return index;
}

int zorList::adopt(int devIndex, const optionsZOR70 &identity, bool takeNew, const QVector<_reading> &streamed)
{
    if (!port || devIndex < 0 || isDevIndex(devIndex) || !identity.isIdentified())
        return -1;
    _zor *owner = getLostZor(identity.devType, identity.devNumber);
    if (!owner) {
        if (_zor *live = getLiveZor(identity.devType, identity.devNumber)) {
            qCWarning(lcRegistry).noquote() << "record" << live->index << "answers on" << port->getPortName(devIndex)
                                            << "while holding" << live->portName << ": the old link is dead";
            const int index = live->index;
            disConnByIndex(index);
            owner = stillHere(index, live);
        }
    }
    int index = -1;
    if (owner) {
        setLinkDelays(devIndex);
        index = owner->index;
        if (!reattach(index, devIndex))
            return -1;
    } else {
        if (!takeNew)
            return -1;
        index = newZor(devIndex, true);
        _zor *zor = getZorByIndex(index);
        if (!zor)
            return -1;
        setLinkDelays(devIndex);
        qCInfo(lcRegistry).noquote() << "instrument №" << identity.getDevNumberStr() << "found on" << zor->portName
                                     << "connected as record" << index;
        // The probe's identity answered: the whole read-all follows at once.
        zor->answered = true;
        getAllDataFromZor(index);
    }
    takeStreamed(index, devIndex, streamed);
    return index;
}

// A returning instrument's channels are known: what it sent before its record took the
// port is that record's, ahead of everything the link delivers from now on.
void zorList::takeStreamed(int index, int devIndex, const QVector<_reading> &streamed)
{
    if (!streamed.isEmpty())
        qCInfo(lcRegistry) << "record" << index << "takes" << streamed.size() << "readings streamed before it took"
                           << "the port";
    for (const _reading &reading : streamed) {
        _zor *zor = getZorByDevIndex(devIndex);
        if (!zor || zor->index != index)
            break;
        takeReading(zor, reading);
    }
}

// ---- Wiring ----------------------------------------------------------------------------

void zorList::setSignal(_zor *zor)
{
    if (port) {
        // One connection per registry, however many records it wires.
        connect(port, qOverload<int, QByteArray *, quint8>(&ZORSerialPort::readyDevReply), this,
                &zorList::applyDevQuery, Qt::UniqueConnection);
        connect(port, &ZORSerialPort::doneSendDevData, this, &zorList::onDoneSendDevData, Qt::UniqueConnection);
        connect(port, &ZORSerialPort::readyDevMeas, this, &zorList::onReadyDevMeas, Qt::UniqueConnection);
        connect(port, &ZORSerialPort::readyDevStatus, this, &zorList::onReadyDevStatus, Qt::UniqueConnection);
        connect(port, qOverload<int, quint16>(&ZORSerialPort::onDevError), this, &zorList::onPortError,
                Qt::UniqueConnection);
    }
    connect(zor->txTimer, &QTimer::timeout, this, [this, zor] { sendPending(zor); });
    forwardChanges(zor);
    forwardApplies(zor);
}

void zorList::forwardChanges(_zor *zor)
{
    const optionsZOR70 *options = zor->options;
    connect(options, &optionsZOR70::onDevChange, this, [this, zor] { emit onDevChange(zor->index); });
    connect(options, &optionsZOR70::onRefChange, this, [this, zor] { emit onRefChange(zor->index); });
    connect(options, qOverload<quint8>(&optionsZOR70::onChChange), this,
            [this, zor](quint8 ch) { emit onChChange(zor->index, ch); });
    connect(options, qOverload<>(&optionsZOR70::onChChange), this, [this, zor] { emit onChChange(zor->index); });
    connect(options, qOverload<quint8>(&optionsZOR70::onFeatChange), this,
            [this, zor](quint8 slot) { emit onFeatChange(zor->index, slot); });
    connect(options, qOverload<>(&optionsZOR70::onFeatChange), this,
            [this, zor] { emit onFeatChange(zor->index); });
    connect(options, &optionsZOR70::onIdentChange, this, [this, zor] { emit onIdentChange(zor->index); });
}

void zorList::forwardApplies(_zor *zor)
{
    const optionsZOR70 *options = zor->options;
    // Everything but the serial number and the clock waits for an identified instrument.
    connect(options, qOverload<>(&optionsZOR70::onChApply), this, [this, zor] {
        if (zor->options->isIdentified())
            writeNow(zor, optionsZOR70::chWriteAddress, zor->options->getChData());
    });
    connect(options, qOverload<quint8>(&optionsZOR70::onFeatApply), this, [this, zor](quint8 slot) {
        // A slot beyond the record table has no bytes, and an empty write would
        // never finish on the link.
        if (zor->options->isIdentified() && slot < optionsZOR70::chMax)
            writeNow(zor, optionsZOR70::featWriteAddress + slot, zor->options->feature[slot]->getData());
    });
    const auto queue = [this, zor](optionsZOR70::tx_code code) {
        if (zor->options->isIdentified() || isAlwaysSent(code))
            sendZorData(zor->index, code);
    };
    connect(options, qOverload<>(&optionsZOR70::onFeatApply), this, [queue] { queue(optionsZOR70::txFeat); });
    connect(options, &optionsZOR70::onNameApply, this, [queue] { queue(optionsZOR70::txName); });
    connect(options, &optionsZOR70::onSNApply, this, [queue] { queue(optionsZOR70::txSN); });
    connect(options, &optionsZOR70::onDevApply, this, [queue] { queue(optionsZOR70::txDev); });
    connect(options, &optionsZOR70::onRefApply, this, [queue, zor] {
        queue(optionsZOR70::txRef);
        if (zor->options->isExtended())
            queue(optionsZOR70::txRefdU);
    });
    connect(options, &optionsZOR70::onDateTimeApply, this, [queue] { queue(optionsZOR70::txDateTime); });
}

void zorList::unwire(_zor *zor)
{
    // Only this registry's connections: a record passed on to another registry
    // keeps the wiring that one made.
    zor->options->disconnect(this);
    zor->txTimer->disconnect(this);
}

// ---- Sending -------------------------------------------------------------------------------

void zorList::writeNow(_zor *zor, quint8 address, const QByteArray &bytes)
{
    if (zor->devIndex < 0)
        return;
    QByteArray data = bytes;
    emit sendDevData(zor->devIndex, &data, address, zorQueryMode(qmNormal));
}

void zorList::sendZorData(int index, optionsZOR70::tx_code code)
{
    _zor *zor = getZorByIndex(index);
    if (!zor)
        return;
    if (!zor->txCodes.contains(code))
        zor->txCodes.append(code);
    zor->txTimer->start();
}

bool zorList::hasWaitingWrites(int index) const
{
    const _zor *zor = getZorByIndex(index);
    return zor && zor->devIndex >= 0 && (!zor->txCodes.isEmpty() || (port && port->hasDevData(zor->devIndex)));
}

QList<int> zorList::sendWaitingNow(const QList<int> &indices, int timeoutMs)
{
    // Device index → record, of the records whose writes are on the link.
    QHash<int, int> writing;
    for (int index : indices) {
        _zor *zor = getZorByIndex(index);
        if (!zor || zor->devIndex < 0)
            continue;
        zor->txTimer->stop();
        sendPending(zor);
        zor = getZorByIndex(index);
        if (zor && zor->devIndex >= 0 && port && port->hasDevData(zor->devIndex))
            writing.insert(zor->devIndex, index);
    }
    if (writing.isEmpty())
        return {};

    QSet<int> failed;   // device indices with a write given up
    QEventLoop wait;
    QObject scope;      // the connections below end with this wait
    const auto done = [&] {
        int count = 0;
        for (auto it = writing.cbegin(); it != writing.cend(); ++it)
            if (!port || !port->hasDevData(it.key()))
                ++count;
        return count;
    };
    const auto check = [&] {
        emit onWaitingWritesProgress(done(), writing.size());
        if (done() == writing.size())
            wait.quit();
    };
    if (port) {
        connect(port, &ZORSerialPort::onDevDataError, &scope, [&](int devIndex) {
            failed.insert(devIndex);
            check();
        });
        connect(port, &ZORSerialPort::doneSendDevData, &scope, check);
        connect(port, qOverload<int>(&ZORSerialPort::onDevError), &scope, check);
    }
    QTimer::singleShot(timeoutMs, &scope, [&wait] { wait.quit(); });
    emit onWaitingWritesProgress(done(), writing.size());
    if (done() < writing.size())
        wait.exec();

    QList<int> kept;
    for (auto it = writing.cbegin(); it != writing.cend(); ++it) {
        const _zor *zor = getZorByIndex(it.value());
        if (!port || failed.contains(it.key()) || !zor || zor->devIndex != it.key() || port->hasDevData(it.key())) {
            kept << it.value();
            qCWarning(lcRegistry) << "settings of record" << it.value() << "not written:"
                                  << (port && port->hasDevData(it.key()) ? "no time left" : "the write failed");
        }
    }
    return kept;
}

void zorList::sendPending(_zor *zor)
{
    if (zor->txCodes.isEmpty())
        return;
    // Requests made by the listeners of onChange() wait for the next round.
    const QVector<optionsZOR70::tx_code> codes = std::exchange(zor->txCodes, {});
    const int index = zor->index;
    emit onChange();
    zor = stillHere(index, zor);
    if (!zor)
        return;
    for (optionsZOR70::tx_code code : codes) {
        // The instrument may have lost its identity since the request.
        if (!zor->options->isIdentified() && !isAlwaysSent(code))
            continue;
        const QByteArray bytes = zor->options->getTxData(code);
        if (!bytes.isEmpty())
            writeNow(zor, code, bytes);
    }
}

// ---- Reading -----------------------------------------------------------------------------

void zorList::queueRead(const _zor *zor, quint8 address, bool showPr)
{
    if (port && zor->devIndex >= 0)
        port->sendDevQuery(zor->devIndex, address, quint16(optionsZOR70::readLength(address)), showPr,
                           zorQueryMode(qmNormal));
}

void zorList::getAllDataFromZor(int index)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || zor->devIndex < 0)
        return;
    zor->silent = false;
    zor->woken = false;
    zor->options->blockSignals(true);
    zor->refdUUndecided = true;
    if (!hasAnswered(zor)) {
        // A port that never answered may hold another device: it gets the identity
        // request alone, given up at its first failure, and the rest follows the answer.
        zor->readRest = true;
        if (port)
            port->sendDevQuery(zor->devIndex, optionsZOR70::rdIdent, optionsZOR70::identSize, true, qmNoRetry);
        return;
    }
    writeNow(zor, optionsZOR70::txDateTime, zor->options->getDateTimeData());
    queueRead(zor, optionsZOR70::rdIdent);
    readAfterIdentity(zor);
}

void zorList::readAfterIdentity(_zor *zor)
{
    for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdDev, optionsZOR70::rdCh, optionsZOR70::rdFeat})
        queueRead(zor, address);
}

void zorList::applyDevQuery(int devIndex, QByteArray *buf, quint8 address)
{
    _zor *zor = getZorByDevIndex(devIndex);
    if (!zor || !buf)
        return;
    if (address == optionsZOR70::rdIdent)
        zor = handOver(zor, *buf);
    if (!zor)
        return;
    zor->answered = true;
    const int index = zor->index;
    const int length = buf->size();
    // Unblocked before decoding, so the views hear about the block that ends the wait.
    zor->options->blockSignals(false);
    const bool decoded = zor->options->setData(buf, address);
    zor = stillHere(index, zor);
    if (!zor)
        return;
    if (decoded && address == optionsZOR70::rdCh)
        zor->chKnown = true;
    if (decoded)
        zor->rejected.remove(address);
    else
        zor->rejected.insert(address, length);
    if (address == optionsZOR70::rdIdent) {
        if (std::exchange(zor->readRest, false)) {
            writeNow(zor, optionsZOR70::txDateTime, zor->options->getDateTimeData());
            readAfterIdentity(zor);
        }
        identityArrived(zor, decoded);
    } else if (decoded && isSnapShotBlock(address) && zor->dbIndex > 0)
        matchSnapShot(zor);
}

// The first identity read on a port that names the instrument of a disconnected
// record: that record takes the link over, and the record made for the port goes.
zorList::_zor *zorList::handOver(_zor *zor, const QByteArray &identityBytes)
{
    if (zor->options->isIdentified())
        return zor;
    optionsZOR70 identity;
    QByteArray bytes = identityBytes;
    if (!identity.setData(&bytes, optionsZOR70::rdIdent) || !identity.isIdentified())
        return zor;
    _zor *owner = getLostZor(identity.devType, identity.devNumber);
    if (!owner)
        return zor;
    owner->devIndex = std::exchange(zor->devIndex, -1);
    owner->portName = zor->portName;
    owner->answered = true;
    owner->silent = false;
    owner->readRest = zor->readRest;
    owner->refdUUndecided = zor->refdUUndecided;
    owner->options->blockSignals(true);
    const int index = owner->index;
    const int devIndex = owner->devIndex;
    const QVector<_reading> streamed = std::exchange(zor->unclaimed, {});
    qCInfo(lcRegistry).noquote() << "instrument №" << identity.getDevNumberStr() << "on" << owner->portName
                                 << "is that of record" << index << ": reconnected there";
    rmByIndex(zor->index);
    if (!stillHere(index, owner))
        return nullptr;
    emit onReattach(index);
    takeStreamed(index, devIndex, streamed);
    return stillHere(index, owner);
}

void zorList::identityArrived(_zor *zor, bool decoded)
{
    zor->unclaimed.clear();
    const bool undecided = std::exchange(zor->refdUUndecided, false);
    const optionsZOR70 *options = zor->options;
    if (!options->isIdentified()) {
        // A foreign or unnumbered instrument: whatever the record knew about its
        // database row no longer applies.
        zor->dbIndex = 0;
        zor->snapShotId = 0;
        return;
    }
    if (!decoded)
        return;
    const int id = sql ? sql->addDev(options->devType, options->devNumber, options->devName) : -1;
    const int dbIndex = qMax(0, id);
    if (dbIndex != zor->dbIndex) {
        zor->dbIndex = dbIndex;
        zor->snapShotId = 0;
    }
    if (undecided && options->isExtended())
        queueRead(zor, optionsZOR70::rdRefdU);
}

void zorList::matchSnapShot(_zor *zor)
{
    // While a block the instrument sent was refused, the image holds defaults or older
    // settings in its place: they are not the instrument's, so they match no snapshot
    // and become none.
    if (!sql || !zor->rejected.isEmpty())
        return;
    const QVector<zorSql::zorSqlItem> found = zorSnapShot::find(sql, *zor->options, zor->dbIndex);
    if (!found.isEmpty()) {
        zor->snapShotId = found.first().id;
        return;
    }
    // A freshly registered instrument: once every block has been read, its settings
    // become its factory snapshot.
    if (sql->getSnapShotCount(zor->dbIndex) == 0 && port && port->isEmptyQueryQueue(zor->devIndex)) {
        const int id = zorSnapShot::store(sql, *zor->options, zor->dbIndex, tr("Заводская настройка"), 0);
        if (id > 0)
            zor->snapShotId = id;
    }
}

// ---- Write completion ------------------------------------------------------------------

void zorList::onDoneSendDevData(int devIndex, zorSerialPortDataItem data)
{
    _zor *zor = getZorByDevIndex(devIndex);
    if (!zor)
        return;
    if (changesDevRow(data.address) && zor->dbIndex > 0 && zor->options->isIdentified())
        updateDevRow(zor);
    // The clock is no part of a snapshot.
    if (data.address != optionsZOR70::txDateTime)
        saveSnapShot(zor->index);
}

void zorList::updateDevRow(const _zor *zor)
{
    if (!sql)
        return;
    const optionsZOR70 *options = zor->options;
    const QByteArray refdata = zorSnapShot::refData(*options);
    sql->updateDev(zor->dbIndex, options->devType, options->devNumber, options->devName, &refdata);
}

void zorList::saveSnapShot(int index)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || !sql || zor->dbIndex <= 0 || zor->snapShotId <= 0)
        return;
    const QString info = sql->getSnapShotInfo(zor->snapShotId);
    // The factory snapshot is never overwritten: the database stores a new one with
    // the same text instead, and that one is followed from now on.
    const int id = zorSnapShot::store(sql, *zor->options, zor->dbIndex, info, zor->snapShotId);
    if (id > 0)
        zor->snapShotId = id;
}

// ---- Readings and status -------------------------------------------------------------------

void zorList::onReadyDevMeas(int devIndex, double meas, quint8 ch, char dim)
{
    takeReading(getZorByDevIndex(devIndex), {meas, ch, dim, QDateTime::currentMSecsSinceEpoch()});
}

void zorList::takeReading(_zor *zor, const _reading &reading)
{
    const quint8 ch = reading.ch;
    if (zor && zor->silent && !zor->woken) {
        wake(zor);
        return;
    }
    // The instrument counts channels from 1; 0 or a channel beyond the table is
    // garbage (0 - 1 would even name the main channel).
    if (!zor || !zor->proccesed || ch == 0 || ch > optionsZOR70::chMax)
        return;
    if (!streamReadable(zor)) {
        // A port that has not answered yet may be a lost instrument come back.
        if (!hasAnswered(zor) && zor->unclaimed.size() < maxUnclaimed)
            zor->unclaimed.append(reading);
        return;
    }
    if (reading.meas > errorMarker)
        readMeasValue(zor, reading);
    else
        readMeasError(zor, quint8(ch - 1), reading.dim);
}

bool zorList::streamReadable(const _zor *zor) const
{
    return zor->chKnown || !port || port->isEmptyQueryQueue(zor->devIndex);
}

void zorList::readMeasValue(const _zor *zor, const _reading &reading)
{
    // A value has nowhere to go without a plot index (a negative one would send it
    // to the plot's current device).
    if (zor->qwtIndex < 0)
        return;
    emit onReadMeas(zor->index, reading.meas, quint8(reading.ch - 1), getDimName(*zor->options, reading.dim),
                    reading.at);
}

QString zorList::getDimName(const optionsZOR70 &options, char dim)
{
    return dim >= firstUnit && dim <= lastUnit ? options.getDimName(optionsZOR70::_chDim(dim - firstUnit))
                                               : QStringLiteral("-");
}

void zorList::readMeasError(_zor *zor, quint8 ch, char dim)
{
    const int index = zor->index;
    const quint8 code = quint8(dim - '0');
    const QString msg = getErrorText(code);
    emit onChError(index, ch, code, msg);
    zor = stillHere(index, zor);
    if (zor && code >= instrumentError)
        disconnectWithError(zor, code, msg);
}

void zorList::onReadyDevStatus(int devIndex, QStringList lStr)
{
    _zor *zor = getZorByDevIndex(devIndex);
    if (zor && zor->silent && !zor->woken) {
        wake(zor);
        return;
    }
    if (!statusEnabled || !zor || !streamReadable(zor))
        return;
    bool ok = false;
    const int status = lStr.value(0).toInt(&ok, 10);
    // A token with another number of fields, or whose code is no number (stray bytes
    // on the line join the token that follows them), is line noise, not a report of
    // the instrument: it is counted and the instrument kept.
    if (lStr.size() != statusFields || !ok) {
        ++zor->garbledStatus;
        return;
    }
    if (status == 0) {
        readStatusFlags(zor, lStr);
        return;
    }
    const int code = status - statusCodeBase;
    const quint8 known = code >= 0 && code <= 255 && errorTexts.contains(quint8(code)) ? quint8(code) : 0;
    disconnectWithError(zor, known, getErrorText(known));
}

void zorList::readStatusFlags(_zor *zor, const QStringList &lStr)
{
    const QByteArray thermostat = lStr.at(1).toLatin1();
    zor->tstat = !thermostat.isEmpty() && thermostat.at(0) == thermostatOn;
    const QByteArray changes = lStr.at(2).toLatin1();
    const quint8 flags = changes.isEmpty() ? 0 : quint8(changes.at(0));
    if (optionsZOR70::isValidType(zor->options->devType)) {
        for (const ChangeFlag &flag : changeFlags) {
            if (flags & flag.bit)
                queueRead(zor, flag.address);
        }
    }
    emit onReadStatus(zor->index);
}

// ---- Errors ---------------------------------------------------------------------------------

void zorList::onPortError(int devIndex, quint16 code)
{
    _zor *zor = getZorByDevIndex(devIndex);
    if (!zor)
        return;
    if (!hasAnswered(zor) && code <= lastExchangeError) {
        fallSilent(zor, code);
        return;
    }
    qCWarning(lcRegistry).noquote() << "record" << zor->index << "№" << zor->options->getDevNumberStr() << "on"
                                    << zor->portName << "lost its link, code" << code;
    // A port the user may not open is said plainly, with what to do about it.
    const QString reason = code == zorSerialPortThread::openFailed && zorPortCatalog::accessDenied(zor->portName)
                               ? accessDeniedText(zor->portName)
                               : getErrorText(linkError);
    disconnectWithError(zor, linkError, reason + tr(" [код %1]").arg(code));
}

QString zorList::accessDeniedText(const QString &portName)
{
    return tr("Порт %1: нет доступа. Работать с последовательными портами может пользователь из группы "
              "dialout: sudo adduser $USER dialout, затем выйти из системы и войти снова (группа "
              "действует с нового входа).")
        .arg(portName);
}

// The port keeps its record and stays open, listening: an instrument switched on
// later is picked up by its reading stream.
void zorList::fallSilent(_zor *zor, quint16 code)
{
    if (zor->silent)
        return;
    zor->silent = true;
    zor->readRest = false;
    zor->unclaimed.clear();
    zor->options->blockSignals(false);
    qCWarning(lcRegistry).noquote() << "port" << zor->portName << "does not answer, code" << code
                                    << ": nothing more is sent until it streams readings or the user asks";
    emit onDevError(zor->index, linkError, tr("Прибор не отвечает [код %1]").arg(code));
}

void zorList::wake(_zor *zor)
{
    qCInfo(lcRegistry).noquote() << "port" << zor->portName << "sends a reading stream: its settings are read";
    const int index = zor->index;
    getAllDataFromZor(index);
    if ((zor = stillHere(index, zor)))
        zor->woken = true;
}

void zorList::disconnectWithError(_zor *zor, quint8 code, const QString &msg)
{
    const int index = zor->index;
    const bool lost = hasWaitingWrites(index);
    dropLink(zor);
    emit onDevError(index, code, msg);
    if (lost && isZor(index))
        emit onWritesLost(index);
}

void zorList::recordEdited()
{
    emit onChange();
}

void zorList::setProccesed(int index, bool processed, bool clear)
{
    _zor *zor = getZorByIndex(index);
    if (!zor || zor->proccesed == processed)
        return;
    zor->proccesed = processed;
    if (!processed) {
        zor->clearOnStart = clear;
    } else if (std::exchange(zor->clearOnStart, false)) {
        emit doClearQwt(zor->qwtIndex);
    }
    emit onChange();
}
