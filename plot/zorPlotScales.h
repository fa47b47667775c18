#ifndef ZORPLOTSCALES_H
#define ZORPLOTSCALES_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class QwtPlotTextLabel;
class QwtZOR;
class zorPointStore;
class zorSeriesData;

// The scales of the plot: the X and Y scale tables (a scale is the size of one of the
// ten divisions each axis shows), the indexes in force on the axes, how the axes are
// fitted to the drawn series, the decimals a Y scale calls for, and the corner caption
// that names the scales. All of it concerns the main channel of the current device.
class zorPlotScales
{
    Q_DECLARE_TR_FUNCTIONS(zorPlotScales)

public:
    struct TScaleX {
        QString label;
        int seconds;
    };
    struct TScaleY {
        QString label;
        double step;
    };

    zorPlotScales(QwtZOR &plot, const zorPointStore &store);

    // The tables; index 0 of either is automatic fitting.
    const QVector<TScaleX> &tableX() const { return m_tableX; }
    const QVector<TScaleY> &tableY() const { return m_tableY; }
    QStringList labelsX() const;
    QStringList labelsY() const;
    // Decimals of value texts and Y tick labels on the Y scale of that index.
    static uchar precisionOf(uchar scaleY);
    // The label of entry scale of a table, or with 255 that of the index in force for a
    // channel in mode (a QwtZOR::TmcMode) whose own index is own.
    QString labelX(uchar scale, int mode, uchar own) const;
    QString labelY(uchar scale, int mode, uchar own) const;
    // The names of the scaling modes (QwtZOR::TmcMode) and X label modes (TmcModeX); "-"
    // for an unknown one.
    static QString modeLabel(int mode);
    static QString modeXLabel(int modeX);
    // Puts the X tick label draw of the mode (QwtZOR::TmcModeX) on the plot.
    void setScaleDrawX(int modeX);
    // The first index from 1 whose division holds the given width (height); the last one
    // when none does.
    int indexForWidth(double width) const;
    int indexForHeight(double height) const;

    static constexpr uchar divX = 10;
    static constexpr uchar divY = 10;

    // The indexes in force on the axes.
    uchar curScaleX = 0;
    uchar curScaleY = 0;

    // Fits both axes to series, the drawn series of the main channel: automatically on
    // either axis whose index is 0 (or both with automatic), else the window of the fixed
    // scale that ends at the newest point.
    void apply(const zorSeriesData &series, bool automatic, uchar scaleX, uchar scaleY);
    // A window of ten divisions of the scale around centre; X never starts before 0.
    void setWindowX(double centre, uchar scale);
    void setWindowY(double centre, uchar scale);
    // Sets an axis and works out its divisions at once: the scale logic reads them back
    // before the next replot.
    void setAxisWindow(int axis, double min, double max, double step);

    // "Кн. № 1 [°C], dX: …, dY: …" at the top right corner; "" without a current channel.
    void updateCaption();

private:
    QwtZOR &m_plot;
    const zorPointStore &m_store;
    QVector<TScaleX> m_tableX;
    QVector<TScaleY> m_tableY;
    QwtPlotTextLabel *m_caption;

    // What the caption was last written from; it is rebuilt only when that changes.
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
    CaptionKey m_captionKey;
};

#endif // ZORPLOTSCALES_H
