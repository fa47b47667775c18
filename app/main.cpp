#include "app/MainWindow.h"
#include "app/zorAppLog.h"
#include "app/zorQuitSignal.h"
#include "app/zorVersion.h"
#include "log/zorLogFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QSplashScreen>
#include <QStyleFactory>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "ЗОР 4.70: показания, графики и настройки многоканальных измерителей температуры."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"port",
                      QCoreApplication::translate("main", "Подключить прибор на устройстве PATH (например /dev/pts/3 "
                                                          "или /dev/serial/by-id/...); можно повторять. Такие порты "
                                                          "участвуют и в поиске приборов."),
                      "PATH"});
    parser.addOption({"demo", QCoreApplication::translate("main", "Запустить с подключённым демо-прибором.")});
    parser.addOption({"log-debug",
                      QCoreApplication::translate("main", "Записывать в журнал и отладочные сообщения категорий "
                                                          "CATEGORIES (через запятую, например zor.link,zor.registry; "
                                                          "zor — все)."),
                      "CATEGORIES"});
}

// Help and the version are printed before the application object exists, so that
// they work without a display.
bool wants(int argc, char *argv[], std::initializer_list<const char *> options)
{
    for (int n = 1; n < argc; ++n) {
        for (const char *option : options) {
            if (!std::strcmp(argv[n], option))
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName("Kolvex");
    QCoreApplication::setApplicationName("zor4_70");
    QCoreApplication::setApplicationVersion(QStringLiteral(ZOR_VERSION));

    if (wants(argc, argv, {"-h", "--help", "-?"})) {
        QCoreApplication core(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (wants(argc, argv, {"-v", "--version"})) {
        std::printf("zor4_70 %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }

    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication *app = new QApplication(argc, argv);

    // Unknown options end the program with a message and exit code 1.
    QCommandLineParser parser;
    describe(parser);
    parser.process(*app);

    // The log goes to the data directory from the first moment on; debug messages only
    // for the categories asked for.
    zorLogFile::enableDebug(parser.value("log-debug"));
    zorLogFile::install(zorLogFile::defaultPath());
    qCInfo(lcApp).noquote() << "start, version" << QCoreApplication::applicationVersion();

    // From here on a termination signal waits for the window to close it.
    zorQuitSignal *quit = new zorQuitSignal;

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
    // A termination signal closes the window as its close button does.
    QObject::connect(quit, &zorQuitSignal::received, window, &QWidget::close);
    qCInfo(lcApp) << "window shown";
    for (const QString &path : parser.values("port"))
        window->connectTypedPort(path);
    if (parser.isSet("demo"))
        window->connectDemo();
    window->startAutoConnect();
    const int code = app->exec();
    qCInfo(lcApp) << "exit, code" << code;

    delete quit;
    delete window;
    delete translator;
    delete splash;
    zorLogFile::uninstall();
    delete app;
    return code;
}
