#ifndef ZORPLOTMENUS_H
#define ZORPLOTMENUS_H

#include <QObject>

class QMenu;
class QPoint;
class QWidget;
class QwtZOR;
class zorList;

// The plot's menus: the settings menu of the plot's "☰" button, and the scale,
// scaling mode and time label lists it shares with the buttons below the plot.
// Each list acts on the main channel of the current device and checks the entry in
// force whenever it opens.
class zorPlotMenus : public QObject
{
    Q_OBJECT

public:
    zorPlotMenus(QwtZOR *plot, zorList *list, QWidget *parent);

    QMenu *settings() const { return m_settings; }
    QMenu *scaleX() const { return m_scaleX; }
    QMenu *scaleY() const { return m_scaleY; }
    QMenu *mode() const { return m_mode; }
    QMenu *modeX() const { return m_modeX; }
    QMenu *diff() const { return m_diff; }

    // Opens the difference list for channel ch of the plot device qwtIndex.
    void popupDiff(int qwtIndex, quint8 ch, const QPoint &at);

private:
    QMenu *listMenu(const QString &title, const QStringList &entries, void (QwtZOR::*apply)(int),
                    int (*current)(const QwtZOR *));
    QMenu *showMenu();
    void chooseColour();
    void fillDiff();

    QwtZOR *plot;
    zorList *list;
    QWidget *window;
    QMenu *m_settings;
    QMenu *m_scaleX;
    QMenu *m_scaleY;
    QMenu *m_mode;
    QMenu *m_modeX;
    QMenu *m_diff;
};

#endif // ZORPLOTMENUS_H
