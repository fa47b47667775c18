#ifndef CONFIGRIG_H
#define CONFIGRIG_H

#include "config/devConfUI.h"
#include "tests/registry/simulatedRegistry.h"

#include <QStringList>

#include <memory>

class QMenu;

// The settings dialog on the registry of simulatedRegistry, for one record: an
// instrument simulated on a pseudo-terminal and read in full through the real link, or
// a record without a port. Writes go out 50 ms after the last request.
class configRig
{
public:
    static constexpr int sendDelay = 50;

    configRig();
    // An instrument read in full once and shared by the rows of a test: made on the
    // first call, put back as it was read (restore) on the others.
    static configRig &shared(std::unique_ptr<configRig> &rig, quint32 serial,
                             zorSimMemory::_variant type = zorSimMemory::basic);
    // A simulated instrument, connected and read in full; serial 0 makes it unnumbered.
    zorSimulator *connectSim(quint32 serial, zorSimMemory::_variant type = zorSimMemory::basic);
    // Puts the simulator's identity, device, channel and reference blocks and the image
    // back as connectSim left them, and forgets what the simulator logged; for a test that
    // goes on with the same instrument instead of reading a new one in full.
    void restore();
    // A record without a port, wired like a connected one.
    void addRecord();

    optionsZOR70 *image() const { return r.image(index); }
    zorList::_zor *record() const { return r.list.getZorByIndex(index); }
    template <typename T>
    T *find(const QString &name) const { return dialog.findChild<T *>(name); }
    // The dialog's column menu popped up for a cell, or for a header section with row -1.
    QMenu *popUp(int row, int column);
    // The entry of a menu or of its submenus with exactly this text.
    static QAction *action(QMenu *menu, const QString &text);
    // Triggers the entry as a click would, closing the menus.
    static void choose(QMenu *menu, const QString &text);
    // block with changes such as "mode2=1" (channel block: field and channel; fields mode,
    // dim, ref, cur, round, feat, comp) or "time=2" (device block: fields measMode, show,
    // time, filter, count, speaker) made.
    static QByteArray edited(QByteArray block, const QStringList &changes);
    // Sets a channel's mode, unit, range, current code, rounding, characteristic byte and
    // compensation byte, without normalising.
    static void setChannel(optionsZOR70 *options, int ch, const QList<int> &values);
    // Until the simulator has stored this many block writes since its log was cleared.
    void waitWrites(int count);

    // The next message box is answered with the button (calls queue up, one per box to
    // come); its title and text are kept in boxes ("title|text").
    void answerBox(int button);
    // The next file dialog is given path and accepted, or is cancelled for an empty
    // path; its title and the file it proposed are kept in files ("title|file").
    void answerFile(const QString &path);
    // The next characteristic editor renames its characteristic and is applied; its name
    // and apply button's text before are kept in shown ("name|button").
    static void renameInEditor(const QString &name, QString *shown);

    simulatedRegistry r;
    devConfUI dialog;
    zorSimulator *sim = nullptr;
    int index = -1;
    QStringList boxes;
    QStringList files;
    QMap<quint8, QByteArray> original; // the simulator's blocks as connectSim read them
};

#endif // CONFIGRIG_H
