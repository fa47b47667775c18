#ifndef ZORPLOTINTERACTION_H
#define ZORPLOTINTERACTION_H

#include "plot/QwtZOR.h"

#include <QObject>
#include <QPen>
#include <QPointF>
#include <QRectF>

class QClipboard;
class QMouseEvent;
class QwtPlotGrid;
class QwtPlotMarker;
class QwtPlotPicker;
class QwtPlotZoomer;
class QwtZorPlotPickerWheele;
class QwtZorQwtPlotPicker;
class zorInfoPanel;
class zorPlotScales;

// What the mouse does on the plot: the pickers the channel's view mode makes live, the
// two measuring cursors with their info panels and statistics, rectangle zoom,
// right-button scrolling, the limit lines of the current device, wheel stepping of
// the scales, and copying panel values to the clipboard.
class zorPlotInteraction : public QObject
{
    Q_OBJECT

public:
    zorPlotInteraction(QwtZOR &plot, zorPlotScales &scales);

    // Makes the pickers of the view mode live, and only those.
    void usePickers(QwtZOR::TmcMode mode);
    void setLimitPickerEnabled(bool enabled);
    // A new limit line of a device: hidden, attached.
    QwtPlotMarker *newLimitLine();
    // Both cursors back to (0, 0) and hidden, both panels hidden.
    void resetMeasure();
    void hideCursors();
    void hidePanels();
    // The centre of the window in force in the zoom mode.
    QPointF zoomCentre() const;

    void mousePress(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);

public slots:
    // A zoom rectangle drawn: the scales that show it.
    void setZoomScale(QRectF rect);
    // A measuring cursor placed.
    void setMeasPoint(QPointF p);
    // The mouse moved while scrolling.
    void scrollCanvas(QPointF p);
    // A panel value clicked.
    void copyToClipboard();

private:
    // Rows of the two info panels.
    enum _measRow { rowX1, rowY1, rowX2, rowY2, rowGap1, rowDX, rowDY, rowGap2, rowMean, rowSko, rowCount };
    enum _trackRow { rowX, rowY };

    void clickSelected(const QPointF &p);
    void limitSelected(const QPointF &p);
    void wheelZoom(bool zoomIN);
    void addMeasPointFirst(const QPointF &p, QPoint pixel);
    void placePanel(zorInfoPanel *panel, const QPoint &pixel, Qt::Orientations move);
    void followMarkers(Qt::Orientation axis);
    QPointF trackerPos() const;
    QPoint toPixel(const QPointF &p) const;
    QString deltaXText(double x1, double x2) const;

    QwtZOR &m_plot;
    zorPlotScales &m_scales;
    int m_pressX = -1;
    int m_pressY = -1;

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
    QClipboard *clipboard = nullptr;
};

#endif // ZORPLOTINTERACTION_H
