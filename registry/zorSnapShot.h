#ifndef ZORSNAPSHOT_H
#define ZORSNAPSHOT_H

#include "db/zorSql.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class optionsZOR70;

// The one form of a settings snapshot: the full image as data and, as reference data,
// the reference block followed by the refdU block for the extended variant (1124 bytes;
// 1008 for the basic one). The registry and the settings dialog store, match and load
// snapshots only through here, so that each recognises what the other saved.
class zorSnapShot
{
public:
    static QByteArray data(const optionsZOR70 &options);
    static QByteArray refData(const optionsZOR70 &options);

    // The stored snapshots equal to the image's settings (zorSql::findSnapShot).
    static QVector<zorSql::zorSqlItem> find(zorSql *sql, const optionsZOR70 &options, int device_id);
    // Stores the image's settings (zorSql::setSnapShot); the snapshot id or -1.
    static int store(zorSql *sql, const optionsZOR70 &options, int device_id, const QString &info,
                     int snapshot_id);

    // Puts a stored snapshot into the image, all or nothing: false, and the image
    // untouched, unless data is a full image and refdata a reference block, with or
    // without the refdU block. An older snapshot without the refdU block leaves the
    // image's refdU values as they are; a basic instrument ignores that block.
    static bool load(optionsZOR70 *options, const QByteArray &data, const QByteArray &refdata);
    // The reference data alone, on the same terms.
    static bool loadRefData(optionsZOR70 *options, const QByteArray &refdata);

private:
    // A reference block, with or without the refdU block.
    static bool isRefData(const QByteArray &refdata);
};

#endif // ZORSNAPSHOT_H
