#ifndef ZORSLICEDJOB_H
#define ZORSLICEDJOB_H

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QTimer;
class QWidget;

// Runs a long piece of work in the GUI thread in slices of at most sliceMs, handing the
// event loop back between them so that the window keeps drawing and readings keep
// arriving. When the work outlasts its first slice a progress dialog with a cancel
// button appears over the window given. Deletes itself when finished, and goes with
// its parent, the owner of what the steps work on.
class zorSlicedJob : public QObject
{
    Q_OBJECT

public:
    static constexpr int sliceMs = 40;

    // step does one slice, until the deadline it is given, and returns true when all is
    // done; progress tells how far the work is, 0 to 1000.
    using stepFn = std::function<bool(const QDeadlineTimer &)>;
    using progressFn = std::function<int()>;

    zorSlicedJob(QWidget *window, const QString &label, stepFn step, progressFn progress, QObject *parent);

    // The first slice runs from the event loop, after the caller has returned.
    void start();
    // As the cancel button does: no further slice runs.
    void cancel();
    QProgressDialog *progressDialog() const { return dialog; }

signals:
    // Once, at the end: cancelled by the user, or all steps done.
    void finished(bool cancelled);

private:
    void slice();
    void finish(bool cancelled);

    QPointer<QWidget> window;
    QString label;
    stepFn step;
    progressFn progress;
    QTimer *timer;
    QProgressDialog *dialog = nullptr;
    bool ended = false;
    bool inSlice = false;
};

#endif // ZORSLICEDJOB_H
