#ifndef ZORSTABILITYFEED_H
#define ZORSTABILITYFEED_H

#include "stability/zorStabilityCriteria.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QMessageBox;
class QwtZOR;
class zorAlertSound;
class zorList;
class zorSql;
class zorStableShading;
class zorStabilityBoard;

// Ties the stability of the channels to the running program: every reading the plot
// stores goes into the stability board under the device's plot index, each
// instrument's criteria come from its database row, the plot shades the stretches in
// which the main channel of the shown device was stable, and when every channel of
// an instrument becomes stable the user may hear the alert and get a note that
// blocks nothing (application properties "stability_sound" and "stability_note").
class zorStabilityFeed : public QObject
{
    Q_OBJECT

public:
    zorStabilityFeed(zorList *list, QwtZOR *plot, zorSql *sql, zorAlertSound *sound, QObject *parent = nullptr);

    zorStabilityBoard *board() const { return m_board; }
    // The criteria of the instrument behind a plot index were edited: store and apply them.
    void criteriaEdited(int qwtIndex);
    // Reads the criteria of the instrument again (its database row may have changed).
    void reloadCriteria(int index);

    bool soundOn() const;
    bool noteOn() const;
    // The criteria the instrument with this serial number starts with while it has none
    // stored (the demo instrument, whose bath holds a set point for minutes, not hours).
    void setStartCriteria(quint32 serialNumber, const zorStabilityCriteria &criteria);
    void setSoundOn(bool on);
    void setNoteOn(bool on);

private:
    void take(int qwtIndex, quint8 ch);
    void loadCriteria(int qwtIndex);
    void shade();
    void devStable(int qwtIndex, bool stable);

    zorList *list;
    QwtZOR *plot;
    zorSql *sql;
    zorAlertSound *sound;
    zorStabilityBoard *m_board;
    zorStableShading *shading; // owned by the plot
    QHash<int, int> loaded;    // plot index -> database id whose criteria the board has
    QHash<int, QPointer<QMessageBox>> notes;
    QHash<quint32, zorStabilityCriteria> startCriteria; // by serial number
};

#endif // ZORSTABILITYFEED_H
