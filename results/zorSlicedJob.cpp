#include "results/zorSlicedJob.h"

#include <QProgressDialog>
#include <QTimer>

zorSlicedJob::zorSlicedJob(QWidget *window, const QString &label, stepFn step, progressFn progress, QObject *parent)
    : QObject(parent), window(window), label(label), step(std::move(step)), progress(std::move(progress)), timer(new QTimer(this))
{
    timer->setInterval(0);
    connect(timer, &QTimer::timeout, this, &zorSlicedJob::slice);
}

void zorSlicedJob::start()
{
    timer->start();
}

void zorSlicedJob::cancel()
{
    finish(true);
}

void zorSlicedJob::slice()
{
    // A modal progress dialog runs the event loop inside setValue(), where this
    // zero-interval timer would start a slice inside the slice.
    if (inSlice)
        return;
    inSlice = true;
    const bool done = step(QDeadlineTimer(sliceMs));
    inSlice = false;
    if (ended)
        return;
    if (done) {
        finish(false);
        return;
    }
    if (!dialog) {
        dialog = new QProgressDialog(label, tr("Отмена"), 0, 1000, window);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoReset(false);
        dialog->setAutoClose(false);
        connect(dialog, &QProgressDialog::canceled, this, &zorSlicedJob::cancel);
        dialog->show();
    }
    inSlice = true;
    dialog->setValue(progress());
    inSlice = false;
}

void zorSlicedJob::finish(bool cancelled)
{
    if (ended)
        return;
    ended = true;
    timer->stop();
    if (dialog) {
        dialog->disconnect(this);
        dialog->deleteLater();
        dialog = nullptr;
    }
    emit finished(cancelled);
    deleteLater();
}
