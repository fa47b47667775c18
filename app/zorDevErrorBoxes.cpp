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

    _shown &shown = boxes[index];
    QMessageBox *box = shown.box;
    if (!box) {
        box = new QMessageBox(window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->setStandardButtons(QMessageBox::Ok);
        shown = {box, critical, text, 0};
    } else if (critical || !shown.critical) {
        shown.critical = critical;
        shown.text = text;
        ++shown.others;
    } else {
        ++shown.others;
    }
    box->setIcon(shown.critical ? QMessageBox::Critical : QMessageBox::Warning);
    box->setWindowTitle(shown.critical ? tr("Критическая неисправность прибора") : tr("Неисправность прибора"));
    box->setText(shown.others == 0 ? shown.text
                                   : shown.text + "\n" + tr("Других ошибок прибора в это время: %1").arg(shown.others));
    box->show();
    box->raise();
}
