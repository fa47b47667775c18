#include "results/zorResultOptions.h"
#include "ui_zorResultOptions.h"

#include "ui/zorFileDialog.h"

#include <QDir>

namespace {

enum fieldChoice { fieldSemicolon, fieldTab, fieldComma, fieldBlank, fieldColon };
enum pointChoice { pointSystem, pointDot, pointComma };

} // namespace

zorResultOptions::zorResultOptions(QWidget *parent)
    : QWidget(parent), ui(new Ui::zorResultOptions), fileDialog(new zorFileDialog(this))
{
    ui->setupUi(this);
    const QStringList fields = {";", "\t", ",", " ", ":"};
    for (int i = 0; i < fields.size(); ++i)
        ui->deFieldCB->setItemData(i, fields.at(i));
    const QStringList points = {"", ".", ","};
    for (int i = 0; i < points.size(); ++i)
        ui->dePointCB->setItemData(i, points.at(i));
}

zorResultOptions::~zorResultOptions()
{
    delete ui;
}

void zorResultOptions::setFolderProperty(zorSql *sql, const QString &key)
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
    ui->dePointCB->setCurrentIndex(index == fieldComma ? pointDot : pointSystem);
    ui->dePointCB->setEnabled(index != fieldComma);
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
