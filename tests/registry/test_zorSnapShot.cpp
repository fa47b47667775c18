#include "registry/zorSnapShot.h"

#include "model/optionsZOR70.h"
#include "tests/model/randomBlocks.h"

#include <QtTest>

namespace {

// An identified image of the variant, every block random.
void fillImage(optionsZOR70 *options, quint32 type, quint32 seed)
{
    randomBlocks random(seed);
    options->setData(random.block(-1));
    for (quint8 address : {optionsZOR70::rdRef, optionsZOR70::rdRefdU})
        options->setData(random.block(address), address);
    options->devType = type;
    options->devNumber = 42;
}

// Everything a snapshot could change, with the refdU block of either variant.
QByteArray state(const optionsZOR70 &options)
{
    return options.getData() + options.getRefData(false) + options.getRefdUData();
}

} // namespace

// Loading a stored snapshot into an image: all or nothing, refdU only where it belongs.
class test_zorSnapShot : public QObject
{
    Q_OBJECT
private slots:

    void load_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<int>("dataLength");
        QTest::addColumn<int>("refLength");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("refdULoaded");

        const quint32 basic = optionsZOR70::typeBasic, extended = optionsZOR70::typeExtended;
        QTest::newRow("extended, with refdU") << extended << 11132 << 1124 << true << true;
        QTest::newRow("extended, reference block only: refdU kept") << extended << 11132 << 1008 << true << false;
        QTest::newRow("basic, with refdU: ignored") << basic << 11132 << 1124 << true << false;
        QTest::newRow("short image") << extended << 11131 << 1124 << false << false;
        QTest::newRow("reference data between") << extended << 11132 << 1009 << false << false;
    }

    void load()
    {
        QFETCH(quint32, type);
        QFETCH(int, dataLength);
        QFETCH(int, refLength);
        QFETCH(bool, loaded);
        QFETCH(bool, refdULoaded);

        optionsZOR70 source, target;
        fillImage(&source, type, 1);
        fillImage(&target, type, 2);
        // Garbage lengths are the stored bytes cut or padded with garbage; a basic image
        // has no refdU block of its own, so a random one stands in.
        randomBlocks random(3);
        const QByteArray refdU = type == optionsZOR70::typeBasic ? random.bytes(116) : source.getRefdUData();
        const QByteArray data = (source.getData() + random.bytes(8)).left(dataLength);
        const QByteArray refdata = (source.getRefData(false) + refdU + random.bytes(8)).left(refLength);
        // The signature stays the instrument's.
        const QByteArray expected = !loaded ? state(target)
                                            : target.getData().left(4) + source.getData().mid(4) + source.getRefData(false)
                                                  + (refdULoaded ? source : target).getRefdUData();
        QCOMPARE(zorSnapShot::load(&target, data, refdata), loaded);
        QCOMPARE(state(target), expected);
    }
};


QTEST_GUILESS_MAIN(test_zorSnapShot)
#include "test_zorSnapShot.moc"
