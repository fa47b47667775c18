#include "registry/zorSnapShot.h"

#include "db/zorSqlFile.h"
#include "model/optionsZOR70.h"
#include "tests/model/randomBlocks.h"

#include <QtTest>

namespace {

// An identified image of the variant, every block random.
void fillImage(optionsZOR70 *options, quint32 type, quint32 seed)
{
    randomBlocks random(seed);
    options->setData(random.block(-1));
    options->setData(random.block(optionsZOR70::rdRef), optionsZOR70::rdRef);
    options->setData(random.block(optionsZOR70::rdRefdU), optionsZOR70::rdRefdU);
    options->devType = type;
    options->devNumber = 42;
}

// Everything a snapshot could change, with the refdU block of either variant.
QByteArray state(const optionsZOR70 &options)
{
    return options.getData() + options.getRefData(false) + options.getRefdUData();
}

} // namespace

// The one form of a settings snapshot and loading one into an image.
class test_zorSnapShot : public QObject
{
    Q_OBJECT
private slots:
    void form_data();
    void form();
    void load_data();
    void load();
    void storedFormIsFound();
};

void test_zorSnapShot::form_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<int>("refLength");
    QTest::newRow("basic: the reference block") << quint32(optionsZOR70::typeBasic) << 1008;
    QTest::newRow("extended: with the refdU block") << quint32(optionsZOR70::typeExtended) << 1124;
}

void test_zorSnapShot::form()
{
    QFETCH(quint32, type);
    QFETCH(int, refLength);
    optionsZOR70 options;
    fillImage(&options, type, 7);
    QCOMPARE(zorSnapShot::data(options), options.getData());
    QCOMPARE(zorSnapShot::refData(options).size(), refLength);
    QCOMPARE(zorSnapShot::refData(options), options.getRefData(false) + options.getRefdUData());
}

void test_zorSnapShot::load_data()
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
    QTest::newRow("basic, reference block only") << basic << 11132 << 1008 << true << false;
    QTest::newRow("short image") << extended << 11131 << 1124 << false << false;
    QTest::newRow("long image") << extended << 11133 << 1124 << false << false;
    QTest::newRow("no image") << extended << 0 << 1124 << false << false;
    QTest::newRow("reference data one short") << extended << 11132 << 1123 << false << false;
    QTest::newRow("reference data between") << extended << 11132 << 1009 << false << false;
    QTest::newRow("no reference data") << extended << 11132 << 0 << false << false;
    QTest::newRow("reference data too long") << extended << 11132 << 1125 << false << false;
}

void test_zorSnapShot::load()
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
    const QByteArray refdUBefore = target.getRefdUData();
    const QByteArray before = state(target);
    const QByteArray name = target.getNameData().left(4); // the signature stays the instrument's

    QCOMPARE(zorSnapShot::load(&target, data, refdata), loaded);
    if (!loaded) {
        QCOMPARE(state(target), before);
        return;
    }
    QCOMPARE(target.getData().mid(4), source.getData().mid(4));
    QCOMPARE(target.getNameData().left(4), name);
    QCOMPARE(target.getRefData(false), source.getRefData(false));
    QCOMPARE(target.getRefdUData(), refdULoaded ? source.getRefdUData() : refdUBefore);
}

// What one side stores, the other finds: the registry and the settings dialog both go
// through this form, for either variant.
void test_zorSnapShot::storedFormIsFound()
{
    QTemporaryDir dir;
    zorSql sql(zorSqlFile::prepare(dir.path()).path());
    for (quint32 type : {optionsZOR70::typeBasic, optionsZOR70::typeExtended}) {
        optionsZOR70 options;
        fillImage(&options, type, type);
        const int device = sql.addDev(type, 42, "ЗОР");
        const int id = zorSnapShot::store(&sql, options, device, "своя", 0);
        QVERIFY(id > 0);
        const QVector<zorSql::zorSqlItem> found = zorSnapShot::find(&sql, options, device);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().id, id);

        QString info;
        QByteArray data, refdata;
        QVERIFY(sql.loadSnapShot(id, &info, &data, &refdata));
        QCOMPARE(refdata, zorSnapShot::refData(options));
        // A changed refdU value is another snapshot for the extended variant only.
        options.refdU[1][6].value.setValue(options.refdU[1][6].value.value() + 1);
        QCOMPARE(zorSnapShot::find(&sql, options, device).size(), type == optionsZOR70::typeBasic ? 1 : 0);
    }
}

QTEST_GUILESS_MAIN(test_zorSnapShot)
#include "test_zorSnapShot.moc"
