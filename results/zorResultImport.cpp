#include "results/zorResultImport.h"

#include "plot/QwtZOR.h"
#include "registry/zorList.h"
#include "results/zorSlicedJob.h"

#include <QFileInfo>
#include <QSignalBlocker>

#include <algorithm>

zorResultImport::zorResultImport(QWidget *window, zorList *list, QwtZOR *plot)
    : QObject(window), window(window), list(list), plot(plot)
{
}

int zorResultImport::start(const QString &path)
{
    file.setFileName(path);
    int error = file.open(QIODevice::ReadOnly) ? int(reader.readHeader()) : int(fileError);
    if (error == importOk) {
        zorIndex = list->newZor(-1, true);
        const zorList::_zor *z = list->getZorByIndex(zorIndex);
        qwtIndex = z ? z->qwtIndex : -1;
        if (qwtIndex < 0) {
            if (z)
                list->rmByIndex(zorIndex);
            zorIndex = -1;
            error = deviceError;
        }
    }
    if (error != importOk) {
        deleteLater();
        return error;
    }
    list->getZorByIndex(zorIndex)->options->devName = QFileInfo(path).completeBaseName();
    units = reader.units();
    pending.resize(units.size());
    turn = pending.size();
    plot->prepareMeas(qwtIndex, reader.start());
    auto *job = new zorSlicedJob(
        window, tr("Чтение результатов измерений из файла..."),
        [this](const QDeadlineTimer &until) { return step(until); }, [this] { return progress(); }, this);
    connect(job, &zorSlicedJob::finished, this, [this](bool cancelled) {
        emit finished(zorIndex, cancelled);
        deleteLater();
    });
    job->start();
    return importOk;
}

bool zorResultImport::step(const QDeadlineTimer &until)
{
    // The device may have been removed while its file was being read.
    const zorList::_zor *z = list->getZorByIndex(zorIndex);
    if (!z || z->qwtIndex != qwtIndex)
        return true;
    for (;;) {
        if (turn == pending.size()) {
            if (atEnd)
                return true;
            atEnd = reader.run(
                [this](int ch, double t, double value) {
                    pending[ch].time << t;
                    pending[ch].value << value;
                },
                QDeadlineTimer(QDeadlineTimer::Forever), blockRows);
            turn = 0;
        }
        // The plot does not announce these points: the window catches up once the
        // file is in (finished).
        const QSignalBlocker quiet(plot);
        for (; turn < pending.size(); ++turn) {
            _pending &p = pending[turn];
            if (!p.time.isEmpty()) {
                makeRoom(turn);
                plot->addPoints(p.value, p.time, units.at(turn), qwtIndex, uchar(turn));
            }
            p.time.resize(0);
            p.value.resize(0);
            if (until.hasExpired()) {
                ++turn;
                return false;
            }
        }
    }
}

// Room for the points of the channel that the whole file likely holds, judged by the
// share of the file read so far, with a tenth to spare for shorter rows further on;
// made again, larger, should the file hold more than that.
void zorResultImport::makeRoom(int ch)
{
    _pending &p = pending[ch];
    const qint64 need = qint64(plot->getChMeasCount(qwtIndex, uchar(ch))) + p.time.size();
    const qint64 read = reader.position();
    if (need <= p.room || read <= 0 || reader.size() <= 0)
        return;
    const double expected = double(need) * double(reader.size()) / double(read) * 1.1 + blockRows;
    p.room = int(std::min(expected, double(maxRoom)));
    plot->reserve(p.room, qwtIndex, uchar(ch));
}

int zorResultImport::progress() const
{
    return reader.size() > 0 ? int(reader.position() * 1000 / reader.size()) : 0;
}
