#include "config/devConfUI.h"
#include "model/featureZOR70.h"
#include "model/zorSettingsFile.h"
#include "tests/config/configRig.h"
#include "tests/model/randomBlocks.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using O = optionsZOR70;

namespace {
const QString readError = "Ошибка чтения файла настроек|Не удалось прочитать настройки из файла!\n"
                          "Возможно файл повреждён, не доступен для чтения или имеет не верный тип.";
const QString writeError = "Ошибка записи настроек в файл|Не удалось записать настройки в файл!\n"
                           "Возможно файл занят другим приложением или не доступен для записи.";

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
    quint32 type = O::typeBasic;
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

    QByteArray name16() const
    {
        QByteArray bytes;
        for (QChar c : name)
            bytes += be32(c.unicode()).right(2);
        return item(bytes);
    }

    QByteArray head() const { return be32(type) + version + name16(); }
    QByteArray bytes() const
    {
        return head() + item(ref) + item(dev) + item(ch) + item(feat) + (refdU.isEmpty() ? QByteArray() : item(refdU));
    }
};

// Everything a load may change in the image.
QByteArray state(const O &o)
{
    return o.getData() + o.getRefData(false) + o.getRefdUData() + QByteArray::number(o.devType) + o.devName.toUtf8();
}

// An image with settings of its own, unlike any file of these tests.
void fillImage(O *o, quint32 type)
{
    const fileParts own(99, O::typeExtended);
    o->devType = type;
    o->devNumber = 5;
    o->devName = "Свой";
    for (auto block : {qMakePair(O::rdRef, own.ref), qMakePair(O::rdDev, own.dev), qMakePair(O::rdCh, own.ch),
                       qMakePair(O::rdFeat, own.feat), qMakePair(O::rdRefdU, own.refdU)})
        QVERIFY(o->setData(block.second, block.first));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

// The settings file: the bytes the program writes and reads, every kind of damaged or
// hostile file refused with the image left exactly as it was, the instrument's own type
// kept while it is connected, and a failed write that leaves the old file in place. Files
// are loaded and saved through the settings dialog's buttons.
class test_settingsFile : public QObject
{
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void refused_data();
    void refused();
    void keepType_data();
    void keepType();
    void loadIntoInstrument();
    void saveAndLoad_data();
    void saveAndLoad();
    void failedWrite();
};

void test_settingsFile::format_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");   // as loaded

    const fileParts basic(1);
    const fileParts extended(2, O::typeExtended);
    fileParts longName(3);
    longName.name = "Очень длинное имя прибора";
    fileParts nullName(4);
    QTest::newRow("basic") << basic.bytes() << "Стенд";
    QTest::newRow("extended") << extended.bytes() << "Стенд";
    QTest::newRow("name longer than 16") << longName.bytes() << "Очень длинное им";
    QTest::newRow("null name") << (be32(nullName.type) + '\1' + be32(0xFFFFFFFF) + nullName.bytes().mid(nullName.head().size())) << "";
    QTest::newRow("bytes after the last item") << basic.bytes() + "tail" << "Стенд";
}

void test_settingsFile::format()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.zor70");
    QVERIFY(writeFile(path, file));
    O image;
    QVERIFY(image.loadFromFile(path, false));
    QCOMPARE(image.devName, name);
    // What the program writes of the loaded image is the file, byte for byte.
    if (!file.endsWith("tail") && name.size() < 16 && !name.isEmpty()) {
        QVERIFY(zorSettingsFile::save(image, path));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().toHex(), file.toHex());
    }
}

void test_settingsFile::refused_data()
{
    QTest::addColumn<QByteArray>("file");

    const fileParts basic(11);
    const fileParts extended(12, O::typeExtended);
    const QByteArray headEnd = basic.head();
    fileParts version(13);
    version.version = 2;
    fileParts foreign(14);
    foreign.type = 0x0302AA0F;
    fileParts truncated(15);
    truncated.feat.chop(1);
    fileParts tooLong(16);
    tooLong.feat += 'x';
    fileParts shortRefdU(17, O::typeExtended);
    shortRefdU.refdU.chop(1);
    randomBlocks random(18);

    QTest::newRow("version 2") << version.bytes();
    QTest::newRow("foreign signature") << foreign.bytes();
    QTest::newRow("truncated characteristic array") << truncated.bytes();
    QTest::newRow("characteristic array too long") << tooLong.bytes();
    QTest::newRow("array claiming 2 GB") << headEnd + be32(0x7FFFFFFF) + random.bytes(2000);
    QTest::newRow("array claiming 4 GB - 2") << headEnd + be32(0xFFFFFFFE) + random.bytes(2000);
    QTest::newRow("name claiming 2 GB") << be32(O::typeBasic) + '\1' + be32(0x7FFFFFF0) + random.bytes(12000);
    QTest::newRow("name of an odd length") << be32(O::typeBasic) + '\1' + item("abc") + basic.bytes().mid(headEnd.size());
    QTest::newRow("file ends in the channel block") << basic.bytes().left(headEnd.size() + 1012 + 12 + 100);
    QTest::newRow("extended without its refdU block") << extended.bytes().chopped(4 + 116);
    QTest::newRow("refdU block of 115 bytes") << shortRefdU.bytes();
    QTest::newRow("random bytes") << random.bytes(11200);
    QTest::newRow("random bytes after a valid head") << headEnd + random.bytes(11200);
    QTest::newRow("empty file") << QByteArray();
}

void test_settingsFile::refused()
{
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.zor70");
    QVERIFY(writeFile(path, file));
    configRig rig;
    rig.addRecord();
    fillImage(rig.image(), O::typeExtended);
    const QByteArray before = state(*rig.image());
    rig.dialog.show(rig.index);
    QSignalSpy changes(&rig.r.list, &zorList::onChange);
    QSignalSpy chChanges(rig.image(), qOverload<>(&O::onChChange));
    rig.answerFile(path);
    rig.answerBox(QMessageBox::Ok);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
    QCOMPARE(rig.boxes, QStringList{readError});
    QCOMPARE(state(*rig.image()).toHex(), before.toHex());
    QCOMPARE(chChanges.size(), 0);
    // The file tried is remembered for the next attempt.
    QCOMPARE(rig.record()->text, path);
}

void test_settingsFile::keepType_data()
{
    QTest::addColumn<quint32>("imageType");
    QTest::addColumn<quint32>("fileType");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<quint32>("type");           // afterwards
    QTest::addColumn<bool>("refdUFromFile");

    QTest::newRow("basic file, extended instrument connected")
        << O::typeExtended << O::typeBasic << true << O::typeExtended << false;
    QTest::newRow("extended file, basic instrument connected")
        << O::typeBasic << O::typeExtended << true << O::typeBasic << true;
    QTest::newRow("basic file, record without port") << O::typeExtended << O::typeBasic << false << O::typeBasic << false;
    QTest::newRow("extended file, record without port")
        << O::typeBasic << O::typeExtended << false << O::typeExtended << true;
}

void test_settingsFile::keepType()
{
    QFETCH(quint32, imageType);
    QFETCH(quint32, fileType);
    QFETCH(bool, connected);
    QFETCH(quint32, type);
    QFETCH(bool, refdUFromFile);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.zor70");
    const fileParts file(21, fileType);
    QVERIFY(writeFile(path, file.bytes()));
    configRig rig;
    // The registry counts a record with a link manager index as connected.
    rig.index = rig.r.list.newZor(connected ? 5 : -1, true);
    O *o = rig.image();
    fillImage(o, O::typeExtended);
    const QByteArray refdU = o->getRefdUData();
    o->devType = imageType;
    rig.dialog.show(rig.index);
    rig.answerFile(path);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
    QVERIFY(rig.boxes.isEmpty());
    QCOMPARE(o->devType, type);
    QCOMPARE(o->devName, QString("Стенд"));
    QCOMPARE(o->getDevData() + o->getChData() + o->getRefData(false) + o->getFeatData(),
             file.dev + file.ch + file.ref + file.feat);
    o->devType = O::typeExtended;
    QCOMPARE(o->getRefdUData(), refdUFromFile ? file.refdU : refdU);
}

void test_settingsFile::loadIntoInstrument()
{
    // A basic file loaded into an extended instrument on the line, then applied: the
    // instrument gets the file's settings and keeps its type and refdU block.
    QTemporaryDir dir;
    const QString path = dir.filePath("basic.zor70");
    fileParts file(31);
    file.dev = QByteArray::fromHex("0102030001080000");
    QVERIFY(writeFile(path, file.bytes()));
    configRig rig;
    zorSimulator *sim = rig.connectSim(32, zorSimMemory::extended);
    randomBlocks random(33);
    const QByteArray refdU = random.block(O::rdRefdU);
    QVERIFY(rig.image()->setData(refdU, O::rdRefdU));
    const QByteArray simRefdU = sim->block(O::rdRefdU);
    rig.dialog.show(rig.index);
    rig.answerFile(path);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
    QVERIFY(rig.boxes.isEmpty());
    QCOMPARE(rig.image()->devType, O::typeExtended);
    QCOMPARE(rig.image()->getRefdUData(), refdU);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_5"), Qt::LeftButton);
    rig.waitWrites(4);
    QCOMPARE(sim->block(O::rdDev), file.dev);
    QCOMPARE(sim->block(O::rdCh), file.ch);
    QCOMPARE(sim->block(O::rdFeat), file.feat);
    QCOMPARE(sim->block(O::rdIdent).left(20), rig.image()->getNameData());
    QCOMPARE(sim->block(O::rdIdent).left(4), QByteArray::fromHex("0faa0103"));
    QCOMPARE(sim->block(O::rdRefdU), simRefdU);
}

void test_settingsFile::saveAndLoad_data()
{
    QTest::addColumn<quint32>("type");
    QTest::newRow("basic") << O::typeBasic;
    QTest::newRow("extended") << O::typeExtended;
}

void test_settingsFile::saveAndLoad()
{
    QFETCH(quint32, type);
    QTemporaryDir dir;
    configRig rig;
    rig.addRecord();
    fillImage(rig.image(), type);
    const QByteArray saved = state(*rig.image());
    rig.dialog.show(rig.index);
    const QString path = dir.filePath("Свой_N0005.zor70");
    rig.answerFile(path);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_4"), Qt::LeftButton);
    QVERIFY(rig.boxes.isEmpty());
    QVERIFY(QFileInfo(path).size() > O::featSize);
    QCOMPARE(rig.r.sql.getAppProperty("ust_dir").toString(), dir.path());

    // Other settings, then the file again: the file dialog starts on it.
    const fileParts other(41, O::typeExtended);
    QVERIFY(rig.image()->setData(other.ch, O::rdCh) && rig.image()->setData(other.refdU, O::rdRefdU));
    rig.image()->devName = "Другой";
    rig.answerFile(path);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_3"), Qt::LeftButton);
    QVERIFY(rig.boxes.isEmpty());
    QCOMPARE(rig.files.value(1), "Загрузка настроек из файла|" + path);
    QCOMPARE(state(*rig.image()).toHex(), saved.toHex());
}

void test_settingsFile::failedWrite()
{
    // A good file, then a write that runs out of room: the disk is full as far as this
    // process is concerned once a file would pass 4 KB.
    QTemporaryDir dir;
    const QString path = dir.filePath("good.zor70");
    configRig rig;
    rig.addRecord();
    fillImage(rig.image(), O::typeExtended);
    QVERIFY(zorSettingsFile::save(*rig.image(), path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();
    rig.image()->devName = "Новое имя";
    rig.dialog.show(rig.index);
    rig.answerFile(path);
    rig.answerBox(QMessageBox::Yes);   // the file exists: overwrite it
    rig.answerBox(QMessageBox::Ok);

    rlimit limit;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full = {4096, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    QTest::mouseClick(rig.find<QPushButton>("pushButton_4"), Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(rig.boxes.value(1), writeError);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), good.toHex());
    // No scratch file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"good.zor70"});
}

QTEST_MAIN(test_settingsFile)
#include "test_settingsFile.moc"
