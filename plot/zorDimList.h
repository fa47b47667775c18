#ifndef ZORDIMLIST_H
#define ZORDIMLIST_H

#include <QString>
#include <QVector>

// The unit text of every point of a channel. A channel keeps its unit for long
// stretches, so the list stores one entry per run of equal units: a point costs
// nothing unless its unit differs from the one before.
class zorDimList
{
public:
    // Appends count points (1 by default) of unit dim.
    void append(const QString &dim, int count = 1);
    void clear();
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // Unit of point index (0 <= index < size()).
    QString at(int index) const;

private:
    int m_size = 0;
    QVector<int> m_starts;   // first point of each run
    QVector<QString> m_dims; // unit of each run
};

#endif // ZORDIMLIST_H
