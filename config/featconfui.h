#ifndef FEATCONFUI_H
#define FEATCONFUI_H

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace Ui {
class featconfui;
}

class QTableWidgetItem;
class featureZOR70;
class tpReperUI;
class zorSql;
class zorFileDialog;
class zorStoredEntryBox;

// Edits one sensor characteristic of a settings image: type, name and coefficient
// table. It works on a private working copy; the edited characteristic changes only when
// the user applies, and in apply mode is then sent to the instrument (onApply). It also
// stores characteristics in the database, exchanges them with ".dat" files and
// recalculates thermocouple tables from three fixed points.
class featconfui : public QDialog
{
    Q_OBJECT

public:
    explicit featconfui(zorSql *sql, QWidget *parent = nullptr);
    ~featconfui() override;

    // Prepares the editor for feature (setEdited) and runs it modally. Rejected at once
    // without a characteristic.
    int show(featureZOR70 *feature, bool applyMode);
    using QDialog::show;
    // The preparation alone: a working copy of feature, no database entry chosen, the
    // apply button named for the mode, the table, type and name of the copy.
    void setEdited(featureZOR70 *feature, bool applyMode);

    // Takes type, name and the texts of all cells into the working copy. False when they
    // make no characteristic of the type; with final the user is told so.
    bool setFeature(bool final);

private slots:
    void on_pushButton_2_clicked();
    void on_featType_currentIndexChanged(int index);
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void needUpd();
    void findSqlItem();
    void on_rmDBBtn_clicked();
    void on_saveDBBtn_clicked();
    void on_searchEdit_textChanged(const QString &text);
    void on_addDBBtn_clicked();
    void on_dbFindCB_activated(int index);
    void on_dbFindCB_currentIndexChanged(int index);
    void on_featName_editingFinished();
    void on_reperTPBtn_clicked();
    void on_ratioTable_cellChanged(int row, int column);
    void on_addColumnAction_triggered();
    void on_addRowAction_triggered();

private:
    int currentType() const;
    // Type, name and table from the working copy.
    void showWorkingCopy();
    // The working copy changed: it goes into the copy and the database box follows.
    void workingCopyEdited();
    void setCell(int row, int column, const QString &text);
    // Cell texts column by column, as a ".dat" file holds them; setCells fills the table
    // from such a list (growing it when needed) and empties the cells beyond.
    QStringList fileCells() const;
    void setCells(const QStringList &cells);
    // Cell texts in coefficient order, an unedited cell at the full precision of the
    // working copy rather than as shown.
    QStringList ratioTexts() const;
    void updateRange();
    void updateAddActions();
    void loadSqlItem(int index);
    // After a write to the database: the box rebuilt, and the user told of a failure.
    void stored(const QString &failure, bool done);

    Ui::featconfui *ui;
    zorSql *sql;
    QPointer<featureZOR70> edited; // in a settings image that may go while the editor runs
    featureZOR70 *working;
    std::unique_ptr<zorStoredEntryBox> dbBox;
    int feature_id = 0;
    bool applyMode = false;
    zorFileDialog *fileDialog = nullptr;
    QStringList reperList;
    tpReperUI *reper = nullptr;
    // Whose description infoText shows, so that rebuilding the box does not wipe what
    // the user is typing.
    int infoShownFor = -1;
};

#endif // FEATCONFUI_H
