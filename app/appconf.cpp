#include "app/appconf.h"
#include "ui_appconf.h"

appconf::appconf(zorSql *sql, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::appconf)
    , sql(sql)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->pushButton->setToolTip(tr("Закрыть окно ") + "\"" + tr("О программе") + "\"");
}

appconf::~appconf()
{
    delete ui;
}

void appconf::setBuild(const QString &version, int buildNumber, const QString &buildDate)
{
    ui->verLabel->setText(version);
    ui->buildLabel->setText(QString::number(buildNumber).rightJustified(3, '0'));
    ui->dateLabel->setText(buildDate);
}

void appconf::on_pushButton_clicked()
{
    accept();
}
