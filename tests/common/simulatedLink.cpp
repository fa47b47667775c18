#include "simulatedLink.h"

#include <QCoreApplication>
#include <QTest>

simulatedLink::simulatedLink()
{
    shortSettle();
    using P = ZORSerialPort;
    note(&port, qOverload<int, QByteArray, quint8>(&P::readyDevReply), "reply", &lines);
    // The pointer form must be readable while it is delivered.
    QObject::connect(&port, qOverload<int, QByteArray *, quint8>(&P::readyDevReply),
                     [this](int, QByteArray *buf, quint8) { replies << *buf; });
    note(&port, &P::onDevQueryError, "queryError", &lines);
    note(&port, qOverload<int, quint16>(&P::onDevError), "error", &lines);
    note(&port, &P::resultDevQuery, "result", &lines);
    note(&port, &P::allDevQueryComplite, "allRead", &lines);
    note(&port, &P::blockStatusEvent, "block", &lines);
}

simulatedLink::~simulatedLink()
{
    worker.reset();
    // Replies still on their way are taken, so that each array is released.
    QCoreApplication::sendPostedEvents(&port, QEvent::MetaCall);
}

zorSimulator *simulatedLink::startSim(quint32 serial, int period, zorSimMemory::_variant type)
{
    zorSimulator::_options settings;
    settings.serialNumber = serial;
    settings.period = period;
    settings.type = type;
    sims.emplace_back(new zorSimulator(settings));
    if (!sims.back()->start())
        qFatal("no pseudo-terminal for the simulator");
    return sims.back().get();
}

int simulatedLink::addDev(const QString &portName, quint16 init)
{
    const int devIndex = port.addDev(portName);
    port.setDelayTime(devIndex, init, 0, 0);
    return devIndex;
}

void simulatedLink::waitIdle(int devIndex)
{
    QTRY_VERIFY_WITH_TIMEOUT(port.isEmptyQueryQueue(devIndex) && port.isSendAllData(), timeout);
}

void simulatedLink::startWorker(const QString &portName, quint16 init)
{
    using W = zorSerialPortThread;
    worker.reset(new W(portName, 0));
    W *w = worker.get();
    note(w, &W::readyQuery, "reply", &lines);
    QObject::connect(w, &W::readyQuery, &port, [this](QByteArray *buf) {
        replies << *buf;
        delete buf;
    });
    note(w, &W::onSendQueryError, "queryError", &lines);
    note(w, &W::onSendDataError, "dataError", &lines);
    note(w, &W::doneSend, "done", &lines);
    note(w, &W::onError, "error", &lines);
    w->start();
    QTRY_VERIFY(w->isAlive());
    QMetaObject::invokeMethod(w, [w, init] { w->setDelayTime(0, init, 0, 0); });
}

void simulatedLink::read(quint8 address, quint16 size, zorQueryMode mode, bool rec, bool word)
{
    const zorSerialPortQueryItem query{address, size, false, mode, rec, word};
    QMetaObject::invokeMethod(worker.get(), [this, query] { worker->sendQuery(0, query); });
}

void simulatedLink::write(quint8 address, const QByteArray &bytes, bool word)
{
    const zorSerialPortDataItem data{address, bytes, qmNormal, false, word};
    QMetaObject::invokeMethod(worker.get(), [this, data] { worker->sendData(0, data); });
}

QByteArray simulatedLink::addresses(const QVector<zorSimulator::_event> &events)
{
    QByteArray result;
    for (const zorSimulator::_event &e : events)
        result += char(e.address);
    return result;
}

void simulatedLink::shortSettle()
{
    // A simulated instrument is ready at once; a little spread keeps the random part run.
    zorSerialPortThread::setSettleTime(100, 100);
}
