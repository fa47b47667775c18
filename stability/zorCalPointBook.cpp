#include "stability/zorCalPointBook.h"

#include "db/zorSql.h"
#include "stability/zorStabilityLog.h"

namespace {
namespace keys = zorPropertyKeys;
} // namespace

zorCalPointBook::zorCalPointBook(zorSql *sql, QObject *parent)
    : QObject(parent)
    , sql(sql)
{
}

void zorCalPointBook::load()
{
    m_points.clear();
    if (sql) {
        for (const zorSql::calPointRow &row : sql->calPoints())
            m_points.append({row.id, row.fixedAt, row.setPoint, row.comment, zorCalPoint::channelsFrom(row.channels)});
        const QStringList ref = sql->getApp(keys::calibrationReference).split(':');
        if (ref.size() == 2)
            m_reference = {ref.at(0).toInt(), ref.at(1).toInt()};
    }
    emit changed();
}

const zorCalPoint *zorCalPointBook::find(int id) const
{
    for (const zorCalPoint &p : m_points)
        if (p.id == id)
            return &p;
    return nullptr;
}

int zorCalPointBook::fix(zorCalPoint point)
{
    const int id = sql ? sql->addCalPoint(point.fixedAt, point.setPoint, point.comment, point.channelsData()) : -1;
    if (id <= 0)
        qCWarning(lcStability) << "calibration point kept in memory only";
    point.id = id > 0 ? id : --m_unstored;
    m_points.append(point);
    emit changed();
    return id > 0 ? id : -1;
}

bool zorCalPointBook::remove(int id)
{
    for (int i = 0; i < m_points.size(); ++i) {
        if (m_points.at(i).id != id)
            continue;
        if (id > 0 && sql && !sql->rmCalPoint(id))
            return false;
        m_points.removeAt(i);
        emit changed();
        return true;
    }
    return false;
}

bool zorCalPointBook::annotate(int id, const QString &setPoint, const QString &comment)
{
    for (zorCalPoint &p : m_points) {
        if (p.id != id)
            continue;
        if (id > 0 && sql && !sql->setCalPointNote(id, setPoint, comment))
            return false;
        p.setPoint = setPoint;
        p.comment = comment;
        emit changed();
        return true;
    }
    return false;
}

void zorCalPointBook::setReference(const zorCalPoint::reference &ref)
{
    m_reference = ref;
    if (sql) {
        if (ref.isSet())
            sql->setApp(keys::calibrationReference, QString("%1:%2").arg(ref.deviceId).arg(ref.ch));
        else
            sql->resetApp(keys::calibrationReference);
    }
    emit changed();
}
