#include "mainWindowHarness.h"

#include "app/zorLiveView.h"
#include "config/confChMenu.h"
#include "config/confMenu.h"
#include "config/devConfUI.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using O = optionsZOR70;

namespace {
// The units in the channel block: the second run of one byte per channel.
constexpr int fieldDim = 1;

// Picks an entry of a combo box in its drop-down list, as the user does.
void pick(QComboBox *box, int data)
{
    box->showPopup();
    QAbstractItemView *list = box->view();
    QTRY_VERIFY(list->isVisible());
    const QPoint at = list->visualRect(list->model()->index(box->findData(data), 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTRY_VERIFY(!list->isVisible());
}
} // namespace

// The settings dialog and the device and channel menus as the window opens them from its
// tables: which instrument and channel they work on, what reaches it, how the window follows.
class test_windowSettings : public QObject
{
    Q_OBJECT
    std::unique_ptr<mainWindowHarness> h;
    QMap<quint32, zorSimulator *> sims; // by serial number

    devConfUI *dialog() const { return h->window->findChild<devConfUI *>(); }
    int indexOfRow(int row) const { return h->list()->getIndexList().value(row - 1, -1); }
    // The device table row of the instrument with this serial number.
    int rowOf(quint32 serial) const
    {
        int row = 1;
        while (row < h->list()->count() && h->list()->getZorByIndex(indexOfRow(row))->options->devNumber != serial)
            ++row;
        return row;
    }
    // The device menu popped up from a device row's last column, or a channel row's menu.
    template<class M> M *popUp(int row)
    {
        const bool dev = std::is_same<M, confMenu>::value;
        h->press(dev ? "devTable" : "chTable", row, dev ? int(zorLiveView::dcMarker) : int(zorLiveView::ccSettings));
        return qobject_cast<M *>(QApplication::activePopupWidget());
    }
    // One device row per instrument, none of them for this one.
    void checkRowsWithout(int serial)
    {
        QCOMPARE(h->table("devTable")->rowCount(), h->list()->count() + 1);
        QVERIFY(h->table("devTable")->findItems(QString("Стенд %1").arg(serial), Qt::MatchExactly).isEmpty());
    }

private slots:
    void initTestCase()
    {
        h.reset(new mainWindowHarness);
        h->open();
        // 41 and 42 are looked at and edited, 52 and 53 removed.
        for (quint32 serial : {41, 42, 52, 53})
            sims.insert(serial, h->startSim(serial));
        h->connectSims(sims.values());
    }
    void cleanupTestCase() { h.reset(); }

    // The channel table's settings column opens that channel's menu of the main device; its edit
    // reaches that instrument alone, whose readings come back in the new unit.
    void channelMenuEditReachesTheInstrument()
    {
        const int row = rowOf(42), ch = 7;
        h->press("devTable", row, zorLiveView::dcName);
        zorSimulator *sim = sims.value(42), *other = sims.value(41);
        QByteArray expected = sim->block(O::rdCh);
        const QByteArray untouched = other->block(O::rdCh);
        QVERIFY(expected[fieldDim * O::chMax + ch] != char(O::dimK));
        expected[fieldDim * O::chMax + ch] = char(O::dimK);
        confChMenu *menu = popUp<confChMenu>(ch + 1);
        QCOMPARE(menu ? QString("%1 %2").arg(menu->deviceIndex()).arg(menu->channel()) : "", QString("%1 %2").arg(indexOfRow(row)).arg(ch));
        pick(menu->findChild<QComboBox *>("dimCB"), O::dimK);
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(sim->block(O::rdCh).toHex(), expected.toHex(), h->timeout);
        h->waitIdle(indexOfRow(row));
        QCOMPARE(other->block(O::rdCh).toHex(), untouched.toHex());
        QTRY_COMPARE_WITH_TIMEOUT(h->text("chTable", ch + 1, zorLiveView::ccUnit), O::getDimList().value(O::dimK),
                                  h->timeout);
    }

    void removingTheInstrument_data()
    {
        QTest::addColumn<QString>("open"); // what is open when the instrument goes
        QTest::addColumn<int>("serial");
        QTest::newRow("channel menu") << "channel menu" << 52;
        QTest::newRow("device menu's own entry") << "device menu" << 53;
    }

    // An instrument removed while a menu of its is open takes it along; the window moves on
    // to the remaining instruments and its menus serve them. (The settings dialog's part:
    // test_devConfUI::recordRemovedWhileOpen.)
    void removingTheInstrument()
    {
        QFETCH(QString, open);
        QFETCH(int, serial);
        const int row = rowOf(quint32(serial));
        const int index = indexOfRow(row);
        h->press("devTable", row, zorLiveView::dcName);
        QWidget *gone = open == "channel menu" ? static_cast<QWidget *>(popUp<confChMenu>(1)) : popUp<confMenu>(row);
        QVERIFY(gone);
        if (open == "device menu")
            h->click(qobject_cast<QMenu *>(gone), "removeAction");
        else
            h->list()->rmByIndex(index);
        QVERIFY(!gone->isVisible());
        QVERIFY(!h->list()->isZor(index));
        checkRowsWithout(serial);
        // The last instrument is the main one now, and its menus open for it.
        const int last = h->list()->count();
        QCOMPARE(h->text("devTable", last, zorLiveView::dcMarker), QString("<"));
        confMenu *menu = popUp<confMenu>(last);
        QCOMPARE(menu ? menu->deviceIndex() : -2, indexOfRow(last));
        QTest::keyClick(menu, Qt::Key_Escape);
        confChMenu *chMenu = popUp<confChMenu>(1);
        QCOMPARE(chMenu ? chMenu->deviceIndex() : -2, indexOfRow(last));
        QTest::keyClick(chMenu, Qt::Key_Escape);
    }

    // "Все настройки" of the device menu opens the dialog for the row's instrument on its first
    // page, even when left on another, without changing the main device. The dialog holds back
    // the window's refreshes, but not the instruments that come (an automatic connection
    // finishing) or go: their rows come and go at once, so what each reports lands in its row.
    void instrumentsComeAndGoWhileTheDialogIsOpen()
    {
        const int row = rowOf(41);
        auto *tabs = dialog()->findChild<QTabWidget *>("tabWidget");
        tabs->setCurrentIndex(tabs->count() - 1);
        const QString marker = h->text("devTable", 1, zorLiveView::dcMarker);
        confMenu *menu = popUp<confMenu>(row);
        QCOMPARE(menu ? menu->deviceIndex() : -2, indexOfRow(row));
        h->click(menu, "setupAction");
        QVERIFY(!menu->isVisible() && dialog()->isVisible());
        QCOMPARE(dialog()->deviceIndex(), indexOfRow(row));
        QCOMPARE(h->text("devTable", 1, zorLiveView::dcMarker), marker);
        QCOMPARE(tabs->currentWidget()->objectName(), QString("chTab"));
        QCOMPARE(dialog()->findChild<QLineEdit *>("devPortEdit")->text(),
                 h->port()->getPortName(h->list()->getZorByIndex(indexOfRow(row))->devIndex));

        const int added = h->window->connectPort(h->startSim(54)->portName());
        QVERIFY(added >= 0);
        QCOMPARE(h->table("devTable")->rowCount(), h->list()->count() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(h->list()->getDBIndex(added) > 0, h->timeout);
        emit h->list()->onReadStatus(added);
        QCOMPARE(h->text("devTable", rowOf(54), zorLiveView::dcStatus), h->list()->getTStatName(added));
        h->list()->rmByIndex(indexOfRow(rowOf(42)));
        QVERIFY(dialog()->isVisible());
        checkRowsWithout(42);
        // The names read meanwhile are shown once the dialog closes.
        QTest::mouseClick(dialog()->findChild<QPushButton *>("pushButton_6"), Qt::LeftButton);
        QVERIFY(!dialog()->isVisible());
        QCOMPARE(h->text("devTable", rowOf(54), zorLiveView::dcName), QString("Стенд 54"));
    }
};

QTEST_MAIN(test_windowSettings)
#include "test_windowSettings.moc"
