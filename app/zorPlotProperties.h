#ifndef ZORPLOTPROPERTIES_H
#define ZORPLOTPROPERTIES_H

#include <QMap>
#include <QObject>
#include <QVariant>

class QwtZOR;
class zorList;
class zorSql;

// The plot settings of each instrument, kept in the database under its device id:
// every change the plot reports is stored at once, and an instrument's stored
// settings are applied when it appears and when a channel of it appears.
class zorPlotProperties : public QObject
{
    Q_OBJECT

public:
    zorPlotProperties(zorSql *sql, zorList *list, QwtZOR *plot, QObject *parent = nullptr);

    // Applies the stored settings of the device (registry index) to the plot. True
    // when it is the stored main device (zorPropertyKeys::mainDevice).
    bool apply(int index);
    // Applies the stored settings of one channel (plot indices).
    void applyCh(int qwtIndex, quint8 ch);

private:
    // The database id of the plot device, or 0 while it is unknown.
    void applyCh(const QMap<QString, QVariant> &stored, int qwtIndex, quint8 ch);
    int dbIndexOf(int qwtIndex) const;
    void store(int qwtIndex, const QString &key, const QVariant &value);

    zorSql *sql;
    zorList *list;
    QwtZOR *plot;
    // Applying stored settings makes the plot report them as changes: not stored again.
    bool applying = false;
};

#endif // ZORPLOTPROPERTIES_H
