#include "mainWindowHarness.h"
#include "tests/common/modalAnswer.h"

#include "app/zorAlertSound.h"
#include "app/zorLiveView.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QWindow>
#include <QtTest>
#include <qwt_scale_div.h>

// The live view of the main window: tables, displays, progress, errors and the limit alarm.
class test_liveView : public QObject
{
    Q_OBJECT
    std::unique_ptr<mainWindowHarness> h;
    QList<int> index; // of instruments 21, 22 and 23

    int qwt(int n) const { return h->list()->getQWTIndex(index[n]); }
    QString label(const char *name) const { return h->window->findChild<QLabel *>(name)->text(); }
    // Cells of a table at (row, column), joined.
    QString cells(const char *table, const QList<QPoint> &at) const
    {
        QStringList texts;
        for (const QPoint &p : at)
            texts << h->text(table, p.x(), p.y());
        return texts.join('|');
    }
    // The visible message boxes: "<icon> <text>", sorted.
    QStringList boxes() const
    {
        QStringList texts;
        for (QMessageBox *box : h->window->findChildren<QMessageBox *>())
            if (box->isVisible())
                texts << QString("%1 %2").arg(int(box->icon())).arg(box->text());
        texts.sort();
        return texts;
    }

private slots:
    void initTestCase()
    {
        h.reset(new mainWindowHarness);
        h->open();
        // Side by side; a read-all shows a bar in the device's last column until it is done.
        for (quint32 serial : {21, 22, 23})
            index << h->window->connectPort(h->startSim(serial)->portName());
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QProgressBar *>(h->table("devTable")->cellWidget(3, zorLiveView::dcMarker)), h->timeout);
        for (int n : index)
            h->waitIdle(n);
        QTRY_VERIFY(!h->table("devTable")->cellWidget(3, zorLiveView::dcMarker));
    }
    void cleanupTestCase() { h.reset(); }

    void readingsFillTablesAndDisplays()
    {
        // Name, number and the main device's marker; unit and main channel of the first.
        QTRY_COMPARE(cells("devTable", {{1, 1}, {1, 2}, {1, zorLiveView::dcMarker}, {1, 4}, {1, 5}, {2, 1}, {2, 2}, {2, zorLiveView::dcMarker}}),
                     QString("Стенд 21|0021|<|°С|1|Стенд 22|0022|"));
        QVERIFY(h->window->findChild<QGroupBox *>("lcdGroupBox")->title().startsWith("Стенд 21 (№ 0021)"));
        QCOMPARE(h->table("chTable")->rowCount(), 9);
        // Only the main channel is drawn.
        for (int ch = 0; ch < 8; ++ch)
            QCOMPARE(h->plot()->getChShow(qwt(0), quint8(ch)), ch == 0);
        QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(qwt(0), 3) > 0 && h->plot()->getChMeasCount(qwt(1), 0) > 0,
                                 h->timeout);
        // What the user reads is what the plot holds, within the refresh interval.
        QwtZOR *p = h->plot();
        QTRY_COMPARE(cells("chTable", {{1, 1}, {4, 1}, {1, 2}}),
                     p->getChMeasStr(qwt(0), 0) + "|" + p->getChMeasStr(qwt(0), 3) + "|" + p->getChDim(qwt(0), 0));
        QTRY_COMPARE(h->text("devTable", 2, 3), p->getChMeasStr(qwt(1), 255));
        QTRY_COMPARE(label("measValue") + " " + label("averValue"), p->getChMeasStr(qwt(0), 255) + " " + p->getChAverStr(qwt(0), 255));
        // A window far from full: the drift with its direction, and what it rests on.
        QTRY_VERIFY(h->table("chTable")->item(1, zorLiveView::ccStab)->toolTip().contains("n = "));
        QVERIFY(QString("↑↓").contains(h->text("chTable", 1, zorLiveView::ccStab).left(1)));
        // The thermostat column keeps its state's colour when the window refreshes.
        h->window->updUI();
        QCOMPARE(h->table("devTable")->item(1, 6)->foreground().color(),
                 QColor(h->text("devTable", 1, 6) == ">T<" ? "#2e8b57" : "#b35900"));
    }

    void deviceErrors_data()
    {
        QTest::addColumn<QList<int>>("codes"); // of device 0, in order; "сбой <n>" is the n-th
        QTest::addColumn<int>("shown");        // the one its box shows
        QTest::newRow("critical ones: the newest") << QList<int>{110, 110, 110, 110, 110} << 4;
        QTest::newRow("a later warning keeps the unread critical fault") << QList<int>{110, 230, 230} << 0;
        QTest::newRow("a critical fault replaces a warning") << QList<int>{230, 110, 230} << 1;
    }

    // However many errors a device reports, it has one box, which keeps the most severe
    // and counts the others; the box blocks nothing.
    void deviceErrors()
    {
        QFETCH(QList<int>, codes);
        QFETCH(int, shown);
        for (int n = 0; n < codes.size(); ++n)
            emit h->list()->onDevError(index[0], quint8(codes[n]), QString("сбой %1").arg(n));
        emit h->list()->onDevError(index[1], 230, "сбой");
        // Icons 2 and 3: a warning and a critical fault.
        QCOMPARE(boxes(), (QStringList{"2 ОШИБКА №230\nНеисправность прибора Стенд 22(№ 0022)\nсбой",
                                       QString("3 ОШИБКА №110\nКритическая неисправность прибора Стенд 21(№ 0021)\nсбой %1\n"
                                               "Других ошибок прибора в это время: %2").arg(shown).arg(codes.size() - 1)}));
        const int before = h->plot()->getChMeasCount(qwt(0), 0);
        QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(qwt(0), 0) > before + 2, h->timeout);
        for (QMessageBox *box : h->window->findChildren<QMessageBox *>())
            if (box->isVisible())
                box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(boxes().isEmpty());
    }

    // A channel error of the main device spans its row (and the device's value cells for
    // the main channel) until the channel reads again.
    void channelErrorSpansTheRow()
    {
        h->press("devTable", 1, 1);
        h->press("chTable", 1, 1);
        h->setPeriod(0);
        const QString error = "Ошибка №13 не подключен датчик (обрыв токовой цепи)";
        QTableWidget *ch = h->table("chTable"), *dev = h->table("devTable");
        // Spans of the channel's and the device's value cells, and what they say.
        const auto shown = [&] {
            return QString("%1 %2 ").arg(ch->columnSpan(1, 1)).arg(dev->columnSpan(1, 3))
                   + cells("chTable", {{1, 1}}) + "|" + cells("devTable", {{1, 3}});
        };
        emit h->list()->onChError(index[0], 0, 13, error.mid(11));
        QCOMPARE(shown(), "5 2 " + error + "|" + error);
        h->window->updUI(); // survives a rebuild
        QCOMPARE(shown(), "5 2 " + error + "|" + error);
        h->plot()->addPoint(21.5, "°С", qwt(0), 0);
        QTRY_COMPARE(shown().section('|', 0, 0), "1 1 " + h->plot()->getChMeasStr(qwt(0), 0));
        QVERIFY(h->text("chTable", 1, 1).startsWith("21.50"));
        // An error of a channel beyond the plot's channels grows the plot first.
        emit h->list()->onChError(index[0], 12, 13, error.mid(11));
        QCOMPARE(int(h->plot()->getChCount(qwt(0))), 13);
        QCOMPARE(ch->columnSpan(13, 1), 5);
        h->setPeriod(20);
    }

    // A point beyond the upper limit sounds the alert and turns the value red. The limit
    // is placed as the user places it: chosen in the limits menu, clicked on the plot.
    void limitAlarm()
    {
        h->setPeriod(0);
        QSignalSpy played(h->window->findChild<zorAlertSound *>("alertSound"), &zorAlertSound::played);
        h->menuAction("trackBtn", "Верхний предел")->trigger();
        QwtZOR *plot = h->plot();
        const QwtScaleDiv x = plot->axisScaleDiv(QwtPlot::xBottom), y = plot->axisScaleDiv(QwtPlot::yLeft);
        const double limit = y.lowerBound() + 0.2 * y.range();
        const QPoint pixel = plot->canvas()->mapTo(h->window.get(), QPoint(qRound(plot->transform(QwtPlot::xBottom, x.lowerBound() + 0.5 * x.range())),
                                                                             qRound(plot->transform(QwtPlot::yLeft, limit))));
        QWindow *window = h->window->windowHandle();
        QTest::mouseMove(window, pixel + QPoint(3, 3));
        QTest::mouseMove(window, pixel);
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, pixel);
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, pixel);
        plot->addPoint(limit - 100.0, "°С", qwt(0), 0);
        QCOMPARE(played.count(), 0);
        plot->addPoint(limit + 100.0, "°С", qwt(0), 0);
        QCOMPARE(played.count(), 1);
        QTRY_COMPARE(h->table("chTable")->item(1, 1)->foreground().color(), QColor(Qt::red));
        QTRY_COMPARE(h->table("devTable")->item(1, 3)->foreground().color(), QColor(Qt::red));
        plot->addPoint(limit - 100.0, "°С", qwt(0), 0);
        QTRY_COMPARE(h->table("chTable")->item(1, 1)->foreground().color(), QColor(Qt::black));
        h->menuAction("trackBtn", "Выкл.")->trigger();
        h->setPeriod(20);
    }

    // Column 0 of a channel: the left button hides or shows its curve, the right one (on a
    // shown channel) chooses its colour in the colour dialog, as does the plot's settings
    // menu for the main channel. The colour mark follows each.
    void channelColumnZero()
    {
        h->press("devTable", 1, 1);
        const int row = h->plot()->getChMain(qwt(0)) + 1;
        QTableWidget *table = h->table("chTable");
        const auto press = [&](Qt::MouseButton button) {
            const QPoint at = table->viewport()->mapTo(h->window.get(), table->visualItemRect(table->item(row, 0)).center());
            QTest::mouseClick(h->window->windowHandle(), button, Qt::NoModifier, at);
        };
        const auto seen = [&] {
            return QString("%1 %2 %3").arg(h->plot()->getChShow(qwt(0), row - 1)).arg(h->plot()->getChColor(qwt(0), row - 1).name())
                .arg(table->item(row, 0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8).name(QColor::HexArgb));
        };
        const auto answerColour = [](const char *name) {
            modalAnswer::next<QWidget>([name](QWidget *modal) {
                static_cast<QColorDialog *>(modal)->setCurrentColor(QColor(name));
                static_cast<QDialog *>(modal)->accept();
            });
        };
        press(Qt::LeftButton);
        QCOMPARE(seen(), QString("0 #ff0000 #00000000"));
        press(Qt::LeftButton);
        QCOMPARE(seen(), QString("1 #ff0000 #ffff0000"));
        answerColour("#123456");
        press(Qt::RightButton);
        QCOMPARE(seen(), QString("1 #123456 #ff123456"));
        answerColour("#654321");
        h->menuAction("setQwtBtn", "Цвет графика основного канала")->trigger();
        QCOMPARE(seen(), QString("1 #654321 #ff654321"));
    }

};

QTEST_MAIN(test_liveView)
#include "test_liveView.moc"
