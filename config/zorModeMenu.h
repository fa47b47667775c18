#ifndef ZORMODEMENU_H
#define ZORMODEMENU_H

#include <QMap>
#include <QMenu>

class QActionGroup;
class optionsZOR70;

// The choice of a channel's measurement mode together with its sensor: the plain modes,
// then submenus of the resistance-thermometer and thermocouple types and of the
// characteristic slots by their type. Every entry carries its mode as the property
// "chMode" and the channel's characteristic byte as data.
class zorModeMenu : public QMenu
{
    Q_OBJECT

public:
    explicit zorModeMenu(QWidget *parent = nullptr);

    // The characteristic types a characteristic mode (7, 9, 10) measures with.
    static QList<int> slotTypes(int mode);
    // A channel's mode name, with ": " and its sensor type for the nominal
    // characteristics, and with the name of its characteristic slot when slotNames is set.
    static QString modeText(const optionsZOR70 &options, int ch, bool slotNames);

    // Lists the characteristic slots of the image under "ИСХ ТС", "ИСХ ТП" and "ИСХ ПИ".
    void setFeatures(const optionsZOR70 &options);
    // Checks the mode and sensor of the channel; ch < 0 (every channel) checks nothing.
    void check(const optionsZOR70 &options, int ch);

signals:
    void modeChosen(int mode, quint8 feature);

private:
    QAction *addMode(QMenu *menu, int mode, const QString &text, int feature);
    QMenu *addSubMenu(int mode, const QString &title);

    QActionGroup *group; // every mode and sensor entry: one is the channel's
    QMap<int, QMenu *> subMenus; // by mode
};

#endif // ZORMODEMENU_H
