#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "sqlRows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The operations of the database object, each test on a fresh copy of the template.
class test_zorSql : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addDev_data();
    void addDev();
    void updateDevRewritesRow();
    void firstSnapShotIsFactory();
    void setSnapShot_data();
    void setSnapShot();
    void findSnapShotOrder_data();
    void findSnapShotOrder();
    void snapShotTitles();
    void searchSnapShotBindsText_data();
    void searchSnapShotBindsText();
    void getDevPropertyInheritance_data();
    void getDevPropertyInheritance();
    void propertiesStoreText_data();
    void propertiesStoreText();
    void setFeature_data();
    void setFeature();
    void deleting_data();
    void deleting();
    void unusableDatabaseGivesNeutralResults_data();
    void unusableDatabaseGivesNeutralResults();
    void unwritableDatabaseRefusesWrites();
    void databasesOneAfterAnother();

private:
    int snapShot(int device, char fill, const QString &info, int id = 0);
    // A device with its factory snapshot ('f') and one ordinary snapshot ('o').
    struct stored { int device, factory, ordinary; };
    stored deviceWithSnapShots();
    void setDate(int snapshot, const QString &day);
    QStringList rows(const QString &statement) { return sqlRows(path, statement); }
    QScopedPointer<QTemporaryDir> dir;
    QString path;
    zorSql *sql = nullptr;
};

namespace {

const unsigned zorType = 0x301AA0F;
const QByteArray refdata(1008, 'r');

QByteArray image(char fill) { return QByteArray(11132, fill); }

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// SQLite counts every committed write in the file header.
QByteArray changeCounter(const QString &path) { return fileBytes(path).mid(24, 4); }

QStringList infos(const QVector<zorSql::zorSqlItem> &items)
{
    QStringList list;
    for (const zorSql::zorSqlItem &item : items)
        list << item.info;
    return list;
}

} // namespace

void test_zorSql::init()
{
    dir.reset(new QTemporaryDir);
    path = zorSqlFile::prepare(dir->path()).path();
    sql = new zorSql(path);
    QVERIFY(sql->isUsable());
}

void test_zorSql::cleanup()
{
    delete sql;
    sql = nullptr;
}

int test_zorSql::snapShot(int device, char fill, const QString &info, int id)
{
    const QByteArray data = image(fill);
    return sql->setSnapShot(device, &data, &refdata, info, id);
}

test_zorSql::stored test_zorSql::deviceWithSnapShots()
{
    const int device = sql->addDev(zorType, 7, "ЗОР");
    const int factory = snapShot(device, 'f', "Заводская");
    return {device, factory, snapShot(device, 'o', "Моя")};
}

void test_zorSql::setDate(int snapshot, const QString &day)
{
    QCOMPARE(rows(QString("UPDATE device_snapshot SET device_snapshot_datetime='%1T10:00:00.000'"
                          " WHERE device_snapshot_id=%2").arg(day).arg(snapshot)), QStringList());
}

void test_zorSql::addDev_data()
{
    QTest::addColumn<unsigned>("oldNumber"); // 0: nothing stored before
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<unsigned>("number");
    QTest::addColumn<bool>("sameId");
    QTest::addColumn<QStringList>("stored");
    const QString old = "50440719|7|ЗОР 'Старый'|зор 'старый'";
    QTest::newRow("new") << 0u << zorType << 7u << false << QStringList{"50440719|7|ЗОР Новый|зор новый"};
    QTest::newRow("known keeps old name") << 7u << zorType << 7u << true << QStringList{old};
    QTest::newRow("other type") << 7u << 5u << 7u << false << QStringList{old, "5|7|ЗОР Новый|зор новый"};
    QTest::newRow("unsigned") << 4294967295u << zorType << 4294967295u << true
                              << QStringList{"50440719|4294967295|ЗОР 'Старый'|зор 'старый'"};
}

void test_zorSql::addDev()
{
    QFETCH(unsigned, oldNumber);
    QFETCH(unsigned, type);
    QFETCH(unsigned, number);
    QFETCH(bool, sameId);
    QFETCH(QStringList, stored);
    const int old = oldNumber ? sql->addDev(zorType, oldNumber, "ЗОР 'Старый'") : 0;
    const int id = sql->addDev(type, number, "ЗОР Новый");
    QVERIFY(id > 0);
    QCOMPARE(id == old, sameId);
    QCOMPARE(rows("SELECT device_type, device_number, device_name, device_name_search FROM device"), stored);
}

void test_zorSql::updateDevRewritesRow()
{
    const int id = sql->addDev(zorType, 7, "ЗОР");
    const int other = sql->addDev(zorType, 8, "ЗОР-8");
    QVERIFY(sql->updateDev(id, zorType, 9, "Печь 'Б'", &refdata));
    QVERIFY(!sql->updateDev(id, zorType, 8, "ЗОР", &refdata)); // number 8 is taken
    QVERIFY(!sql->updateDev(other + 1, zorType, 10, "ЗОР", &refdata));
    QCOMPARE(rows("SELECT device_number, device_name, device_name_search, length(device_refdata) FROM device"),
             (QStringList{"9|Печь 'Б'|печь 'б'|1008", "8|ЗОР-8|зор-8|"}));
}

void test_zorSql::firstSnapShotIsFactory()
{
    const int device = sql->addDev(zorType, 7, "ЗОР");
    QCOMPARE(sql->setSnapShot(device, nullptr, &refdata, "нет данных", 0), -1);
    const int factory = snapShot(device, 'a', "Заводская настройка", 4711); // an id naming no row
    const int ordinary = snapShot(device, 'b', "Моя", 4711);
    QVERIFY(factory > 0 && ordinary > factory);
    QCOMPARE(rows("SELECT device_snapshot_id, device_snapshot_factory FROM device_snapshot"),
             (QStringList{QString("%1|1").arg(factory), QString("%1|0").arg(ordinary)}));
    QCOMPARE(sql->getSnapShotCount(device), 2);
}

void test_zorSql::setSnapShot_data()
{
    QTest::addColumn<QString>("target"); // snapshot id: "factory", "ordinary" or a number
    QTest::addColumn<int>("device");     // added to the id of the device that has the snapshots
    QTest::addColumn<char>("fill");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("result"); // "same" (nothing written), "ordinary", "new" or "-1"
    QTest::addColumn<QStringList>("after"); // info|factory of every snapshot
    const QStringList before{"Заводская|1", "Моя|0"};
    QTest::newRow("same bytes and text write nothing") << "0" << 0 << 'o' << "Моя" << "same" << before;
    QTest::newRow("same bytes, new text renames") << "0" << 0 << 'o' << "Новая"
        << "ordinary" << QStringList{"Заводская|1", "Новая|0"};
    QTest::newRow("by id, new bytes") << "ordinary" << 0 << 'n' << "Моя" << "ordinary" << before;
    QTest::newRow("factory id inserts") << "factory" << 0 << 'f' << "Копия" << "new" << before + QStringList{"Копия|0"};
    QTest::newRow("factory bytes insert") << "0" << 0 << 'f' << "З" << "new" << before + QStringList{"З|0"};
    QTest::newRow("unknown id inserts") << "4711" << 0 << 'n' << "Другая" << "new" << before + QStringList{"Другая|0"};
    QTest::newRow("unknown device") << "0" << 4711 << 'n' << "Другая" << "-1" << before;
    QTest::newRow("device id below 1") << "0" << -4711 << 'n' << "Другая" << "-1" << before;
}

void test_zorSql::setSnapShot()
{
    QFETCH(QString, target);
    QFETCH(int, device);
    QFETCH(char, fill);
    QFETCH(QString, info);
    QFETCH(QString, result);
    QFETCH(QStringList, after);
    const auto [owner, factory, ordinary] = deviceWithSnapShots();
    const int id = target == "factory" ? factory : target == "ordinary" ? ordinary : target.toInt();
    const QByteArray counter = changeCounter(path);

    const int got = snapShot(owner + device, fill, info, id);
    QCOMPARE(got, result == "new" ? ordinary + 1 : result == "-1" ? -1 : ordinary);
    QCOMPARE(rows("SELECT device_snapshot_info, device_snapshot_factory FROM device_snapshot"), after);
    QString text;
    QByteArray data, ref;
    QVERIFY(sql->loadSnapShot(factory, &text, &data, &ref));
    QCOMPARE(data, image('f'));
    QVERIFY(sql->loadSnapShot(got > 0 ? got : ordinary, &text, &data, &ref));
    QCOMPARE(data, image(got > 0 ? fill : 'o'));
    QCOMPARE(ref, refdata);
    if (result == "same" || result == "-1")
        QCOMPARE(changeCounter(path), counter);
}

void test_zorSql::findSnapShotOrder_data()
{
    QTest::addColumn<int>("device"); // 1: the first device, 2: the second, else as given
    QTest::addColumn<char>("fill");
    QTest::addColumn<QStringList>("infos");
    QTest::newRow("one device") << 1 << 'a' << QStringList{"Y", "X", "F"};
    QTest::newRow("all devices, 0") << 0 << 'a' << QStringList{"Y", "X", "W", "F"};
    QTest::newRow("all devices, -1") << -1 << 'a' << QStringList{"Y", "X", "W", "F"};
    QTest::newRow("other device") << 2 << 'a' << QStringList{"W"};
    QTest::newRow("other bytes") << 1 << 'z' << QStringList();
}

void test_zorSql::findSnapShotOrder()
{
    QFETCH(int, device);
    QFETCH(char, fill);
    QFETCH(QStringList, infos);
    const int first = sql->addDev(zorType, 7, "ЗОР-1");
    const int second = sql->addDev(zorType, 8, "ЗОР-2");
    setDate(snapShot(first, 'a', "F"), "2024-03-01");
    setDate(snapShot(first, 'a', "X"), "2024-03-02");
    const int y = snapShot(first, 'b', "Y");
    QCOMPARE(snapShot(first, 'a', "Y", y), y); // now X and Y hold the same bytes
    setDate(y, "2024-03-03");
    setDate(snapShot(second, 'a', "W"), "2024-03-04");
    const QByteArray data = image(fill);
    QCOMPARE(::infos(sql->findSnapShot(&data, &refdata, device == 2 ? second : device)), infos);
}

void test_zorSql::snapShotTitles()
{
    const auto [device, factory, ordinary] = deviceWithSnapShots();
    setDate(factory, "2024-03-05");
    setDate(ordinary, "2024-03-06");
    const QString day5 = QLocale::system().dayName(2), day6 = QLocale::system().dayName(3);
    const QByteArray f = image('f');
    const QVector<zorSql::zorSqlItem> found = sql->findSnapShot(&f, &refdata, device);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].title, "ЗОР № 0007 от " + day5 + " 05.03.2024 10:00 (Заводская)");
    QVERIFY(found[0].factory);
    QCOMPARE(sql->getSnapShotItem(ordinary).title, "ЗОР № 0007 от " + day6 + " 06.03.2024 10:00");
    QCOMPARE(sql->getSnapShotInfo(ordinary), QString("Моя"));
}

void test_zorSql::searchSnapShotBindsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("infos");
    const QString quoted = "Поверка O\"Brien' 100%_x";
    QTest::newRow("Cyrillic capital") << "Завод" << QStringList{"Заводская настройка", "Заводская настройка"};
    QTest::newRow("quotes") << "o\"brien'" << QStringList{quoted};
    QTest::newRow("percent, underscore") << "100%_" << QStringList{quoted};
    QTest::newRow("device name") << "альфа" << QStringList{quoted, "Заводская настройка"};
    QTest::newRow("Latin capitals") << "BETA" << QStringList{"Заводская настройка"};
    QTest::newRow("device number") << "1234" << QStringList{"Заводская настройка"};
    QTest::newRow("number with zeros") << "0007" << QStringList{quoted, "Заводская настройка"};
    QTest::newRow("statement in text") << "'; DROP TABLE device; --" << QStringList();
}

void test_zorSql::searchSnapShotBindsText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, infos);
    const int alpha = sql->addDev(zorType, 7, "ЗОР-Альфа");
    const int beta = sql->addDev(zorType, 1234, "Zor-Beta");
    setDate(snapShot(alpha, 'a', "Заводская настройка"), "2024-03-01");
    setDate(snapShot(beta, 'a', "Заводская настройка"), "2024-03-02");
    setDate(snapShot(alpha, 'b', "Поверка O\"Brien' 100%_x"), "2024-03-03");
    QCOMPARE(::infos(sql->searchSnapShot(text)), infos);
    QCOMPARE(rows("SELECT count(*) FROM device"), QStringList{"2"});
}

void test_zorSql::getDevPropertyInheritance_data()
{
    QTest::addColumn<bool>("mainSet");
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("properties");
    QTest::newRow("own rows only") << true << 2 << "qwt-meas_show=1";
    QTest::newRow("no rows: main's plot rows") << true << 3 << "qwt-ch_main=3;qwt_ch_0-color=#ff0000";
    QTest::newRow("no rows, no main device") << false << 3 << "";
    QTest::newRow("main device itself") << true << 1 << "other=x;qwt-ch_main=3;qwt_ch_0-color=#ff0000";
    QTest::newRow("negative id") << true << -1 << "";
}

void test_zorSql::getDevPropertyInheritance()
{
    QFETCH(bool, mainSet);
    QFETCH(int, device);
    QFETCH(QString, properties);
    sql->setDevProperty(1, "qwt-ch_main", 3);
    sql->setDevProperty(1, "qwt_ch_0-color", "#ff0000");
    sql->setDevProperty(1, "other", "x");
    sql->setDevProperty(2, "qwt-meas_show", true);
    if (mainSet)
        sql->setAppProperty("main_device_id", 1);
    QStringList found;
    const QMap<QString, QVariant> map = sql->getDevProperty(device);
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        found << it.key() + "=" + it.value().toString();
    QCOMPARE(found.join(';'), properties);
}

void test_zorSql::propertiesStoreText_data()
{
    QTest::addColumn<int>("device"); // -100: application property
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("stored");
    const QString path = "/home/Метролог/\"О'Нил\" 100%_1";
    QTest::newRow("true") << -100 << "exit_query" << QVariant(true) << QStringList{"1"};
    QTest::newRow("integer") << -100 << "main_device_id" << QVariant(42) << QStringList{"42"};
    QTest::newRow("path") << -100 << "savemeas_dir" << QVariant(path) << QStringList{path};
    QTest::newRow("invalid deletes") << -100 << "autoconnect" << QVariant() << QStringList();
    QTest::newRow("empty key") << -100 << "" << QVariant(1) << QStringList();
    QTest::newRow("device 0, colour") << 0 << "qwt_ch_1-color" << QVariant("#00ff00") << QStringList{"#00ff00"};
    QTest::newRow("device, invalid deletes") << 3 << "qwt-ch_main" << QVariant() << QStringList();
    QTest::newRow("device, quoted key") << 3 << "qwt'; --" << QVariant(path) << QStringList{path};
    QTest::newRow("negative device") << -1 << "qwt-ch_main" << QVariant(1) << QStringList();
}

void test_zorSql::propertiesStoreText()
{
    QFETCH(int, device);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QStringList, stored);
    const bool app = device == -100;
    for (const QVariant &v : {QVariant("old"), value})
        app ? sql->setAppProperty(key, v) : sql->setDevProperty(device, key, v);
    const QString quoted = QString(key).replace("'", "''");
    QCOMPARE(rows(app ? QString("SELECT app_property_val FROM app_property WHERE app_property_key='%1'").arg(quoted)
                      : QString("SELECT device_property_val FROM device_property WHERE device_property_key='%1'")
                            .arg(quoted)),
             stored);
    const QVariant read = app ? sql->getAppProperty(key) : sql->getDevProperty(device).value(key);
    QCOMPARE(read.isValid(), !stored.isEmpty());
    QCOMPARE(read.toString(), stored.value(0));
}

void test_zorSql::setFeature_data()
{
    QTest::addColumn<QString>("target"); // "0", "stored" or a number
    QTest::addColumn<char>("fill");      // the first byte is the type, signed
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("after"); // name|type of every row
    const QString old = "ТСП 'А'|97";
    QTest::newRow("unchanged writes nothing") << "0" << 'a' << "ТСП 'А'" << QStringList{old};
    QTest::newRow("same bytes, new name") << "0" << 'a' << "ТСП-2" << QStringList{"ТСП-2|97"};
    QTest::newRow("by id, new bytes") << "stored" << char(0xFF) << "ТСП 'А'" << QStringList{"ТСП 'А'|-1"};
    QTest::newRow("new bytes insert") << "0" << char(0xFF) << "ТСП 'А'" << QStringList{old, "ТСП 'А'|-1"};
    QTest::newRow("unknown id inserts") << "4711" << char(0x80) << "Медь" << QStringList{old, "Медь|-128"};
}

void test_zorSql::setFeature()
{
    QFETCH(QString, target);
    QFETCH(char, fill);
    QFETCH(QString, name);
    QFETCH(QStringList, after);
    const QByteArray stored(340, 'a'), record(340, fill);
    const int id = sql->addFeature(&stored, "ТСП 'А'", "инфо");
    const QByteArray counter = changeCounter(path);
    const int got = sql->setFeature(&record, name, "инфо", target == "stored" ? id : target.toInt());
    QCOMPARE(got, after.size() == 1 ? id : id + 1);
    QCOMPARE(rows("SELECT feature_name, feature_type FROM feature"), after);
    QCOMPARE(sql->loadFeature(got), record);
    QCOMPARE(sql->findFeatureItem(&record).id, got);
    QCOMPARE(sql->getFeatureItem(got).title.section(" от ", 0, 0), name);
    if (QTest::currentDataTag() == QByteArray("unchanged writes nothing"))
        QCOMPARE(changeCounter(path), counter);
}

void test_zorSql::deleting_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("left"); // devices|snapshots|features
    QTest::newRow("ordinary snapshot") << "ordinary" << true << "1|1|1";
    QTest::newRow("factory snapshot") << "factory" << false << "1|2|1";
    QTest::newRow("device") << "device" << true << "0|0|1";
    QTest::newRow("unknown device") << "nothing" << false << "1|2|1";
    QTest::newRow("feature") << "feature" << true << "1|2|0";
}

void test_zorSql::deleting()
{
    QFETCH(QString, what);
    QFETCH(bool, deleted);
    QFETCH(QString, left);
    const auto [device, factory, ordinary] = deviceWithSnapShots();
    const QByteArray record(340, 'a');
    const int feature = sql->addFeature(&record, "ТСП", "");
    QSignalSpy changed(sql, &zorSql::onMeasDBChange);
    const bool done = what == "ordinary" ? sql->rmSnapShot(ordinary)
        : what == "factory"              ? sql->rmSnapShot(factory)
        : what == "device"               ? sql->rmDev(device)
        : what == "nothing"              ? sql->rmDev(device + 1)
                                         : sql->rmFeature(feature);
    QCOMPARE(done, deleted);
    QCOMPARE(changed.count(), what == "device" ? 1 : 0);
    QCOMPARE(rows("SELECT (SELECT count(*) FROM device), (SELECT count(*) FROM device_snapshot),"
                  " (SELECT count(*) FROM feature)"), QStringList{left});
}

void test_zorSql::unusableDatabaseGivesNeutralResults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("not a database") << QByteArray(8192, '\x5a') << true;
    QTest::newRow("truncated") << fileBytes(zorSqlFile::templatePath).left(40000) << true;
    QTest::newRow("empty, no tables") << QByteArray() << true;
}

void test_zorSql::unusableDatabaseGivesNeutralResults()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    cleanup();
    const QString broken = dir->filePath("broken.db");
    QFile file(broken);
    if (exists)
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    {
        zorSql db(broken);
        QVERIFY(!db.isUsable());
        QVERIFY(!db.unusableReason().isEmpty());
        const QByteArray data = image('a');
        QString info;
        QByteArray out;
        db.setAppProperty("autoconnect", false);
        db.setDevProperty(0, "qwt-ch_main", 1);
        QVERIFY(db.addDev(zorType, 7, "ЗОР") == -1 && db.getSnapShotCount(1) == -1
                && db.setSnapShot(1, &data, &refdata, "x", 0) == -1 && db.addFeature(&data, "x", "") == -1
                && db.setFeature(&data, "x", "", 0) == -1);
        QVERIFY(!db.updateDev(1, zorType, 7, "ЗОР", &refdata) && !db.rmDev(1) && !db.rmSnapShot(1)
                && !db.rmFeature(1) && !db.loadSnapShot(1, &info, &out, &out));
        QVERIFY(db.getSnapShotInfo(1).isEmpty() && db.getSnapShotItem(1).id == 0 && db.getFeatureItem(1).id == 0
                && db.findFeatureItem(&data).id == 0 && db.loadFeature(1).isEmpty());
        QVERIFY(db.findSnapShot(&data, &refdata, 0).isEmpty() && db.searchSnapShot("зор").isEmpty()
                && db.searchFeature("зор").isEmpty() && db.getDevProperty(0).isEmpty()
                && !db.getAppProperty("autoconnect").isValid());
    }
    // Never written, never created: the file stays what it was for the user to look at.
    QCOMPARE(QFile::exists(broken), exists);
    QCOMPARE(fileBytes(broken), bytes);
}

void test_zorSql::unwritableDatabaseRefusesWrites()
{
    // A journal that cannot be created stands for a directory the user may not write.
    QVERIFY(QFile::link(dir->filePath("missing/journal"), path + "-journal"));
    cleanup();
    zorSql db(path);
    QVERIFY(!db.isUsable());
    QVERIFY(!db.unusableReason().isEmpty());
    QCOMPARE(db.getAppProperty("autoconnect").toString(), QString("1"));
    QCOMPARE(db.addDev(zorType, 7, "ЗОР"), -1);
    db.setAppProperty("exit_query", true);
    QVERIFY(!db.getAppProperty("exit_query").isValid());
}

void test_zorSql::databasesOneAfterAnother()
{
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) { messages << message; });
    // Closing compacts: 4 MiB stored and deleted again leave a small file.
    const QByteArray big(4 << 20, 'x');
    const int device = sql->addDev(zorType, 7, "ЗОР");
    sql->setSnapShot(device, &big, &refdata, "большой", 0);
    sql->rmDev(device);
    cleanup();
    for (int i = 0; i < 3; ++i) {
        zorSql db(zorSqlFile::prepare(dir->path()).path());
        QVERIFY(db.isUsable());
    }
    qInstallMessageHandler(previous);
    QCOMPARE(messages, QStringList());
    QVERIFY(QFile(path).size() < 200000);
}

QTEST_GUILESS_MAIN(test_zorSql)
#include "test_zorSql.moc"
