#include "tests/config/configRig.h"

#include <QApplication>
#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using O = optionsZOR70;

configRig::configRig()
    : dialog(&r.list, &r.link.port, &r.sql)
    , answering(new QTimer(&dialog))
{
    r.list.setSendDelay(sendDelay);
    answering->setInterval(20);
    QObject::connect(answering, &QTimer::timeout, answering, [this] { answerModals(); });
}

zorSimulator *configRig::connectSim(quint32 serial, zorSimMemory::variant type)
{
    sim = r.startSim(serial, type);
    index = r.connectPort(sim->portName());
    r.list.getAllDataFromZor(index);
    r.waitIdle(index);
    for (quint8 address : {O::rdIdent, O::rdDev, O::rdCh})
        original.insert(address, sim->block(address));
    sim->clearLog();
    return sim;
}

void configRig::restore()
{
    r.waitIdle(index);
    for (auto it = original.cbegin(); it != original.cend(); ++it) {
        sim->setBlock(it.key(), it.value());
        image()->setData(it.value(), it.key());
    }
    sim->clearLog();
}

void configRig::addRecord()
{
    index = r.list.newZor(-1, true);
}

QMenu *configRig::popUp(int row, int column)
{
    auto *table = find<QTableWidget>("chTable");
    if (row >= 0) {
        const QRect cell = table->visualItemRect(table->item(row, column));
        QTest::mousePress(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        emit table->horizontalHeader()->sectionClicked(column);
    }
    QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    return menu && menu->property("ch").toInt() == row ? menu : nullptr;
}

QAction *configRig::action(QMenu *menu, const QString &text)
{
    for (QAction *entry : menu->actions()) {
        if (entry->text() == text)
            return entry;
        if (entry->menu()) {
            if (QAction *found = action(entry->menu(), text))
                return found;
        }
    }
    return nullptr;
}

void configRig::choose(QMenu *menu, const QString &text)
{
    QAction *entry = action(menu, text);
    QVERIFY2(entry, qPrintable("no entry " + text));
    QVERIFY2(entry->isEnabled(), qPrintable("entry disabled: " + text));
    entry->trigger();
    menu->close();
}

void configRig::waitWrites(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), count, simulatedLink::timeout);
    r.waitIdle(index);
}

void configRig::answerBox(int button)
{
    boxAnswers << button;
    answering->start();
}

void configRig::answerFile(const QString &path)
{
    fileAnswers << path;
    answering->start();
}

void configRig::answerModals()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && !boxAnswers.isEmpty()) {
            boxes << box->windowTitle() + "|" + box->text();
            box->button(QMessageBox::StandardButton(boxAnswers.takeFirst()))->click();
        } else if (auto *files = qobject_cast<QFileDialog *>(widget); files && !fileAnswers.isEmpty()) {
            this->files << files->windowTitle() + "|" + files->selectedFiles().value(0);
            const QString path = fileAnswers.takeFirst();
            // Later, from the event loop: a box the dialog raises (overwrite?) must be
            // answered by this timer, which does not fire while its own slot runs.
            // accept() is protected: it checks the selection as a click on the button would.
            // Typed as the user would: the full path, which does not wait for the dialog
            // to have listed the file's directory.
            if (!path.isEmpty())
                files->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(files, path.isEmpty() ? "reject" : "accept", Qt::QueuedConnection);
        } else {
            continue;
        }
        break;
    }
    if (boxAnswers.isEmpty() && fileAnswers.isEmpty())
        answering->stop();
}
