#ifndef ZORREFTAB_H
#define ZORREFTAB_H

#include "config/zorRefInput.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class QLineEdit;
class QTableWidget;
class optionsZOR70;

namespace Ui {
class devConfUI;
}

// The reference tab of the settings dialog, on the widgets of the dialog's form: fills
// its tables and fields from the settings image without their signals, hands their
// texts back as zorRefInput parses them, and points the user at a cell at fault.
class zorRefTab
{
    Q_DECLARE_TR_FUNCTIONS(zorRefTab)

public:
    // Per-channel correction columns are this wide when they do not stretch.
    static constexpr int channelColumnWidth = 100;
    // Up to this many channels the per-channel columns stretch to the table's width.
    static constexpr int stretchedChannels = 8;

    explicit zorRefTab(Ui::devConfUI *ui);

    // Every table and field from the image, unmarked; the widgets emit nothing meanwhile.
    void fill(const optionsZOR70 &options);
    zorRefInput::_tab texts() const;
    // Texts (of texts()) the image does not hold, in place of the image's, each marked
    // as not sent to the instrument.
    void showUnsent(const zorRefInput::_tab &typed);
    // The tables whose edited cells are parsed back.
    QList<QTableWidget *> tables() const;
    // Brings the cell (or field) into view, selects it and returns its name for the user.
    QString showCell(const zorRefInput::_cell &cell);

private:
    QTableWidget *table(int group) const; // null for the coefficient fields
    QString title(int group) const;
    void fillTable(QTableWidget *table, const zorRefInput::_table &texts, zorRefInput::_group group);
    QList<QLineEdit *> coefFields() const; // by zorRefInput::_coef

    Ui::devConfUI *ui;
};

#endif // ZORREFTAB_H
