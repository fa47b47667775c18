#include "app/zorDevErrorBoxes.h"

zorDevErrorBoxes::zorDevErrorBoxes(QWidget *parent)
    : QObject(parent)
    , window(parent)
{
}

void zorDevErrorBoxes::show(int index, quint8 code, const QString &devName, const QString &devNumber,
                            const QString &msg)
{
    const bool critical = code < 200;
    const QString fault = critical ? tr("Критическая неисправность прибора") : tr("Неисправность прибора");
    const QString text = tr("ОШИБКА №") + QString::number(code) + "\n" + fault + " " + devName + "(№ " + devNumber
        + ")" + "\n" + msg;

    QMessageBox *box = boxes.value(index);
    if (!box) {
        box = new QMessageBox(window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->setStandardButtons(QMessageBox::Ok);
        boxes.insert(index, box);
    }
    box->setIcon(critical ? QMessageBox::Critical : QMessageBox::Warning);
    box->setWindowTitle(fault);
    box->setText(text);
    box->show();
    box->raise();
}
