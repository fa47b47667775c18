#include "tests/registry/registryLog.h"

#include "registry/zorList.h"

registryLog::registryLog(zorList *list)
{
    const auto add = [this](const QStringList &fields) { lines << fields.join(' '); };
    connect(list, &zorList::onReadMeas, this, [add](int index, double meas, quint8 ch, const QString &dim) {
        add({"meas", QString::number(index), QString::number(ch), QString::number(meas, 'g', 10), dim});
    });
    connect(list, &zorList::onChError, this, [add](int index, quint8 ch, quint8 code, const QString &msg) {
        add({"chError", QString::number(index), QString::number(ch), QString::number(code), msg});
    });
    connect(list, &zorList::onDevError, this, [add](int index, quint8 code, const QString &msg) {
        add({"devError", QString::number(index), QString::number(code), msg});
    });
    connect(list, &zorList::onReadStatus, this, [add](int index) { add({"status", QString::number(index)}); });
    connect(list, &zorList::onAddZor, this, [add](int index, bool added) {
        add({"add", QString::number(index), added ? "true" : "false"});
    });
    connect(list, &zorList::onRmZor, this, [add](int index, int qwtIndex) {
        add({"rm", QString::number(index), QString::number(qwtIndex)});
    });
    connect(list, &zorList::onChange, this, [add] { add({"change"}); });
    connect(list, &zorList::doClearQwt, this, [add](int qwtIndex) { add({"clearQwt", QString::number(qwtIndex)}); });
    connect(list, qOverload<int, QByteArray *, quint8, zorQueryMode>(&zorList::sendDevData), this,
            [add](int devIndex, QByteArray *buf, quint8 address, zorQueryMode) {
                add({"write", QString::number(devIndex), QString::number(address), QString::number(buf->size())});
            });
}

QStringList registryLog::filtered(const QString &prefix) const
{
    QStringList selected;
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            selected << line;
    }
    return selected;
}
