#include "results/zorResultOptions.h"
#include "ui_zorResultOptions.h"

#include "db/zorSql.h"
#include "results/zorSeparatorBoxes.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

zorResultOptions::zorResultOptions(QWidget *parent)
    : QWidget(parent), ui(new Ui::zorResultOptions), fileDialog(new QFileDialog(this))
{
    ui->setupUi(this);
    zorSeparatorBoxes::fillField(ui->deFieldCB);
    zorSeparatorBoxes::fillPoint(ui->dePointCB);

    fileDialog->setAcceptMode(QFileDialog::AcceptSave);
    fileDialog->setFileMode(QFileDialog::AnyFile);
    fileDialog->setWindowTitle(tr("Файл для сохранения результатов"));
    fileDialog->setNameFilter(tr("CSV (*.csv *.CSV);; * (*.*)"));
    fileDialog->setDefaultSuffix(QStringLiteral("csv"));
    fileDialog->setDirectory(QDir::home());
    connect(fileDialog, &QFileDialog::fileSelected, this, &zorResultOptions::folderChosen);
}

zorResultOptions::~zorResultOptions()
{
    delete ui;
}

void zorResultOptions::setFolderProperty(zorSql *database, const QString &key)
{
    sql = database;
    folderKey = key;
    const QString folder = sql->getAppProperty(key).toString();
    if (!folder.isEmpty())
        fileDialog->setDirectory(folder);
}

void zorResultOptions::on_selectFileBtn_clicked()
{
    if (fileDialog->exec() == QDialog::Accepted && !fileDialog->selectedFiles().isEmpty())
        ui->lineEdit->setText(fileDialog->selectedFiles().first());
}

void zorResultOptions::folderChosen(const QString &file)
{
    const QString folder = QFileInfo(file).absolutePath();
    fileDialog->setDirectory(folder);
    if (sql)
        sql->setAppProperty(folderKey, folder);
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
    return name.isEmpty() ? QString() : fileDialog->directory().filePath(name);
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
