#include "db/zorSql.h"

#include "db/zorDbLog.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

// The tables every statement below relies on.
const QStringList requiredTables = {
    "device", "device_snapshot", "device_snapshot_property",
    "device_property", "app_property", "feature"
};

// Columns shared by the snapshot list statements, in the order snapShotItem reads them.
const char snapShotColumns[] =
    " SELECT  device_snapshot.device_snapshot_id, device_snapshot.device_snapshot_datetime,"
    " device_snapshot.device_snapshot_factory, device_snapshot.device_snapshot_info,"
    " device.device_type,  device.device_number,  device.device_name "
    " FROM device, device_snapshot ";
const char snapShotOrder[] =
    " ORDER BY device_snapshot.device_snapshot_factory, device_snapshot.device_snapshot_datetime DESC";

// Columns of the characteristic list statements, in the order featureItem reads them.
const char featureColumns[] =
    "SELECT feature_id, feature_name, feature_datetime, feature_info FROM feature";

const char featureLookup[] =
    " SELECT feature_id, feature_data, feature_name, feature_info FROM feature";

const char snapShotLookup[] =
    " SELECT device_snapshot_id, device_snapshot_data, device_snapshot_refdata,"
    " device_snapshot_info FROM device_snapshot WHERE ";

// Characteristics are typed by their first byte, read as signed 8-bit.
int featureType(const QByteArray &data)
{
    return data.isEmpty() ? 0 : int(qint8(data.at(0)));
}

} // namespace

zorSql::zorSql(const QString &path, QObject *parent)
    : QObject(parent)
{
    if (path.isEmpty()) {
        reason = tr("Не задан путь к базе данных");
        return;
    }
    if (!QFileInfo(path).isFile()) {
        reason = tr("Файл базы данных %1 не найден").arg(path);
        return;
    }
    open(path);
}

zorSql::~zorSql()
{
    if (db.isOpen()) {
        if (reason.isEmpty() && isWorthCompacting())
            QSqlQuery(db).exec("VACUUM;");
        db.close();
    }
    if (db.isValid()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }
}

void zorSql::open(const QString &path)
{
    db = QSqlDatabase::addDatabase("QSQLITE");
    db.setDatabaseName(path);
    // Opening succeeds even on a file of random bytes; probe() finds out what is wrong.
    if (!db.open()) {
        reason = tr("Не удалось открыть базу данных %1: %2").arg(path, db.lastError().text());
        return;
    }
    const QString problem = probe();
    if (!problem.isEmpty()) {
        reason = tr("База данных %1 непригодна: %2").arg(path, problem);
        return;
    }
    // The text search of snapshots reads the first page of every snapshot row
    // (about 10 MiB for 20,000 snapshots); a page cache that holds them all keeps
    // repeated searches off the disk. Pages are only allocated as they are read.
    QSqlQuery query(db);
    query.exec("PRAGMA cache_size=-32768");
}

// Empty when the file reads as a database with every table and accepts writes.
QString zorSql::probe()
{
    QSqlQuery query(db);
    if (!query.exec("SELECT name FROM sqlite_master WHERE type='table'"))
        return query.lastError().text();
    QStringList missing = requiredTables;
    while (query.next())
        missing.removeAll(query.value(0).toString());
    if (!missing.isEmpty())
        return tr("нет таблиц %1").arg(missing.join(", "));

    // A write needs the file and, for its journal, the directory: rewrite the
    // header field user_version inside a transaction and roll it back.
    if (!query.exec("BEGIN IMMEDIATE"))
        return query.lastError().text();
    QString problem;
    if (!query.exec("PRAGMA user_version") || !query.next())
        problem = query.lastError().text();
    else if (!query.exec(QString("PRAGMA user_version=%1").arg(query.value(0).toInt())))
        problem = query.lastError().text();
    query.exec("ROLLBACK");
    return problem;
}

// VACUUM rewrites the whole file (seconds for hundreds of MiB, with the window
// frozen on close): run it only when free pages make up a real share of the file.
bool zorSql::isWorthCompacting()
{
    QSqlQuery query(db);
    if (!query.exec("PRAGMA page_count") || !query.next())
        return false;
    const qint64 pages = query.value(0).toLongLong();
    if (!query.exec("PRAGMA freelist_count") || !query.next())
        return false;
    const qint64 freePages = query.value(0).toLongLong();
    return pages > 0 && freePages * 100 >= pages * compactPercent;
}

bool zorSql::isUsable() const
{
    return reason.isEmpty();
}

QString zorSql::unusableReason() const
{
    return reason;
}

zorSql::_error zorSql::lastError() const
{
    return error;
}

void zorSql::fail(int code, const QString &what, const QString &detail)
{
    error = {code, errorText(code)};
    // A database found unusable at start-up fails at every statement, and the user was
    // told so then; a failing one repeats the same failure at every save: each kind is
    // logged once as a warning, its repeats only among the debug messages.
    const QString kind = QString::number(code) + ' ' + what;
    const QString line = QStringLiteral("error %1 (%2): %3 | %4").arg(code).arg(error.text, what, detail);
    if (reason.isEmpty() && !logged.contains(kind)) {
        logged.insert(kind);
        qCWarning(lcDb).noquote() << line;
    } else {
        qCDebug(lcDb).noquote() << line;
    }
}

// SQLite's primary result codes a write meets on a user's machine, and zorSql's own.
QString zorSql::errorText(int code)
{
    switch (code > 0 ? code & 0xFF : code) {
    case errClosed: return tr("база данных не открыта");
    case errNoDevice: return tr("прибора нет в базе данных");
    case 5: // SQLITE_BUSY
    case 6: return tr("база данных занята другой программой"); // SQLITE_LOCKED
    case 7: return tr("недостаточно памяти"); // SQLITE_NOMEM
    case 8: return tr("база данных доступна только для чтения"); // SQLITE_READONLY
    case 10: return tr("ошибка чтения или записи файла базы данных"); // SQLITE_IOERR
    case 11: // SQLITE_CORRUPT
    case 26: return tr("файл базы данных повреждён"); // SQLITE_NOTADB
    case 13: return tr("нет места на диске"); // SQLITE_FULL
    case 14: return tr("не удаётся открыть файл базы данных или его журнал"); // SQLITE_CANTOPEN
    case 19: return tr("запись противоречит данным базы"); // SQLITE_CONSTRAINT
    default: return tr("ошибка SQLite");
    }
}

bool zorSql::exec(QSqlQuery &query, const QString &statement, const Bindings &values)
{
    error = {};
    if (query.prepare(statement)) {
        for (const Binding &value : values)
            query.bindValue(QLatin1String(value.first), value.second);
        if (query.exec())
            return true;
    }
    // The driver names SQLite's result code; a failure without one is SQLITE_ERROR.
    const QSqlError failure = query.lastError();
    bool numbered = false;
    const int code = failure.nativeErrorCode().toInt(&numbered);
    fail(numbered && code != 0 ? code : 1, statement.simplified(), failure.text());
    return false;
}

// True when the statement succeeded with exactly one row; the query is then on it.
bool zorSql::oneRow(QSqlQuery &query, const QString &statement, const Bindings &values)
{
    return exec(query, statement, values) && querySize(&query) == 1 && query.first();
}

int zorSql::querySize(QSqlQuery *query)
{
    const int position = query->at();
    const int size = query->last() ? query->at() + 1 : 0;
    if (position == QSql::AfterLastRow)
        query->next();
    else
        query->seek(position); // a negative position puts it before the first row
    return size;
}

int zorSql::addDev(unsigned type, unsigned number, const QString &name)
{
    if (!db.isOpen())
        return -1;
    QSqlQuery query(db);
    if (oneRow(query, "SELECT device_id FROM device WHERE device_type=:device_type AND device_number=:device_number",
               {{":device_type", type}, {":device_number", number}}))
        return query.value(0).toInt();
    if (!exec(query, " INSERT INTO device (device_type, device_number, device_name, device_name_search)"
                     " VALUES(:device_type, :device_number, :device_name, :device_name_search)",
              {{":device_type", type}, {":device_number", number},
               {":device_name", name}, {":device_name_search", name.toLower()}}))
        return -1;
    return query.lastInsertId().toInt();
}

bool zorSql::updateDev(int device_id, unsigned type, unsigned number, const QString &name,
                       const QByteArray *refdata)
{
    if (!db.isOpen() || !refdata)
        return false;
    QSqlQuery query(db);
    return exec(query, " UPDATE device SET device_refdata=:device_refdata, device_type=:device_type,"
                       " device_number=:device_number, device_name=:device_name,"
                       " device_name_search=:device_name_search WHERE device_id=:device_id",
                {{":device_refdata", *refdata}, {":device_type", type}, {":device_number", number},
                 {":device_name", name}, {":device_name_search", name.toLower()},
                 {":device_id", device_id}})
        && query.numRowsAffected() == 1;
}

bool zorSql::rmDev(int device_id)
{
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!exec(query, "DELETE FROM device WHERE device_id=:device_id", {{":device_id", device_id}})
        || query.numRowsAffected() < 1)
        return false;
    emit onMeasDBChange();
    return true;
}

int zorSql::getSnapShotCount(int device_id)
{
    if (!db.isOpen() || device_id < 1)
        return -1;
    QSqlQuery query(db);
    if (!exec(query, "SELECT device_id FROM device_snapshot WHERE device_id=:device_id",
              {{":device_id", device_id}}))
        return -1;
    return querySize(&query);
}

QString zorSql::getSnapShotInfo(int snapshot_id)
{
    if (!db.isOpen())
        return QString();
    QSqlQuery query(db);
    if (!oneRow(query, "SELECT device_snapshot_info FROM device_snapshot WHERE device_snapshot_id=:device_snapshot_id",
                {{":device_snapshot_id", snapshot_id}}))
        return QString();
    return query.value(0).toString();
}

int zorSql::setSnapShot(int device_id, const QByteArray *data, const QByteArray *refdata,
                        const QString &info, int snapshot_id)
{
    if (!data || !refdata)
        return -1;
    if (!db.isOpen()) {
        fail(errClosed, "setSnapShot", reason);
        return -1;
    }
    QSqlQuery query(db);
    if (device_id < 1
        || !oneRow(query, "SELECT device_id FROM device WHERE device_id=:device_id", {{":device_id", device_id}})) {
        if (!query.lastError().isValid())
            fail(errNoDevice, "setSnapShot", QStringLiteral("device %1").arg(device_id));
        return -1;
    }

    // The factory snapshot is never found here, so it is never changed.
    const bool found = snapshot_id < 1
        ? oneRow(query, QString(snapShotLookup)
                     + "device_snapshot_data=:device_snapshot_data AND device_snapshot_refdata=:device_snapshot_refdata"
                       " AND device_id=:device_id AND device_snapshot_factory='0'",
                 {{":device_snapshot_data", *data}, {":device_snapshot_refdata", *refdata},
                  {":device_id", device_id}})
        : oneRow(query, QString(snapShotLookup)
                     + "device_snapshot_id=:device_snapshot_id AND device_id=:device_id AND device_snapshot_factory='0'",
                 {{":device_snapshot_id", snapshot_id}, {":device_id", device_id}});
    if (found) {
        const int id = query.value(0).toInt();
        if (query.value(1).toByteArray() == *data && query.value(2).toByteArray() == *refdata
            && query.value(3).toString() == info)
            return id;
        if (!exec(query, " UPDATE device_snapshot SET  device_snapshot_info=:device_snapshot_info,"
                         " device_snapshot_info_search=:device_snapshot_info_search,"
                         " device_snapshot_data=:device_snapshot_data, device_snapshot_refdata=:device_snapshot_refdata"
                         " WHERE device_id=:device_id AND device_snapshot_id=:device_snapshot_id",
                  {{":device_snapshot_info", info}, {":device_snapshot_info_search", info.toLower()},
                   {":device_snapshot_data", *data}, {":device_snapshot_refdata", *refdata},
                   {":device_id", device_id}, {":device_snapshot_id", id}}))
            return -1;
        return id;
    }

    // The first snapshot of a device is its factory snapshot.
    const bool factory = getSnapShotCount(device_id) < 1;
    const QString insert = factory
        ? " INSERT INTO device_snapshot ( device_id, device_snapshot_info, device_snapshot_info_search,"
          " device_snapshot_datetime, device_snapshot_data, device_snapshot_refdata, device_snapshot_factory )"
          "VALUES(:device_id, :device_snapshot_info, :device_snapshot_info_search, :device_snapshot_datetime,"
          " :device_snapshot_data, :device_snapshot_refdata, 1)"
        : " INSERT INTO device_snapshot ( device_id, device_snapshot_info, device_snapshot_info_search,"
          " device_snapshot_datetime, device_snapshot_data, device_snapshot_refdata )"
          "VALUES(:device_id, :device_snapshot_info, :device_snapshot_info_search, :device_snapshot_datetime,"
          " :device_snapshot_data, :device_snapshot_refdata)";
    if (!exec(query, insert,
              {{":device_id", device_id}, {":device_snapshot_info", info},
               {":device_snapshot_info_search", info.toLower()},
               {":device_snapshot_datetime", QDateTime::currentDateTime()},
               {":device_snapshot_data", *data}, {":device_snapshot_refdata", *refdata}}))
        return -1;
    return query.lastInsertId().toInt();
}

QVector<zorSql::zorSqlItem> zorSql::findSnapShot(const QByteArray *data, const QByteArray *refdata,
                                                 int device_id)
{
    if (!db.isOpen() || !data || !refdata)
        return {};
    const QString content =
        QString(snapShotColumns)
        + " WHERE  device_snapshot.device_snapshot_data=:device_snapshot_data"
          " AND device_snapshot.device_snapshot_refdata=:device_snapshot_refdata"
          " AND device.device_id=device_snapshot.device_id";
    QSqlQuery query(db);
    const bool done = device_id < 1
        ? exec(query, content + snapShotOrder,
               {{":device_snapshot_data", *data}, {":device_snapshot_refdata", *refdata}})
        : exec(query, content + " AND device_snapshot.device_id=:device_id" + snapShotOrder,
               {{":device_snapshot_data", *data}, {":device_snapshot_refdata", *refdata},
                {":device_id", device_id}});
    return done ? snapShotItems(query) : QVector<zorSqlItem>();
}

zorSql::zorSqlItem zorSql::getSnapShotItem(int snapshot_id)
{
    if (!db.isOpen())
        return {};
    QSqlQuery query(db);
    if (!oneRow(query, QString(snapShotColumns)
                    + " WHERE  device.device_id=device_snapshot.device_id "
                      " AND device_snapshot.device_snapshot_id=:device_snapshot_id ",
                {{":device_snapshot_id", snapshot_id}}))
        return {};
    return snapShotItem(query);
}

bool zorSql::loadSnapShot(int snapshot_id, QString *info, QByteArray *data, QByteArray *refdata)
{
    if (!db.isOpen() || !info || !data || !refdata)
        return false;
    QSqlQuery query(db);
    if (!oneRow(query, "SELECT device_snapshot_info, device_snapshot_data, device_snapshot_refdata"
                       " FROM device_snapshot WHERE device_snapshot_id=:device_snapshot_id",
                {{":device_snapshot_id", snapshot_id}}))
        return false;
    *info = query.value(0).toString();
    *data = query.value(1).toByteArray();
    *refdata = query.value(2).toByteArray();
    return true;
}

QVector<zorSql::zorSqlItem> zorSql::searchSnapShot(const QString &text, int limit, int *total)
{
    if (total)
        *total = 0;
    if (!db.isOpen())
        return {};
    // The search columns hold lower-case text and LIKE folds only Latin letters,
    // so the pattern is lower-cased too: "Завод" must find "заводская".
    const Bindings pattern = {{":search", text}, {":search_text", "%" + text.toLower() + "%"}};
    const QString matching =
        " WHERE  (device_snapshot.device_snapshot_info_search LIKE :search_text"
        " OR device.device_name_search LIKE :search_text OR device.device_number=:search)"
        " AND device.device_id=device_snapshot.device_id";
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A list of thousands helps nobody and costs most of the time: only the newest are
    // listed. Their ids are chosen first, so that only they, not every matching row, go
    // through the sort with all their columns; a count over the same rows, far cheaper,
    // tells how many matched.
    const QString statement = limit < 0
        ? snapShotColumns + matching + snapShotOrder
        : snapShotColumns
              + QString(" WHERE device.device_id=device_snapshot.device_id AND device_snapshot.device_snapshot_id IN"
                        " (SELECT device_snapshot.device_snapshot_id FROM device, device_snapshot %1 %2 LIMIT %3)")
                    .arg(matching, snapShotOrder)
                    .arg(limit)
              + snapShotOrder;
    if (!exec(query, statement, pattern))
        return {};
    const QVector<zorSqlItem> items = snapShotItems(query);
    if (!total)
        return items;
    *total = items.size();
    if (limit >= 0 && items.size() >= limit
        && exec(query, "SELECT COUNT(*) FROM device, device_snapshot " + matching, pattern) && query.next())
        *total = query.value(0).toInt();
    return items;
}

bool zorSql::rmSnapShot(int snapshot_id)
{
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    return exec(query, "DELETE FROM device_snapshot WHERE device_snapshot_id=:device_snapshot_id"
                       " AND device_snapshot_factory='0'",
                {{":device_snapshot_id", snapshot_id}})
        && query.numRowsAffected() > 0;
}

QVector<zorSql::zorSqlItem> zorSql::snapShotItems(QSqlQuery &query)
{
    QVector<zorSqlItem> items;
    while (query.next())
        items.append(snapShotItem(query));
    return items;
}

zorSql::zorSqlItem zorSql::snapShotItem(const QSqlQuery &query)
{
    zorSqlItem item;
    item.id = query.value(0).toInt();
    item.factory = query.value(2).toInt() != 0;
    item.info = query.value(3).toString();
    item.title = query.value(6).toString() + " № "
        + QString("%1").arg(query.value(5).toLongLong(), 4, 10, QChar('0'))
        + tr(" от ") + dateText(query.value(1));
    if (item.factory)
        item.title += " (" + tr("Заводская") + ")";
    return item;
}

zorSql::zorSqlItem zorSql::featureItem(const QSqlQuery &query)
{
    zorSqlItem item;
    item.id = query.value(0).toInt();
    item.title = query.value(1).toString() + tr(" от ") + dateText(query.value(2));
    item.info = query.value(3).toString();
    return item;
}

// The stored text is the local wall-clock time already; taking date and time
// apart shows it as stored and spares a time-zone lookup per row, which made
// long result lists several times slower.
QString zorSql::dateText(const QVariant &stored)
{
    // The weekday is named in Russian like the rest of the interface, whatever the
    // system's locale is.
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QString text = stored.toString(); // "yyyy-MM-ddTHH:mm:ss.zzz"
    return russian.toString(QDate::fromString(text.left(10), Qt::ISODate), QStringLiteral("dddd dd.MM.yyyy")) + " "
        + QTime::fromString(text.mid(11), Qt::ISODateWithMs).toString("HH:mm");
}

QVariant zorSql::getAppProperty(const QString &key)
{
    if (!db.isOpen() || key.isEmpty())
        return QVariant();
    QSqlQuery query(db);
    if (!oneRow(query, "SELECT app_property_val FROM app_property WHERE app_property_key=:app_property_key",
                {{":app_property_key", key}}))
        return QVariant();
    return query.value(0);
}

void zorSql::setAppProperty(const QString &key, const QVariant &value)
{
    if (!db.isOpen() || key.isEmpty())
        return;
    setProperty(" UPDATE app_property SET app_property_val=:app_property_val WHERE app_property_key=:app_property_key",
                "INSERT INTO app_property (app_property_key, app_property_val)VALUES(:app_property_key, :app_property_val)",
                "DELETE FROM app_property WHERE app_property_key=:app_property_key",
                {{":app_property_key", key}}, ":app_property_val", value);
}

QMap<QString, QVariant> zorSql::getDevProperty(int device_id)
{
    QMap<QString, QVariant> properties;
    if (!db.isOpen() || device_id < 0)
        return properties;
    QSqlQuery query(db);
    if (!exec(query, "SELECT device_property_key, device_property_val FROM device_property WHERE device_id=:device_id",
              {{":device_id", device_id}}))
        return properties;
    while (query.next())
        properties.insert(query.value(0).toString(), query.value(1));
    // A device without plot settings of its own borrows the main device's; its other
    // properties (stability criteria) do not count as plot settings.
    const QString plot = QLatin1String(zorPropertyKeys::plotPrefix);
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        if (it.key().startsWith(plot))
            return properties;
    if (!exec(query,
              "SELECT device_property.device_property_key, device_property_val FROM app_property, device_property"
              " WHERE device_property.device_id=app_property.app_property_val"
              " AND app_property.app_property_key=:main_key"
              " AND device_property.device_property_key LIKE :plot_keys",
              {{":main_key", QString::fromLatin1(zorPropertyKeys::mainDevice.key)}, {":plot_keys", plot + '%'}}))
        return properties;
    while (query.next())
        properties.insert(query.value(0).toString(), query.value(1));
    return properties;
}

void zorSql::setDevProperty(int device_id, const QString &key, const QVariant &value)
{
    if (!db.isOpen() || device_id < 0 || key.isEmpty())
        return;
    setProperty(" UPDATE device_property  SET device_property_val=:device_property_val "
                " WHERE device_id=:device_id AND device_property_key=:device_property_key",
                "INSERT INTO device_property (device_id, device_property_key, device_property_val)"
                "VALUES(:device_id, :device_property_key, :device_property_val)",
                "DELETE FROM device_property WHERE device_id=:device_id AND device_property_key=:device_property_key",
                {{":device_id", device_id}, {":device_property_key", key}}, ":device_property_val", value);
}

// An invalid value deletes the key; a failed UPDATE is not followed by an INSERT.
void zorSql::setProperty(const QString &update, const QString &insert, const QString &remove,
                         const Bindings &keys, const char *valueName,
                         const QVariant &value)
{
    QSqlQuery query(db);
    if (!value.isValid()) {
        exec(query, remove, keys);
        return;
    }
    Bindings values = keys;
    values.emplace_back(valueName, value);
    if (exec(query, update, values) && query.numRowsAffected() != 1)
        exec(query, insert, values);
}

int zorSql::addFeature(const QByteArray *data, const QString &name, const QString &info)
{
    if (!data)
        return -1;
    if (!db.isOpen()) {
        fail(errClosed, "addFeature", reason);
        return -1;
    }
    return insertFeature(*data, name, info);
}

int zorSql::insertFeature(const QByteArray &data, const QString &name, const QString &info)
{
    QSqlQuery query(db);
    if (!exec(query, " INSERT INTO feature  (feature_type, feature_name, feature_name_search, feature_datetime,"
                     " feature_info, feature_data) VALUES(:feature_type, :feature_name, :feature_name_search,"
                     " :feature_datetime, :feature_info, :feature_data)",
              {{":feature_type", featureType(data)}, {":feature_name", name},
               {":feature_name_search", name.toLower()}, {":feature_datetime", QDateTime::currentDateTime()},
               {":feature_info", info}, {":feature_data", data}}))
        return -1;
    return query.lastInsertId().toInt();
}

int zorSql::setFeature(const QByteArray *data, const QString &name, const QString &info, int feature_id)
{
    if (!data)
        return -1;
    if (!db.isOpen()) {
        fail(errClosed, "setFeature", reason);
        return -1;
    }
    QSqlQuery query(db);
    const bool found = feature_id < 1
        ? oneRow(query, QString(featureLookup) + " WHERE feature_data=:feature_data", {{":feature_data", *data}})
        : oneRow(query, QString(featureLookup) + " WHERE feature_id=:feature_id", {{":feature_id", feature_id}});
    if (!found)
        return insertFeature(*data, name, info);

    const int id = query.value(0).toInt();
    if (query.value(1).toByteArray() == *data && query.value(2).toString() == name
        && query.value(3).toString() == info)
        return id;
    if (!exec(query, " UPDATE feature  SET  feature_type=:feature_type,  feature_datetime=:feature_datetime,"
                     "  feature_name=:feature_name,  feature_name_search=:feature_name_search,"
                     "  feature_info=:feature_info,  feature_data=:feature_data WHERE feature_id=:feature_id",
              {{":feature_type", featureType(*data)}, {":feature_datetime", QDateTime::currentDateTime()},
               {":feature_name", name}, {":feature_name_search", name.toLower()},
               {":feature_info", info}, {":feature_data", *data}, {":feature_id", id}}))
        return -1;
    return id;
}

zorSql::zorSqlItem zorSql::getFeatureItem(int feature_id)
{
    if (!db.isOpen())
        return {};
    QSqlQuery query(db);
    if (!oneRow(query, QString(featureColumns) + " WHERE feature_id=:feature_id", {{":feature_id", feature_id}}))
        return {};
    return featureItem(query);
}

zorSql::zorSqlItem zorSql::findFeatureItem(const QByteArray *data)
{
    if (!db.isOpen() || !data)
        return {};
    QSqlQuery query(db);
    if (!oneRow(query, QString(featureColumns) + " WHERE feature_data=:feature_data LIMIT 1",
                {{":feature_data", *data}}))
        return {};
    return featureItem(query);
}

QByteArray zorSql::loadFeature(int feature_id)
{
    if (!db.isOpen())
        return QByteArray();
    QSqlQuery query(db);
    if (!oneRow(query, "SELECT feature_data FROM feature WHERE feature_id=:feature_id", {{":feature_id", feature_id}}))
        return QByteArray();
    return query.value(0).toByteArray();
}

QVector<zorSql::zorSqlItem> zorSql::searchFeature(const QString &text)
{
    QVector<zorSqlItem> items;
    if (!db.isOpen())
        return items;
    QSqlQuery query(db);
    if (!exec(query, QString(featureColumns) + " WHERE feature_name_search LIKE :feature_name_search",
              {{":feature_name_search", "%" + text.toLower() + "%"}}))
        return items;
    while (query.next())
        items.append(featureItem(query));
    return items;
}

bool zorSql::rmFeature(int feature_id)
{
    if (!db.isOpen()) {
        fail(errClosed, "rmFeature", reason);
        return false;
    }
    QSqlQuery query(db);
    return exec(query, "DELETE FROM feature WHERE feature_id=:feature_id", {{":feature_id", feature_id}})
        && query.numRowsAffected() > 0;
}

namespace {
// A null text binds as NULL; the texts of a point are empty instead.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}
} // namespace

bool zorSql::makeCalPointTable()
{
    if (calPointTable || !db.isOpen())
        return calPointTable;
    QSqlQuery query(db);
    calPointTable = query.exec("CREATE TABLE IF NOT EXISTS calibration_point ("
                               " calibration_point_id INTEGER PRIMARY KEY AUTOINCREMENT,"
                               " calibration_point_datetime TEXT NOT NULL,"
                               " calibration_point_set TEXT NOT NULL DEFAULT '',"
                               " calibration_point_comment TEXT NOT NULL DEFAULT '',"
                               " calibration_point_data TEXT NOT NULL)");
    if (!calPointTable)
        qCWarning(lcDb) << "no calibration point table:" << query.lastError().text();
    return calPointTable;
}

int zorSql::addCalPoint(const QDateTime &fixedAt, const QString &setPoint, const QString &comment,
                        const QByteArray &channels)
{
    if (!makeCalPointTable())
        return -1;
    QSqlQuery query(db);
    if (!exec(query, "INSERT INTO calibration_point (calibration_point_datetime, calibration_point_set,"
                     " calibration_point_comment, calibration_point_data) VALUES(:datetime, :set, :comment, :data)",
              {{":datetime", fixedAt.toString(Qt::ISODateWithMs)}, {":set", notNull(setPoint)}, {":comment", notNull(comment)},
               {":data", QString::fromUtf8(channels)}}))
        return -1;
    return query.lastInsertId().toInt();
}

bool zorSql::setCalPointNote(int point_id, const QString &setPoint, const QString &comment)
{
    if (!makeCalPointTable())
        return false;
    QSqlQuery query(db);
    return exec(query, "UPDATE calibration_point SET calibration_point_set=:set, calibration_point_comment=:comment"
                       " WHERE calibration_point_id=:id",
                {{":set", notNull(setPoint)}, {":comment", notNull(comment)}, {":id", point_id}})
        && query.numRowsAffected() > 0;
}

bool zorSql::rmCalPoint(int point_id)
{
    if (!makeCalPointTable())
        return false;
    QSqlQuery query(db);
    return exec(query, "DELETE FROM calibration_point WHERE calibration_point_id=:id", {{":id", point_id}})
        && query.numRowsAffected() > 0;
}

QVector<zorSql::calPointRow> zorSql::calPoints()
{
    QVector<calPointRow> rows;
    if (!makeCalPointTable())
        return rows;
    QSqlQuery query(db);
    if (!query.exec("SELECT calibration_point_id, calibration_point_datetime, calibration_point_set,"
                    " calibration_point_comment, calibration_point_data FROM calibration_point"
                    " ORDER BY calibration_point_id"))
        return rows;
    while (query.next())
        rows.append({query.value(0).toInt(), QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs),
                     query.value(2).toString(), query.value(3).toString(), query.value(4).toString().toUtf8()});
    return rows;
}
