#ifndef ZORLIVEVIEW_H
#define ZORLIVEVIEW_H

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSet>

class QGroupBox;
class QLabel;
class QTableWidget;
class QTableWidgetItem;
class QwtZOR;
class zorList;
class zorRecorder;
class zorReplotThrottle;
class zorStabilityBoard;

// The live state of the main window's left panel: the device table, the channel
// table of the main device and the two big displays of its main channel.
//
// rebuild() fills everything from the registry and the plot. Readings arrive far
// faster than anyone can read a table: they only mark their cells, and the marked
// cells are rewritten at most once per refresh interval.
class zorLiveView : public QObject
{
    Q_OBJECT

public:
    // Device table columns.
    enum devColumn { dcShow, dcName, dcNumber, dcValue, dcUnit, dcChannel, dcStatus, dcStab, dcMarker, dcCount };
    // Channel table columns.
    enum chColumn { ccNumber, ccValue, ccUnit, ccDX, ccDY, ccDiff, ccStab, ccSettings, ccCount };
    static constexpr int refreshMs = 100;

    struct widgets
    {
        QTableWidget *devTable;
        QTableWidget *chTable;
        QLabel *measValue;
        QLabel *measUnit;
        QLabel *averValue;
        QLabel *averUnit;
        QGroupBox *lcdGroupBox;
    };

    zorLiveView(const widgets &ui, zorList *list, QwtZOR *plot, const zorRecorder *recorder, QObject *parent = nullptr);

    // The stability of the channels, shown in their own columns and with the main
    // channel's display; without it those columns stay empty.
    void setStability(const zorStabilityBoard *board) { stability = board; }

    // The registry index of the device whose channels are shown; -1 for none.
    int mainDev() const { return m_mainDev; }
    void setMainDev(int index) { m_mainDev = index; }
    // The registry index of a device table row; -1 for the header or no device.
    int indexOfRow(int row) const;

    // Rebuilds both tables and the displays.
    void rebuild();

    // A reading was plotted; beyond an active limit when alarm is set.
    void pointAdded(int qwtIndex, quint8 ch);
    void limitExceeded(int qwtIndex, quint8 ch);
    // A progress step of a device's exchange (link manager index); idle: the device
    // has nothing left to read or write.
    void progress(int devIndex, int progress, int maxProgress, quint8 address, bool idle);
    void devError(int index);
    void chError(int index, quint8 ch, quint8 code, const QString &msg);
    void status(int index);
    // The device's recording state changed (the recorder reports every row while its
    // file fails): its name cell follows at the next refresh.
    void recordingChanged(int index);
    // The plot's view of the main device changed: display styles and colour marks.
    void plotChanged();
    // Redraws the colour mark of one channel of the main device.
    void drawChMark(quint8 ch);

signals:
    // The header picture of the channel table was clicked.
    void chHeaderClicked();

private:
    void setupTables();
    void setHeader(QTableWidget *table, const QStringList &texts);
    void resizeDevTable();
    void fillDevRow(int row, int index);
    void fillDevValue(int row, int index);
    void fillDevRecording(int row, int index);
    void fillDevStatus(int row, int index);
    void fillChRows();
    void fillChRow(int qwtIndex, quint8 ch);
    void fillDisplays();
    void fillChStability(int qwtIndex, quint8 ch);
    void fillDevStability(int row, int qwtIndex);
    void showChErrors();
    void restoreMarker(int row, int index);
    void removeProgress(int row);
    void markDirty(int qwtIndex, quint8 ch);
    void refreshDirty();
    QTableWidgetItem *cell(QTableWidget *table, int row, int column);
    void setCellText(QTableWidget *table, int row, int column, const QString &text, const QColor &color);
    int rowOf(int index) const;
    int mainQwt() const;
    static int key(int qwtIndex, quint8 ch) { return qwtIndex * 256 + ch; }

    widgets ui;
    zorList *list;
    QwtZOR *plot;
    const zorRecorder *recorder;
    zorReplotThrottle *throttle;
    const QIcon recordIcon;   // read once: rows are filled again and again
    const zorStabilityBoard *stability = nullptr;
    int m_mainDev = -1;
    QSet<int> dirtyDevs;      // registry indices whose main channel has new readings
    QSet<int> dirtyChs;       // channels of the main device with new readings
    QSet<int> dirtyRecordings; // registry indices whose recording state changed
    bool displaysDirty = false;
    QSet<int> alarms;         // key(qwtIndex, ch) of values beyond a limit
    QHash<int, QString> chErrors; // key(qwtIndex, ch) -> error text until the next reading
};

#endif // ZORLIVEVIEW_H
