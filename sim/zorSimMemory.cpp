#include "sim/zorSimMemory.h"

#include "model/featureZOR70.h"
#include "model/optionsZOR70.h"

namespace {

// The identity and the name block: the 4-byte type signature, then the name; the
// identity goes on with the serial number.
constexpr int identName = 4;
constexpr int identSerial = identName + optionsZOR70::nameReadSize;

// The read address that returns a block written whole to this write address, or -1.
int readAddressOf(quint8 writeAddress)
{
    switch (writeAddress) {
    case optionsZOR70::txFeat: return optionsZOR70::rdFeat;
    case optionsZOR70::txRef: return optionsZOR70::rdRef;
    case optionsZOR70::txDev: return optionsZOR70::rdDev;
    case optionsZOR70::chWriteAddress: return optionsZOR70::rdCh;
    case optionsZOR70::txRefdU: return optionsZOR70::rdRefdU;
    default: return -1;
    }
}

bool isRecordWrite(quint8 selector)
{
    return selector >= optionsZOR70::featWriteAddress && selector < optionsZOR70::featWriteAddress + optionsZOR70::chMax;
}

} // namespace

zorSimMemory::zorSimMemory(_variant type, quint32 serialNumber, const QString &name, int channels)
{
    optionsZOR70 image;
    image.devType = type == extended ? optionsZOR70::typeExtended : optionsZOR70::typeBasic;
    image.devNumber = serialNumber;
    image.devName = name;
    image.measMode = 1;
    image.chCount = channels;
    image.chShow = channels >= 32 ? 5 : channels >= 16 ? 4 : 3;
    // The reference resistors at their nominal values, then the voltage and current references.
    const double references[optionsZOR70::refCount] = {3.0, 30.0, 300.0, 3000.0, 1.25, 1.0};
    for (int i = 0; i < optionsZOR70::refCount; ++i)
        image.ref[i].value.setValue(references[i]);
    const quint8 pt100 = quint8(optionsZOR70::_getDefTypeTC().indexOf("Pt100"));
    for (int ch = 0; ch < channels && ch < optionsZOR70::chMax; ++ch)
        image.setChFeature(quint8(ch), optionsZOR70::chNSHTS, pt100);

    // The identity block is laid out as the name block followed by the serial number.
    blocks.insert(optionsZOR70::rdIdent, image.getNameData() + image.getSNData());
    blocks.insert(optionsZOR70::rdDev, image.getDevData());
    blocks.insert(optionsZOR70::rdCh, image.getChData());
    blocks.insert(optionsZOR70::rdRef, image.getRefData(false));
    blocks.insert(optionsZOR70::rdFeat, image.getFeatData());
    if (type == extended)
        blocks.insert(optionsZOR70::rdRefdU, image.getRefdUData());
}

zorSimMemory::_exchangeKind zorSimMemory::kindOf(quint8 selector) const
{
    if (selector == optionsZOR70::rdName || blocks.contains(selector))
        return blockRead;
    if (records.contains(selector))
        return recordRead;
    if (words.contains(selector))
        return wordRead;
    if (writeLength(selector) > 0)
        return blockWrite;
    if (writtenWords.contains(selector))
        return wordWrite;
    return none;
}

QByteArray zorSimMemory::read(quint8 selector) const
{
    if (selector == optionsZOR70::rdName)
        return blocks.value(optionsZOR70::rdIdent).mid(identName, optionsZOR70::nameReadSize);
    if (blocks.contains(selector))
        return blocks.value(selector);
    if (records.contains(selector))
        return records.value(selector);
    return words.value(selector);
}

int zorSimMemory::writeLength(quint8 selector) const
{
    // A block the instrument does not have (refdU of the basic variant) takes no write.
    const int readAddress = readAddressOf(selector);
    if (readAddress >= 0 && !blocks.contains(quint8(readAddress)))
        return 0;
    return qMax(0, optionsZOR70::writeLength(selector));
}

void zorSimMemory::write(quint8 selector, const QByteArray &data)
{
    if (writtenWords.contains(selector)) {
        writtenWords.insert(selector, data);
        return;
    }
    if (data.size() != writeLength(selector))
        return;
    QByteArray &identity = blocks[optionsZOR70::rdIdent];
    if (selector == optionsZOR70::txName) {
        // The signature stays the instrument's own.
        identity.replace(identName, optionsZOR70::nameReadSize, data.mid(identName, optionsZOR70::nameReadSize));
    } else if (selector == optionsZOR70::txSN) {
        identity.replace(identSerial, optionsZOR70::snSize, data);
    } else if (selector == optionsZOR70::txDateTime) {
        clockData = data;
    } else if (isRecordWrite(selector)) {
        const int slot = selector - optionsZOR70::featWriteAddress;
        blocks[optionsZOR70::rdFeat].replace(slot * featureZOR70::dataSize, featureZOR70::dataSize, data);
    } else {
        blocks.insert(quint8(readAddressOf(selector)), data);
    }
}

void zorSimMemory::setBlock(quint8 selector, const QByteArray &bytes)
{
    blocks.insert(selector, bytes);
}

void zorSimMemory::setRecords(quint8 selector, const QByteArray &records)
{
    this->records.insert(selector, records);
}

void zorSimMemory::setWord(quint8 selector, const QByteArray &word)
{
    words.insert(selector, word.left(4).leftJustified(4, '\0'));
}

void zorSimMemory::addWordTarget(quint8 selector)
{
    writtenWords.insert(selector, QByteArray());
}

QByteArray zorSimMemory::writtenWord(quint8 selector) const
{
    return writtenWords.value(selector);
}

QVector<zorSimMemory::_channel> zorSimMemory::activeChannels() const
{
    QVector<_channel> result;
    optionsZOR70 image;
    if (!image.setData(blocks.value(optionsZOR70::rdDev), optionsZOR70::rdDev)
        || !image.setData(blocks.value(optionsZOR70::rdCh), optionsZOR70::rdCh))
        return result;
    const bool cyclic = image.measMode != 0;
    for (int ch = 0; ch < image.getChCount(); ++ch) {
        const optionsZOR70::_ch &settings = image.ch[ch];
        if (settings.mode == optionsZOR70::chOff || (!cyclic && ch != image.mainCh))
            continue;
        const quint8 unit = quint8(qBound(0, int(settings.dim), 9));
        const quint8 decimals = quint8(qBound(0, int(settings.round), 5) + 1);
        result.append({quint8(ch + 1), unit, decimals});
    }
    return result;
}
