#ifndef MODALANSWER_H
#define MODALANSWER_H

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// Answers modal windows, opened inside a nested event loop the test cannot reach by a
// plain call. next() answers the next window of kind T: polls for it and runs the action
// on it once, or gives up after 10 s and leaves the test to fail; calls queue up, one per
// window to come. An object answers every modal window while it lives.
class modalAnswer
{
public:
    // Every modal window but a progress dialog: a message box with its first button, its
    // "title: text" landing in seen; a file dialog given path.
    explicit modalAnswer(const QString &path = QString())
    {
        QObject::connect(&timer, &QTimer::timeout, [this, path] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen << box->windowTitle() + ": " + box->text();
                box->buttons().first()->click();
            } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                type(files, path);
            }
        });
        timer.start(10);
    }
    QStringList seen;

    template <typename T>
    static void next(std::function<void(T *)> action)
    {
        QTimer *timer = new QTimer;
        const QDeadlineTimer deadline(10000);
        QObject::connect(timer, &QTimer::timeout, [timer, deadline, action] {
            T *window = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!window && !deadline.hasExpired())
                return;
            timer->stop();
            timer->deleteLater();
            if (window)
                action(window);
        });
        timer->start(10);
    }

    // The next message box, written down in seen as "title|text", answered with button.
    static void box(QStringList *seen, int button = QMessageBox::Ok)
    {
        next<QMessageBox>([seen, button](QMessageBox *box) {
            *seen << box->windowTitle() + "|" + box->text();
            box->button(QMessageBox::StandardButton(button))->click();
        });
    }

    // The next file dialog, written down in seen as "title|proposed file", given path as
    // the typed name (the view's selection cleared, as it would win) and accepted, or
    // cancelled for an empty path.
    static void file(const QString &path, QStringList *seen = nullptr)
    {
        next<QFileDialog>([path, seen](QFileDialog *dialog) {
            if (seen)
                *seen << dialog->windowTitle() + "|" + dialog->selectedFiles().value(0);
            if (path.isEmpty())
                return dialog->reject();
            type(dialog, path);
        });
    }

private:
    static void type(QFileDialog *dialog, const QString &path)
    {
        dialog->findChild<QAbstractItemView *>("listView")->selectionModel()->clear();
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // the file dialog's own, which takes the typed name
    }

    QTimer timer;
};

#endif // MODALANSWER_H
