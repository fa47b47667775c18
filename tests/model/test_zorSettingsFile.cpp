#include "model/zorSettingsFile.h"

#include "model/optionsZOR70.h"
#include "tests/model/randomBlocks.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using O = optionsZOR70;

namespace {

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// A QDataStream QByteArray item, written out by hand.
QByteArray item(const QByteArray &bytes)
{
    return be32(quint32(bytes.size())) + bytes;
}

// A settings file put together byte by byte, as the format lays it out; item 8 follows
// when refdU is given.
struct fileParts
{
    quint32 type;
    char version = 1;
    QString name = QStringLiteral("Стенд");
    QByteArray ref, dev, ch, feat, refdU;

    explicit fileParts(quint32 seed, quint32 type = O::typeBasic)
        : type(type)
    {
        randomBlocks random(seed);
        ref = random.block(O::rdRef);
        dev = random.block(O::rdDev);
        ch = random.block(O::rdCh);
        feat = random.block(O::rdFeat);
        if (type == O::typeExtended)
            refdU = random.block(O::rdRefdU);
    }
    QByteArray head() const
    {
        QByteArray utf16;
        for (QChar c : name)
            utf16 += be32(c.unicode()).right(2);
        return be32(type) + version + item(utf16);
    }
    QByteArray bytes() const
    {
        return head() + item(ref) + item(dev) + item(ch) + item(feat) + (refdU.isEmpty() ? QByteArray() : item(refdU));
    }
};

// The image's own settings before a file is loaded, unlike any file's.
fileParts own()
{
    fileParts parts(99, O::typeExtended);
    parts.name = "Свой";
    return parts;
}

} // namespace

// The settings file: the bytes the program reads and writes, a connected instrument's type kept, and every kind
// of damaged or hostile file refused with the image left exactly as it was. (Loading and saving through the
// settings dialog, and a write on a full disk, are tried in test_devConfUI.)
class test_zorSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void loadFromFile_data()
    {
        // A file loaded into an image holding own(), then the image written: the bytes
        // written; the image's own file when the file is refused.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<quint32>("imageType");
        QTest::addColumn<bool>("keepType"); // a connected instrument keeps its type
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("refused");

        const auto loaded = [](const char *name, const QByteArray &file, const QByteArray &written, bool keepType = false,
                               quint32 imageType = O::typeExtended) {
            QTest::newRow(name) << file << imageType << keepType << written << false;
        };
        const fileParts basic(1), extended(2, O::typeExtended);
        fileParts basicAsExtended = basic, extendedAsBasic = extended, longName(3), shortName = longName, nullName(4);
        basicAsExtended.type = O::typeExtended;
        basicAsExtended.refdU = own().refdU;
        extendedAsBasic.type = O::typeBasic;
        extendedAsBasic.refdU.clear();
        longName.name = "Очень длинное имя прибора";
        shortName.name = "Очень длинное им";
        const QByteArray nullFile = be32(nullName.type) + '\1' + be32(0xFFFFFFFF) + nullName.bytes().mid(nullName.head().size());
        loaded("basic", basic.bytes(), basic.bytes());
        loaded("extended", extended.bytes(), extended.bytes());
        loaded("basic file, extended type kept: its refdU too", basic.bytes(), basicAsExtended.bytes(), true);
        loaded("extended file, basic type kept", extended.bytes(), extendedAsBasic.bytes(), true, O::typeBasic);
        loaded("name longer than 16", longName.bytes(), shortName.bytes());
        loaded("null name", nullFile, nullFile);
        loaded("bytes after the last item", basic.bytes() + "tail", basic.bytes());
        fileParts olderExtended = extended;
        olderExtended.refdU = own().refdU;
        loaded("extended without its refdU block: the image's kept", extended.bytes().chopped(4 + 116), olderExtended.bytes());

        const auto refused = [](const char *name, const QByteArray &file) {
            QTest::newRow(name) << file << O::typeExtended << false << own().bytes() << true;
        };
        fileParts version(13), foreign(14), truncated(15), tooLong(16), shortRefdU(17, O::typeExtended);
        version.version = 2;
        foreign.type = 0x0302AA0F;
        truncated.feat.chop(1);
        tooLong.feat += 'x';
        shortRefdU.refdU.chop(1);
        randomBlocks random(18);
        const QByteArray head = basic.head();
        refused("version 2", version.bytes());
        refused("foreign signature", foreign.bytes());
        refused("truncated characteristic array", truncated.bytes());
        refused("characteristic array too long", tooLong.bytes());
        refused("array claiming 4 GB - 2", head + be32(0xFFFFFFFE) + random.bytes(2000));
        refused("name claiming 2 GB", be32(O::typeBasic) + '\1' + be32(0x7FFFFFF0) + random.bytes(12000));
        refused("name of an odd length", be32(O::typeBasic) + '\1' + item("abc") + basic.bytes().mid(head.size()));
        refused("refdU block of 115 bytes", shortRefdU.bytes());
        refused("empty file", QByteArray());
    }

    void loadFromFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(quint32, imageType);
        QFETCH(bool, keepType);
        QFETCH(QByteArray, written);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        QFile in(dir.filePath("a.zor70"));
        QVERIFY(in.open(QIODevice::WriteOnly) && in.write(file) == file.size());
        in.close();
        const fileParts parts = own();
        O image;
        image.devType = imageType;
        image.devName = parts.name;
        for (auto block : {qMakePair(O::rdRef, parts.ref), qMakePair(O::rdDev, parts.dev), qMakePair(O::rdCh, parts.ch),
                           qMakePair(O::rdFeat, parts.feat), qMakePair(O::rdRefdU, parts.refdU)})
            QVERIFY(image.setData(block.second, block.first));
        QSignalSpy chChanges(&image, qOverload<>(&O::onChChange));
        QCOMPARE(image.loadFromFile(in.fileName(), keepType), !refused);
        QCOMPARE(chChanges.isEmpty(), refused);
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly) && zorSettingsFile::write(image, &out));
        QCOMPARE(out.data().toHex(), written.toHex());
    }
};

QTEST_GUILESS_MAIN(test_zorSettingsFile)
#include "test_zorSettingsFile.moc"
