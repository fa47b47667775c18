#ifndef QWTZOR_H
#define QWTZOR_H

#include "plot/zorDimList.h"

#include <QColor>
#include <QDateTime>
#include <QMap>
#include <QPen>
#include <QPointF>
#include <QVector>
#include <qwt_plot.h>

class QClipboard;
class QwtPlotGrid;
class QwtPlotMarker;
class QwtPlotPicker;
class QwtPlotTextLabel;
class QwtPlotZoomer;
class QwtZorPlotPickerWheele;
class QwtZorQwtPlotPicker;
class zorInfoPanel;
class zorPlotCurve;
class zorReplotThrottle;

// The time plot of the main window. It keeps, per instrument (a device, keyed by
// its plot index qwtIndex) and per measuring channel, every reading since the last
// clear with its 10-point moving average and, for a channel linked to a partner, the
// difference series; it draws the main channel of the current device and lets the
// user measure, zoom, scroll and set limit lines with the mouse.
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

    // One X scale: the size of one division.
    struct TScaleX {
        QString label;
        int seconds;
    };
    // One Y scale: the size of one division.
    struct TScaleY {
        QString label;
        double step;
    };

    struct _ch {
        // meas[i], aver[i], time[i] and dims[i] are one point; the difference
        // series run in parallel with each other.
        QVector<double> meas;
        QVector<double> aver;
        QVector<double> time;
        QVector<double> diffMeas;
        QVector<double> diffAver;
        QVector<double> diffTime;
        zorDimList dims;
        zorPlotCurve *curveAver = nullptr;
        zorPlotCurve *curveMeas = nullptr;
        QString dim;              // unit of the last accepted point
        int diffDev = -1;         // difference partner, -1 = none
        uchar diffCh = 255;       // difference partner channel, 255 = none
        uchar precision = 0;      // decimals of value texts
        uchar scaleX = 0;         // the channel's own X scale index, 0 = automatic
        uchar scaleY = 0;         // the channel's own Y scale index, 0 = automatic
        TmcMode mode = mcAuto;
        TmcModeX modeX = mcxSec;
        double sumMeas = 0.0;     // running sums of the moving averages
        double sumDiff = 0.0;
        bool pointError = true;   // the last reading was rejected, or none came yet
        bool show = true;         // this channel is drawn for its device
    };

    struct _dev {
        uchar mainCh = 0;
        QVector<_ch> chs;
        bool devShow = false;
        bool measShow = true;
        bool averShow = true;
        QDateTime startDateTime;  // time stamps are seconds since this moment
        TmcTrackingMode modeTrack = tmOff;
        QwtPlotMarker *markerUp = nullptr;
        QwtPlotMarker *markerDown = nullptr;
        qint64 startMSecs = 0;    // startDateTime in ms since the epoch, for cheap time stamps
    };

    explicit QwtZOR(QWidget *parent = nullptr);
    ~QwtZOR() override;

    // Devices
    int addDev();
    void removeDev(int qwtIndex);
    void prepareMeas(int qwtIndex, const QDateTime &start);
    void setChCount(uchar count, int qwtIndex);
    void clear(int qwtIndex);

    // Points; false when the reading was not stored or was refused.
    bool addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch);
    bool addPoint(double val, const QString &dim, int qwtIndex, uchar ch);

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

private slots:
    void scrollCanvas(QPointF p);
    void setMeasPoint(QPointF p);
    void setZoomScale(QRectF rect);
    void copyToClipboard();
    void limitSelected(const QPointF &p);

private:
    // Rows of the two info panels.
    enum MeasRow { rowX1, rowY1, rowX2, rowY2, rowGap1, rowDX, rowDY, rowGap2, rowMean, rowSko, rowCount };
    enum TrackRow { rowX, rowY };

    void buildInteraction();
    void clickSelected(const QPointF &p);
    void wheelZoom(bool zoomIN);
    void addMeasPointFirst(const QPointF &p, QPoint pixel);
    void resetMeasure();
    void placePanel(zorInfoPanel *panel, const QPoint &pixel, Qt::Orientations move);
    void followMarkers(Qt::Orientation axis);
    QPointF trackerPos() const;
    QPoint toPixel(const QPointF &p) const;

    _dev *findDev(int &qwtIndex);
    const _dev *findDev(int &qwtIndex) const;
    _ch *findCh(int &qwtIndex, uchar &ch);
    const _ch *findCh(int &qwtIndex, uchar &ch) const;
    static bool isLinked(const _ch &c);
    static int mainOf(const _dev &d);
    // Whether the channel (both indexes resolved) is the one drawn: the main
    // channel of the current device.
    bool isCurrentMain(int qwtIndex, uchar ch) const;
    // Points the curves at the series they draw; moved: the same series at a new address.
    void bindCurves(_ch &c, bool moved);
    void setCurvesVisible(_ch &c, bool meas, bool aver);
    bool diffStep(_ch &c, double val, double time);
    void rebuildDiff(_ch &c, const _ch &partner);
    void checkLimits(int qwtIndex, uchar ch);
    void requestReplot();
    void setChScale(Qt::Orientation axis, uchar scale, int qwtIndex, uchar ch);
    void setScaleDrawX(TmcModeX mode);
    void setAxisWindow(int axis, double min, double max, double step);
    void setWindowX(double centre, uchar scale);
    void setWindowY(double centre, uchar scale);
    QString deltaXText(double x1, double x2) const;
    QString valueText(const _ch &c, const QVector<double> &series, signed char prec, int index,
                      uchar fallbackPrecision) const;

    QVector<TScaleX> scaleXTable;
    QVector<TScaleY> scaleYTable;
    QDateTime startDateTimeDefault;
    uchar divY = 10;
    uchar divX = 10;
    int pressX = -1;
    int pressY = -1;
    int curDev = -1;
    QMap<int, _dev> devs;
    uchar curScaleX = 0;
    uchar curScaleY = 0;

    zorInfoPanel *panelMeas = nullptr;
    zorInfoPanel *panelTrack = nullptr;
    QwtPlotMarker *markerMeas1 = nullptr;
    QwtPlotMarker *markerMeas2 = nullptr;
    QwtPlotGrid *grid = nullptr;
    QwtPlotPicker *pickerClick = nullptr;
    QwtPlotPicker *pickerScroll = nullptr;
    QwtPlotZoomer *zoomer = nullptr;
    QwtPlotPicker *pickerMeasure = nullptr;
    QwtPlotPicker *pickerLimits = nullptr;
    QwtZorQwtPlotPicker *pickerTracker = nullptr;
    QPointF scrollAnchor{-1.0, -1.0};
    QPen penMeas;
    QPen penLimits;
    QwtZorPlotPickerWheele *pickerWheel = nullptr;
    QwtPlotTextLabel *labelScale = nullptr;
    QClipboard *clipboard = nullptr;

    zorReplotThrottle *replotThrottle = nullptr;
    // What the corner caption was last written from; it is rebuilt only when that changes.
    struct CaptionKey {
        int dev = -2;
        int ch = -1;
        QString dim;
        uchar scaleX = 0;
        uchar scaleY = 0;
        bool operator==(const CaptionKey &other) const
        {
            return dev == other.dev && ch == other.ch && scaleX == other.scaleX && scaleY == other.scaleY
                && dim == other.dim;
        }
    };
    CaptionKey captionKey;
};

#endif // QWTZOR_H
