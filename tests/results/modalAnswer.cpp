#include "modalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QProgressDialog>

modalAnswer::modalAnswer(answerFn answer) : answer(std::move(answer))
{
    connect(&timer, &QTimer::timeout, this, &modalAnswer::look);
    timer.start(10);
}

void modalAnswer::look()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || qobject_cast<QProgressDialog *>(modal))
        return;
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (box)
        seen << box->windowTitle() + ": " + box->text();
    if (answer)
        answer(modal);
    else if (box)
        box->buttons().first()->click();
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
}
