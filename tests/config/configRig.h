#ifndef CONFIGRIG_H
#define CONFIGRIG_H

#include "config/devConfUI.h"
#include "tests/registry/simulatedRegistry.h"

#include <QStringList>

class QMenu;

// The settings dialog on simulatedRegistry (real link, temporary database), for a record
// without a port or for simulated instruments read in full, side by side. Writes go out
// 50 ms after the last request. One rig at a time: its database is the default connection.
class configRig
{
public:
    static constexpr int sendDelay = 50;
    using _instrument = QPair<quint32, zorSimMemory::_variant>; // serial number, variant

    explicit configRig(const QList<_instrument> &instruments = {});
    // Makes the instrument with this serial number the current one, as it was read:
    // the dialog closed, its blocks, image and snapshot put back, its log forgotten.
    configRig &use(quint32 serial);
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
    // Triggers the enabled entry of a menu or its submenus with this text, closing the menu.
    static void choose(QMenu *menu, const QString &text);

    // The addresses of the block writes the simulator stored since its log was cleared,
    // once there are at least count and the link is idle.
    QByteArray waitWrites(int count);
    // How the blocks differ from what was read, sorted: device fields ("time=2"),
    // channel fields with the channel ("mode2=1"; mode, dim, ref, cur, round, feat,
    // comp), "type", "name=<text>", "sn=<n>", characteristic records ("record3"), "ref"
    // and "refdU". The simulator's memory, or with ofImage the record's image.
    QStringList changes(bool ofImage = false) const;

    simulatedRegistry r;
    devConfUI dialog;
    zorSimulator *sim = nullptr;
    int index = -1;
    QMap<quint8, QByteArray> original; // the current instrument's blocks, as read

private:
    struct _read
    {
        zorSimulator *sim;
        int index;
        int snapShotId;
        QMap<quint8, QByteArray> blocks;
    };
    QMap<quint32, _read> instruments;
};

#endif // CONFIGRIG_H
