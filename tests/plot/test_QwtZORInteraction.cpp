#include "plot/QwtLabelClick.h"
#include "plot/QwtZOR.h"
#include "plot/zorInfoPanel.h"

#include <QFormLayout>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

using Values = QVector<double>;

// The plot under the mouse: measuring cursors and their statistics, the wheel, limit lines and the click and drag
// rules of each mode, all driven by mouse events through the window, as the user would.
class test_QwtZORInteraction : public QObject
{
    Q_OBJECT

private slots:
    void init()
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

    void cleanup() { delete plot; }

    void cursorStatistics_data()
    {
        QTest::addColumn<Values>("cursors"); // in the order placed
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("mean");
        QTest::addColumn<QString>("sko");
        QTest::newRow("three points between") << Values{0.5, 3.5} << "3" << "12.0" << "1.00";
        QTest::newRow("placed right to left: swapped") << Values{3.5, 0.5} << "3" << "12.0" << "1.00";
        QTest::newRow("the newest point is never counted") << Values{0.5, 10} << "3" << "12.0" << "1.00";
        QTest::newRow("one point: mean, СКО as before") << Values{0.5, 1.5} << "1" << "11.0" << "before";
        QTest::newRow("none: the rest as before") << Values{5.5, 8.5} << "0" << "before" << "before";
    }

    void cursorStatistics()
    {
        QFETCH(Values, cursors);
        QFETCH(QString, count);
        QFETCH(QString, mean);
        QFETCH(QString, sko);
        // The first click starts measuring with one cursor: the measuring panel waits for the second.
        click(0.2, 12);
        QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcMeasure);
        QCOMPARE(panel("X:"), QString("0.2"));
        QCOMPARE(panel("Точек:"), QString("hidden"));
        click(2.5, 12);
        const QString meanBefore = panel("Среднее:"), skoBefore = panel("СКО:");
        QCOMPARE(meanBefore, QString("11.5"));
        // A right click clears the cursors and stays measuring.
        click(5, 15, Qt::RightButton);
        QCOMPARE(panel("Точек:"), QString("hidden"));
        QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcMeasure);
        for (double x : cursors)
            click(x, 12);
        QCOMPARE(panel("X1:"), QString::number(std::min(cursors.at(0), cursors.at(1)), 'f', 1));
        QCOMPARE(panel("ΔX:"), QString::number(std::abs(cursors.at(1) - cursors.at(0)), 'f', 1));
        QCOMPARE(panel("Точек:"), count);
        QCOMPARE(panel("Среднее:"), mean == "before" ? meanBefore : mean);
        QCOMPARE(panel("СКО:"), sko == "before" ? skoBefore : sko);
    }

    void wheelStepping_data()
    {
        QTest::addColumn<QPoint>("scales"); // X and Y scale index
        QTest::addColumn<int>("delta");
        QTest::addColumn<QPoint>("after");
        QTest::newRow("finer") << QPoint(7, 20) << 120 << QPoint(6, 19);
        QTest::newRow("coarser") << QPoint(7, 20) << -120 << QPoint(8, 21);
        QTest::newRow("finer at 1 сек.: nothing") << QPoint(1, 20) << 120 << QPoint(1, 20);
        QTest::newRow("finer at the finest Y: nothing") << QPoint(7, 1) << 120 << QPoint(7, 1);
        QTest::newRow("coarser at 10 сут.: nothing") << QPoint(21, 20) << -120 << QPoint(21, 20);
        QTest::newRow("coarser at 2000: nothing") << QPoint(7, 29) << -120 << QPoint(7, 29);
    }

    void wheelStepping()
    {
        QFETCH(QPoint, scales);
        QFETCH(int, delta);
        QFETCH(QPoint, after);
        plot->setChScaleX(uchar(scales.x()), dev, 0);
        plot->setChScaleY(uchar(scales.y()), dev, 0);
        const QPoint pos = plot->canvas()->mapFrom(plot->window(), at(5, 15));
        QWheelEvent event(pos, plot->canvas()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot->canvas(), &event);
        QCOMPARE(QPoint(plot->getChScaleX(dev, 0), plot->getChScaleY(dev, 0)), after);
    }

    void clicksAndDrags_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<int>("after");
        const int right = Qt::RightButton, shift = QwtZOR::mcShift, tracking = QwtZOR::mcTracking;
        QTest::newRow("scrolling: right click leaves") << shift << right << QPoint(9, 9) << tracking;
        QTest::newRow("scrolling: 10 px away is a drag") << shift << right << QPoint(10, 0) << shift;
        QTest::newRow("zoom: left click measures") << int(QwtZOR::mcZoom) << int(Qt::LeftButton) << QPoint()
                                                   << int(QwtZOR::mcMeasure);
        QTest::newRow("tracking: right drag scrolls") << tracking << right << QPoint(-60, 0) << shift;
        QTest::newRow("tracking: short right drag does not") << tracking << right << QPoint(-8, 0) << tracking;
    }

    void clicksAndDrags()
    {
        QFETCH(int, mode);
        QFETCH(int, button);
        QFETCH(QPoint, offset);
        QFETCH(int, after);
        plot->changeMode(mode);
        drag(at(5, 15), at(5, 15) + offset, Qt::MouseButton(button));
        QCOMPARE(int(plot->getChMode(dev, 0)), after);
        if (after == QwtZOR::mcMeasure)
            QCOMPARE(panel("X:"), QString("5.0"));
    }

    void limitLinesByMouse_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Values>("clicks");
        QTest::addColumn<Values>("alarms"); // which of the readings 30, 14 and 5 raise the alarm
        const int both = QwtZOR::tmBoth;
        QTest::newRow("range, lower first: the higher is the upper") << both << Values{8, 20} << Values{30, 5};
        QTest::newRow("range, third click clears") << both << Values{8, 20, 15} << Values{};
        QTest::newRow("upper only") << int(QwtZOR::tmUpper) << Values{18} << Values{30};
        QTest::newRow("upper toggles off") << int(QwtZOR::tmUpper) << Values{18, 12} << Values{};
        QTest::newRow("lower only") << int(QwtZOR::tmLower) << Values{9} << Values{5};
    }

    void limitLinesByMouse()
    {
        QFETCH(int, mode);
        QFETCH(Values, clicks);
        QFETCH(Values, alarms);
        plot->setModeTrack(QwtZOR::TmcTrackingMode(mode));
        QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcLimits);
        for (double y : clicks)
            click(5, y);
        QSignalSpy alarm(plot, &QwtZOR::onPointTrackOff);
        Values raised;
        double t = 5.0;
        for (double y : {30.0, 14.0, 5.0}) {
            alarm.clear();
            QVERIFY(plot->addPoint(y, t += 0.5, "°C", dev, 0));
            if (!alarm.isEmpty())
                raised.append(y);
        }
        QCOMPARE(raised, alarms);
        // The same readings in one block raise one alarm when any of them would.
        alarm.clear();
        QCOMPARE(plot->addPoints({30.0, 14.0, 5.0}, {t + 1, t + 2, t + 3}, "°C", dev, 0), 3);
        QCOMPARE(alarm.count(), alarms.isEmpty() ? 0 : 1);
    }

private:
    // Window position of a plot position.
    QPoint at(double x, double y) const
    {
        const QPoint pixel(qRound(plot->transform(QwtPlot::xBottom, x)), qRound(plot->transform(QwtPlot::yLeft, y)));
        return plot->canvas()->mapTo(plot->window(), pixel);
    }

    void drag(QPoint from, QPoint to, Qt::MouseButton button)
    {
        QWindow *window = plot->window()->windowHandle();
        // Arrive at the start, so that the trackers see the mouse there.
        QTest::mouseMove(window, from + QPoint(3, 3));
        QTest::mouseMove(window, from);
        QTest::mousePress(window, button, Qt::NoModifier, from);
        for (int i = 1; i <= 8 && from != to; ++i)
            QTest::mouseMove(window, from + (to - from) * i / 8);
        QTest::mouseRelease(window, button, Qt::NoModifier, to);
        QCoreApplication::processEvents();
    }

    void click(double x, double y, Qt::MouseButton button = Qt::LeftButton) { drag(at(x, y), at(x, y), button); }

    // The value beside caption in whichever info panel has it, "hidden" while its panel is.
    QString panel(const QString &caption) const
    {
        for (const zorInfoPanel *info : plot->findChildren<zorInfoPanel *>()) {
            const auto *form = static_cast<QFormLayout *>(info->layout());
            for (QwtLabelClick *value : info->findChildren<QwtLabelClick *>()) {
                const auto *label = qobject_cast<QLabel *>(form->labelForField(value));
                if (label && label->text() == "<b>" + caption + "</b>")
                    return value->parentWidget()->isVisible() ? value->text() : QString("hidden");
            }
        }
        return "missing";
    }

    QwtZOR *plot = nullptr;
    int dev = -1;
};

QTEST_MAIN(test_QwtZORInteraction)
#include "test_QwtZORInteraction.moc"
