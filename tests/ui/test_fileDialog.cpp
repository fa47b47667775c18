#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "tests/common/modalAnswer.h"
#include "ui/zorFileDialog.h"

#include <QTemporaryDir>
#include <QtTest>

// The remembered folder: where the dialog opens, from what is stored under its key, and
// what a choice or a cancel leaves stored for the next dialog on that key.
class test_fileDialog : public QObject
{
    Q_OBJECT

private slots:
    void remembersTheFolder_data()
    {
        QTest::addColumn<QString>("stored"); // a folder under the temporary one; "": none
        QTest::addColumn<QString>("typed");  // a name typed under the temporary folder; "": cancelled
        QTest::addColumn<QString>("opened"); // the folder the dialog opened in; "~": the home folder
        QTest::addColumn<QString>("after");  // stored afterwards, where the next dialog opens
        QTest::newRow("nothing stored, cancelled") << "" << "" << "~" << "";
        QTest::newRow("stored, a file chosen in another folder") << "a" << "b/x" << "a" << "b";
        QTest::newRow("stored folder gone, cancelled: kept") << "gone" << "" << "~" << "gone";
    }

    void remembersTheFolder()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, opened);
        QFETCH(QString, after);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
        const auto path = [&dir](const QString &name) { return name.isEmpty() ? QString() : dir.filePath(name); };
        zorSql sql{zorSqlFile::prepare(dir.path()).path()};
        if (!stored.isEmpty())
            sql.setAppProperty("x_dir", path(stored));
        const zorPropertyKey<QString> key{"x_dir", QString()};
        zorFileDialog dialog;
        dialog.rememberIn(&sql, key);
        QStringList seen;
        modalAnswer::file(path(typed), &seen);
        const QString chosen = dialog.choose(QFileDialog::AcceptSave, "Сохранить", "CSV (*.csv)", "csv", "y.csv");
        // The name proposed in the folder opened; a name typed without a suffix gets it.
        const QString start = opened == "~" ? QDir::homePath() : path(opened);
        QCOMPARE(seen, QStringList{"Сохранить|" + start + "/y.csv"});
        QCOMPARE(chosen, typed.isEmpty() ? QString() : path(typed) + ".csv");
        QCOMPARE(sql.getAppProperty("x_dir").toString(), path(after));
    }
};

QTEST_MAIN(test_fileDialog)
#include "test_fileDialog.moc"
