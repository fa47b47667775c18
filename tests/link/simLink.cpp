#include "simLink.h"

#include <QTest>

simLink::simLink(zorSimulator::options options)
    : sim(options),
      worker((sim.start(), sim.portName()), 0),
      replies(&worker, &zorSerialPortThread::readyQuery),
      queryErrors(&worker, &zorSerialPortThread::onSendQueryError),
      dataErrors(&worker, &zorSerialPortThread::onSendDataError),
      done(&worker, &zorSerialPortThread::doneSend),
      errors(&worker, &zorSerialPortThread::onError)
{
    worker.start();
    QTRY_VERIFY(worker.isAlive());
    QMetaObject::invokeMethod(&worker, [this] { worker.setDelayTime(0, 100, 0, 0); });
}

simLink::~simLink()
{
    worker.rm();
    worker.wait();
    takeReplies();
}

zorSimulator::options simLink::quiet()
{
    zorSimulator::options options;
    options.period = 0;
    return options;
}

void simLink::read(quint8 address, quint16 size, zorQueryMode mode, bool rec, bool word)
{
    zorSerialPortQueryItem query;
    query.address = address;
    query.size = size;
    query.qMode = mode;
    query.rec = rec;
    query.word = word;
    QMetaObject::invokeMethod(&worker, [this, query] { worker.sendQuery(0, query); });
}

void simLink::write(quint8 address, const QByteArray &bytes, bool word)
{
    zorSerialPortDataItem data;
    data.address = address;
    data.data = bytes;
    data.word = word;
    QMetaObject::invokeMethod(&worker, [this, data] { worker.sendData(0, data); });
}

QList<QByteArray> simLink::takeReplies()
{
    QList<QByteArray> result;
    for (const QList<QVariant> &args : qAsConst(replies)) {
        QByteArray *reply = args.at(0).value<QByteArray *>();
        result << *reply;
        delete reply;
    }
    replies.clear();
    return result;
}

int simLink::events(zorSimulator::eventType type, quint8 address) const
{
    int n = 0;
    for (const zorSimulator::event &e : sim.log(type))
        n += e.address == address;
    return n;
}
