#include "mainWindowHarness.h"

#include "app/zorAlertSound.h"
#include "db/zorSql.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QWindow>
#include <QtTest>
#include <qwt_scale_div.h>

namespace {

// The visible device error boxes with this window title.
QList<QMessageBox *> boxes(QWidget *window, const QString &title)
{
    QList<QMessageBox *> found;
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        if (box->isVisible() && box->windowTitle() == title)
            found << box;
    return found;
}

} // namespace

// The live view of the main window: tables, displays, progress, errors and the limit
// alarm, fed by two simulated instruments through the real registry and link.
class test_liveView : public QObject
{
    Q_OBJECT
    std::unique_ptr<mainWindowHarness> h;
    int first = -1;
    int second = -1;
    int third = -1;   // kept out of the way until the main device goes

    int qwt(int index) const { return h->list()->getQWTIndex(index); }
    QLabel *label(const char *name) const { return h->window->findChild<QLabel *>(name); }

private slots:
    void initTestCase();
    void cleanupTestCase() { h.reset(); }
    void readingsFillTablesAndDisplays();
    void pressingADeviceMakesItMain();
    void deviceErrors_data();
    void deviceErrors();
    void channelErrorSpansTheRow();
    void limitAlarm();
    void removingTheMainDevice();
};

void test_liveView::initTestCase()
{
    h.reset(new mainWindowHarness);
    h->open();
    // With no device the tables hold their headers and the displays "--".
    QCOMPARE(h->table("chTable")->rowCount(), 1);
    QCOMPARE(h->table("devTable")->rowCount(), 1);
    QCOMPARE(label("measValue")->text(), QString("--"));
    QCOMPARE(label("averValue")->text(), QString("--"));
    // Side by side. A read-all shows a bar in the device's last column until its reads
    // are done.
    QList<int> indices;
    for (quint32 serial : {21, 22, 23})
        indices << h->window->connectPort(h->startSim(serial)->portName());
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QProgressBar *>(h->table("devTable")->cellWidget(3, 7)), h->timeout);
    for (int index : indices)
        h->waitIdle(index);
    QTRY_VERIFY(!h->table("devTable")->cellWidget(3, 7));
    first = indices[0];
    second = indices[1];
    third = indices[2];
}

void test_liveView::readingsFillTablesAndDisplays()
{
    // Name, number and the main device's marker.
    QStringList rows;
    for (int row : {1, 2})
        rows << h->text("devTable", row, 1) + "|" + h->text("devTable", row, 2) + "|" + h->text("devTable", row, 7);
    QCOMPARE(rows, (QStringList{"Стенд 21|0021|<", "Стенд 22|0022|"}));
    QCOMPARE(h->table("chTable")->rowCount(), 9);
    // Only the main channel is drawn.
    for (int ch = 0; ch < 8; ++ch)
        QCOMPARE(h->plot()->getChShow(qwt(first), quint8(ch)), ch == 0);
    QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(qwt(first), 3) > 0 && h->plot()->getChMeasCount(qwt(second), 0) > 0,
                             h->timeout);
    // What the user reads is what the plot holds, within the refresh interval.
    for (int ch : {0, 3})
        QTRY_COMPARE(h->text("chTable", ch + 1, 1), h->plot()->getChMeasStr(qwt(first), quint8(ch)));
    QTRY_COMPARE(h->text("chTable", 1, 2), h->plot()->getChDim(qwt(first), 0));
    QTRY_COMPARE(h->text("devTable", 2, 3), h->plot()->getChMeasStr(qwt(second), 255));
    QTRY_COMPARE(label("measValue")->text(), h->plot()->getChMeasStr(qwt(first), 255));
    QTRY_COMPARE(label("averValue")->text(), h->plot()->getChAverStr(qwt(first), 255));
    QTRY_COMPARE(h->text("devTable", 1, 4), QString("°С"));
    QCOMPARE(h->text("devTable", 1, 5), QString("1"));
    QVERIFY(h->window->findChild<QGroupBox *>("lcdGroupBox")->title().startsWith("Стенд 21 (№ 0021)"));
}

void test_liveView::pressingADeviceMakesItMain()
{
    h->press("devTable", 2, 1);
    QCOMPARE(h->text("devTable", 2, 7), QString("<"));
    QCOMPARE(h->text("devTable", 1, 7), QString());
    QCOMPARE(mainWindowHarness::appProperty("main_device_id"), QString::number(h->list()->getDBIndex(second)));
    QVERIFY(h->window->findChild<QGroupBox *>("lcdGroupBox")->title().startsWith("Стенд 22"));
    QTRY_COMPARE(label("measValue")->text(), h->plot()->getChMeasStr(qwt(second), 255));
    QCOMPARE(h->table("devTable")->item(2, 1)->background().color(), QColor(173, 216, 230));
    // Pressing a channel makes it the plot's main channel.
    h->press("chTable", 3, 1);
    QCOMPARE(h->plot()->getChMain(qwt(second)), 2);
    QCOMPARE(h->text("devTable", 2, 5), QString("3"));
    // The header row does nothing.
    h->press("devTable", 1, 1);
    h->press("devTable", 0, 1);
    QCOMPARE(h->text("devTable", 1, 7), QString("<"));
}

void test_liveView::deviceErrors_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::newRow("read failed") << 110 << "Критическая неисправность прибора" << int(QMessageBox::Critical);
    QTest::newRow("write failed") << 230 << "Неисправность прибора" << int(QMessageBox::Warning);
}

// However many errors a device reports, it has one box; the box blocks nothing.
void test_liveView::deviceErrors()
{
    QFETCH(int, code);
    QFETCH(QString, title);
    QFETCH(int, icon);
    for (int n = 0; n < 5; ++n)
        emit h->list()->onDevError(first, quint8(code), QString("сбой %1").arg(n));
    emit h->list()->onDevError(second, quint8(code), "сбой");
    const QList<QMessageBox *> shown = boxes(h->window.get(), title);
    QCOMPARE(shown.size(), 2);
    QStringList texts;
    for (const QMessageBox *box : shown) {
        texts << box->text();
        QCOMPARE(int(box->icon()), icon);
    }
    texts.sort();
    QCOMPARE(texts, (QStringList{QString("ОШИБКА №%1\n%2 Стенд 21(№ 0021)\nсбой 4").arg(code).arg(title),
                                 QString("ОШИБКА №%1\n%2 Стенд 22(№ 0022)\nсбой").arg(code).arg(title)}));
    const int before = h->plot()->getChMeasCount(qwt(first), 0);
    QTRY_VERIFY_WITH_TIMEOUT(h->plot()->getChMeasCount(qwt(first), 0) > before + 2, h->timeout);
    for (QMessageBox *box : shown)
        box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(boxes(h->window.get(), title).isEmpty());
}

// A channel error of the main device spans its row (and the device's value cells for
// the main channel) in yellow until the channel reads again.
void test_liveView::channelErrorSpansTheRow()
{
    h->press("devTable", 1, 1);
    h->press("chTable", 1, 1);
    for (auto &sim : h->sims)
        sim->setPeriod(0);
    QTest::qWait(200);
    const QString msg = "не подключен датчик (обрыв токовой цепи)";
    emit h->list()->onChError(first, 0, 13, msg);
    QTableWidget *ch = h->table("chTable"), *dev = h->table("devTable");
    QCOMPARE(ch->columnSpan(1, 1), 5);
    QCOMPARE(h->text("chTable", 1, 1), "Ошибка №13 " + msg);
    QCOMPARE(ch->item(1, 1)->background().color(), QColor(Qt::yellow));
    QCOMPARE(dev->columnSpan(1, 3), 2);
    QCOMPARE(h->text("devTable", 1, 3), "Ошибка №13 " + msg);
    h->window->updUI(); // survives a rebuild
    QCOMPARE(ch->columnSpan(1, 1), 5);
    h->plot()->addPoint(21.5, "°С", qwt(first), 0);
    QCOMPARE(ch->columnSpan(1, 1), 1);
    QCOMPARE(dev->columnSpan(1, 3), 1);
    QTRY_COMPARE(h->text("chTable", 1, 1), h->plot()->getChMeasStr(qwt(first), 0));
    QCOMPARE(h->text("chTable", 1, 1).left(5), QString("21.50"));
    // An error of a channel beyond the plot's channels grows the plot first.
    emit h->list()->onChError(first, 12, 13, msg);
    QCOMPARE(int(h->plot()->getChCount(qwt(first))), 13);
    QCOMPARE(ch->columnSpan(13, 1), 5);
    for (auto &sim : h->sims)
        sim->setPeriod(20);
}

// A point beyond the upper limit sounds the alert and turns the value red. The limit
// is placed as the user places it: chosen in the limits menu, clicked on the plot.
void test_liveView::limitAlarm()
{
    for (auto &sim : h->sims)
        sim->setPeriod(0);
    QTest::qWait(200);
    zorAlertSound *alert = h->window->findChild<zorAlertSound *>("alertSound");
    QSignalSpy played(alert, &zorAlertSound::played);
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

    plot->addPoint(limit - 100.0, "°С", qwt(first), 0);
    QCOMPARE(played.count(), 0);
    plot->addPoint(limit + 100.0, "°С", qwt(first), 0);
    QCOMPARE(played.count(), 1);
    QTRY_COMPARE(h->table("chTable")->item(1, 1)->foreground().color(), QColor(Qt::red));
    QTRY_COMPARE(h->table("devTable")->item(1, 3)->foreground().color(), QColor(Qt::red));
    plot->addPoint(limit - 100.0, "°С", qwt(first), 0);
    QTRY_COMPARE(h->table("chTable")->item(1, 1)->foreground().color(), QColor(Qt::black));
    h->menuAction("trackBtn", "Выкл.")->trigger();
    for (auto &sim : h->sims)
        sim->setPeriod(20);
}

// The main device gone, the one with the highest index takes over; with none left
// the displays show "--".
void test_liveView::removingTheMainDevice()
{
    h->press("devTable", 1, 1);
    h->list()->rmByIndex(first);
    QCOMPARE(h->text("devTable", 2, 7), QString("<"));
    QCOMPARE(h->text("devTable", 2, 1), QString("Стенд 23"));
    QCOMPARE(mainWindowHarness::appProperty("main_device_id"), QString::number(h->list()->getDBIndex(third)));
    h->list()->rmByIndex(third);
    h->list()->rmByIndex(second);
    QCOMPARE(h->table("devTable")->rowCount(), 1);
    QCOMPARE(h->table("chTable")->rowCount(), 1);
    QCOMPARE(label("measValue")->text(), QString("--"));
    QCOMPARE(h->window->findChild<QGroupBox *>("lcdGroupBox")->title(), QString("-"));
}

QTEST_MAIN(test_liveView)
#include "test_liveView.moc"
