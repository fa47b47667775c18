#include "results/zorRecorder.h"

#include "plot/QwtZOR.h"
#include "registry/zorList.h"
#include "results/zorResultLayout.h"

zorRecorder::zorRecorder(zorList *list, QwtZOR *plot, QObject *parent)
    : QObject(parent), list(list), plot(plot)
{
    connect(list, &zorList::onRmZor, this, [this](int index, int) { writers.remove(index); });
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

} // namespace

void zorRecorder::record(int index)
{
    zorList::_zor *z = list->getZorByIndex(index);
    if (!z || z->qwtIndex < 0)
        return;
    if (z->recFile.isEmpty()) {
        z->recEnabled = false;
        emit list->onChange();
        return;
    }
    const int q = z->qwtIndex;
    const int count = plot->getChCount(q);

    // The reference: of the channels switched on, the one with the most points.
    int ref = -1;
    int most = 0;
    for (int ch = 0; ch < count; ++ch) {
        const int n = plot->getChMeasCount(q, uchar(ch), false);
        if (isOn(z, ch) && n > most) {
            most = n;
            ref = ch;
        }
    }
    if (ref < 0)
        return;
    const double t = plot->getChTime(q, uchar(ref), -1, false);
    zorRecordWriter &w = writers[index];
    if (!w.rowDue(t, z->recPeriod))
        return;

    const zorResultLayout layout = layoutOf(z);
    QByteArray row;
    layout.beginRow(row, ++z->recRow, t);
    for (int ch = 0; ch < count; ++ch) {
        if (isOn(z, ch) && plot->getChMeasStr(q, uchar(ch)) != QLatin1String("--"))
            layout.value(row, plot->getChMeas(q, uchar(ch)));
        else
            layout.noValue(row);
    }
    zorResultLayout::endRow(row);

    const bool wasFailing = w.isFailing();
    w.append(z->recFile, row, t, [this, z] { return header(z); });
    if (w.isFailing() || wasFailing)
        emit onRecStateChange(index);
}

QByteArray zorRecorder::header(const zorList::_zor *z) const
{
    QStringList units;
    for (int ch = 0; ch < plot->getChCount(z->qwtIndex); ++ch)
        units << plot->getChDim(z->qwtIndex, uchar(ch));
    return layoutOf(z).header(plot->getStartDateTime(z->qwtIndex), units);
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
    if (!w->flush([this, z] { return header(z); }))
        w->drop();
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
