#include "plot/QwtLabelClick.h"
#include "plot/QwtZOR.h"
#include "plot/zorInfoPanel.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>
#include <qwt_plot_marker.h>

// The plot under the mouse: measuring cursors and their statistics, the wheel,
// zoom rectangles, right-button scrolling, limit lines and the click rules, all
// driven by mouse events through the window, as the user would.
class test_QwtZORInteraction : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cursorsRightToLeftAreSwapped();
    void cursorStatistics_data();
    void cursorStatistics();
    void panelValueGoesToClipboard();
    void wheelStepping_data();
    void wheelStepping();
    void zoomRectangleIsCutAtZero();
    void clicksAndDrags_data();
    void clicksAndDrags();
    void rightDragScrollsNotBeforeZero();
    void limitLinesByMouse_data();
    void limitLinesByMouse();

private:
    QPoint at(double x, double y) const;
    void click(double x, double y, Qt::MouseButton button = Qt::LeftButton);
    void drag(QPoint from, QPoint to, Qt::MouseButton button);
    void wheel(int delta);
    QString panel(const QString &caption) const;

    QwtZOR *plot = nullptr;
    int dev = -1;
};

void test_QwtZORInteraction::init()
{
    plot = new QwtZOR;
    plot->resize(900, 560);
    plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot));
    dev = plot->addDev();
    // Points at t = 0..4 with values 10..14; the window shows 0..10 s and 5..25.
    for (int t = 0; t <= 4; ++t)
        QVERIFY(plot->addPoint(10.0 + t, t, "°C", dev, 0));
    plot->setChScaleX(1, dev, 0);  // "1 сек."
    plot->setChScaleY(22, dev, 0); // "2"
    plot->setAxisScale(QwtPlot::yLeft, 5, 25, 2);
    plot->replot();
    QCoreApplication::processEvents();
}

void test_QwtZORInteraction::cleanup()
{
    delete plot;
    plot = nullptr;
}

// Window position of a plot position.
QPoint test_QwtZORInteraction::at(double x, double y) const
{
    const QPoint pixel(qRound(plot->transform(QwtPlot::xBottom, x)), qRound(plot->transform(QwtPlot::yLeft, y)));
    return plot->canvas()->mapTo(plot->window(), pixel);
}

void test_QwtZORInteraction::click(double x, double y, Qt::MouseButton button)
{
    QWindow *window = plot->window()->windowHandle();
    QTest::mouseMove(window, at(x, y) + QPoint(3, 3));
    QTest::mouseMove(window, at(x, y));
    QTest::mousePress(window, button, Qt::NoModifier, at(x, y));
    QTest::mouseRelease(window, button, Qt::NoModifier, at(x, y));
    QCoreApplication::processEvents();
}

void test_QwtZORInteraction::drag(QPoint from, QPoint to, Qt::MouseButton button)
{
    QWindow *window = plot->window()->windowHandle();
    // Arrive at the start, so that the trackers see the mouse there.
    QTest::mouseMove(window, from + QPoint(3, 3));
    QTest::mouseMove(window, from);
    QTest::mousePress(window, button, Qt::NoModifier, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(window, from + (to - from) * i / 8);
    QTest::mouseRelease(window, button, Qt::NoModifier, to);
    QCoreApplication::processEvents();
}

void test_QwtZORInteraction::wheel(int delta)
{
    const QPoint pos = plot->canvas()->mapFrom(plot->window(), at(5, 15));
    QWheelEvent event(pos, plot->canvas()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot->canvas(), &event);
}

// The value shown beside caption in whichever info panel has it.
QString test_QwtZORInteraction::panel(const QString &caption) const
{
    for (const zorInfoPanel *info : plot->findChildren<zorInfoPanel *>()) {
        const auto *form = qobject_cast<QFormLayout *>(info->layout());
        for (int row = 0; row < form->rowCount(); ++row) {
            const auto *label = qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)
                                                           ? form->itemAt(row, QFormLayout::LabelRole)->widget()
                                                           : nullptr);
            const auto *value = form->itemAt(row, QFormLayout::FieldRole)
                ? qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::FieldRole)->widget())
                : nullptr;
            if (label && value && label->text() == "<b>" + caption + "</b>")
                return info->isVisible() ? value->text() : QString("hidden");
        }
    }
    return QString("missing");
}

void test_QwtZORInteraction::cursorsRightToLeftAreSwapped()
{
    click(3.5, 13);
    QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcMeasure);
    QCOMPARE(panel("X:"), QString("3.5"));
    // One click, one cursor: the measuring panel waits for the second.
    QCOMPARE(panel("Точек:"), QString("hidden"));
    click(0.5, 10);
    QCOMPARE(panel("X1:"), QString("0.5"));
    QCOMPARE(panel("X2:"), QString("3.5"));
    QCOMPARE(panel("ΔX:"), QString("3.0"));
    QCOMPARE(panel("Y1:").toDouble(), 10.0);
    QCOMPARE(panel("ΔY:").toDouble(), 3.0);
    // The first panel now names the left cursor.
    QCOMPARE(panel("X:"), QString("0.5"));
}

void test_QwtZORInteraction::cursorStatistics_data()
{
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("mean");
    QTest::addColumn<QString>("sko");
    QTest::newRow("three points between") << 0.5 << 3.5 << "3" << "12.0" << "1.00";
    QTest::newRow("the newest point is never counted") << 0.5 << 9.5 << "3" << "12.0" << "1.00";
    QTest::newRow("one point: mean, СКО as before") << 0.5 << 1.5 << "1" << "11.0" << "before";
    QTest::newRow("none: the rest as before") << 5.5 << 8.5 << "0" << "before" << "before";
}

void test_QwtZORInteraction::cursorStatistics()
{
    QFETCH(double, x1);
    QFETCH(double, x2);
    QFETCH(QString, count);
    QFETCH(QString, mean);
    QFETCH(QString, sko);
    // A first measurement fills every value; then cursors are cleared with a right click.
    click(0.2, 12);
    click(2.5, 12);
    const QString meanBefore = panel("Среднее:");
    const QString skoBefore = panel("СКО:");
    QCOMPARE(meanBefore, QString("11.5"));
    click(5, 15, Qt::RightButton);
    QCOMPARE(panel("Точек:"), QString("hidden"));
    QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcMeasure);

    click(x1, 12);
    click(x2, 12);
    QCOMPARE(panel("Точек:"), count);
    QCOMPARE(panel("Среднее:"), mean == "before" ? meanBefore : mean);
    QCOMPARE(panel("СКО:"), sko == "before" ? skoBefore : sko);
}

void test_QwtZORInteraction::panelValueGoesToClipboard()
{
    click(1.5, 12);
    click(3.5, 12);
    QwtLabelClick *mean = nullptr;
    for (QwtLabelClick *label : plot->findChildren<QwtLabelClick *>()) {
        if (label->text() == panel("Среднее:"))
            mean = label;
    }
    QVERIFY(mean);
    QTest::mouseClick(mean, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("12.5"));
    QCOMPARE(mean->styleSheet(), QString("color: blue"));
    // The next filling of the panel forgets the mark.
    click(0.5, 12);
    QCOMPARE(mean->styleSheet(), QString());
}

void test_QwtZORInteraction::wheelStepping_data()
{
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<int>("scaleY");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("newX");
    QTest::addColumn<int>("newY");
    QTest::newRow("finer") << 7 << 20 << 120 << 6 << 19;
    QTest::newRow("coarser") << 7 << 20 << -120 << 8 << 21;
    QTest::newRow("finer at 1 сек.: nothing") << 1 << 20 << 120 << 1 << 20;
    QTest::newRow("finer at the finest Y: nothing") << 7 << 1 << 120 << 7 << 1;
    QTest::newRow("coarser at 30 ч.: nothing") << 18 << 20 << -120 << 18 << 20;
    QTest::newRow("coarser at 2000: nothing") << 7 << 29 << -120 << 7 << 29;
}

void test_QwtZORInteraction::wheelStepping()
{
    QFETCH(int, scaleX);
    QFETCH(int, scaleY);
    QFETCH(int, delta);
    QFETCH(int, newX);
    QFETCH(int, newY);
    plot->setChScaleX(uchar(scaleX), dev, 0);
    plot->setChScaleY(uchar(scaleY), dev, 0);
    wheel(delta);
    QCOMPARE(int(plot->getChScaleX(dev, 0)), newX);
    QCOMPARE(int(plot->getChScaleY(dev, 0)), newY);
}

void test_QwtZORInteraction::zoomRectangleIsCutAtZero()
{
    plot->changeMode(QwtZOR::mcZoom);
    plot->setAxisScale(QwtPlot::xBottom, -5, 5, 1);
    plot->replot();
    QCoreApplication::processEvents();
    QSignalSpy changes(plot, &QwtZOR::onChange);
    drag(at(-3, 19.5), at(2, 10.5), Qt::LeftButton);
    QVERIFY(changes.count() >= 1);
    // 2 s of the rectangle are right of 0: one second per division from 0.
    QCOMPARE(plot->axisInterval(QwtPlot::xBottom).minValue(), 0.0);
    QCOMPARE(plot->axisStepSize(QwtPlot::xBottom), 1.0);
    QCOMPARE(plot->axisStepSize(QwtPlot::yLeft), 1.0);
    QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcZoom);
}

void test_QwtZORInteraction::clicksAndDrags_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("after");
    const int right = Qt::RightButton;
    const int left = Qt::LeftButton;
    QTest::newRow("scrolling: right click leaves") << int(QwtZOR::mcShift) << right << QPoint(9, 9) << int(QwtZOR::mcTracking);
    QTest::newRow("scrolling: 10 px away is a drag") << int(QwtZOR::mcShift) << right << QPoint(10, 0) << int(QwtZOR::mcShift);
    QTest::newRow("scrolling: 10 px down is a drag") << int(QwtZOR::mcShift) << right << QPoint(0, -10) << int(QwtZOR::mcShift);
    QTest::newRow("zoom: right click leaves") << int(QwtZOR::mcZoom) << right << QPoint() << int(QwtZOR::mcTracking);
    QTest::newRow("zoom: left click measures") << int(QwtZOR::mcZoom) << left << QPoint() << int(QwtZOR::mcMeasure);
    QTest::newRow("measuring without cursors: right click leaves") << int(QwtZOR::mcMeasure) << right << QPoint() << int(QwtZOR::mcTracking);
    QTest::newRow("tracking: right drag scrolls") << int(QwtZOR::mcTracking) << right << QPoint(-60, 0) << int(QwtZOR::mcShift);
    QTest::newRow("tracking: short right drag does not") << int(QwtZOR::mcTracking) << right << QPoint(-8, 0) << int(QwtZOR::mcTracking);
}

void test_QwtZORInteraction::clicksAndDrags()
{
    QFETCH(int, mode);
    QFETCH(int, button);
    QFETCH(QPoint, offset);
    QFETCH(int, after);
    plot->changeMode(mode);
    QCOMPARE(int(plot->getChMode(dev, 0)), mode);
    const QPoint from = at(5, 15);
    drag(from, from + offset, Qt::MouseButton(button));
    QCOMPARE(int(plot->getChMode(dev, 0)), after);
    if (mode == QwtZOR::mcZoom && button == Qt::LeftButton)
        QCOMPARE(panel("X:"), QString("5.0"));
}

void test_QwtZORInteraction::rightDragScrollsNotBeforeZero()
{
    QCOMPARE(plot->axisInterval(QwtPlot::xBottom).minValue(), 0.0);
    // Dragging the content to the left shows later times. Scrolling starts once the
    // drag is recognised, on the first step of 3/8 s, and from then on the point
    // under the mouse stays under it.
    drag(at(6, 15), at(3, 15), Qt::RightButton);
    QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcShift);
    const QwtInterval later = plot->axisInterval(QwtPlot::xBottom);
    QVERIFY2(qAbs(later.minValue() - (6.0 - 3.0 / 8 - 3.0)) < 0.05, qPrintable(QString::number(later.minValue())));
    QCOMPARE(later.width(), 10.0);
    // Dragging far to the right stops at time 0.
    drag(at(4, 15), at(11.5, 15), Qt::RightButton);
    QCOMPARE(plot->axisInterval(QwtPlot::xBottom).minValue(), 0.0);
    QCOMPARE(plot->axisInterval(QwtPlot::xBottom).width(), 10.0);
}

void test_QwtZORInteraction::limitLinesByMouse_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QVector<double>>("clicks");
    QTest::addColumn<double>("up");   // -1: hidden
    QTest::addColumn<double>("down"); // -1: hidden
    QTest::newRow("range, upper first") << int(QwtZOR::tmBoth) << QVector<double>{20, 8} << 20.0 << 8.0;
    QTest::newRow("range, lower first: the higher is the upper") << int(QwtZOR::tmBoth) << QVector<double>{8, 20}
                                                                  << 20.0 << 8.0;
    QTest::newRow("range, third click clears") << int(QwtZOR::tmBoth) << QVector<double>{8, 20, 15} << -1.0 << -1.0;
    QTest::newRow("upper only") << int(QwtZOR::tmUpper) << QVector<double>{18} << 18.0 << -1.0;
    QTest::newRow("upper toggles off") << int(QwtZOR::tmUpper) << QVector<double>{18, 12} << -1.0 << -1.0;
    QTest::newRow("lower only") << int(QwtZOR::tmLower) << QVector<double>{9} << -1.0 << 9.0;
}

void test_QwtZORInteraction::limitLinesByMouse()
{
    QFETCH(int, mode);
    QFETCH(QVector<double>, clicks);
    QFETCH(double, up);
    QFETCH(double, down);
    QSignalSpy tracking(plot, &QwtZOR::onModeTrackChange);
    plot->setModeTrack(QwtZOR::TmcTrackingMode(mode));
    QCOMPARE(tracking.count(), 1);
    QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcLimits);
    for (double y : clicks)
        click(5, y);
    QwtPlotMarker *upper = nullptr;
    QwtPlotMarker *lower = nullptr;
    for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotMarker)) {
        auto *marker = static_cast<QwtPlotMarker *>(item);
        if (marker->lineStyle() != QwtPlotMarker::HLine)
            continue;
        (upper ? lower : upper) = marker;
    }
    QVERIFY(upper && lower);
    const auto shown = [](QwtPlotMarker *line) { return line->isVisible() ? qRound(line->yValue()) : -1.0; };
    QCOMPARE(shown(upper), up);
    QCOMPARE(shown(lower), down);
    // A reading beyond a shown line raises the alarm, one inside does not.
    QSignalSpy alarms(plot, &QwtZOR::onPointTrackOff);
    QVERIFY(plot->addPoint(30.0, 5.0, "°C", dev, 0));
    QCOMPARE(alarms.count(), up > 0 ? 1 : 0);
    QVERIFY(plot->addPoint(14.0, 5.5, "°C", dev, 0));
    QVERIFY(plot->addPoint(5.0, 6.0, "°C", dev, 0));
    QCOMPARE(alarms.count(), (up > 0 ? 1 : 0) + (down > 0 ? 1 : 0));
}

QTEST_MAIN(test_QwtZORInteraction)
#include "test_QwtZORInteraction.moc"
