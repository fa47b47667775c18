// zor4_70-sim: a simulated ЗОР 4.70 instrument on a pseudo-terminal. Prints the path
// to open as the instrument's serial port and serves it until interrupted.
#include "sim/zorSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int)
{
    interrupted = true;
}

// "NAME[:COUNT[:CODE]]"; a COUNT below 0 keeps the fault until the end.
bool addFault(zorSimulator &simulator, const QString &text)
{
    const QStringList parts = text.split(':');
    zorSimulator::_fault kind;
    if (!zorSimulator::faultFromName(parts.value(0), &kind))
        return false;
    bool ok = true;
    const int count = parts.size() > 1 ? parts.at(1).toInt(&ok) : 1;
    if (!ok)
        return false;
    const int code = parts.size() > 2 ? parts.at(2).toInt(&ok) : 0;
    if (!ok)
        return false;
    simulator.injectFault(kind, count, code);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("zor4_70-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription("Simulated ZOR 4.70 instrument on a pseudo-terminal.");
    parser.addHelpOption();
    const QCommandLineOption variant("variant", "Instrument variant: basic or extended.", "variant", "basic");
    const QCommandLineOption serial("serial", "Serial number.", "number", "1");
    const QCommandLineOption name("name", "Instrument name (up to 16 characters).", "name", "ЗОР 4.70");
    const QCommandLineOption channels("channels", "Channel count: 8, 16 or 32.", "count", "8");
    const QCommandLineOption period("period", "Milliseconds between stream tokens (0: none).", "ms", "500");
    const QCommandLineOption throttle("throttle", "Pace bytes as a 9600-baud line.");
    const QCommandLineOption bath("bath", "Readings of a bath moving between set points, as the demo instrument.");
    const QCommandLineOption fault("fault",
                                   "Inject a fault: no-echo, no-ready-marker, bad-ready-marker, corrupt-unit, "
                                   "withhold-ack, wrong-echo, no-data, error-reading, status-error, drop-line, line-noise or "
                                   "stream-ahead, as NAME[:COUNT[:CODE]] (COUNT below 0: always). Repeatable.",
                                   "fault");
    parser.addOptions({variant, serial, name, channels, period, throttle, bath, fault});
    parser.process(app);

    zorSimulator::_options settings;
    bool ok = true;
    settings.type = parser.value(variant) == "extended" ? zorSimMemory::extended : zorSimMemory::basic;
    settings.serialNumber = parser.value(serial).toUInt(&ok);
    settings.name = parser.value(name);
    settings.channels = parser.value(channels).toInt();
    settings.period = parser.value(period).toInt();
    settings.throttle = parser.isSet(throttle);
    settings.bath = parser.isSet(bath);
    if (!ok || (parser.value(variant) != "basic" && parser.value(variant) != "extended")
        || (settings.channels != 8 && settings.channels != 16 && settings.channels != 32) || settings.period < 0) {
        std::fprintf(stderr, "zor4_70-sim: invalid option value\n");
        return 2;
    }

    zorSimulator simulator(settings);
    for (const QString &text : parser.values(fault)) {
        if (!addFault(simulator, text)) {
            std::fprintf(stderr, "zor4_70-sim: unknown fault %s\n", qPrintable(text));
            return 2;
        }
    }
    if (!simulator.start()) {
        std::fprintf(stderr, "zor4_70-sim: cannot open a pseudo-terminal\n");
        return 1;
    }
    std::printf("%s\n", qPrintable(simulator.portName()));
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&app] {
        if (interrupted.load())
            app.quit();
    });
    poll.start(100);
    const int code = app.exec();
    simulator.stop();
    return code;
}
