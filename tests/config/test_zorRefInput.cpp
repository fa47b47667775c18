#include "config/zorRefInput.h"

#include "model/optionsZOR70.h"
#include "tests/model/randomBlocks.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using R = zorRefInput;
using Expect = std::function<void(optionsZOR70 *)>;
using Shape = std::function<void(R::_tab *)>;
Q_DECLARE_METATYPE(Expect)
Q_DECLARE_METATYPE(Shape)
Q_DECLARE_METATYPE(R::_group)

namespace {

// An identified instrument of 16 channels, its references random to the last bit.
void fillImage(optionsZOR70 *o, quint32 type, quint32 seed = 5)
{
    randomBlocks random(seed);
    o->setData(random.block(optionsZOR70::rdRef), optionsZOR70::rdRef);
    o->setData(random.block(optionsZOR70::rdRefdU), optionsZOR70::rdRefdU);
    o->devType = type;
    o->devNumber = 42;
    o->chCount = 16;
}

R::_tab tabOf(const optionsZOR70 &o)
{
    R::_tab tab;
    for (int g = 0; g < R::groupCount; ++g)
        tab << R::texts(o, R::_group(g));
    return tab;
}

// Everything the tab shows and the instrument receives.
QStringList shown(const optionsZOR70 &o)
{
    QStringList all{QString(o.getRefData(true).toHex())};
    for (const R::_table &table : tabOf(o))
        for (const QStringList &row : table)
            all << row;
    return all;
}

QString cellName(const R::_cell &cell)
{
    return QString("%1 %2 %3").arg(cell.group).arg(cell.row).arg(cell.column);
}

} // namespace

// The reference tab's texts parsed back into the settings image: what an edited cell
// stores, and that a cell that does not parse or fit anywhere stores nothing and is named.
class test_zorRefInput : public QObject
{
    Q_OBJECT

private slots:
    void unchangedTabKeepsEveryBit_data();
    void unchangedTabKeepsEveryBit();
    void edit_data();
    void edit();
    void wrongCellChangesNothing_data();
    void wrongCellChangesNothing();
    void wrongShape_data();
    void wrongShape();
    void storeCoef_data();
    void storeCoef();
};

void test_zorRefInput::unchangedTabKeepsEveryBit_data()
{
    QTest::addColumn<quint32>("type");
    QTest::newRow("basic") << quint32(optionsZOR70::typeBasic);
    QTest::newRow("extended") << quint32(optionsZOR70::typeExtended);
}

// Random doubles have far more digits than the tab shows: storing the tab as shown
// must not round a single one of them.
void test_zorRefInput::unchangedTabKeepsEveryBit()
{
    QFETCH(quint32, type);
    optionsZOR70 o;
    fillImage(&o, type);
    const QByteArray before = o.getRefData(true);
    QSignalSpy changed(&o, &optionsZOR70::onRefChange);
    R::_cell fault;
    QVERIFY(R::store(&o, tabOf(o), &fault));
    QCOMPARE(o.getRefData(true), before);
    QCOMPARE(changed.count(), 1);
}

void test_zorRefInput::edit_data()
{
    QTest::addColumn<R::_group>("group");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Expect>("expect");

    QTest::newRow("Rr-1 value") << R::gRef << 0 << 0 << "100.5" << Expect([](optionsZOR70 *o) { o->ref[0].value.setValue(100.5); });
    QTest::newRow("Iref <0>, decimal comma") << R::gRef << 1 << 5 << "-0,25" << Expect([](optionsZOR70 *o) { o->ref[5].zero.setValue(-0.25); });
    QTest::newRow("empty cell is 0") << R::gRef << 0 << 2 << " " << Expect([](optionsZOR70 *o) { o->ref[2].value.setValue(0); });
    QTest::newRow("correction A, between steps: the nearest") << R::gCorrA << 0 << 0 << "0.00016" << Expect([](optionsZOR70 *o) { o->corrA[0].setValue(2 / 1e4); });
    QTest::newRow("temperature coefficient") << R::gTk << 0 << 2 << "1.5e-6" << Expect([](optionsZOR70 *o) { o->tk[2].setValue(15 / 1e7); });
    // The voltages are derived by the block's decoder in the expected image.
    QTest::newRow("nelin 0 code") << R::gNelin0 << 0 << 4 << "1048576" << Expect([](optionsZOR70 *o) { o->nelin[0][4].code.setValue(1048576); });
    QTest::newRow("refdU ratio") << R::gCoef << 0 << 1 << "1.0000000123" << Expect([](optionsZOR70 *o) { o->k005ma.setValue(1 + 123 / 1e10); });
    QTest::newRow("refdU C code") << R::gRefdUC << 0 << 0 << "8388608" << Expect([](optionsZOR70 *o) { o->refdU[0][0].code.setValue(8388608); });
    QTest::newRow("refdU D value") << R::gRefdUD << 2 << 6 << "12.25" << Expect([](optionsZOR70 *o) { o->refdU[1][6].value.setValue(12.25f); });
}

// One typed cell stores exactly its value; every other constant keeps its bits, and the
// voltages follow the codes as a read of the block would derive them.
void test_zorRefInput::edit()
{
    QFETCH(R::_group, group);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(Expect, expect);

    optionsZOR70 o, expected;
    fillImage(&o, optionsZOR70::typeExtended);
    fillImage(&expected, optionsZOR70::typeExtended);
    expect(&expected);
    expected.setData(expected.getRefData(false), optionsZOR70::rdRef);
    expected.setData(expected.getRefdUData(), optionsZOR70::rdRefdU);

    R::_tab tab = tabOf(o);
    tab[group][row][column] = text;
    R::_cell fault;
    QVERIFY(R::store(&o, tab, &fault));
    QCOMPARE(shown(o), shown(expected));
}

void test_zorRefInput::wrongCellChangesNothing_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<R::_group>("group");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");

    const quint32 basic = optionsZOR70::typeBasic, extended = optionsZOR70::typeExtended;
    QTest::newRow("correction A beyond its byte") << extended << R::gCorrA << 0 << 7 << "0.0128" << false;
    QTest::newRow("coefficient beyond its byte") << extended << R::gTk << 0 << 5 << "-1.29e-5" << false;
    QTest::newRow("not a number: nan") << extended << R::gNelin1 << 2 << 3 << "nan" << false;
    QTest::newRow("10 kΩ beyond its word") << extended << R::gCoef << 0 << 0 << "3.2768" << false;
    QTest::newRow("refdU D value beyond a float") << extended << R::gRefdUD << 2 << 6 << "1e39" << false;
    // Cells that are not parsed at all.
    QTest::newRow("a voltage is derived, not read") << extended << R::gNelin0 << 1 << 3 << "junk" << true;
    QTest::newRow("refdU of a basic instrument") << basic << R::gRefdUD << 2 << 6 << "junk" << true;
}

// A valid edit in the first group and a wrong cell further on: either both are stored
// or, naming the wrong cell, nothing is.
void test_zorRefInput::wrongCellChangesNothing()
{
    QFETCH(quint32, type);
    QFETCH(R::_group, group);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, stored);

    optionsZOR70 o;
    fillImage(&o, type);
    const QStringList before = shown(o);
    R::_tab tab = tabOf(o);
    tab[R::gRef][0][0] = "1.5";
    tab[group][row][column] = text;
    QSignalSpy changed(&o, &optionsZOR70::onRefChange);
    R::_cell fault;
    QCOMPARE(R::store(&o, tab, &fault), stored);
    QCOMPARE(changed.count(), int(stored));
    if (stored) {
        QCOMPARE(o.ref[0].value.value(), 1.5);
        return;
    }
    QCOMPARE(cellName(fault), cellName({group, row, column}));
    QCOMPARE(shown(o), before);
}

void test_zorRefInput::wrongShape_data()
{
    QTest::addColumn<Shape>("reshape");
    QTest::addColumn<R::_group>("group");
    QTest::newRow("33 channels") << Shape([](R::_tab *t) { (*t)[R::gCorrB][0] << (*t)[R::gCorrB][0] << "0"; }) << R::gCorrB;
    QTest::newRow("nelin table of 25 points") << Shape([](R::_tab *t) {
        for (QStringList &row : (*t)[R::gNelin1])
            row.removeLast();
    }) << R::gNelin1;
    QTest::newRow("refdU tables missing") << Shape([](R::_tab *t) { t->resize(R::gRefdUC); }) << R::gRefdUC;
}

void test_zorRefInput::wrongShape()
{
    QFETCH(Shape, reshape);
    QFETCH(R::_group, group);
    optionsZOR70 o;
    fillImage(&o, optionsZOR70::typeExtended);
    const QStringList before = shown(o);
    R::_tab tab = tabOf(o);
    tab[R::gRef][0][0] = "1.5";
    reshape(&tab);
    R::_cell fault;
    QVERIFY(!R::store(&o, tab, &fault));
    QCOMPARE(cellName(fault), cellName({group, -1, -1}));
    QCOMPARE(shown(o), before);
}

void test_zorRefInput::storeCoef_data()
{
    QTest::addColumn<int>("coef");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("signalCount");

    QTest::newRow("10 kΩ") << int(R::coefD10k) << "0,0012" << true << 12 / 1e4 << 1;
    QTest::newRow("10 kΩ, same value typed otherwise") << int(R::coefD10k) << "0.01" << true << 0.01 << 0;
    QTest::newRow("10 kΩ, letter") << int(R::coefD10k) << "0.0l" << false << 0.01 << 0;
    QTest::newRow("10 kΩ beyond its word") << int(R::coefD10k) << "4" << false << 0.01 << 0;
    QTest::newRow("ratio beyond its word") << int(R::coefK005ma) << "1.00001" << false << 1.0 << 0;
}

void test_zorRefInput::storeCoef()
{
    QFETCH(int, coef);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    QFETCH(int, signalCount);
    optionsZOR70 o;
    o.devType = optionsZOR70::typeExtended;
    o.d10k.setValue(0.01);
    o.k005ma.setValue(1);
    QSignalSpy changed(&o, &optionsZOR70::onRefChange);
    QCOMPARE(R::storeCoef(&o, R::_coef(coef), text), ok);
    QCOMPARE((coef == R::coefD10k ? o.d10k : o.k005ma).value(), value);
    QCOMPARE(changed.count(), signalCount);
}

QTEST_GUILESS_MAIN(test_zorRefInput)
#include "test_zorRefInput.moc"
