#ifndef ZORSQL_H
#define ZORSQL_H

#include "db/zorPropertyKeys.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>

#include <utility>
#include <vector>

class QSqlQuery;

// The per-user database: instruments, settings snapshots, sensor characteristics,
// application and per-device properties. Every statement the program runs on the
// database lives here, so callers never carry SQL.
//
// It uses the default "QSQLITE" connection, on the GUI thread only. Every
// operation returns a neutral value (-1, "", an invalid QVariant, an empty
// container, false, or no action) when the database is closed or a statement
// fails; callers decide what to show. isUsable() and unusableReason() tell,
// once after construction, whether the file can be read and written at all;
// lastError() tells why a later operation failed, and every failed statement
// goes to the log.
class zorSql : public QObject
{
    Q_OBJECT

public:
    // One row of a snapshot list, or of a characteristic list (factory false).
    struct zorSqlItem
    {
        int id = 0;          // device_snapshot_id or feature_id; 0 for no row
        QString title;       // display line
        QString info;        // user's description
        bool factory = false;
    };

    // Why an operation failed: SQLite's result code, or one of zorSql's own
    // codes below, and the reason in Russian, for the user.
    struct _error
    {
        int code = 0; // 0: nothing failed
        QString text;
    };
    enum _errorCode { errClosed = -1, errNoDevice = -2 };

    // Opens the file at path; an empty path or a missing file leaves the object
    // closed (a missing file is not created: an empty database would hide the
    // template for good).
    explicit zorSql(const QString &path, QObject *parent = nullptr);
    // Compacts ("VACUUM;") a usable database when at least compactPercent of its
    // pages are free, closes it and frees the connection.
    ~zorSql() override;

    static constexpr int compactPercent = 10;

    bool isUsable() const;
    // Why the database is unusable, for the user; empty when it is usable.
    QString unusableReason() const;
    // Why the last operation failed; code 0 when its statements succeeded (a
    // write may still have changed no row).
    _error lastError() const;

    // Instruments.
    int addDev(unsigned type, unsigned number, const QString &name);
    // Rewrites the row after a confirmed write of references, name or serial number.
    bool updateDev(int device_id, unsigned type, unsigned number, const QString &name,
                   const QByteArray *refdata);
    // Deletes the device with its snapshots and properties; when a row went,
    // raises onMeasDBChange and returns true.
    bool rmDev(int device_id);

    // Settings snapshots.
    int getSnapShotCount(int device_id);
    QString getSnapShotInfo(int snapshot_id);
    int setSnapShot(int device_id, const QByteArray *data, const QByteArray *refdata,
                    const QString &info, int snapshot_id);
    QVector<zorSqlItem> findSnapShot(const QByteArray *data, const QByteArray *refdata,
                                     int device_id);
    // The snapshot's list entry; id 0 when there is no such snapshot.
    zorSqlItem getSnapShotItem(int snapshot_id);
    // Fills info, data and refdata from the snapshot; false unless exactly one row.
    bool loadSnapShot(int snapshot_id, QString *info, QByteArray *data, QByteArray *refdata);
    // Snapshots whose description or device name contains text, in any letter
    // case, or whose device number equals it; ordinary ones newest first, then
    // factory ones. At most limit of them (all for a negative limit); total, when
    // given, receives how many matched in all.
    QVector<zorSqlItem> searchSnapShot(const QString &text, int limit = -1, int *total = nullptr);
    // Never deletes a factory snapshot. True when a row was deleted.
    bool rmSnapShot(int snapshot_id);

    // Properties (keys in zorPropertyKeys). An invalid value deletes the key.
    QVariant getAppProperty(const QString &key);
    void setAppProperty(const QString &key, const QVariant &value);
    // The stored value of an application property, else its default.
    template <typename T>
    T getApp(const zorPropertyKey<T> &property)
    {
        const QVariant stored = getAppProperty(property.key);
        return stored.isValid() ? stored.value<T>() : property.fallback;
    }
    template <typename T>
    void setApp(const zorPropertyKey<T> &property, const T &value)
    {
        setAppProperty(property.key, QVariant(value));
    }
    // Deletes the stored value: reads give the default again.
    template <typename T>
    void resetApp(const zorPropertyKey<T> &property)
    {
        setAppProperty(property.key, QVariant());
    }
    // A device without plot properties of its own (zorPropertyKeys::plotPrefix) gets the
    // main device's.
    QMap<QString, QVariant> getDevProperty(int device_id);
    void setDevProperty(int device_id, const QString &key, const QVariant &value);

    // Sensor characteristics (340-byte records).
    int addFeature(const QByteArray *data, const QString &name, const QString &info);
    int setFeature(const QByteArray *data, const QString &name, const QString &info,
                   int feature_id);
    zorSqlItem getFeatureItem(int feature_id);
    // The first stored characteristic with exactly these bytes; id 0 when none.
    zorSqlItem findFeatureItem(const QByteArray *data);
    // The stored bytes; empty unless exactly one row.
    QByteArray loadFeature(int feature_id);
    // Characteristics whose name contains text, in any letter case.
    QVector<zorSqlItem> searchFeature(const QString &text);
    bool rmFeature(int feature_id);

    // Calibration points: when each was fixed, its set point and comment, and its
    // channels' figures as one encoded text (the stability layer reads and writes it).
    // Their table is made on first use, so a file that never held a point is unchanged.
    struct calPointRow
    {
        int id = 0;
        QDateTime fixedAt;
        QString setPoint;
        QString comment;
        QByteArray channels;
    };
    int addCalPoint(const QDateTime &fixedAt, const QString &setPoint, const QString &comment,
                    const QByteArray &channels);
    bool setCalPointNote(int point_id, const QString &setPoint, const QString &comment);
    bool rmCalPoint(int point_id);
    // Oldest first.
    QVector<calPointRow> calPoints();

    // Number of rows of an executed SELECT; the query keeps its position.
    static int querySize(QSqlQuery *query);

signals:
    void onMeasDBChange();

private:
    // A named parameter and its value; a statement binds exactly its own names.
    using Binding = std::pair<const char *, QVariant>;
    using Bindings = std::vector<Binding>;

    void open(const QString &path);
    QString probe();
    bool isWorthCompacting();
    // Remembers a failure as the last error and logs it with what failed.
    void fail(int code, const QString &what, const QString &detail);
    static QString errorText(int code);
    bool exec(QSqlQuery &query, const QString &statement, const Bindings &values);
    bool oneRow(QSqlQuery &query, const QString &statement, const Bindings &values);
    // Shared by the two writes of a property: UPDATE, then INSERT when no row changed.
    void setProperty(const QString &update, const QString &insert, const QString &remove,
                     const Bindings &keys, const char *valueName,
                     const QVariant &value);
    int insertFeature(const QByteArray &data, const QString &name, const QString &info);
    QVector<zorSqlItem> snapShotItems(QSqlQuery &query);
    static zorSqlItem snapShotItem(const QSqlQuery &query);
    static zorSqlItem featureItem(const QSqlQuery &query);
    static QString dateText(const QVariant &stored);

    bool makeCalPointTable();

    QSqlDatabase db;
    QString reason;
    _error error;
    QSet<QString> logged; // failures (code and what) logged as warnings
    bool calPointTable = false;
};

#endif // ZORSQL_H
