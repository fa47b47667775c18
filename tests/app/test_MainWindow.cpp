#include "app/MainWindow.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QtTest>

// The window and the resources the program needs from its first second on.
class test_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void resourcesAreCompiledIn_data();
    void resourcesAreCompiledIn();
    void splashImageLoads();
    void windowHasTitleAndIcon();
};

void test_MainWindow::resourcesAreCompiledIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("style sheet") << ":/resource/zor4_70.css";
    QTest::newRow("window icon") << ":/resource/images/icon.svg";
    QTest::newRow("splash") << ":/resource/images/splash3.png";
}

void test_MainWindow::resourcesAreCompiledIn()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY(file.size() > 0);
}

void test_MainWindow::splashImageLoads()
{
    const QPixmap splash(":/resource/images/splash3.png");
    QVERIFY(!splash.isNull());
    QVERIFY(splash.width() >= 400);
}

void test_MainWindow::windowHasTitleAndIcon()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QString("ЗОР 4.70"));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
}

QTEST_MAIN(test_MainWindow)
#include "test_MainWindow.moc"
