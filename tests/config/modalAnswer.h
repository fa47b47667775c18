#ifndef MODALANSWER_H
#define MODALANSWER_H

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// Answers the next modal window of kind T, which opens inside a nested event loop (a
// message box, a file dialog, a sub-dialog) so that the test cannot reach it by a plain
// call: polls for it and runs the action on it once. Gives up after 10 s, leaving the
// test to fail on what did not happen.
class modalAnswer
{
public:
    template <typename T>
    static void next(std::function<void(T *)> action)
    {
        QTimer *timer = new QTimer;
        QElapsedTimer *age = new QElapsedTimer;
        age->start();
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, age, action] {
            T *window = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!window && age->elapsed() < 10000)
                return;
            timer->stop();
            timer->deleteLater();
            delete age;
            if (window)
                action(window);
        });
        timer->start();
    }

    // Writes a message box down as "title|text" and presses button.
    static void messageBox(QString *seen, QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        next<QMessageBox>([seen, button](QMessageBox *box) {
            *seen = box->windowTitle() + "|" + box->text();
            box->button(button)->click();
        });
    }

    // Types path as the file name of a file dialog and accepts it. (selectFile leaves a
    // name field that has the focus alone.)
    static void fileDialog(const QString &path)
    {
        next<QFileDialog>([path](QFileDialog *dialog) {
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
            static_cast<QDialog *>(dialog)->accept(); // the file dialog's own, which takes the typed name
        });
    }
};

#endif // MODALANSWER_H
