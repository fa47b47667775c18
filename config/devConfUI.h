#ifndef DEVCONFUI_H
#define DEVCONFUI_H

#include "config/zorChFields.h"
#include "config/zorDevFields.h"
#include "config/zorRefInput.h"
#include "registry/zorList.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QMenu;
class QDoubleSpinBox;
class QTableWidgetItem;
class ZORSerialPort;
class featconfui;
class passDialog;
class zorRefTab;
class zorSnapShotBox;
class zorModeMenu;
class zorFileDialog;
class zorSql;

namespace Ui {
class devConfUI;
}

// The settings dialog of one connected instrument: the device page, the channel table
// with a menu per column, the characteristic list and the reference tabs. Edits change
// the instrument's settings image only; the apply buttons ask the registry to send
// them, the read buttons to read them again. One dialog serves every instrument, opened
// window-modal for one registry index at a time.
//
// Holding the service key (PageUp) while pressing "Закрыть" opens the service controls
// (serial number, reference corrections, deleting the device from the database) instead
// of closing; they are hidden again when the dialog closes.
class devConfUI : public QDialog
{
    Q_OBJECT

public:
    // The channel table's columns, each with its menu.
    enum _column { colMode, colDim, colCurrent, colRef, colRound, colCompens, columnCount };

    static constexpr int serviceKey = Qt::Key_PageUp;

    // None of these is owned; all must outlive the dialog.
    devConfUI(zorList *list, ZORSerialPort *port, zorSql *sql, QWidget *parent = nullptr);
    ~devConfUI() override;

    // Opens the dialog for the instrument under a registry index; nothing happens when
    // the registry does not hold it.
    void show(int index);
    int deviceIndex() const { return index; }
    bool isServiceMode() const;

    // Parses every reference widget into the settings image, all or nothing. On a wrong
    // text it changes nothing, selects the cell and warns, naming it; false.
    bool setRef();

public slots:
    // Refreshes of the pages, for the dialog's instrument only.
    void onDevChange(int index);
    void onRefChange(int index);
    void onChChange(int index);
    void onFeatChange(int index);
    // Rebuilds the settings snapshot box for the current settings.
    void findSnapShot();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_devMeasModeCB_currentIndexChanged(int row);
    void on_devDisplayModeCB_currentIndexChanged(int row);
    void on_devMeasTimeCB_currentIndexChanged(int row);
    void on_devFilterCB_currentIndexChanged(int row);
    void on_devSoundCB_currentIndexChanged(int row);
    void on_devChCountCB_currentIndexChanged(int row);
    void on_devNameEdit_editingFinished();
    void on_devNumEdit_editingFinished();

    void on_chTable_cellPressed(int row, int column);
    void on_chTable_cellEntered(int row, int column);
    void on_featTable_cellDoubleClicked(int row, int column);

    void on_pushButton_5_clicked(); // apply everything and close
    void on_applyChBtn_clicked();
    void on_applyFeatBtn_clicked();
    void on_pushButton_7_clicked(); // read everything
    void on_loadChBtn_clicked();
    void on_loadFeatBtn_clicked();
    void on_loadRefBtn_clicked();
    void on_applyRefBtn_clicked();
    void on_d10kEdit_editingFinished();
    void on_d005maEdit_editingFinished();
    void on_rKShift0Edit_editingFinished();
    void on_rKShift1Edit_editingFinished();
    void on_dU1200LE_returnPressed();

    void on_dbSearchEdit_textChanged(const QString &text);
    void on_dbFindCB_currentIndexChanged(int row);
    void on_dbFindCB_activated(int row);
    void on_saveDBBtn_clicked();
    void on_addDBBtn_clicked();
    void on_rmDBBtn_clicked();
    void on_pushButton_3_clicked(); // load from a file
    void on_pushButton_4_clicked(); // save to a file
    void on_rmDevBtn_clicked();
    void on_pushButton_6_pressed(); // close, or enter service mode

    void setProgress(int devIndex, int progress, int maxProgress, quint8 address);

private:
    // The open record, provided the registry still holds it under the dialog's index.
    zorList::_zor *record() const;
    optionsZOR70 *image() const;
    bool isOpenFor(int index) const;

    void buildChMenus();
    static zorChFields::_field fieldOf(_column column);
    void popUpChMenu(int row, int column, const QPoint &at);
    void prepareChMenu(_column column, int ch);
    // Applies an edit to the channel of a column menu's "ch", or to every channel for -1,
    // and redraws the table once.
    void editChannels(_column column, const std::function<void(optionsZOR70 *, quint8)> &edit);
    void chooseCurrent(double mA);

    void storeDevField(zorDevFields::_field field, const QComboBox *box, int row);
    void fillChTable();
    void fillChRow(const optionsZOR70 &options, int ch);

    // An edited cell of a reference table (not a slot: no widget has that name).
    void on_refChange(QTableWidgetItem *item);
    // The reference tab from the image, and the snapshot box after it.
    void showRef();
    // An edit of the tab's own goes into the image; the reference data the tab was given
    // from outside (read, loaded) stays what a cancelled apply returns to. The tab keeps
    // the texts of a cancelled apply (unsentRef) until the next edit or outside data.
    void editRef(const std::function<void(optionsZOR70 *)> &edit);
    void restoreRef();

    // A number typed for an instrument that has none: until it is sent, nothing else
    // goes to the instrument (the image alone would already count it identified).
    bool numberPending() const;
    // A serial number typed but not applied leaves the image: the instrument's own is back.
    void dropTypedNumber();
    void read(quint8 address);
    QString proposedFileName() const;
    QString chooseFile(bool save);
    void enterServiceMode();
    void leaveServiceMode();

    Ui::devConfUI *ui;
    bool serviceKeyDown = false;
    const QStringList offOn;
    QMenu *chMenus[columnCount] = {};
    zorModeMenu *modeMenu = nullptr;
    QDoubleSpinBox *currentSpin = nullptr;
    bool editing = false; // the table is redrawn once the edit of its channels is over

    zorList *list;
    ZORSerialPort *port;
    zorSql *sql;
    zorList::_zor *zor = nullptr; // the open record; null while closed
    int index = -1;
    // A serial number typed in service mode goes to the instrument with the next apply;
    // the instrument's own number decides whether anything else may go with it.
    bool snEdited = false;
    quint32 snOfInstrument = 0;

    zorFileDialog *fileDialog;
    featconfui *featEditor;
    passDialog *passDlg;
    std::unique_ptr<zorRefTab> refTab;
    std::unique_ptr<zorSnapShotBox> snapBox;
    // The reference data (snapshot form) as last given to the tab from outside: what the
    // instrument holds, or what was loaded to be sent. Unsent edits are not in it.
    QByteArray refHeld;
    bool editingRef = false; // the tab's own edit is going into the image
    zorRefInput::_tab unsentRef;
};

#endif // DEVCONFUI_H
