// zor4_70-probe: checks an instrument and its cable without the main program. Opens the
// port through the real link, lets the registry read, identify and register the
// instrument, prints what it holds, then prints its readings.
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "registry/zorList.h"
#include "registry/zorProbe.h"
#include "sim/zorSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

struct Arguments
{
    QString port;
    bool sim = false;
    bool extended = false;
    QString database;
    int readings = 10;
    int silence = 60;
};

// Fills args from the command line; on a mistake writes why to err and returns false.
bool parse(const QCoreApplication &app, Arguments *args, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "probe", "Проверка прибора ЗОР 4.70 и кабеля: чтение настроек и показаний."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        "port", QCoreApplication::translate("probe", "Порт прибора: имя (ttyUSB0) или путь (/dev/pts/3)."));
    const QCommandLineOption sim(
        "sim", QCoreApplication::translate("probe", "Запустить имитатор прибора и проверить его."));
    const QCommandLineOption extended(
        "extended", QCoreApplication::translate("probe", "Имитатор расширенного варианта прибора."));
    const QCommandLineOption database(
        "db", QCoreApplication::translate("probe", "Файл базы данных (по умолчанию временная копия шаблона)."),
        "file");
    const QCommandLineOption readings(
        {"n", "readings"}, QCoreApplication::translate("probe", "Сколько показаний вывести (10)."), "count", "10");
    const QCommandLineOption silence(
        "timeout", QCoreApplication::translate("probe", "Наибольшее ожидание показания, секунд (60)."), "sec",
        "60");
    parser.addOptions({sim, extended, database, readings, silence});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    args->sim = parser.isSet(sim);
    args->extended = parser.isSet(extended);
    args->port = positional.value(0);
    args->database = parser.value(database);
    bool countOk = false;
    bool silenceOk = false;
    args->readings = parser.value(readings).toInt(&countOk);
    args->silence = parser.value(silence).toInt(&silenceOk);
    if (positional.size() > 1 || args->sim == !args->port.isEmpty()) {
        err << QCoreApplication::translate("probe", "Укажите порт или --sim") << Qt::endl;
        return false;
    }
    if (!countOk || args->readings < 0) {
        err << QCoreApplication::translate("probe", "Неверное число в -n") << Qt::endl;
        return false;
    }
    if (!silenceOk || args->silence < 1 || args->silence > zorProbe::maxSilenceSec) {
        err << QCoreApplication::translate("probe", "--timeout: от 1 до %1 секунд").arg(zorProbe::maxSilenceSec)
            << Qt::endl;
        return false;
    }
    if (!args->database.isEmpty() && !QFileInfo(args->database).isFile()) {
        err << QCoreApplication::translate("probe", "Нет файла базы данных %1").arg(args->database) << Qt::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("zor4_70-probe");
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(1).arg(3).arg(7));
    // The tool prints its own report; the layers' diagnostics belong to the program's log.
    QLoggingCategory::setFilterRules(QStringLiteral("zor.*=false"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    Arguments args;
    if (!parse(app, &args, err))
        return zorProbe::exitUsage;

    // Without a named database the instrument is registered in a throw-away copy of
    // the template, so that checking an instrument leaves no trace in the user's data.
    QTemporaryDir scratch;
    QString databasePath = args.database;
    if (databasePath.isEmpty()) {
        if (!scratch.isValid()) {
            err << QCoreApplication::translate("probe", "Нет временной папки для базы данных") << Qt::endl;
            return zorProbe::exitUsage;
        }
        const zorSqlFile file = zorSqlFile::prepare(scratch.path());
        if (file.state() == zorSqlFile::Failed) {
            err << file.errorText() << Qt::endl;
            return zorProbe::exitUsage;
        }
        databasePath = file.path();
    }
    zorSql sql(databasePath);
    if (!sql.isUsable()) {
        err << sql.unusableReason() << Qt::endl;
        return zorProbe::exitUsage;
    }

    std::unique_ptr<zorSimulator> simulator;
    if (args.sim) {
        zorSimulator::_options settings;
        settings.type = args.extended ? zorSimMemory::extended : zorSimMemory::basic;
        simulator.reset(new zorSimulator(settings));
        if (!simulator->start()) {
            err << QCoreApplication::translate("probe", "Имитатор не запущен: нет псевдотерминала") << Qt::endl;
            return zorProbe::exitUsage;
        }
        args.port = simulator->portName();
    }

    // Destroyed in reverse: the probe, the registry (which removes the device from the
    // link), the link, then the simulator whose line the link had open.
    ZORSerialPort port;
    zorList list(&port, &sql, true);
    zorProbe probe(&port, &list, &sql, &out, &err);
    QObject::connect(&probe, &zorProbe::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    QTimer::singleShot(0, &probe, [&] { probe.start(args.port, args.readings, args.silence); });
    return app.exec();
}
