#ifndef QWTZOR_H
#define QWTZOR_H

#include "plot/zorPlotScales.h"
#include "plot/zorPointStore.h"

#include <QColor>
#include <QDateTime>
#include <QPointF>
#include <map>
#include <memory>
#include <qwt_plot.h>
#include <vector>

class QwtPlotMarker;
class zorPlotCurve;
class zorPlotInteraction;
class zorReplotThrottle;

// The time plot of the main window. It keeps, per instrument (a device, keyed by
// its plot index qwtIndex) and per measuring channel, every reading since the last
// clear with its 10-point moving average and, for a channel linked to a partner, the
// difference series; it draws the main channel of the current device and lets the
// user measure, zoom, scroll and set limit lines with the mouse.
//
// The readings live in a zorPointStore (store()), the axes are chosen by
// zorPlotScales, and the mouse is served by zorPlotInteraction; this class ties them
// together with the curves, the view settings of each channel and the signals.
//
// Operations that name a device take qwtIndex, a negative one meaning the current
// device; those that name a channel take ch, 255 meaning the device's main channel.
// Unknown devices and channels make setters do nothing and getters return defaults.
//
// Readings may arrive at thousands per second and a series may hold millions of
// points: adding a point costs O(1) (O(log n) for the shown channel), curves read
// the series in place, and redraws are folded to at most one per 40 ms whose cost
// follows the canvas width, not the number of points.
class QwtZOR : public QwtPlot
{
    Q_OBJECT

public:
    // How the axes of the main channel are chosen and what the mouse does.
    enum TmcMode {
        mcAuto = 0,     // both axes fitted to the data
        mcTracking = 1, // axes follow the newest point with the channel's scales
        mcZoom = 2,     // dragging a rectangle zooms into it
        mcMeasure = 3,  // two measuring cursors
        mcShift = 4,    // dragging scrolls the canvas
        mcLimits = 5,   // dragging places the limit lines
    };
    Q_ENUM(TmcMode)

    // What the X tick labels show.
    enum TmcModeX {
        mcxSec = 0, // seconds since start
        mcxRel = 1, // elapsed time as a clock
        mcxAbs = 2, // wall-clock date and time
    };
    Q_ENUM(TmcModeX)

    // Which limit lines are checked and shown.
    enum TmcTrackingMode {
        tmOff = 0,
        tmBoth = 1,
        tmUpper = 2,
        tmLower = 3,
    };
    Q_ENUM(TmcTrackingMode)

    // One X (Y) scale: the size of one division.
    using TScaleX = zorPlotScales::TScaleX;
    using TScaleY = zorPlotScales::TScaleY;

    explicit QwtZOR(QWidget *parent = nullptr);
    ~QwtZOR() override;

    // Every reading of every device, for reading without the widget.
    const zorPointStore &store() const { return m_store; }
    // For a writer beside the plot (a results file read back), which fills only devices
    // the plot has made and calls storeChanged() for each device it changed.
    zorPointStore &editStore() { return m_store; }

    // Devices
    int addDev();
    void removeDev(int qwtIndex);
    // Clears the device's series and counts its time from start.
    void prepareMeas(int qwtIndex, const QDateTime &start);
    // The device's series were filled or restarted in the store by someone else (a
    // results file read back): its new channels get their views, silently, and the
    // labels, axes and curves follow.
    void storeChanged(int qwtIndex);
    void setChCount(uchar count, int qwtIndex);
    void clear(int qwtIndex);

    // Points; false when the reading was not stored or was refused.
    bool addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch);
    bool addPoint(double val, const QString &dim, int qwtIndex, uchar ch);
    // A reading that reached the program at msecsSinceEpoch.
    bool addPointAt(double val, qint64 msecsSinceEpoch, const QString &dim, int qwtIndex, uchar ch);
    // A block of readings of one channel (values[i] at times[i]), stored as addPoint
    // stores them one by one but announced once: onAddPoint when any was stored,
    // onErrorAddPoint when any was rejected or refused (after onAddPoint when the last
    // one was), onPointTrackOff when any stored value lies beyond an active limit line.
    // The number of points stored.
    int addPoints(const QVector<double> &values, const QVector<double> &times, const QString &dim, int qwtIndex,
                  uchar ch);
    // Room for count points of the channel in all (made with the channels below it when
    // it is not there yet), so that a long series filled in blocks is not moved in
    // memory as it grows.
    void reserve(int count, int qwtIndex, uchar ch);

    // Visibility and colour
    bool toggleMeasShow(int qwtIndex);
    bool toggleMeasShow();
    bool toggleAverShow(int qwtIndex);
    bool toggleAverShow();
    bool getMeasShow(int qwtIndex) const;
    bool getMeasShow() const;
    bool getAverShow(int qwtIndex) const;
    bool getAverShow() const;
    QColor getChColor(int qwtIndex, uchar ch) const;

    // Getters
    uchar getChCount(int qwtIndex) const;
    int getChMain(int qwtIndex) const;
    bool getChShow(int qwtIndex, uchar ch) const;
    QString getChDim(int qwtIndex, uchar ch) const;
    // Unit of one stored point (the last one for a negative or too large index).
    QString getChDim(int qwtIndex, uchar ch, int index) const;
    TmcMode getChMode(int qwtIndex, uchar ch) const;
    TmcModeX getChModeX(int qwtIndex, uchar ch) const;
    TmcTrackingMode getModeTrack(int qwtIndex) const;
    QDateTime getStartDateTime(int qwtIndex) const;
    uchar getPrecision(int qwtIndex, uchar ch) const;
    // Point counts, values and time stamps: of the difference series with diff set
    // on a linked channel, else of the raw series. A negative or too large index
    // means the newest point.
    int getChMeasCount(int qwtIndex, uchar ch, bool diff = false) const;
    double getChMeas(int qwtIndex, uchar ch, int index = -1, bool diff = false) const;
    double getChTime(int qwtIndex, uchar ch, int index = -1, bool diff = false) const;
    // max(prec, 2) decimals, a negative prec taking the channel's precision; "--"
    // while the last reading was rejected.
    QString getChMeasStr(int qwtIndex, uchar ch, signed char prec = -1, int index = -1, bool diff = false) const;
    // Whole seconds of the raw time stamp whatever diff says; "" without points.
    QString getChTimeStr(int qwtIndex, uchar ch, int index = -1, bool diff = false) const;

    // Scales and labels
    void setChScaleX(uchar scale, int qwtIndex, uchar ch);
    void setChScaleY(uchar scale, int qwtIndex, uchar ch);
    uchar getChScaleX(int qwtIndex, uchar ch) const;
    uchar getChScaleY(int qwtIndex, uchar ch) const;
    // The label of table entry scale, or with 255 that of the scale in force by the mode.
    QString getScaleXLabel(int qwtIndex, uchar ch, uchar scale = 255) const;
    QString getScaleYLabel(int qwtIndex, uchar ch, uchar scale = 255) const;
    // All entries of the scale tables, for the scale menus.
    QStringList scaleXLabels() const;
    QStringList scaleYLabels() const;
    QString getChModeLabel(int qwtIndex, uchar ch) const;
    QString getChModeXLabel(int qwtIndex, uchar ch) const;
    void setChModeX(TmcModeX mode, int qwtIndex, uchar ch);
    void setChMode(TmcMode mode, int qwtIndex, uchar ch);
    void calcPrecision(uchar scaleY, int qwtIndex, uchar ch);
    void applyScale();
    void updLabelScale();

    // Difference channels
    void setChDiff(uchar partnerCh, int partnerDev, int qwtIndex, uchar ch);
    void getChDiff(uchar *partnerCh, int *partnerDev, int qwtIndex, uchar ch) const;
    // The moving average: of the differences on a linked channel (whatever diff
    // says), else of the raw values.
    QString getChAverStr(int qwtIndex, uchar ch, signed char prec = -1, int index = -1, bool diff = false) const;
    QString getChDXStr(int qwtIndex, uchar ch) const;
    QString getChDYStr(int qwtIndex, uchar ch) const;

    // Limit lines of the current device.
    void setModeTrack(TmcTrackingMode mode);

    // A position as the X axis and the tracker name it.
    QString getXText(double x) const;
    QString getYText(double y) const;

public slots:
    void setDevMain(int qwtIndex);
    void setChMain(uchar ch, int qwtIndex);
    void setChMain(uchar ch);
    void setChMain();
    void setDevShow(bool show, int qwtIndex);
    void setChShow(bool show, int qwtIndex, uchar ch);
    void setMeasShow(bool show, int qwtIndex);
    void setMeasShow(bool show);
    void setAverShow(bool show, int qwtIndex);
    void setAverShow(bool show);
    void setChColor(QColor color, int qwtIndex, uchar ch);

    void changeModeX(int mode);
    void changeMode(int mode);
    void changeScaleX(int indexX);
    void changeScaleY(int indexY);

signals:
    void onChScaleXChange(int qwtIndex, uchar ch, uchar scale);
    void onChScaleYChange(int qwtIndex, uchar ch, uchar scale);
    void onChColorChange(int qwtIndex, uchar ch, QColor color);
    void onChShowChange(int qwtIndex, uchar ch, bool show);
    void onChMainChange(int qwtIndex, uchar mainCh);
    void onChModeXChange(int qwtIndex, uchar ch, QwtZOR::TmcModeX mode);
    void onChModeChange(int qwtIndex, uchar ch, QwtZOR::TmcMode mode);
    void onModeTrackChange(int qwtIndex, uchar ch, QwtZOR::TmcTrackingMode mode);
    void onMeasShowChange(int qwtIndex, bool show);
    void onAverShowChange(int qwtIndex, bool show);
    void onAddPoint(int qwtIndex, uchar ch);
    void onAddCh(int qwtIndex, uchar ch);
    void onChange(int qwtIndex);
    void onDevChange(int qwtIndex);
    void onPointTrackOff(int qwtIndex, uchar ch);
    void onErrorAddPoint(int qwtIndex, uchar ch);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class zorPlotInteraction;

    // How a channel is viewed, beside its readings in the store. The curves read the
    // channel's series from the store by device and channel number.
    struct _ch {
        std::unique_ptr<zorPlotCurve> curveAver;
        std::unique_ptr<zorPlotCurve> curveMeas;
        uchar scaleX = 0;         // the channel's own X scale index, 0 = automatic
        uchar scaleY = 0;         // the channel's own Y scale index, 0 = automatic
        TmcMode mode = mcAuto;
        TmcModeX modeX = mcxSec;
        bool show = true;         // this channel is drawn for its device
    };

    struct _dev {
        std::vector<_ch> chs;
        bool devShow = false;
        bool measShow = true;
        bool averShow = true;
        TmcTrackingMode modeTrack = tmOff;
        std::unique_ptr<QwtPlotMarker> markerUp;
        std::unique_ptr<QwtPlotMarker> markerDown;
    };

    _dev *findView(int &qwtIndex);
    const _dev *findView(int &qwtIndex) const;
    _ch *findChView(int &qwtIndex, uchar &ch);
    const _ch *findChView(int &qwtIndex, uchar &ch) const;
    // Whether the channel (both indexes resolved) is the one drawn: the main
    // channel of the current device.
    bool isCurrentMain(int qwtIndex, uchar ch) const;
    void addChannelViews(_dev &d, int qwtIndex, int count);
    void setCurvesVisible(_ch &c, bool meas, bool aver);
    void afterUnlink(const QVector<QPair<int, uchar>> &channels);
    bool makeCh(int &qwtIndex, uchar ch);
    void pointsAdded(int qwtIndex, uchar ch, int from);
    void checkLimits(int qwtIndex, uchar ch, int from);
    void requestReplot();
    void setChScale(Qt::Orientation axis, uchar scale, int qwtIndex, uchar ch);
    void setScaleDrawX(TmcModeX mode);
    void relabelTime();
    // The view of the current device changed without a setting of it (zoom, scroll).
    void viewChanged();

    zorPointStore m_store;
    std::map<int, _dev> m_views;
    zorPlotScales m_scales;
    zorPlotInteraction *m_interaction = nullptr;
    zorReplotThrottle *m_replotThrottle = nullptr;
    int m_clockBack = 0; // readings refused because the wall clock stepped back
};

#endif // QWTZOR_H
