#include "registry/zorSnapShot.h"

#include "model/optionsZOR70.h"

QByteArray zorSnapShot::data(const optionsZOR70 &options)
{
    return options.getData();
}

QByteArray zorSnapShot::refData(const optionsZOR70 &options)
{
    return options.getRefData(true);
}

QVector<zorSql::zorSqlItem> zorSnapShot::find(zorSql *sql, const optionsZOR70 &options, int device_id)
{
    if (!sql)
        return {};
    const QByteArray bytes = data(options);
    const QByteArray refdata = refData(options);
    return sql->findSnapShot(&bytes, &refdata, device_id);
}

int zorSnapShot::store(zorSql *sql, const optionsZOR70 &options, int device_id, const QString &info,
                       int snapshot_id)
{
    if (!sql)
        return -1;
    const QByteArray bytes = data(options);
    const QByteArray refdata = refData(options);
    return sql->setSnapShot(device_id, &bytes, &refdata, info, snapshot_id);
}

bool zorSnapShot::load(optionsZOR70 *options, const QByteArray &data, const QByteArray &refdata)
{
    if (!options || data.size() != optionsZOR70::fullSize || !isRefData(refdata))
        return false;
    options->setData(data);
    return loadRefData(options, refdata);
}

bool zorSnapShot::loadRefData(optionsZOR70 *options, const QByteArray &refdata)
{
    if (!options || !isRefData(refdata))
        return false;
    options->setData(refdata.left(optionsZOR70::refSize), optionsZOR70::rdRef);
    if (refdata.size() > optionsZOR70::refSize && options->isExtended())
        options->setData(refdata.mid(optionsZOR70::refSize), optionsZOR70::rdRefdU);
    return true;
}

bool zorSnapShot::isRefData(const QByteArray &refdata)
{
    return refdata.size() == optionsZOR70::refSize
        || refdata.size() == optionsZOR70::refSize + optionsZOR70::refdUSize;
}
