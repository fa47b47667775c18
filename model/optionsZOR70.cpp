#include "model/optionsZOR70.h"

#include "link/bWord.h"
#include "model/featureZOR70.h"
#include "model/zorBlockCodec.h"
#include "model/zorSettingsFile.h"

#include <QFile>
#include <QPair>
#include <QVector>

#include <cmath>

namespace {
// Reference block layout (offsets in bytes).
constexpr int refNelinCodes[2] = {96, 512};
constexpr int refNelinValues[2] = {304, 720};
constexpr int refCorrA = 928;
constexpr int refCorrB = 960;
constexpr int refPassword = 992;
constexpr int refPasswordSize = 8;
constexpr int refTk = 1000;
constexpr int refD10k = 1006;
constexpr double corrAScale = 1e4;
constexpr double corrBScale = 1e5;
constexpr double tkScale = 1e7;
constexpr double d10kScale = 1e4;
constexpr double k005maScale = 1e10;

// refdU block: 4-byte positions of the float tables, after the ratio word.
constexpr int refdUValues[2] = {1, 15};
constexpr int refdUCodes[2] = {8, 22};
constexpr double refdUK = 1250;

// The name follows the 4-byte signature in the identity, the name block and the full image.
constexpr int nameOffset = 4;
// Full image layout.
constexpr int fullDev = optionsZOR70::nameSize;
constexpr int fullCh = fullDev + optionsZOR70::devSize;
constexpr int fullFeat = fullCh + optionsZOR70::chSize;

// Current codes of the normalisation.
constexpr quint8 current10mA = 200;
constexpr quint8 current1mA = 20;
constexpr quint8 current01mA = 2;
} // namespace

optionsZOR70::optionsZOR70(QObject *parent)
    : QObject(parent)
    , m_typeTC(_getDefTypeTC())
    , m_dimNames(getDimList())
{
    for (int n = 0; n < chMax; ++n) {
        feature[n] = new featureZOR70(this);
        const quint8 slot = quint8(n);
        connect(feature[n], &featureZOR70::onChange, this, [this, slot] { emit onFeatChange(slot); });
        connect(feature[n], &featureZOR70::onApply, this, [this, slot] { emit onFeatApply(slot); });
    }
}

int optionsZOR70::readLength(quint8 address)
{
    switch (address) {
    case rdFeat: return featSize;
    case rdRef: return refSize;
    case rdDev: return devSize;
    case rdCh: return chSize;
    case rdRefdU: return refdUSize;
    case rdIdent: return identSize;
    case rdName: return nameReadSize;
    default: return -1;
    }
}

int optionsZOR70::writeLength(quint8 address)
{
    if (address >= featWriteAddress && address < featWriteAddress + chMax)
        return featureZOR70::dataSize;
    switch (address) {
    case txFeat: return featSize;
    case txRef: return refSize;
    case txDev: return devSize;
    case chWriteAddress: return chSize;
    case txDateTime: return dateTimeSize;
    case txRefdU: return refdUSize;
    case txName: return nameSize;
    case txSN: return snSize;
    default: return -1;
    }
}

QString optionsZOR70::getDevNumberStr() const
{
    return devNumber == 0 ? QStringLiteral("--") : QString("%1").arg(devNumber, 4, 10, QChar('0'));
}

int optionsZOR70::getChCount() const
{
    return qBound(1, int(chCount), int(chMax));
}

// ---- Encoders -----------------------------------------------------------------

QByteArray optionsZOR70::getDevData() const
{
    const char bytes[devSize] = {char(measMode), char(chShow), char(measTime), char(filter),
                                 char(chCount),  char(speaker), char(mainCh), 0};
    return QByteArray(bytes, devSize);
}

QByteArray optionsZOR70::getChData() const
{
    QByteArray data(chSize, '\0');
    for (int c = 0; c < chMax; ++c) {
        data[c] = char(ch[c].mode);
        data[chMax + c] = char(ch[c].dim);
        data[2 * chMax + c] = char(ch[c].ref);
        data[3 * chMax + c] = char(ch[c].current);
        data[4 * chMax + c] = char(ch[c].round);
        data[5 * chMax + c] = char(ch[c].feature);
        data[6 * chMax + c] = char(ch[c].compens);
    }
    return data;
}

QByteArray optionsZOR70::getRefData(bool withRefdU) const
{
    QByteArray data;
    data.reserve(refSize + refdUSize);
    for (const _ref &r : ref)
        data.append(r.zero.getByte()).append(r.value.getByte());
    for (const auto &table : nelin) {
        for (const _nelin &point : table)
            data.append(point.code.getByte());
        for (const _nelin &point : table)
            data.append(point.value.getByte());
    }
    for (const bDouble &a : corrA)
        data.append(char(zorBlockCodec::encodeScaledByte(a.value(), corrAScale)));
    for (const bDouble &b : corrB)
        data.append(char(zorBlockCodec::encodeScaledByte(b.value(), corrBScale)));
    data.append(zorBlockCodec::encodeText(password, refPasswordSize));
    for (const bDouble &t : tk)
        data.append(char(zorBlockCodec::encodeScaledByte(t.value(), tkScale)));
    data.append(zorBlockCodec::wordBytes(zorBlockCodec::encodeScaledWord(d10k.value(), d10kScale)));
    if (withRefdU)
        data.append(getRefdUData());
    return data;
}

QByteArray optionsZOR70::getRefdUData() const
{
    if (!isExtended())
        return QByteArray();
    QByteArray data = zorBlockCodec::wordBytes(
        zorBlockCodec::encodeScaledWord(k005ma.value() - 1, k005maScale));
    data.append(2, '\0');
    for (const auto &table : refdU) {
        for (const _refdU &point : table)
            data.append(point.value.getByte());
        for (const _refdU &point : table)
            data.append(point.code.getByte());
    }
    return data;
}

QByteArray optionsZOR70::getSNData() const
{
    return bWord::getByte(devNumber);
}

QByteArray optionsZOR70::getNameData() const
{
    return bWord::getByte(devType) + zorBlockCodec::encodeText(devName, nameReadSize);
}

QByteArray optionsZOR70::getDateTimeData() const
{
    return getDateTimeData(QDateTime::currentDateTime());
}

QByteArray optionsZOR70::getDateTimeData(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    const char bytes[dateTimeSize] = {char(t.hour()), char(t.minute()), char(t.second()), 0,
                                      char(d.day()),  char(d.month()),
                                      char(qBound(0, d.year() - 2000, 255)), 0};
    return QByteArray(bytes, dateTimeSize);
}

QByteArray optionsZOR70::getFeatData() const
{
    QByteArray data;
    data.reserve(featSize);
    for (const featureZOR70 *f : feature)
        data.append(f->getData());
    return data;
}

QByteArray optionsZOR70::getData() const
{
    return getNameData() + getDevData() + getChData() + getFeatData();
}

QByteArray optionsZOR70::getTxData(tx_code code) const
{
    switch (code) {
    case txFeat: return getFeatData();
    case txRef: return getRefData(false);
    case txDev: return getDevData();
    case txDateTime: return getDateTimeData();
    case txRefdU: return getRefdUData();
    case txName: return getNameData();
    case txSN: return getSNData();
    }
    return QByteArray();
}

// ---- Decoders -----------------------------------------------------------------

bool optionsZOR70::setData(QByteArray *buf, quint8 address)
{
    return setData(buf ? *buf : QByteArray(), address);
}

bool optionsZOR70::setData(const QByteArray &buf, quint8 address)
{
    if (address == rdIdent) {
        devType = 0;
        devNumber = 0;
        devName.clear();
    }
    if (buf.size() != readLength(address))
        return false;
    switch (address) {
    case rdRef: return decodeRef(buf);
    case rdRefdU: return decodeRefdU(buf);
    case rdDev: return decodeDev(buf);
    case rdCh: return decodeCh(buf);
    case rdFeat: return decodeFeat(buf);
    case rdIdent: return decodeIdent(buf);
    case rdName: return decodeName(buf);
    }
    return false;
}

bool optionsZOR70::setData(QByteArray *buf)
{
    return buf && setData(*buf);
}

bool optionsZOR70::setData(const QByteArray &buf)
{
    // Checked as a whole first: a short image must not leave half of it decoded.
    if (buf.size() != fullSize)
        return false;
    return decodeName(buf.mid(nameOffset, nameReadSize)) && decodeDev(buf.mid(fullDev, devSize))
           && decodeCh(buf.mid(fullCh, chSize)) && decodeFeat(buf.mid(fullFeat, featSize));
}

bool optionsZOR70::decodeRef(const QByteArray &buf)
{
    for (int r = 0; r < refCount; ++r) {
        ref[r].zero.setDouble(&buf, 2 * r);
        ref[r].value.setDouble(&buf, 2 * r + 1);
    }
    for (int t = 0; t < 2; ++t) {
        for (int p = 0; p < nelinPoints; ++p) {
            nelin[t][p].code.setDouble(&buf, refNelinCodes[t] / bDouble::size + p);
            nelin[t][p].value.setDouble(&buf, refNelinValues[t] / bDouble::size + p);
            nelin[t][p].mV = codeToMV(nelin[t][p].code.value(), nelinK[t]);
        }
        nelinShift[t] = 0;
    }
    for (int c = 0; c < chMax; ++c) {
        corrA[c].setValue(zorBlockCodec::decodeScaledByte(quint8(buf.at(refCorrA + c)), corrAScale));
        corrB[c].setValue(zorBlockCodec::decodeScaledByte(quint8(buf.at(refCorrB + c)), corrBScale));
    }
    password = zorBlockCodec::decodeText(buf.mid(refPassword, refPasswordSize));
    for (int k = 0; k < tkCount; ++k)
        tk[k].setValue(zorBlockCodec::decodeScaledByte(quint8(buf.at(refTk + k)), tkScale));
    d10k.setValue(zorBlockCodec::decodeScaledWord(zorBlockCodec::word(buf, refD10k), d10kScale));
    emit onRefChange();
    return true;
}

bool optionsZOR70::decodeRefdU(const QByteArray &buf)
{
    k005ma.setValue(zorBlockCodec::decodeScaledWord(zorBlockCodec::word(buf, 0), k005maScale) + 1);
    for (int t = 0; t < 2; ++t) {
        for (int p = 0; p < refdUPoints; ++p) {
            refdU[t][p].value.setFloat(&buf, refdUValues[t] + p);
            refdU[t][p].code.setFloat(&buf, refdUCodes[t] + p);
            refdU[t][p].mV = float(codeToMV(refdU[t][p].code.value(), refdUK));
        }
    }
    emit onRefChange();
    return true;
}

bool optionsZOR70::decodeDev(const QByteArray &buf)
{
    measMode = qint8(buf.at(0));
    chShow = qint8(buf.at(1));
    measTime = qint8(buf.at(2));
    filter = qint8(buf.at(3));
    chCount = qint8(buf.at(4));
    speaker = qint8(buf.at(5));
    mainCh = quint8(buf.at(6));
    emit onDevChange();
    return true;
}

bool optionsZOR70::decodeCh(const QByteArray &buf)
{
    for (int c = 0; c < chMax; ++c) {
        ch[c].mode = qint8(buf.at(c));
        ch[c].dim = qint8(buf.at(chMax + c));
        ch[c].ref = qint8(buf.at(2 * chMax + c));
        ch[c].current = quint8(buf.at(3 * chMax + c));
        ch[c].round = qint8(buf.at(4 * chMax + c));
        ch[c].feature = quint8(buf.at(5 * chMax + c));
        ch[c].compens = quint8(buf.at(6 * chMax + c));
    }
    emit onChChange();
    return true;
}

bool optionsZOR70::decodeFeat(const QByteArray &buf)
{
    for (int n = 0; n < chMax; ++n)
        feature[n]->setData(buf.mid(n * featureZOR70::dataSize, featureZOR70::dataSize));
    emit onFeatChange();
    emit onChChange();
    return true;
}

bool optionsZOR70::decodeIdent(const QByteArray &buf)
{
    // The identity is cleared already: a reply of another instrument type leaves
    // this one unidentified, so nothing can be written to it.
    const quint32 type = bWord::getWord(&buf, 0);
    if (!isValidType(type))
        return false;
    devType = type;
    devName = zorBlockCodec::decodeText(buf.mid(nameOffset, nameReadSize));
    devNumber = bWord::getWord(&buf, 5);
    nameFromNameRead = false;
    emit onIdentChange();
    return true;
}

bool optionsZOR70::decodeName(const QByteArray &buf)
{
    devName = zorBlockCodec::decodeText(buf);
    nameFromNameRead = true;
    emit onIdentChange();
    return true;
}

// ---- Reference editing ----------------------------------------------------------

bool optionsZOR70::setRefNelin(const QStringList &values, quint8 table)
{
    if (values.size() != 2 * nelinPoints)
        return false;
    const int t = table == 1 ? 1 : 0;
    double parsed[2 * nelinPoints];
    for (int i = 0; i < values.size(); ++i) {
        bool ok = false;
        parsed[i] = bDouble::str2Double(values.at(i), &ok);
        if (!ok)
            return false;
    }
    for (int p = 0; p < nelinPoints; ++p) {
        nelin[t][p].code.setValue(parsed[2 * p]);
        nelin[t][p].mV = codeToMV(parsed[2 * p], nelinK[t]);
        nelin[t][p].value.setValue(parsed[2 * p + 1]);
    }
    emit onRefChange();
    return true;
}

bool optionsZOR70::setRefNelinShift(const QString &text, quint8 table)
{
    const int t = table == 1 ? 1 : 0;
    bool ok = false;
    const double shift = bDouble::str2Double(text, &ok);
    if (!ok || shift == nelinShift[t])
        return false;
    const double delta = nelinShift[t] - shift;
    for (_nelin &point : nelin[t])
        point.value.setValue(point.value.value() - delta);
    nelinShift[t] = shift;
    emit onRefChange();
    return true;
}

// ---- Device block editing -------------------------------------------------------------

bool optionsZOR70::setDevField(qint32 optionsZOR70::*field, qint32 value)
{
    qint32 &stored = this->*field;
    if (stored == value)
        return false;
    stored = value;
    if (field == &optionsZOR70::chCount)
        emit onChChange();
    emit onDevChange();
    return true;
}

void optionsZOR70::notifyRefChange()
{
    emit onRefChange();
}

// ---- Identity editing ---------------------------------------------------------------

void optionsZOR70::setDevName(const QString &name)
{
    const QString cut = name.left(nameReadSize);
    if (cut == devName)
        return;
    devName = cut;
    emit onIdentChange();
}

void optionsZOR70::setDevNumber(quint32 number)
{
    if (number == devNumber)
        return;
    devNumber = number;
    emit onIdentChange();
}

// ---- Send requests ---------------------------------------------------------------

void optionsZOR70::triggerChChange(quint8 chIndex)
{
    if (chIndex >= chMax)
        return;
    emit onChApply();
    emit onChApply(chIndex);
}

void optionsZOR70::triggerChChange()
{
    emit onChApply();
}

void optionsZOR70::triggerFeatChange(quint8 featIndex)
{
    if (featIndex < chMax)
        emit onFeatApply(featIndex);
}

void optionsZOR70::triggerFeatChange()
{
    emit onFeatApply();
}

void optionsZOR70::triggerDevChange()
{
    if (isIdentified())
        emit onDevApply();
}

void optionsZOR70::triggerSNChange()
{
    emit onSNApply();
}

void optionsZOR70::triggerNameChange()
{
    if (isIdentified())
        emit onNameApply();
}

void optionsZOR70::triggerRefChange()
{
    if (isIdentified())
        emit onRefApply();
    emit onRefChange();
}

void optionsZOR70::triggerDateTime()
{
    emit onDateTimeApply();
}

// ---- Channel names -----------------------------------------------------------------

QString optionsZOR70::getModeName(_chMode mode)
{
    return getModeNameList().value(mode, QStringLiteral("-"));
}

QString optionsZOR70::getModeName(quint8 chIndex) const
{
    return chIndex < chMax ? getModeName(_chMode(ch[chIndex].mode)) : QStringLiteral("-");
}

QMap<optionsZOR70::_chMode, QString> optionsZOR70::getModeNameList()
{
    return {
        {chOff, tr("Выкл.")},     {chOhm, tr("Ом")},         {chOhm3, tr("Ом/3")},
        {chMV, tr("мВ")},         {chMA, tr("мА")},          {chNSHTS, tr("НСХ ТС")},
        {chNSHTS3, tr("НСХ ТС/3")}, {chISHTS, tr("ИСХ ТС")}, {chNSHTP, tr("НСХ ТП")},
        {chISHTP, tr("ИСХ ТП")},  {chIZMPR, tr("ИЗМ. ПР.")},
    };
}

QString optionsZOR70::getDimName(_chDim dim) const
{
    return m_dimNames.value(dim, QStringLiteral("-"));
}

QMap<optionsZOR70::_chDim, QString> optionsZOR70::getDimList()
{
    // "°С" ends in the Cyrillic С; "K" is the Latin letter; "Ω" is the Greek omega.
    return {
        {dimOhm, QStringLiteral("Ω")}, {dimMV, tr("мВ")},   {dimMA, tr("мА")},
        {dimC, QStringLiteral("°С")},  {dimK, QStringLiteral("K")},
        {dimPercent, QStringLiteral("%")}, {dimPa, tr("Па")},   {dimKPa, tr("кПа")},
        {dimMPa, tr("МПа")},               {dimBar, tr("Бар")},
    };
}

QMap<optionsZOR70::_chRound, QString> optionsZOR70::getRoundList()
{
    return {
        {round1, QStringLiteral("0.1")},    {round2, QStringLiteral("0.01")},
        {round3, QStringLiteral("0.001")},  {round4, QStringLiteral("0.0001")},
        {round5, QStringLiteral("0.00001")}, {round6, QStringLiteral("0.000001")},
    };
}

QMap<optionsZOR70::_chRef, QString> optionsZOR70::getRefList()
{
    return {
        {ref3, QStringLiteral("3")},
        {ref30, QStringLiteral("30")},
        {ref300, QStringLiteral("300")},
        {ref3000, QStringLiteral("3000")},
    };
}

QMap<quint8, QString> optionsZOR70::getCurrentList()
{
    return {
        {1, QStringLiteral("0.05")}, {2, QStringLiteral("0.1")},  {4, QStringLiteral("0.2")},
        {8, QStringLiteral("0.4")},  {20, QStringLiteral("1.0")}, {40, QStringLiteral("2.0")},
        {80, QStringLiteral("4.0")}, {200, QStringLiteral("10.0")},
    };
}

QString optionsZOR70::getChFeatureCompesTPName(quint8 chIndex) const
{
    if (chIndex >= chMax)
        return QStringLiteral("-");
    const int c = ch[chIndex].compens;
    return c >= 1 && c <= m_typeTC.size() ? m_typeTC.at(c - 1) : QStringLiteral("-");
}

QStringList optionsZOR70::_getDefTypeTC()
{
    // Five nominal resistances per family; "M", "H" and "Pt" are Latin letters,
    // "П" is Cyrillic.
    QStringList types;
    const QStringList families = {QStringLiteral("%1M"), QStringLiteral("%1П"),
                                  QStringLiteral("Pt%1"), QStringLiteral("%1H")};
    for (const QString &family : families)
        for (int r0 : {10, 50, 100, 500, 1000})
            types << family.arg(r0);
    return types;
}

QStringList optionsZOR70::_getDefTypeTP()
{
    // Cyrillic letters before the parentheses, Latin inside.
    return {
        QStringLiteral("ТНН(N)"),  QStringLiteral("ТВР(A1)"), QStringLiteral("ТВР(A2)"),
        QStringLiteral("ТВР(A3)"), QStringLiteral("ТЖК(J)"),  QStringLiteral("ТМК(M)"),
        QStringLiteral("ТМК(T)"),  QStringLiteral("ТПР(B)"),  QStringLiteral("ТПП(R)"),
        QStringLiteral("ТПП(S)"),  QStringLiteral("ТХА(K)"),  QStringLiteral("ТХК(E)"),
        QStringLiteral("ТХК(L)"),
    };
}

// ---- Channel setters -------------------------------------------------------------------

bool optionsZOR70::setChMode(quint8 chIndex, int mode)
{
    if (chIndex >= chMax || mode < chOff || mode > chIZMPR || ch[chIndex].mode == mode)
        return false;
    _ch &c = ch[chIndex];
    c.mode = mode;
    switch (mode) {
    case chMA:
        c.dim = dimMA;
        break;
    case chMV:
        c.dim = dimMV;
        break;
    case chOhm:
    case chOhm3:
        c.dim = dimOhm;
        break;
    case chOff:
    case chIZMPR:
        break;
    default: // thermometers and thermocouples: a temperature unit
        if (c.dim != dimC && c.dim != dimK)
            c.dim = dimC;
    }
    normalize(chIndex);
    emit onChChange(chIndex);
    return true;
}

void optionsZOR70::setChDim(quint8 chIndex, int dim)
{
    if (chIndex >= chMax)
        return;
    if (ch[chIndex].dim != dim && isDimAllowed(ch[chIndex].mode, dim))
        ch[chIndex].dim = dim;
    // Also after a refusal, so that a view shows the unit that stayed.
    emit onChChange(chIndex);
}

bool optionsZOR70::setChFeature(quint8 chIndex, int mode, quint8 feature)
{
    if (chIndex >= chMax || mode < chOff || mode > chIZMPR
        || (ch[chIndex].feature == feature && ch[chIndex].mode == mode))
        return false;
    ch[chIndex].feature = feature;
    setChMode(chIndex, mode);
    normalize(chIndex);
    emit onChChange(chIndex);
    return true;
}

bool optionsZOR70::setChFeatureCompesTP(quint8 chIndex, quint8 compens)
{
    if (chIndex >= chMax || compens > m_typeTC.size() || ch[chIndex].compens == compens)
        return false;
    ch[chIndex].compens = compens;
    normalize(chIndex);
    emit onChChange(chIndex);
    return true;
}

bool optionsZOR70::setChCurrent(quint8 chIndex, float mA)
{
    if (chIndex >= chMax || !(mA > 0) || double(mA) > currentMax)
        return false;
    // Also refused: what rounds to code 0, since no current at all is no setting.
    const long code = std::lround(double(mA) / currentStep);
    if (code < 1)
        return false;
    setChCurrentCode(chIndex, quint8(code));
    return true;
}

bool optionsZOR70::setChCurrent(quint8 chIndex, const QString &mA)
{
    bool ok = false;
    const double value = bDouble::str2Double(mA, &ok);
    return ok && setChCurrent(chIndex, float(value));
}

void optionsZOR70::setChCurrentCode(quint8 chIndex, quint8 code)
{
    if (chIndex >= chMax || ch[chIndex].current == code)
        return;
    ch[chIndex].current = code;
    emit onChChange(chIndex);
}

void optionsZOR70::setChRef(quint8 chIndex, int ref)
{
    if (chIndex >= chMax || ch[chIndex].ref == ref)
        return;
    ch[chIndex].ref = ref;
    normalize(chIndex);
    emit onChChange(chIndex);
}

void optionsZOR70::setChRound(quint8 chIndex, int round)
{
    if (chIndex >= chMax || ch[chIndex].round == round)
        return;
    ch[chIndex].round = round;
    emit onChChange(chIndex);
}

void optionsZOR70::normalize(quint8 chIndex)
{
    if (chIndex >= chMax)
        return;
    _ch &c = ch[chIndex];
    switch (c.mode) {
    case chOhm:
    case chOhm3:
        switch (c.ref) {
        case ref3:
            c.round = round6;
            setChCurrentCode(chIndex, current10mA);
            break;
        case ref30:
            c.round = round5;
            setChCurrentCode(chIndex, current1mA);
            break;
        case ref300:
            c.round = round4;
            setChCurrentCode(chIndex, current1mA);
            break;
        case ref3000:
            c.round = round3;
            setChCurrentCode(chIndex, current01mA);
            break;
        }
        break;
    case chMV:
    case chMA:
        c.round = round4;
        break;
    case chNSHTS:
    case chNSHTS3:
        c.round = round2;
        setChRangeByType(chIndex, c.feature);
        break;
    case chISHTS:
        if (c.feature < chMax) {
            const featureZOR70 *f = feature[c.feature];
            switch (f->getType()) {
            case featureZOR70::ftTSMTSH90: {
                c.round = round3;
                const double r0 = f->getRatio(0);
                if (r0 < 3)
                    setChRange(chIndex, ref3, current10mA);
                else if (r0 < 50)
                    setChRange(chIndex, ref30, current1mA);
                else if (r0 < 500)
                    setChRange(chIndex, ref300, current1mA);
                else
                    setChRange(chIndex, ref3000, current01mA);
                break;
            }
            case featureZOR70::ftTSKVD:
            case featureZOR70::ftTSPolynom:
            case featureZOR70::ftTSTable:
                c.round = round3;
                break;
            case featureZOR70::ftTPPolynom:
            case featureZOR70::ftTPTable:
                c.round = round1;
                break;
            case featureZOR70::ftIzmPr:
                c.round = round2;
                break;
            }
        }
        break;
    case chNSHTP:
    case chISHTP:
        c.round = round1;
        if (c.compens == 0)
            setChRange(chIndex, ref30, current1mA);
        else
            setChRangeByType(chIndex, c.compens - 1);
        break;
    }
}

void optionsZOR70::setChRangeByType(quint8 chIndex, int typeIndex)
{
    // The type list runs 10, 50, 100, 500, 1000 Ω in each of its four families:
    // 10 Ω on the 30 Ω range, 50 and 100 Ω on 300 Ω, the rest (500 and 1000 Ω, and
    // indices past the list) on 3000 Ω.
    static const QList<int> on300 = {1, 2, 6, 7, 11, 12, 16, 17};
    if (typeIndex % 5 == 0)
        setChRange(chIndex, ref30, current1mA);
    else if (on300.contains(typeIndex))
        setChRange(chIndex, ref300, current1mA);
    else
        setChRange(chIndex, ref3000, current01mA);
}

void optionsZOR70::setChRange(quint8 chIndex, _chRef range, quint8 currentCode)
{
    ch[chIndex].ref = range;
    setChCurrentCode(chIndex, currentCode);
}

bool optionsZOR70::isDimAllowed(int mode, int dim) const
{
    switch (mode) {
    case chOhm:
    case chOhm3:
        return dim == dimOhm;
    case chMV:
        return dim == dimMV;
    case chMA:
        return dim == dimMA;
    case chNSHTS:
    case chNSHTS3:
    case chISHTS:
    case chNSHTP:
    case chISHTP:
        return dim == dimC || dim == dimK;
    case chIZMPR:
        return m_dimNames.contains(_chDim(dim));
    default:
        return false;
    }
}

// ---- Settings file -----------------------------------------------------------------------

bool optionsZOR70::loadFromFile(const QString &fileName, bool keepType)
{
    QFile file(fileName);
    zorSettingsFile::_items items;
    if (!file.open(QIODevice::ReadOnly) || !zorSettingsFile::read(&file, &items))
        return false;
    // In the order the instrument's read-all takes them; a file without refdU block
    // leaves the image's own.
    QVector<QPair<quint8, QByteArray>> blocks = {
        {rdRef, items.ref}, {rdDev, items.dev}, {rdCh, items.ch}, {rdFeat, items.feat}};
    if (!items.refdU.isEmpty())
        blocks.append({rdRefdU, items.refdU});
    // A file that fails half-way must not leave a mix of its blocks and the instrument's
    // in the image, which the next apply would send.
    optionsZOR70 scratch;
    for (const auto &block : qAsConst(blocks)) {
        if (!scratch.setData(block.second, block.first))
            return false;
    }
    const quint32 type = keepType ? devType : items.type;
    const QString name = items.name.left(nameReadSize);
    const bool identChanged = type != devType || name != devName;
    devType = type;
    devName = name;
    for (const auto &block : qAsConst(blocks))
        setData(block.second, block.first);
    if (identChanged)
        emit onIdentChange();
    return true;
}
