#ifndef ZORCALPOINTBOOK_H
#define ZORCALPOINTBOOK_H

#include "stability/zorCalPoint.h"

#include <QObject>

class zorSql;

// The calibration points of the user, kept in the database and in memory in the
// order they were fixed, with the reference channel deviations are taken from (an
// application property). GUI thread only.
class zorCalPointBook : public QObject
{
    Q_OBJECT

public:
    // sql is not owned; null keeps the points in memory only.
    explicit zorCalPointBook(zorSql *sql, QObject *parent = nullptr);

    // Reads the stored points.
    void load();
    const QVector<zorCalPoint> &points() const { return m_points; }
    const zorCalPoint *find(int id) const;

    // Stores the point and appends it; its id, or -1 when the database refused it
    // (the point is kept in memory all the same, under a negative id).
    int fix(zorCalPoint point);
    bool remove(int id);
    bool annotate(int id, const QString &setPoint, const QString &comment);

    zorCalPoint::reference reference() const { return m_reference; }
    void setReference(const zorCalPoint::reference &ref);

signals:
    void changed();

private:
    zorSql *sql;
    QVector<zorCalPoint> m_points;
    zorCalPoint::reference m_reference;
    int m_unstored = 0;
};

#endif // ZORCALPOINTBOOK_H
