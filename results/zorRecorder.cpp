#include "results/zorRecorder.h"

#include "plot/zorPointStore.h"
#include "registry/zorList.h"
#include "results/zorResultLayout.h"
#include "results/zorResultsLog.h"

#include <QVarLengthArray>

zorRecorder::zorRecorder(zorList *list, const zorPointStore *store, QObject *parent)
    : QObject(parent), list(list), store(store)
{
    connect(list, &zorList::onRmZor, this, [this](int index, int) { writers.remove(index); });
    // A device error always ends the connection.
    connect(list, &zorList::onDevError, this, [this](int index) { linkLost(index); });
}

bool zorRecorder::sweepDone(int index, quint8 ch)
{
    const zorList::_zor *z = list->getZorByIndex(index);
    return writers[index].sweepDone(ch) && z && z->recEnabled;
}

namespace {

zorResultLayout layoutOf(const zorList::_zor *z)
{
    return zorResultLayout(z->recFieldSep, z->recPointSep, z->recRound);
}

bool isOn(const zorList::_zor *z, int ch)
{
    return ch < optionsZOR70::chMax && z->options->ch[ch].mode != optionsZOR70::chOff;
}

quint32 onMask(const zorList::_zor *z, int count)
{
    quint32 on = 0;
    for (int ch = 0; ch < count && ch < 32; ++ch)
        if (isOn(z, ch))
            on |= 1u << ch;
    return on;
}

} // namespace

void zorRecorder::record(int index)
{
    zorList::_zor *z = list->getZorByIndex(index);
    if (!z || z->qwtIndex < 0)
        return;
    if (z->recFile.isEmpty()) {
        z->recEnabled = false;
        list->recordEdited();
        return;
    }
    int q = z->qwtIndex;
    const zorPointStore::_dev *dev = store->findDev(q);
    if (!dev)
        return;
    const QVector<zorPointStore::_ch> &chs = dev->chs;

    // The reference: of the channels switched on, the one with the most points.
    int ref = -1;
    for (int ch = 0; ch < chs.size(); ++ch)
        if (isOn(z, ch) && !chs.at(ch).time.isEmpty() && (ref < 0 || chs.at(ch).time.size() > chs.at(ref).time.size()))
            ref = ch;
    if (ref < 0)
        return;
    double t = chs.at(ref).time.last();
    zorRecordWriter &w = writers[index];
    // After a gap a channel not read again has only a value from before it: it gets
    // none, and the row takes the time of its newest reading.
    const quint32 on = onMask(z, chs.size());
    const quint32 stale = w.staleSinceGap(on);
    if (stale == on && on != 0)
        return;
    if (stale) {
        t = 0.0;
        for (int ch = 0; ch < chs.size() && ch < 32; ++ch)
            if (isOn(z, ch) && !(stale & (1u << ch)) && !chs.at(ch).time.isEmpty())
                t = qMax(t, chs.at(ch).time.last());
    }
    if (!w.rowDue(t, z->recPeriod))
        return;

    // The newest value of every channel; none for a channel switched off, whose last
    // reading was rejected or that has not been read since a gap.
    QVarLengthArray<double, optionsZOR70::chMax> values(chs.size());
    for (int ch = 0; ch < chs.size(); ++ch) {
        const zorPointStore::_ch &c = chs.at(ch);
        const bool fresh = ch >= 32 || !(stale & (1u << ch));
        values[ch] = isOn(z, ch) && fresh && !c.pointError && !c.meas.isEmpty() ? c.meas.last() : qQNaN();
    }
    QByteArray row;
    layoutOf(z).row(row, ++z->recRow, t, values.constData(), values.size());

    const bool wasFailing = w.isFailing();
    w.append(z->recFile, row, t, [this, z] { return header(z); });
    if (w.isFailing() && !wasFailing)
        qCWarning(lcResults) << "recording of record" << index << "to" << z->recFile << "fails:" << w.errorString();
    else if (wasFailing && !w.isFailing())
        qCInfo(lcResults) << "recording of record" << index << "to" << z->recFile << "takes rows again";
    if (w.isFailing() || wasFailing)
        emit onRecStateChange(index);
}

QByteArray zorRecorder::header(const zorList::_zor *z) const
{
    QStringList units;
    for (int ch = 0; ch < store->getChCount(z->qwtIndex); ++ch)
        units << store->getChDim(z->qwtIndex, uchar(ch));
    return layoutOf(z).header(store->getStartDateTime(z->qwtIndex), units);
}

void zorRecorder::linkLost(int index)
{
    const zorList::_zor *z = list->getZorByIndex(index);
    if (!z)
        return;
    const int count = z->qwtIndex >= 0 ? store->getChCount(z->qwtIndex) : optionsZOR70::chMax;
    if (writers[index].sweepComplete(onMask(z, count)) && z->recEnabled)
        record(index);
    writers[index].gapBegins();
}

void zorRecorder::started(int index)
{
    writers[index].restart();
    emit onRecStateChange(index);
}

void zorRecorder::stopped(int index)
{
    const zorList::_zor *z = list->getZorByIndex(index);
    const auto w = writers.find(index);
    if (!z || w == writers.end() || w->waitingRows() == 0)
        return;
    if (!w->flush([this, z] { return header(z); })) {
        qCWarning(lcResults) << "recording of record" << index << "stopped," << w->waitingRows() << "rows lost:"
                             << w->errorString();
        w->drop();
    }
    emit onRecStateChange(index);
}

const zorRecordWriter *zorRecorder::writer(int index) const
{
    const auto w = writers.find(index);
    return w == writers.end() ? nullptr : &*w;
}

bool zorRecorder::isFailing(int index) const
{
    const zorRecordWriter *w = writer(index);
    return w && w->isFailing();
}

QString zorRecorder::problemText(int index) const
{
    const zorRecordWriter *w = writer(index);
    if (!w)
        return QString();
    QString text;
    if (w->isFailing())
        text = tr("Файл не принимает запись: %1. Строк в памяти: %2").arg(w->errorString()).arg(w->waitingRows());
    if (w->lostRows() > 0)
        text += (text.isEmpty() ? QString() : QStringLiteral(". ")) + tr("Потеряно строк: %1").arg(w->lostRows());
    return text;
}
