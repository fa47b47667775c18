#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "sqlRows.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// The template database and the placement of the user's copy at start-up.
class test_zorSqlFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void templateContents_data();
    void templateContents();
    void triggersDeleteDependentRows_data();
    void triggersDeleteDependentRows();
    void templateIsBuiltFromSchema();
    void firstStartCopiesTemplate();
    void existingFile_data();
    void existingFile();
    void unwritableDataDirectory();

private:
    QString copyOfTemplate() { return zorSqlFile::prepare(dir->path()).path(); }
    QScopedPointer<QTemporaryDir> dir;
};

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Everything of a database the program relies on: schema, rows and settings.
QStringList dump(const QString &path)
{
    QStringList all = sqlRows(path, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
    for (const QString &table : sqlRows(path, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"))
        all << table << sqlRows(path, QString("SELECT * FROM \"%1\"").arg(table));
    for (const char *pragma : {"page_size", "encoding", "user_version", "journal_mode"})
        all << sqlRows(path, QString("PRAGMA %1").arg(pragma));
    return all;
}

} // namespace

void test_zorSqlFile::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void test_zorSqlFile::templateContents_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("page size") << "PRAGMA page_size" << QStringList{"4096"};
    QTest::newRow("encoding") << "PRAGMA encoding" << QStringList{"UTF-8"};
    QTest::newRow("user version") << "PRAGMA user_version" << QStringList{"0"};
    QTest::newRow("journal") << "PRAGMA journal_mode" << QStringList{"delete"};
    QTest::newRow("properties") << "SELECT * FROM app_property" << QStringList{"1|autoconnect|1"};
    QTest::newRow("sequences") << "SELECT * FROM sqlite_sequence"
                               << QStringList{"app_property|1", "feature|0", "device_snapshot|0", "device|0"};
    QTest::newRow("no other rows")
        << "SELECT (SELECT count(*) FROM device) + (SELECT count(*) FROM device_snapshot)"
           " + (SELECT count(*) FROM device_snapshot_property) + (SELECT count(*) FROM device_property)"
           " + (SELECT count(*) FROM feature)" << QStringList{"0"};
    QTest::newRow("columns")
        << "SELECT m.name, group_concat(p.name || ' ' || p.type || ifnull('=' || p.dflt_value, '')"
           " || iif(p.pk, ' pk', ''), ', ') FROM sqlite_master m, pragma_table_info(m.name) p"
           " WHERE m.type='table' AND m.name <> 'sqlite_sequence' GROUP BY m.name ORDER BY m.name"
        << QStringList{
               "app_property|app_property_id INTEGER pk, app_property_key TEXT, app_property_val TEXT",
               "device|device_id INTEGER pk, device_type INTEGER=0, device_number INTEGER=0, device_name TEXT, "
               "device_name_search TEXT, device_refdata BLOB",
               "device_property|device_property_id INTEGER pk, device_id INTEGER, device_property_key TEXT, "
               "device_property_val TEXT",
               "device_snapshot|device_snapshot_id INTEGER pk, device_id INTEGER, device_snapshot_info TEXT, "
               "device_snapshot_info_search TEXT, device_snapshot_datetime DATETIME, device_snapshot_data BLOB, "
               "device_snapshot_refdata BLOB, device_snapshot_factory INTEGER=0",
               "device_snapshot_property|device_snapshot_property_id INTEGER pk, device_snapshot_id INTEGER, "
               "device_snapshot_property_key TEXT, device_snapshot_property_val TEXT",
               "feature|feature_id INTEGER pk, feature_type INTEGER, feature_datetime TEXT, feature_name TEXT, "
               "feature_name_search TEXT, feature_info TEXT, feature_data BLOB"};
    // Keys are never reused, even after the newest row has been deleted.
    QTest::newRow("autoincrement")
        << "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%_id\" INTEGER PRIMARY KEY AUTOINCREMENT%'"
        << QStringList{"6"};
    QTest::newRow("indexes: name, columns, unique")
        << "SELECT m.name, m.tbl_name || '(' || (SELECT group_concat(name) FROM pragma_index_info(m.name)) || ')',"
           " (SELECT \"unique\" FROM pragma_index_list(m.tbl_name) l WHERE l.name = m.name)"
           " FROM sqlite_master m WHERE m.type='index' ORDER BY m.name"
        << QStringList{
               "app_property-app_property_key|app_property(app_property_key)|1",
               "device-device_refdata|device(device_refdata)|0",
               "device-device_type|device(device_type)|0",
               "device-type_name|device(device_type,device_name_search)|0",
               "device-type_number|device(device_type,device_number)|1",
               "device-type_number_ref|device(device_type,device_number,device_refdata)|1",
               "device_property-device_id|device_property(device_id)|0",
               "device_property-device_id_key|device_property(device_id,device_property_key)|1",
               "device_snapshot-device_id|device_snapshot(device_id)|0",
               "device_snapshot-device_snapshot_data|device_snapshot(device_snapshot_data,device_snapshot_refdata)|0",
               "device_snapshot_property-device_snapshot_id|device_snapshot_property(device_snapshot_id)|0",
               "device_snapshot_property-device_snapshot_id_key|"
               "device_snapshot_property(device_snapshot_id,device_snapshot_property_key)|1",
               "feature-feature_data|feature(feature_data)|0",
               "feature-feature_name_search|feature(feature_name_search)|0",
               "feature-feature_type|feature(feature_type)|0"};
    QTest::newRow("triggers") << "SELECT name, tbl_name FROM sqlite_master WHERE type='trigger' ORDER BY name"
                              << QStringList{"device_delete|device", "device_snapshot_delete|device_snapshot"};
}

void test_zorSqlFile::templateContents()
{
    QFETCH(QString, statement);
    QFETCH(QStringList, rows);
    const QString path = copyOfTemplate();
    QCOMPARE(sqlRows(path, statement), rows);
    // Bytes 18 and 19 of the header: 1 for a rollback journal, 2 would be write-ahead logging.
    QCOMPARE(fileBytes(path).mid(18, 2), QByteArray("\x01\x01"));
}

void test_zorSqlFile::triggersDeleteDependentRows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("left"); // snapshots | device properties | snapshot properties
    QTest::newRow("device") << "DELETE FROM device WHERE device_id=1" << "20|2|20";
    QTest::newRow("snapshot") << "DELETE FROM device_snapshot WHERE device_snapshot_id=20" << "10,11|1,2|10";
}

void test_zorSqlFile::triggersDeleteDependentRows()
{
    QFETCH(QString, statement);
    QFETCH(QString, left);
    const QString path = copyOfTemplate();
    for (const char *fill : {"INSERT INTO device (device_id, device_number) VALUES (1, 1), (2, 2)",
                             "INSERT INTO device_snapshot (device_snapshot_id, device_id) VALUES (10, 1), (11, 1), (20, 2)",
                             "INSERT INTO device_property (device_id, device_property_key) VALUES (1, 'a'), (2, 'a')",
                             "INSERT INTO device_snapshot_property (device_snapshot_id) VALUES (10), (20)"})
        QCOMPARE(sqlRows(path, fill), QStringList());
    QCOMPARE(sqlRows(path, statement), QStringList());
    QCOMPARE(sqlRows(path, "SELECT (SELECT group_concat(device_snapshot_id) FROM device_snapshot),"
                           " (SELECT group_concat(device_id) FROM device_property),"
                           " (SELECT group_concat(device_snapshot_id) FROM device_snapshot_property)"),
             QStringList{left});
}

void test_zorSqlFile::templateIsBuiltFromSchema()
{
    const QString built = dir->filePath("built.db");
    QProcess generator;
    generator.start("bash", {ZOR_SOURCE_DIR "/scripts/make-template-db", built});
    QVERIFY(generator.waitForFinished(30000));
    QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
    QCOMPARE(dump(copyOfTemplate()), dump(built));
}

void test_zorSqlFile::firstStartCopiesTemplate()
{
    const QString data = dir->filePath("Kolvex/zor4_70");
    const zorSqlFile first = zorSqlFile::prepare(data);
    QCOMPARE(first.state(), zorSqlFile::Created);
    QCOMPARE(first.path(), data + "/zor4_70.db");
    QVERIFY(QFileInfo(first.path()).permissions() & QFile::WriteOwner);
    QCOMPARE(fileBytes(first.path()), fileBytes(zorSqlFile::templatePath));
    {
        zorSql sql(first.path());
        QVERIFY2(sql.isUsable(), qPrintable(sql.unusableReason()));
        QCOMPARE(sql.getAppProperty("autoconnect").toString(), QString("1"));
        sql.setAppProperty("exit_query", true);
    }
    QCOMPARE(zorSqlFile::prepare(data).state(), zorSqlFile::Existing);
    QCOMPARE(sqlRows(first.path(), "SELECT app_property_val FROM app_property WHERE app_property_key='exit_query'"),
             QStringList{"1"});
}

void test_zorSqlFile::existingFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("blockJournal");
    QTest::addColumn<bool>("damaged");
    const QByteArray database = fileBytes(zorSqlFile::templatePath);
    QByteArray noise(50000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QTest::newRow("database") << database << false << false;
    // An I/O error says nothing about the bytes: such a file must stay where it is.
    QTest::newRow("unreadable, not damaged") << database << true << false;
    QTest::newRow("random bytes") << noise << false << true;
    QTest::newRow("text") << QByteArray("device;snapshot\r\n") << false << true;
    QTest::newRow("truncated") << database.left(50000) << false << true;
    QTest::newRow("header only") << database.left(100) << false << true;
    QTest::newRow("empty") << QByteArray() << false << true;
}

void test_zorSqlFile::existingFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, blockJournal);
    QFETCH(bool, damaged);
    const QString path = dir->filePath("zor4_70.db");
    if (blockJournal)
        QVERIFY(QDir().mkpath(path + "-journal"));
    QStringList aside;
    // Twice: a second damaged file within the same second must not replace the first.
    for (int round = 0; round < 2; ++round) {
        writeFile(path, bytes);
        const zorSqlFile file = zorSqlFile::prepare(dir->path());
        QCOMPARE(file.state(), damaged ? zorSqlFile::Replaced : zorSqlFile::Existing);
        QCOMPARE(file.path(), path);
        QCOMPARE(fileBytes(path), damaged ? fileBytes(zorSqlFile::templatePath) : bytes);
        aside << file.damagedPath();
    }
    QCOMPARE(QDir(dir->path()).entryList({"*.damaged-*"}).size(), damaged ? 2 : 0);
    if (damaged) {
        QVERIFY(aside[0].startsWith(path + ".damaged-20") && aside[0] != aside[1]);
        QCOMPARE(fileBytes(aside[0]), bytes);
        QCOMPARE(fileBytes(aside[1]), bytes);
    }
}

void test_zorSqlFile::unwritableDataDirectory()
{
    writeFile(dir->filePath("plain"), "not a directory");
    const zorSqlFile file = zorSqlFile::prepare(dir->filePath("plain/zor4_70"));
    QCOMPARE(file.state(), zorSqlFile::Failed);
    QVERIFY(!file.errorText().isEmpty());
    zorSql sql(file.path());
    QVERIFY(!sql.isUsable());
    QVERIFY(!sql.getAppProperty("autoconnect").isValid());
}

QTEST_GUILESS_MAIN(test_zorSqlFile)
#include "test_zorSqlFile.moc"
