#include "results/zorResultOptions.h"
#include "ui_zorResultOptions.h"

#include "results/zorSeparatorBoxes.h"
#include "ui/zorFileDialog.h"

#include <QDir>

zorResultOptions::zorResultOptions(QWidget *parent)
    : QWidget(parent), ui(new Ui::zorResultOptions), fileDialog(new zorFileDialog(this))
{
    ui->setupUi(this);
    zorSeparatorBoxes::fillField(ui->deFieldCB);
    zorSeparatorBoxes::fillPoint(ui->dePointCB);
}

zorResultOptions::~zorResultOptions()
{
    delete ui;
}

void zorResultOptions::setFolderProperty(zorSql *sql, const zorPropertyKey<QString> &key)
{
    fileDialog->rememberIn(sql, key);
}

void zorResultOptions::on_selectFileBtn_clicked()
{
    const QString path = fileDialog->choose(QFileDialog::AcceptSave, tr("Файл для сохранения результатов"),
                                            tr("CSV (*.csv *.CSV);; * (*.*)"), QStringLiteral("csv"), fileName());
    if (!path.isEmpty())
        ui->lineEdit->setText(path);
}

// A comma between fields leaves no room for a decimal comma.
void zorResultOptions::on_deFieldCB_currentIndexChanged(int index)
{
    using boxes = zorSeparatorBoxes;
    ui->dePointCB->setCurrentIndex(index == boxes::fieldComma ? boxes::pointDot : boxes::pointSystem);
    ui->dePointCB->setEnabled(index != boxes::fieldComma);
}

QString zorResultOptions::fileName() const
{
    return ui->lineEdit->text();
}

QString zorResultOptions::inFolder(const QString &name) const
{
    return name.isEmpty() ? QString() : QDir(fileDialog->folder()).filePath(name);
}

QString zorResultOptions::fieldSep() const
{
    return ui->deFieldCB->currentData().toString();
}

QString zorResultOptions::pointSep() const
{
    return ui->dePointCB->currentData().toString();
}

int zorResultOptions::round() const
{
    return ui->roundCB->currentIndex();
}

int zorResultOptions::period() const
{
    return ui->timePointSB->value();
}

zorResultLayout zorResultOptions::layout() const
{
    return zorResultLayout(fieldSep(), pointSep(), round());
}

void zorResultOptions::setChoices(const QString &file, const QString &fieldSep, const QString &pointSep, int round,
                            int period)
{
    ui->lineEdit->setText(file);
    const int field = ui->deFieldCB->findData(fieldSep);
    if (field >= 0)
        ui->deFieldCB->setCurrentIndex(field);
    const int point = ui->dePointCB->findData(pointSep);
    if (point >= 0 && ui->dePointCB->isEnabled())
        ui->dePointCB->setCurrentIndex(point);
    if (round >= 0 && round < ui->roundCB->count())
        ui->roundCB->setCurrentIndex(round);
    ui->timePointSB->setValue(period);
}
