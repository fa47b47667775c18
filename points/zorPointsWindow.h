#ifndef ZORPOINTSWINDOW_H
#define ZORPOINTSWINDOW_H

#include "points/zorPointsReport.h"
#include "stability/zorCalPoint.h"

#include <QWidget>

namespace Ui {
class zorPointsWindow;
}

class QTreeWidgetItem;
class zorCalPointBook;
class zorPointStore;
class zorList;
class zorStabilityBoard;

// The "Точки" window: the channels a calibration point takes (all that read, unless
// unticked), fixing a point by hand or, with "Автоматически", as soon as every chosen
// channel is stable; the reference channel; the points with each channel's mean, σ,
// drift, n and deviation from the reference, their set point and comment editable;
// the stability criteria of each instrument and unit; the CSV table and the PDF report.
class zorPointsWindow : public QWidget
{
    Q_OBJECT

public:
    // Nothing is owned; everything must outlive the window.
    zorPointsWindow(zorCalPointBook *book, zorStabilityBoard *board, zorList *list, const zorPointStore *store,
                    QWidget *parent = nullptr);
    ~zorPointsWindow() override;

    // Fixes a point of the chosen channels that have readings; its id, or 0 when no
    // chosen channel has any.
    int fixPoint();
    bool writeCsv(const QString &file);
    bool writePdf(const QString &file);
    // What the report holds about the instruments of the points.
    QVector<zorPointsReport::instrument> instruments() const;
    void setAlerts(bool sound, bool note);

public slots:
    // The instruments or their channels changed.
    void refreshChannels();

signals:
    // The criteria of the device behind this plot index were edited on the board.
    void criteriaEdited(int qwtIndex);
    void alertsChanged(bool sound, bool note);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_fixBtn_clicked();
    void on_deleteBtn_clicked();
    void on_csvBtn_clicked();
    void on_pdfBtn_clicked();
    void on_referenceBox_activated(int index);
    void on_deviceBox_currentIndexChanged(int index);
    void on_unitBox_currentIndexChanged(int index);
    void on_sigmaSpin_editingFinished();
    void on_driftSpin_editingFinished();
    void on_windowSpin_editingFinished();
    void on_soundBox_clicked();
    void on_noteBox_clicked();
    void on_pointTree_itemChanged(QTreeWidgetItem *item, int column);

private:
    void fillTree();
    void showCriteria();
    void storeCriteria();
    void stableChanged();
    QVector<QPair<int, int>> chosen() const;
    QString channelName(int qwtIndex, int ch) const;

    Ui::zorPointsWindow *ui;
    zorCalPointBook *book;
    zorStabilityBoard *board;
    zorList *list;
    const zorPointStore *store;
    bool autoArmed = true; // a point is fixed automatically once per stable stretch
};

#endif // ZORPOINTSWINDOW_H
