#include "log/zorLogFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

Q_LOGGING_CATEGORY(lcTest, "zor.test")
Q_LOGGING_CATEGORY(lcOther, "zor.other")

class test_zorLogFile : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void cleanup() { zorLogFile::uninstall(); }

    // A long run keeps the newest messages in the file and the ones before in the kept
    // files, never more than the cap each and never more files than kept.
    void rotatesAtItsCap()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sub/zor4_70.log");
        QVERIFY(zorLogFile::install(path, 2048, 2));
        for (int n = 0; n < 400; ++n)
            qCWarning(lcTest) << "reading lost, number" << n;
        zorLogFile::uninstall();

        for (const QString &name : {path, path + ".1", path + ".2"}) {
            QVERIFY2(QFile::exists(name), qPrintable(name));
            QVERIFY(QFileInfo(name).size() <= 2048);
        }
        QVERIFY(!QFile::exists(path + ".3"));
        QVERIFY(read(path).contains(" W zor.test: reading lost, number 399\n"));
        QVERIFY(read(path + ".1").contains("reading lost"));
        QVERIFY(!read(path + ".2").contains("number 0\n"));
    }

    void debugByCategory_data()
    {
        QTest::addColumn<QString>("switchedOn");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QString() << "W test,W other";
        QTest::newRow("one") << "zor.test" << "D test,W test,W other";
        QTest::newRow("all") << "zor" << "D test,W test,D other,W other";
    }
    void debugByCategory()
    {
        QFETCH(QString, switchedOn);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(zorLogFile::install(dir.filePath("x.log")));
        zorLogFile::enableDebug(switchedOn);
        qCDebug(lcTest) << "D test";
        qCWarning(lcTest) << "W test";
        qCDebug(lcOther) << "D other";
        qCWarning(lcOther) << "W other";
        zorLogFile::uninstall();
        QStringList seen;
        for (const QByteArray &line : read(dir.filePath("x.log")).split('\n'))
            if (!line.isEmpty())
                seen << QString::fromUtf8(line.mid(line.indexOf(": ") + 2));
        QCOMPARE(seen.join(','), expected);
    }
};

QTEST_GUILESS_MAIN(test_zorLogFile)
#include "test_zorLogFile.moc"
