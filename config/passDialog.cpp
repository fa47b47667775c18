#include "config/passDialog.h"

#include "ui_passDialog.h"

#include "model/optionsZOR70.h"

#include <QTextCodec>

passDialog::passDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::passDialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setOptions(nullptr);
}

passDialog::~passDialog()
{
    delete ui;
}

void passDialog::setOptions(optionsZOR70 *image)
{
    options = image;
    for (QLineEdit *edit : {ui->passEdit, ui->nPassEdit1, ui->nPassEdit2}) {
        const QSignalBlocker quiet(edit);
        edit->clear();
    }
    ui->statusLabel->clear();
    ui->setPassBtn->setEnabled(false);
    ui->applyBtn->setEnabled(false);
    ui->nPassFrame->hide();
    ui->passEdit->setFocus();
}

bool passDialog::isValidPassword(const QString &text)
{
    static QTextCodec *const cp1251 = QTextCodec::codecForName("Windows-1251");
    if (text.size() < minLength || text.size() > maxLength || text != text.trimmed()
        || !cp1251->canEncode(text))
        return false;
    for (const QChar c : text) {
        if (!c.isPrint())
            return false;
    }
    return true;
}

void passDialog::on_passEdit_textChanged(const QString &text)
{
    const bool unlocked = options && (text == options->password || text == options->masterPassword);
    ui->setPassBtn->setEnabled(unlocked);
    ui->applyBtn->setEnabled(unlocked);
    if (!unlocked)
        ui->nPassFrame->hide();
}

void passDialog::on_setPassBtn_clicked()
{
    ui->nPassFrame->show();
    ui->nPassEdit1->setFocus();
}

void passDialog::on_nPassEdit1_textChanged(const QString &)
{
    updStatus();
}

void passDialog::on_nPassEdit2_textChanged(const QString &)
{
    updStatus();
}

// Judged on both fields at every keystroke, so that the line never looks content
// while either field would make the new password be refused.
void passDialog::updStatus()
{
    const QString first = ui->nPassEdit1->text();
    const QString second = ui->nPassEdit2->text();
    QString status;
    if (first.isEmpty() && second.isEmpty())
        ; // nothing typed yet
    else if (first.size() < minLength)
        status = tr("Пароль слишком короткий");
    else if (!isValidPassword(first))
        status = tr("Недопустимые символы в пароле");
    else if (!second.isEmpty() && second != first)
        status = tr("Пароли не совпадают");
    ui->statusLabel->setText(status);
}

void passDialog::on_applyBtn_clicked()
{
    // A new password counts only while its frame is open: fields the user cannot see
    // change nothing.
    const QString first = ui->nPassEdit1->text();
    if (options && !ui->nPassFrame->isHidden() && first == ui->nPassEdit2->text() && isValidPassword(first))
        options->password = first;
    accept();
}

void passDialog::on_closeBtn_clicked()
{
    reject();
}
