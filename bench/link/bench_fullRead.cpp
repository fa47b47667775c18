// A full read of an instrument's identity, reference, device, channel and
// characteristic blocks (12144 bytes, 3036 units) from the simulator paced as a
// 9600-baud line, with the program's delays (2000 ms handshake, 200 ms queue wait,
// 3000 ms back-off), against the wire-time bound: 9 bytes per unit on the line plus
// each exchange's start delay.
#include "bench/common/benchFigures.h"
#include "link/ZORSerialPort.h"
#include "sim/zorSimulator.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMap>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

qint64 nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct block
{
    quint8 address;
    quint16 size;
};

const block blocks[] = {{0x33, 24}, {3, 1008}, {5, 8}, {7, 224}, {2, 10880}};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    zorSimulator::_options options;
    options.throttle = true;
    zorSimulator sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulator\n");
        return 1;
    }

    ZORSerialPort port;
    const int dev = port.addDev(sim.portName());
    emit port.onSetDelayTime(dev, 2000, 200, 3000);

    // When each read was handed to the worker: the first at once, each next one as
    // the previous reply is delivered.
    QVector<qint64> handedOver;
    int units = 0;
    bool failed = false;
    QObject::connect(&port, QOverload<int, QByteArray, quint8>::of(&ZORSerialPort::readyDevReply),
                     [&](int, QByteArray reply, quint8) {
                         handedOver << nowUs();
                         units += reply.size() / 4;
                     });
    QObject::connect(&port, QOverload<int, quint16>::of(&ZORSerialPort::onDevError),
                     [&](int, quint16) { failed = true; });
    QEventLoop loop;
    QObject::connect(&port, &ZORSerialPort::allDevQueryComplite, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &loop, [&] {
        handedOver << nowUs();
        for (const block &b : blocks)
            port.sendDevQuery(dev, b.address, b.size, true);
    });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 end = handedOver.isEmpty() ? nowUs() : handedOver.last();
    if (failed || handedOver.size() != 6 || units != 3036) {
        std::fprintf(stderr, "the read failed (%d units)\n", units);
        return 1;
    }

    // Start delay of each exchange: from its hand-over to its selector leaving the
    // program, which is the echo's time less the selector's and the echo's line time.
    const qint64 byteUs = zorSimLine::byteNs / 1000;
    QMap<quint8, qint64> echoed;
    for (const zorSimulator::_event &e : sim.log(zorSimulator::selectorEchoed))
        if (!echoed.contains(e.address))
            echoed.insert(e.address, e.us);
    qint64 startDelays = 0;
    for (int i = 0; i < 5; ++i)
        startDelays += echoed.value(blocks[i].address) - 2 * byteUs - handedOver.at(i);

    // ZOR_BENCH_DETAIL=1: the time per unit of each block on stderr.
    if (qEnvironmentVariableIsSet("ZOR_BENCH_DETAIL")) {
        QMap<quint8, qint64> finished;
        for (const zorSimulator::_event &e : sim.log(zorSimulator::readDone))
            finished.insert(e.address, e.us);
        for (const block &b : blocks)
            std::fprintf(stderr, "block %d: %.3f ms per unit\n", b.address,
                         (finished.value(b.address) - echoed.value(b.address)) / 1000.0 / (b.size / 4));
    }
    const double measured = (end - handedOver.first()) / 1e6;
    const double bound = (startDelays + 3036 * 9 * zorSimLine::byteNs / 1000) / 1e6;
    benchFigures::print("full read of 12144 bytes at 9600 baud", measured, "s", "%.2f");
    benchFigures::print("full read wire-time bound", bound, "s", "%.2f");
    benchFigures::print("full read ratio to bound", measured / bound, "x", "%.3f");
    return 0;
}
