#include "zorSimMemory.h"

#include <QTextCodec>
#include <QtEndian>

namespace {

// Read addresses of the instrument's blocks and the write addresses that change them.
const quint8 charBlock = 2;
const quint8 refBlock = 3;
const quint8 devBlock = 5;
const quint8 chBlock = 7;
const quint8 refdUBlock = 11;
const quint8 nameWrite = 0x32;
const quint8 serialWrite = 0x34;
const quint8 clockWrite = 9;
const quint8 recordWrite = 0x80;   // + slot 0..31
const int recordSize = 340;
const int slotCount = 32;

const quint32 basicSignature = 0x0300AA0F;
const quint32 extendedSignature = 0x0301AA0F;

struct writeTarget
{
    quint8 write;
    quint8 read;
    int length;
};

const writeTarget writeTargets[] = {
    {0, charBlock, recordSize * slotCount}, {1, refBlock, 1008}, {4, devBlock, 8}, {6, chBlock, 224},
    {10, refdUBlock, 116},
};

QByteArray u32(quint32 value)
{
    QByteArray bytes(4, 0);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray text(const QString &value, int width)
{
    QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(value).left(width);
    return bytes.leftJustified(width, '\0');
}

QByteArray identity(zorSimMemory::variant type, quint32 serialNumber, const QString &name)
{
    return u32(type == zorSimMemory::extended ? extendedSignature : basicSignature) + text(name, 16)
        + u32(serialNumber);
}

quint8 channelCountCode(int channels)
{
    return channels >= 32 ? 5 : channels >= 16 ? 4 : 3;
}

QByteArray deviceBlock(int channels)
{
    // Cyclic measurement, all channels shown, 1.5 s, no filter, speaker off, channel 1 main.
    const char bytes[8] = {1, char(channelCountCode(channels)), 0, 0, char(channels), 0, 0, 0};
    return QByteArray(bytes, 8);
}

QByteArray channelBlock(int channels)
{
    // Seven arrays of 32 bytes: mode, unit, reference range, current code, rounding,
    // characteristic, compensation.
    QByteArray bytes(224, 0);
    for (int ch = 0; ch < channels && ch < 32; ++ch) {
        bytes[ch] = 5;             // resistance thermometer, nominal characteristic
        bytes[32 + ch] = 3;        // °C
        bytes[64 + ch] = 2;        // 300 Ω reference
        bytes[96 + ch] = 20;       // 1.0 mA
        bytes[128 + ch] = 3;       // 0.0001
        bytes[160 + ch] = 12;      // Pt100
    }
    return bytes;
}

QByteArray referenceBlock()
{
    QByteArray bytes(1008, 0);
    // Six reference records (zero, value): the four reference resistors at their
    // nominal values, then the voltage and current references.
    const double values[6] = {3.0, 30.0, 300.0, 3000.0, 1.25, 1.0};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian(values[i], bytes.data() + 16 * i + 8);
    // Corrections and coefficients stored as offset bytes and words: 128 and 32768 mean 0.
    for (int i = 928; i < 992; ++i)
        bytes[i] = char(128);
    for (int i = 1000; i < 1006; ++i)
        bytes[i] = char(128);
    bytes[1007] = char(0x80);   // 32768, little-endian
    return bytes;
}

QByteArray refdUDefaults()
{
    QByteArray bytes(116, 0);
    bytes[1] = char(0x80);   // ratio 1: 32768, little-endian
    return bytes;
}

} // namespace

zorSimMemory::zorSimMemory(variant type, quint32 serialNumber, const QString &name, int channels)
{
    blocks.insert(identityAddress, identity(type, serialNumber, name));
    blocks.insert(devBlock, deviceBlock(channels));
    blocks.insert(chBlock, channelBlock(channels));
    blocks.insert(refBlock, referenceBlock());
    blocks.insert(charBlock, QByteArray(recordSize * slotCount, 0));
    if (type == extended)
        blocks.insert(refdUBlock, refdUDefaults());
}

zorSimMemory::exchangeKind zorSimMemory::kindOf(quint8 selector) const
{
    if (selector == nameAddress || blocks.contains(selector))
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
    if (selector == nameAddress)
        return blocks.value(identityAddress).mid(4, 16);
    if (blocks.contains(selector))
        return blocks.value(selector);
    if (records.contains(selector))
        return records.value(selector);
    return words.value(selector);
}

int zorSimMemory::writeLength(quint8 selector) const
{
    if (selector == nameWrite)
        return 20;
    if (selector == serialWrite)
        return 4;
    if (selector == clockWrite)
        return 8;
    if (selector >= recordWrite && selector < recordWrite + slotCount)
        return recordSize;
    for (const writeTarget &w : writeTargets)
        if (w.write == selector && blocks.contains(w.read))
            return w.length;
    return 0;
}

void zorSimMemory::write(quint8 selector, const QByteArray &data)
{
    if (writtenWords.contains(selector)) {
        writtenWords.insert(selector, data);
        return;
    }
    if (data.size() != writeLength(selector))
        return;
    QByteArray &ident = blocks[identityAddress];
    if (selector == nameWrite) {
        ident.replace(4, 16, data.mid(4, 16));   // the signature stays the instrument's own
    } else if (selector == serialWrite) {
        ident.replace(20, 4, data);
    } else if (selector == clockWrite) {
        clockData = data;
    } else if (selector >= recordWrite && selector < recordWrite + slotCount) {
        blocks[charBlock].replace((selector - recordWrite) * recordSize, recordSize, data);
    } else {
        for (const writeTarget &w : writeTargets)
            if (w.write == selector)
                blocks.insert(w.read, data);
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

bool zorSimMemory::isExtended() const
{
    return qFromLittleEndian<quint32>(blocks.value(identityAddress).constData()) == extendedSignature;
}

QVector<zorSimMemory::channel> zorSimMemory::activeChannels() const
{
    const QByteArray device = blocks.value(devBlock);
    const QByteArray channels = blocks.value(chBlock);
    QVector<channel> result;
    if (device.size() != 8 || channels.size() != 224)
        return result;
    const bool cyclic = device.at(0) != 0;
    const int count = qBound(0, int(device.at(4)), 32);
    const int main = quint8(device.at(6));
    for (int ch = 0; ch < count; ++ch) {
        if (channels.at(ch) == 0 || (!cyclic && ch != main))
            continue;
        const quint8 unit = quint8(qBound(0, int(channels.at(32 + ch)), 9));
        const quint8 decimals = quint8(qBound(0, int(channels.at(128 + ch)), 5) + 1);
        result.append({quint8(ch + 1), unit, decimals});
    }
    return result;
}
