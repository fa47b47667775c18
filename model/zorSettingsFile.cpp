#include "model/zorSettingsFile.h"

#include "model/optionsZOR70.h"

#include <QSaveFile>
#include <QtEndian>

namespace {
// The length prefix of a null QByteArray or QString.
constexpr quint32 nullLength = 0xFFFFFFFF;
constexpr int lengthSize = 4;
} // namespace

bool zorSettingsFile::save(const optionsZOR70 &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The file device buffers what the stream writes, so a full disk may show only
    // when the buffer goes out: flushed and checked here, since commit() does not
    // notice a failure of its own final flush and would keep a truncated file.
    if (!write(image, &file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool zorSettingsFile::write(const optionsZOR70 &image, QIODevice *device)
{
    QDataStream out(device);
    out.setVersion(streamVersion);
    out << qint32(image.devType) << formatVersion << image.devName.left(optionsZOR70::nameReadSize)
        << image.getRefData(false) << image.getDevData() << image.getChData() << image.getFeatData();
    if (image.devType == optionsZOR70::typeExtended)
        out << image.getRefdUData();
    return out.status() == QDataStream::Ok;
}

bool zorSettingsFile::read(QIODevice *device, _items *items)
{
    QDataStream in(device);
    in.setVersion(streamVersion);
    qint32 type = 0;
    qint8 version = 0;
    in >> type >> version;
    if (in.status() != QDataStream::Ok || !optionsZOR70::isValidType(quint32(type)) || version != formatVersion)
        return false;
    items->type = quint32(type);
    if (!lengthFits(in, 2 * nameLimit))
        return false;
    in >> items->name;
    if (!readBlock(in, optionsZOR70::refSize, &items->ref) || !readBlock(in, optionsZOR70::devSize, &items->dev)
        || !readBlock(in, optionsZOR70::chSize, &items->ch) || !readBlock(in, optionsZOR70::featSize, &items->feat))
        return false;
    // Files written before the extended variant had its refdU block end here: a missing
    // item reads as empty, and the image keeps its refdU values.
    if (items->type == optionsZOR70::typeExtended && !device->atEnd()
        && !readBlock(in, optionsZOR70::refdUSize, &items->refdU))
        return false;
    return in.status() == QDataStream::Ok;
}

bool zorSettingsFile::lengthFits(QDataStream &in, qint64 limit)
{
    QIODevice *device = in.device();
    const QByteArray prefix = device->peek(lengthSize);
    if (in.status() != QDataStream::Ok || prefix.size() != lengthSize)
        return false;
    const quint32 length = qFromBigEndian<quint32>(prefix.constData());
    return length == nullLength || (length <= limit && length <= device->bytesAvailable() - lengthSize);
}

bool zorSettingsFile::readBlock(QDataStream &in, int size, QByteArray *block)
{
    if (!lengthFits(in, size))
        return false;
    in >> *block;
    return in.status() == QDataStream::Ok;
}
