#include "results/zorResultImport.h"

#include "plot/zorPointStore.h"
#include "registry/zorList.h"
#include "results/zorResultsLog.h"
#include "results/zorSlicedJob.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <iterator>

zorResultImport::zorResultImport(QWidget *window, zorList *list, zorPointStore *store)
    : QObject(window), window(window), list(list), store(store)
{
}

// A cancelled or abandoned import stops its parser before the file and reader go.
zorResultImport::~zorResultImport()
{
    if (!parser)
        return;
    {
        QMutexLocker locked(&lock);
        stopping = true;
    }
    changed.wakeAll();
    parser->wait();
    delete parser;
}

int zorResultImport::start(const QString &path, QString *reason)
{
    this->path = path;
    file.setFileName(path);
    int error = file.open(QIODevice::ReadOnly) ? int(reader.readHeader()) : int(fileError);
    if (error == importOk) {
        zorIndex = list->newZor(-1, true);
        const zorList::_zor *z = list->getZorByIndex(zorIndex);
        qwtIndex = z ? z->qwtIndex : -1;
        if (qwtIndex < 0 || !store->findDev(qwtIndex)) {
            if (z)
                list->rmByIndex(zorIndex);
            zorIndex = -1;
            error = deviceError;
        }
    }
    if (error != importOk) {
        if (reason) {
            const QString texts[] = {QString(), tr("в первой строке нет даты начала измерений"),
                                     tr("нет времени начала измерений, или дата и время невозможны"),
                                     tr("нет строки заголовков столбцов с разделителем полей")};
            *reason = error == fileError ? file.errorString()
                : !reader.failure().isEmpty() ? reader.failure()
                : error < int(std::size(texts)) ? texts[error] : QString();
        }
        deleteLater();
        return error;
    }
    list->getZorByIndex(zorIndex)->options->devName = QFileInfo(path).completeBaseName();
    units = reader.units();
    room.fill(0, units.size());
    fileSize = reader.size();
    // The file's own start, which it never lends to a device added later.
    store->clear(qwtIndex);
    store->setStart(qwtIndex, reader.start(), true);
    emit storeChanged(qwtIndex);
    parser = QThread::create([this] { parse(); });
    parser->start();
    auto *job = new zorSlicedJob(
        window, tr("Чтение результатов измерений из файла..."),
        [this](const QDeadlineTimer &until) { return step(until); },
        [this] { return fileSize > 0 ? int(position * 1000 / fileSize) : 0; }, this);
    connect(job, &zorSlicedJob::finished, this, [this](bool cancelled) {
        emit finished(zorIndex, cancelled, problem());
        deleteLater();
    });
    job->start();
    return importOk;
}

// The parser's thread: blocks of rows into the queue, waiting while it is full.
void zorResultImport::parse()
{
    bool atEnd = false;
    while (!atEnd) {
        _block block;
        block.time.resize(units.size());
        block.value.resize(units.size());
        for (int ch = 0; ch < units.size(); ++ch) {
            block.time[ch].reserve(blockRows);
            block.value[ch].reserve(blockRows);
        }
        atEnd = reader.run(
            [&block](int ch, double t, double value) {
                block.time[ch].append(t);
                block.value[ch].append(value);
            },
            QDeadlineTimer(QDeadlineTimer::Forever), blockRows);
        block.position = reader.position();
        position = block.position;
        QMutexLocker locked(&lock);
        while (ready.size() >= size_t(maxQueued) && !stopping)
            changed.wait(&lock);
        if (stopping)
            return;
        ready.push_back(std::move(block));
        if (atEnd) {
            parsed = true;
            failure = reader.failure();
        }
        changed.wakeAll();
    }
}

// The GUI thread's slice: the blocks parsed so far into the store, until the deadline.
bool zorResultImport::step(const QDeadlineTimer &slice)
{
    const QDeadlineTimer until(std::min<qint64>(turnMs, slice.remainingTime()));
    // The device may have been removed while its file was being read.
    const zorList::_zor *z = list->getZorByIndex(zorIndex);
    if (!z || z->qwtIndex != qwtIndex)
        return true;
    bool appended = false;
    bool done = false;
    while (!done && !until.hasExpired()) {
        _block block;
        {
            QMutexLocker locked(&lock);
            if (ready.empty() && !parsed)
                changed.wait(&lock, QDeadlineTimer(std::min<qint64>(waitMs, until.remainingTime())));
            done = ready.empty() && parsed;
            if (ready.empty())
                break;
            block = std::move(ready.front());
            ready.pop_front();
        }
        changed.wakeAll();
        append(block);
        appended = true;
    }
    if (appended)
        emit storeChanged(qwtIndex);
    return done;
}

void zorResultImport::append(const _block &block)
{
    for (int ch = 0; ch < block.time.size(); ++ch) {
        if (block.time.at(ch).isEmpty())
            continue;
        makeRoom(ch, block.time.at(ch).size(), block.position);
        store->addPoints(block.value.at(ch), block.time.at(ch), units.at(ch), qwtIndex, uchar(ch));
    }
}

// Room for the points of the channel that the whole file likely holds, judged by the
// share of the file the points so far came from, with a tenth to spare for shorter rows
// further on; made again, larger, should the file hold more than that.
void zorResultImport::makeRoom(int ch, int more, qint64 read)
{
    const qint64 need = qint64(store->getChMeasCount(qwtIndex, uchar(ch))) + more;
    if (need <= room.at(ch) || read <= 0 || fileSize <= 0)
        return;
    const double expected = double(need) * double(fileSize) / double(read) * 1.1 + blockRows;
    room[ch] = int(std::min(expected, double(maxRoom)));
    // Room is made in a channel that exists, with those below it.
    if (ch >= store->getChCount(qwtIndex))
        store->setChCount(uchar(ch + 1), qwtIndex);
    store->reserve(room.at(ch), qwtIndex, uchar(ch));
}

// What of the file did not reach the store, for the user; also written to the log.
QString zorResultImport::problem() const
{
    QStringList texts;
    const QString name = QDir::toNativeSeparators(path);
    QMutexLocker locked(&lock);
    if (!failure.isEmpty())
        texts << tr("Файл %1 прочитан не полностью: %2. На графике то, что прочитано до ошибки.").arg(name, failure);
    if (reader.columnsLeftOut() > 0)
        texts << tr("В файле %1 каналов больше %2: не прочитано столбцов каналов: %3.")
                     .arg(name)
                     .arg(zorResultReader::maxChannels)
                     .arg(reader.columnsLeftOut());
    for (const QString &text : texts)
        qCWarning(lcResults).noquote() << text;
    return texts.join('\n');
}
