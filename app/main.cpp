#include "app/MainWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QSplashScreen>
#include <QStyleFactory>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName("Kolvex");
    QCoreApplication::setApplicationName("zor4_70");
    QCoreApplication::setApplicationVersion(QString("%1.%2.%3").arg(1).arg(3).arg(7));
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    QApplication *app = new QApplication(argc, argv);

    QSplashScreen *splash = new QSplashScreen(QPixmap(":/resource/images/splash3.png"));
    splash->show();
    app->processEvents();

    // Only Qt's own texts (standard buttons and dialogs) are translated; a missing
    // translation simply leaves them in English.
    QTranslator *translator = new QTranslator;
    translator->load("qt_" + QLocale::system().name(),
                     QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    app->installTranslator(translator);

    MainWindow *window = new MainWindow;
    window->setProperty("BUILD_NUMBER", QVariant(1));
    window->setProperty("BUILD_DATE", QVariant(QString(__DATE__)));

    window->showMaximized();
    splash->finish(window);
    const int code = app->exec();

    delete window;
    delete translator;
    delete splash;
    delete app;
    return code;
}
