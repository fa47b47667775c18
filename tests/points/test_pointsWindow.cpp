#include "tests/app/mainWindowHarness.h"

#include "plot/QwtZOR.h"
#include "registry/zorList.h"
#include "sim/zorSimulator.h"
#include "stability/zorStabilityBoard.h"

#include <QtTest>
#include <QtWidgets>

// The "Точки" window on the main window with two simulated instruments: a point fixed
// by hand shows each channel's deviation from a reference on the other instrument, and
// goes again when deleted.
class test_pointsWindow : public QObject
{
    Q_OBJECT

private slots:
    void fixAndDelete()
    {
        mainWindowHarness h;
        h.open();
        const QList<int> index = h.connectSims({h.startSim(31), h.startSim(32)});
        const int qwt[] = {h.list()->getQWTIndex(index[0]), h.list()->getQWTIndex(index[1])};
        QTRY_VERIFY_WITH_TIMEOUT(h.plot()->getChMeasCount(qwt[0], 0) > 2 && h.plot()->getChMeasCount(qwt[1], 0) > 2,
                                 h.timeout);
        h.setPeriod(0);

        h.window->findChild<QToolButton *>("pointsBtn")->click();
        QWidget *points = h.window->findChild<QWidget *>("pointsWindow");
        QVERIFY(points->isVisible());
        QComboBox *reference = points->findChild<QComboBox *>("referenceBox");
        const int ref = reference->findText("Стенд 31 № 0031, канал 1", Qt::MatchStartsWith);
        QVERIFY(ref > 0);
        reference->setCurrentIndex(ref);
        emit reference->activated(ref);
        QTest::mouseClick(points->findChild<QPushButton *>("fixBtn"), Qt::LeftButton);

        QTreeWidget *tree = points->findChild<QTreeWidget *>("pointTree");
        QCOMPARE(tree->topLevelItemCount(), 1);
        const zorStabilityBoard *board = h.window->findChild<zorStabilityBoard *>("stabilityBoard");
        const double expected = board->channel(qwt[1], 0).fit.mean - board->channel(qwt[0], 0).fit.mean;
        const QList<QTreeWidgetItem *> rows = tree->findItems("Стенд 32 № 0032, канал 1", Qt::MatchRecursive);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()->text(7), QString::number(expected, 'f', 6));

        tree->setCurrentItem(rows.first());
        QTest::mouseClick(points->findChild<QPushButton *>("deleteBtn"), Qt::LeftButton);
        QCOMPARE(tree->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(test_pointsWindow)
#include "test_pointsWindow.moc"
