#include "db/zorSql.h"
#include "db/zorSqlFile.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// One call on the database under test and what it returns.
using Op = std::function<QVariant(zorSql &)>;
Q_DECLARE_METATYPE(Op)

namespace {

const unsigned zorType = 0x301AA0F;
const QByteArray refdata(1008, 'r');
const QString quoted = "Поверка O\"Brien' 100%_x";

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every row of one statement on the file as its values joined with "|" ("error" when it fails),
// through a connection of its own, never the program's default one.
QStringList sqlRows(const QString &path, const QString &statement)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sqlRows");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(statement))
            rows << "error";
        while (query.next()) {
            rows << query.value(0).toString();
            for (int i = 1; i < query.record().count(); ++i)
                rows.last() += '|' + query.value(i).toString();
        }
    }
    QSqlDatabase::removeDatabase("sqlRows");
    return rows;
}

// Everything of a database the program relies on: the definitions of its tables, columns,
// indexes and triggers, every row, and the file format.
QStringList dump(const QString &path)
{
    QStringList all = sqlRows(path, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
    for (const QString &table : sqlRows(path, "SELECT name FROM sqlite_master WHERE type='table'"))
        all << table << sqlRows(path, QString("SELECT * FROM \"%1\"").arg(table));
    for (const char *pragma : {"page_size", "encoding", "user_version", "journal_mode"})
        all << sqlRows(path, QString("PRAGMA %1").arg(pragma));
    return all;
}

// setSnapShot of a device, or setFeature for device 0, with data of one repeated byte.
int save(zorSql &s, int device, char fill, const QString &name, int id)
{
    const QByteArray data(device ? 11132 : 340, fill);
    return device ? s.setSnapShot(device, &data, &refdata, name, id) : s.setFeature(&data, name, "", id);
}

// The descriptions of the snapshots found by their bytes, or by text when fill is 0, in list order.
QString found(zorSql &s, char fill, int device, const QString &text = QString())
{
    const QByteArray data(11132, fill);
    QStringList list;
    for (const auto &item : fill ? s.findSnapShot(&data, &refdata, device) : s.searchSnapShot(text))
        list << item.info;
    return list.join("; ");
}

QVariant setApp(zorSql &s, const QString &key, const QVariant &value)
{
    s.setAppProperty(key, value);
    return s.getAppProperty(key);
}

// Sets a property unless key is empty, and returns the device's properties as "key=value;...".
QString setDev(zorSql &s, int device, const QString &key, const QVariant &value)
{
    if (!key.isEmpty())
        s.setDevProperty(device, key, value);
    QStringList list;
    const QMap<QString, QVariant> map = s.getDevProperty(device);
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        list << it.key() + "=" + it.value().toString();
    return list.join(';');
}

void row(const char *name, const Op &op, const QVariant &result, const QString &check = QString(),
         const QStringList &after = QStringList())
{
    QTest::newRow(name) << op << result << check << after;
}

} // namespace

// The template, the user's database file at start-up, and the operations of zorSql.
class test_zorSql : public QObject
{
    Q_OBJECT
    QScopedPointer<QTemporaryDir> dir;
    QString path;
    QScopedPointer<zorSql> sql;

    // A fresh copy of the template: three instruments (the first snapshot of each its factory one, the third has
    // none), a characteristic, plot properties of devices 1 (main) and 2, a property of the first three snapshots.
    void store()
    {
        path = zorSqlFile::prepare(dir->path()).path();
        sql.reset(new zorSql(path));
        QSqlDatabase db = QSqlDatabase::database();
        QVERIFY(db.transaction()); // one write to the disk instead of one a call
        QVERIFY(sql->addDev(zorType, 7, "ЗОР-Альфа") == 1 && sql->addDev(zorType, 1234, "Zor-Beta") == 2
                && sql->addDev(zorType, 9, "ЗОР-3") == 3 && save(*sql, 0, 'a', "ТСП 'А'", 0) == 1);
        QVERIFY(save(*sql, 1, 'a', "Заводская", 0) == 1 && save(*sql, 1, 'b', quoted, 0) == 2
                && save(*sql, 2, 'a', "Завод-2", 0) == 3 && save(*sql, 2, 'a', "Копия", 0) == 4
                && save(*sql, 2, 'b', "Вторая", 0) == 5);
        sql->setAppProperty("main_device_id", 1);
        QSqlQuery query(db);
        // Dates in an order that is neither that of the ids nor its reverse.
        QVERIFY(query.exec("UPDATE device_snapshot SET device_snapshot_datetime="
                           " '2024-03-0' || (device_snapshot_id * 3 % 5 + 1) || 'T10:00:00.000'"));
        QVERIFY(query.exec("INSERT INTO device_property (device_id, device_property_key, device_property_val)"
                           " VALUES (1, 'qwt-ch_main', '3'), (1, 'qwt_ch_0-color', '#f00'), (1, 'other', 'x'),"
                           " (2, 'qwt-show', '1')"));
        QVERIFY(query.exec("INSERT INTO device_snapshot_property (device_snapshot_id) VALUES (1), (2), (3)"));
        QVERIFY(db.commit());
    }
    QStringList rows(const QString &statement) { return sqlRows(path, statement); }

private slots:
    void init() { dir.reset(new QTemporaryDir); }
    void cleanup() { sql.reset(); }

    void templateIsBuiltFromSchema()
    {
        const QString built = dir->filePath("built.db");
        QProcess generator;
        generator.start("bash", {ZOR_SOURCE_DIR "/scripts/make-template-db", built});
        QVERIFY(generator.waitForFinished(30000));
        QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
        const QString copy = zorSqlFile::prepare(dir->path()).path();
        QCOMPARE(dump(copy), dump(built));
        // Bytes 18 and 19 of the header: 1 for a rollback journal, 2 would be write-ahead logging.
        QCOMPARE(fileBytes(copy).mid(18, 2), QByteArray("\x01\x01"));
    }

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<int>("state"); // what the start-up makes of it
        const QByteArray database = fileBytes(zorSqlFile::templatePath);
        QByteArray noise(50000, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTemporaryDir other;
        sqlRows(other.filePath("other.db"), "CREATE TABLE device (device_id INTEGER)");
        const int kept = zorSqlFile::Existing, replaced = zorSqlFile::Replaced;
        QTest::newRow("first start") << QByteArray() << "" << int(zorSqlFile::Created);
        QTest::newRow("a file where a directory goes") << QByteArray() << "file" << int(zorSqlFile::Failed);
        QTest::newRow("random bytes") << noise << "" << replaced;
        QTest::newRow("truncated") << database.left(50000) << "" << replaced;
        QTest::newRow("empty") << QByteArray("") << "" << replaced;
        QTest::newRow("tables missing") << fileBytes(other.filePath("other.db")) << "" << kept;
        QTest::newRow("journal unreadable: an I/O error says nothing of the bytes") << database << "journal dir" << kept;
        QTest::newRow("journal cannot be made: a directory the user may not write") << database << "journal link" << kept;
    }

    // zorSql refuses a file it cannot use without writing a byte or creating a missing one. The start-up copies the
    // template into a file the user can write, keeps a usable one, moves a damaged one aside for a fresh copy.
    void startUp()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, obstacle);
        QFETCH(int, state);
        const QString data = dir->filePath("Kolvex/zor4_70"), file = data + "/zor4_70.db";
        QVERIFY(obstacle != "file" || writeFile(dir->filePath("Kolvex"), "not a directory"));
        QVERIFY(bytes.isNull() || (QDir().mkpath(data) && writeFile(file, bytes)));
        QVERIFY(obstacle != "journal dir" || QDir().mkpath(file + "-journal"));
        QVERIFY(obstacle != "journal link" || QFile::link(dir->filePath("none/journal"), file + "-journal"));
        {
            zorSql db(file);
            QVERIFY(!db.isUsable() && !db.unusableReason().isEmpty());
            QCOMPARE(db.getAppProperty("autoconnect").toString(), QString(obstacle == "journal link" ? "1" : ""));
            QCOMPARE(db.addDev(zorType, 7, "ЗОР"), -1);
        }
        QVERIFY(QFile::exists(file) == !bytes.isNull() && fileBytes(file) == bytes);

        const zorSqlFile prepared = zorSqlFile::prepare(data);
        QCOMPARE(int(prepared.state()), state);
        QCOMPARE(prepared.errorText().isEmpty(), state != zorSqlFile::Failed);
        const bool fresh = state == zorSqlFile::Created || state == zorSqlFile::Replaced;
        QCOMPARE(fileBytes(file), fresh ? fileBytes(zorSqlFile::templatePath) : bytes);
        QCOMPARE(bool(QFileInfo(file).permissions() & QFile::WriteOwner), state != zorSqlFile::Failed);
        if (state == zorSqlFile::Replaced) {
            // A second damaged file within the same second must not replace the first.
            QVERIFY(writeFile(file, bytes));
            const QString first = prepared.damagedPath(), second = zorSqlFile::prepare(data).damagedPath();
            QVERIFY(first.startsWith(file + ".damaged-20") && second != first);
            QVERIFY(fileBytes(first) == bytes && fileBytes(second) == bytes);
        }
        if (fresh)
            QCOMPARE(zorSqlFile::prepare(data).state(), zorSqlFile::Existing);
    }

    void operations_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QVariant>("result");
        QTest::addColumn<QString>("check");     // null: nothing written at all
        QTest::addColumn<QStringList>("after"); // the rows of check afterwards
        const QString device = "SELECT device_type, device_number, device_name, device_name_search,"
                               " length(device_refdata) FROM device WHERE device_id=";
        const QString snapshots = "SELECT device_snapshot_info, device_snapshot_factory, substr(device_snapshot_data, 1, 1)"
                                  " FROM device_snapshot WHERE device_snapshot_id IN ";
        const QString features = "SELECT feature_name, feature_type FROM feature";
        const QString apps = "SELECT app_property_key, app_property_val FROM app_property";
        const QString devs = "SELECT device_property_val FROM device_property WHERE device_property_key=";
        const QString left = "SELECT (SELECT group_concat(device_id) FROM device),"
                             " (SELECT group_concat(device_snapshot_id) FROM device_snapshot),"
                             " (SELECT group_concat(device_id) FROM device_property),"
                             " (SELECT group_concat(device_snapshot_id) FROM device_snapshot_property)";
        const QString path = "/home/Метролог/\"О'Нил\" 100%_1", main = "qwt-ch_main=3;qwt_ch_0-color=#f00";
        const QString title = "ЗОР-Альфа № 0007 от %1 0%2.03.2024 10:00";

        row("addDev, known keeps its name", [](zorSql &s) { return s.addDev(zorType, 7, "Другой"); }, 1);
        row("addDev, unsigned number, name searched in lower case", [](zorSql &s) {
            return s.addDev(zorType, 4294967295u, "ЗОР 'Н'");
        }, 4, device + "4", {"50440719|4294967295|ЗОР 'Н'|зор 'н'|"});
        row("updateDev", [](zorSql &s) { return s.updateDev(1, zorType, 10, "Печь 'Б'", &refdata); }, true,
            device + "1", {"50440719|10|Печь 'Б'|печь 'б'|1008"});
        row("updateDev, taken number", [](zorSql &s) { return s.updateDev(1, zorType, 1234, "", &refdata); }, false);

        row("same bytes and text write nothing", [](zorSql &s) { return save(s, 1, 'b', quoted, 0); }, 2);
        row("same bytes, new text renames", [](zorSql &s) { return save(s, 1, 'b', "Новая", 0); }, 2,
            snapshots + "(2)", {"Новая|0|b"});
        row("by id, new bytes", [](zorSql &s) { return save(s, 1, 'n', quoted, 2); }, 2, snapshots + "(2)",
            {quoted + "|0|n"});
        row("factory id inserts", [](zorSql &s) { return save(s, 1, 'a', "Копия", 1); }, 6,
            snapshots + "(1, 6)", {"Заводская|1|a", "Копия|0|a"});
        row("other device's id inserts", [](zorSql &s) { return save(s, 1, 'n', "Н", 5); }, 6,
            snapshots + "(5, 6)", {"Вторая|0|b", "Н|0|n"});
        row("first snapshot is factory", [](zorSql &s) { return save(s, 3, 'n', "Н", 4711); }, 6,
            snapshots + "(6)", {"Н|1|n"});
        row("unknown device", [](zorSql &s) { return save(s, 4711, 'n', "Н", 0); }, -1);
        row("no snapshot data", [](zorSql &s) { return s.setSnapShot(1, nullptr, &refdata, "Н", 0); }, -1);

        row("findSnapShot, every device", [](zorSql &s) { return found(s, 'a', 0); }, "Копия; Завод-2; Заводская");
        row("findSnapShot, one device", [](zorSql &s) { return found(s, 'b', 2); }, "Вторая");
        row("factory title", [](zorSql &s) { return s.getSnapShotItem(1).title; },
            title.arg(QLocale(QLocale::Russian).dayName(1)).arg(4) + " (Заводская)");
        row("search, Cyrillic capitals", [](zorSql &s) { return found(s, 0, 0, "ЗАВОД"); }, "Завод-2; Заводская");
        row("search, quotes", [](zorSql &s) { return found(s, 0, 0, "o\"brien'"); }, quoted);
        row("search, device name", [](zorSql &s) { return found(s, 0, 0, "BETA"); }, "Копия; Вторая; Завод-2");
        row("search, device number", [](zorSql &s) { return found(s, 0, 0, "0007"); }, quoted + "; Заводская");
        row("search, newest only and the count", [](zorSql &s) {
            int total = -1;
            const auto list = s.searchSnapShot("ЗАВОД", 1, &total);
            return list.size() == 1 && list[0].info == "Завод-2" && total == 2;
        }, true);

        row("feature, same bytes, new name", [](zorSql &s) { return save(s, 0, 'a', "ТСП-2", 0); }, 1,
            features, {"ТСП-2|97"});
        row("feature, new bytes insert", [](zorSql &s) { return save(s, 0, '\x80', "М", 4711); }, 2,
            features, {"ТСП 'А'|97", "М|-128"});
        row("no feature data", [](zorSql &s) { return s.setFeature(nullptr, "М", "", 0); }, -1);
        row("feature reads", [](zorSql &s) {
            const QByteArray record(340, 'a');
            return s.findFeatureItem(&record).id == 1 && s.loadFeature(1) == record
                && s.getFeatureItem(1).title.startsWith("ТСП 'А' от ") && s.searchFeature("тсп 'А").size() == 1;
        }, true);

        row("text is bound", [path](zorSql &s) { return setApp(s, "autoconnect", path); }, path, apps,
            {"autoconnect|" + path, "main_device_id|1"});
        row("invalid value deletes", [](zorSql &s) { return setApp(s, "autoconnect", QVariant()); },
            QVariant(), apps, {"main_device_id|1"});
        row("declared keys: their strings and stored texts, defaults while absent", [](zorSql &s) {
            s.setApp(zorPropertyKeys::mqttPort, 8883u);
            s.setApp(zorPropertyKeys::exitQuery, false);
            return s.getApp(zorPropertyKeys::mqttPort) == 8883u && s.getApp(zorPropertyKeys::mqttHost) == "localhost";
        }, true, apps, {"autoconnect|1", "main_device_id|1", "mqtt_port|8883", "exit_query|0"});
        row("no rows: main device's plot rows", [](zorSql &s) { return setDev(s, 3, "", 0); }, main);
        row("no rows left", [](zorSql &s) { return setDev(s, 2, "qwt-show", QVariant()); }, main,
            devs + "'qwt-show'", {});
        row("own rows only", [path](zorSql &s) { return setDev(s, 3, "qwt'; --", path); },
            "qwt'; --=" + path, devs + "'qwt''; --'", {path});
        row("no main device", [](zorSql &s) {
            s.setAppProperty("main_device_id", QVariant());
            return setDev(s, 3, "", 0);
        }, "", apps, {"autoconnect|1"});

        row("rmSnapShot", [](zorSql &s) { return s.rmSnapShot(2); }, true, left, {"1,2,3|1,3,4,5|1,1,1,2|1,3"});
        row("rmSnapShot, never a factory one", [](zorSql &s) { return s.rmSnapShot(1); }, false);
        row("rmDev takes snapshots and properties", [](zorSql &s) { return s.rmDev(1); }, true, left, {"2,3|3,4,5|2|3"});
        row("rmFeature", [](zorSql &s) { return s.rmFeature(1); }, true, features, {});
    }

    // Each call on a fresh store: its result, the rows it leaves or an untouched file, onMeasDBChange exactly when a
    // device went. Without a usable database the same call gives -1, false or nothing, and writes nothing.
    void operations()
    {
        QFETCH(Op, op);
        QFETCH(QVariant, result);
        QFETCH(QString, check);
        QFETCH(QStringList, after);
        store();
        const QByteArray counter = fileBytes(path).mid(24, 4); // SQLite counts every write in the header
        const QStringList devices = rows("SELECT count(*) FROM device");
        QSignalSpy changed(sql.data(), &zorSql::onMeasDBChange);
        QCOMPARE(op(*sql), result);
        QCOMPARE(changed.count(), int(rows("SELECT count(*) FROM device")[0].toInt() < devices[0].toInt()));
        QVERIFY2(check.isNull() ? fileBytes(path).mid(24, 4) == counter : rows(check) == after,
                 qPrintable(rows(check).join(", ")));

        sql.reset();
        for (const QByteArray &bytes : {QByteArray(), QByteArray("not a database"), QByteArray("")}) {
            QFile::remove(path);
            QVERIFY(bytes.isNull() || writeFile(path, bytes));
            zorSql db(path);
            const QVariant got = op(db);
            QVERIFY2(got.type() == QVariant::Int ? got == -1 : got.type() == QVariant::Bool ? !got.toBool()
                                                 : got.toString().isEmpty(), qPrintable(got.toString()));
            QVERIFY(QFile::exists(path) == !bytes.isNull() && fileBytes(path) == bytes);
        }
    }

    void failures_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<bool>("moved"); // the file moved away after start-up, as a share remounted
        QTest::addColumn<QString>("error"); // lastError afterwards: code and text
        const QString readOnly = "8 база данных доступна только для чтения";
        QTest::newRow("snapshot") << Op([](zorSql &s) { return save(s, 1, 'n', "Н", 0); }) << true << readOnly;
        QTest::newRow("snapshot saved over") << Op([](zorSql &s) { return save(s, 1, 'n', "Н", 2); }) << true << readOnly;
        QTest::newRow("characteristic added") << Op([](zorSql &s) { return s.addFeature(&refdata, "М", ""); }) << true << readOnly;
        QTest::newRow("characteristic saved over") << Op([](zorSql &s) { return save(s, 0, 'n', "М", 1); }) << true << readOnly;
        QTest::newRow("characteristic removed") << Op([](zorSql &s) { return s.rmFeature(1); }) << true << readOnly;
        QTest::newRow("snapshot of a device gone") << Op([](zorSql &s) { return save(s, 4711, 'n', "Н", 0); }) << false
                                                   << "-2 прибора нет в базе данных";
        // Reads go on, and one that succeeds after a failure leaves no error behind.
        QTest::newRow("read after a failure") << Op([](zorSql &s) {
            save(s, 1, 'n', "Н", 0);
            return s.getAppProperty("main_device_id");
        }) << true << "0 ";
    }

    // A database failing after start-up: the neutral result, and lastError and the log say why.
    void failures()
    {
        QFETCH(Op, op);
        QFETCH(bool, moved);
        QFETCH(QString, error);
        store();
        QVERIFY(!moved || QFile::rename(path, path + ".moved"));
        if (error.startsWith("8 "))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^error 8 \\(база данных доступна только для чтения\\): .*readonly"));
        const QVariant got = op(*sql);
        QVERIFY(error.startsWith("0 ") ? got.toInt() == 1 : got.toInt() < 1);
        QCOMPARE(QString("%1 %2").arg(sql->lastError().code).arg(sql->lastError().text), error);
    }

    // Closing compacts only when free pages are a real share, so a large database closes at once.
    void compactOnClose()
    {
        store();
        QVERIFY(QSqlQuery().exec("CREATE TABLE filler (n INTEGER, pad BLOB)"));
        QVERIFY(QSqlQuery().exec("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 100)"
                                 " INSERT INTO filler SELECT n, zeroblob(4000) FROM c"));
        for (int freed : {2, 30}) { // percent of the rows: a small share, then a real one
            QVERIFY(QSqlQuery().exec(QString("DELETE FROM filler WHERE n <= %1").arg(freed)));
            sql.reset();
            QCOMPARE(rows("PRAGMA freelist_count").value(0).toInt() == 0, freed == 30);
            QCOMPARE(rows("SELECT count(*) FROM filler"), QStringList{QString::number(100 - freed)});
            sql.reset(new zorSql(path));
        }
    }
};

QTEST_GUILESS_MAIN(test_zorSql)
#include "test_zorSql.moc"
