#include "log/zorLogFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

Q_LOGGING_CATEGORY(lcTest, "zor.test")

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
};

QTEST_GUILESS_MAIN(test_zorLogFile)
#include "test_zorLogFile.moc"
