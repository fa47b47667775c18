#ifndef ZORSETTINGSFILE_H
#define ZORSETTINGSFILE_H

#include <QByteArray>
#include <QDataStream>
#include <QString>

class QIODevice;
class optionsZOR70;

// The ".zor70" settings file: an instrument's complete settings as the block bytes the
// instrument itself uses, wrapped in a QDataStream (format 17, big-endian framing):
//   qint32 type signature, qint8 format version (1), QString name,
//   QByteArray reference, device, channel and characteristic blocks,
//   QByteArray refdU block (only after the extended variant's signature; a file that
//   ends before it has none).
// The stream's items come from outside: every length is checked against what the item
// may hold before anything is allocated for it.
class zorSettingsFile
{
public:
    // The items of one file, as read; the blocks are not decoded yet.
    struct _items
    {
        quint32 type = 0;
        QString name;
        QByteArray ref;
        QByteArray dev;
        QByteArray ch;
        QByteArray feat;
        QByteArray refdU; // empty when the file has none
    };

    static constexpr qint8 formatVersion = 1;
    static constexpr QDataStream::Version streamVersion = QDataStream::Qt_5_6;
    // A name longer than this is no name but a damaged or hostile file.
    static constexpr int nameLimit = 1024;

    // Writes the image to path through a scratch file that replaces the old one only
    // when every byte went out: a full disk or a failing device leaves it as it was.
    static bool save(const optionsZOR70 &image, const QString &path);
    static bool write(const optionsZOR70 &image, QIODevice *device);

    // Reads the items of a file; false for a foreign signature, another format version,
    // a length out of bounds or a stream that ends early. Blocks of a wrong length are
    // read as they are: telling them apart is the decoders' job.
    static bool read(QIODevice *device, _items *items);

private:
    // The length prefix of the next QByteArray or QString item fits limit bytes and
    // the bytes left in the file.
    static bool lengthFits(QDataStream &in, qint64 limit);
    static bool readBlock(QDataStream &in, int size, QByteArray *block);
};

#endif // ZORSETTINGSFILE_H
