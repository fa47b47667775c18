#ifndef CONFIGRIG_H
#define CONFIGRIG_H

#include "config/devConfUI.h"
#include "tests/registry/simulatedRegistry.h"

#include <QStringList>

#include <memory>

class QMenu;

// The settings dialog on the registry of simulatedRegistry (real link, temporary
// database), for a record without a port or an instrument simulated on a
// pseudo-terminal and read in full. Writes go out 50 ms after the last request. One rig
// at a time: every rig's database is the default connection.
class configRig
{
public:
    static constexpr int sendDelay = 50;

    configRig();
    // The instrument of a suite, read in full once: made on the first call (dropping the
    // rig held before, another instrument), put back as it was read (restore) on the others.
    static configRig &shared(std::unique_ptr<configRig> &rig, quint32 serial,
                             zorSimMemory::_variant type = zorSimMemory::basic);
    // Puts the simulator's blocks, the image and the record's snapshot back as they were
    // read, closes the dialog and forgets what the simulator logged.
    void restore();
    // A record without a port, wired like a connected one.
    void addRecord() { index = r.list.newZor(-1, true); }

    optionsZOR70 *image() const { return r.image(index); }
    zorList::_zor *record() const { return r.list.getZorByIndex(index); }
    template <typename T>
    T *find(const QString &name) const { return dialog.findChild<T *>(name); }
    // The dialog's column menu popped up for a cell, or for a header section with row -1.
    QMenu *popUp(int row, int column);
    // The service key held while "Закрыть" is pressed, sent to receiver (the dialog when null).
    void enterServiceMode(QWidget *receiver = nullptr);
    // Triggers the entry of a menu or of its submenus with exactly this text, as a click
    // would, closing the menu.
    static void choose(QMenu *menu, const QString &text);

    // Until the simulator has stored at least this many block writes since its log was
    // cleared and the link is idle: the addresses of all, in order.
    QByteArray waitWrites(int count);
    // How the simulator's memory differs from what was read, sorted: device fields
    // ("time=2"), channel fields with the channel ("mode2=1"; mode, dim, ref, cur, round,
    // feat, comp), "type", "name=<text>", "sn=<n>", characteristic records ("record3"),
    // "ref" and "refdU".
    QStringList changes() const;

    simulatedRegistry r;
    devConfUI dialog;
    zorSimulator *sim = nullptr;
    int index = -1;
    quint32 serial = 0;
    int snapShotId = 0;                // the record's, as read
    QMap<quint8, QByteArray> original; // the simulator's blocks, as read
};

#endif // CONFIGRIG_H
