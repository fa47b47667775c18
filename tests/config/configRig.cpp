#include "tests/config/configRig.h"

#include "config/featconfui.h"
#include "tests/config/modalAnswer.h"

#include <QApplication>
#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using O = optionsZOR70;

configRig::configRig()
    : dialog(&r.list, &r.link.port, &r.sql)
{
    r.list.setSendDelay(sendDelay);
}

configRig &configRig::shared(std::unique_ptr<configRig> &rig, quint32 serial, zorSimMemory::_variant type)
{
    if (rig) {
        rig->restore();
    } else {
        rig.reset(new configRig);
        rig->connectSim(serial, type);
    }
    return *rig;
}

zorSimulator *configRig::connectSim(quint32 serial, zorSimMemory::_variant type)
{
    sim = r.startSim(serial, type);
    index = r.connectPort(sim->portName());
    r.list.getAllDataFromZor(index);
    r.waitIdle(index);
    for (quint8 address : {O::rdIdent, O::rdDev, O::rdCh, O::rdRef, O::rdRefdU}) {
        if (!sim->block(address).isEmpty()) // a basic instrument has no refdU block
            original.insert(address, sim->block(address));
    }
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

QByteArray configRig::edited(QByteArray block, const QStringList &changes)
{
    static const QStringList chFields = {"mode", "dim", "ref", "cur", "round", "feat", "comp"};
    static const QStringList devFields = {"measMode", "show", "time", "filter", "count", "speaker"};
    for (const QString &change : changes) {
        const QRegularExpressionMatch m = QRegularExpression("^([a-zA-Z]+)(\\d*)=(\\d+)$").match(change);
        const int offset = m.captured(2).isEmpty() ? devFields.indexOf(m.captured(1))
                                                   : chFields.indexOf(m.captured(1)) * O::chMax + m.captured(2).toInt();
        block[offset] = char(m.captured(3).toInt());
    }
    return block;
}

void configRig::setChannel(optionsZOR70 *options, int ch, const QList<int> &values)
{
    options->ch[ch] = {values[0], values[1], QString(), values[2], values[4], quint8(values[3]), quint8(values[5]),
                       quint8(values[6])};
}

void configRig::waitWrites(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(sim->log(zorSimulator::blockWritten).size(), count, simulatedLink::timeout);
    r.waitIdle(index);
}

void configRig::answerBox(int button)
{
    modalAnswer::next<QMessageBox>([this, button](QMessageBox *box) {
        boxes << box->windowTitle() + "|" + box->text();
        box->button(QMessageBox::StandardButton(button))->click();
    });
}

void configRig::answerFile(const QString &path)
{
    modalAnswer::next<QFileDialog>([this, path](QFileDialog *dialog) {
        files << dialog->windowTitle() + "|" + dialog->selectedFiles().value(0);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // the file dialog's own, which takes the typed name
    });
}

void configRig::renameInEditor(const QString &name, QString *shown)
{
    modalAnswer::next<featconfui>([name, shown](featconfui *editor) {
        auto *edit = editor->findChild<QLineEdit *>("featName");
        auto *apply = editor->findChild<QPushButton *>("pushButton");
        *shown = edit->text() + "|" + apply->text();
        edit->setText(name);
        emit edit->editingFinished();
        apply->click();
    });
}
