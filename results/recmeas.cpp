#include "results/recmeas.h"
#include "ui_recmeas.h"

#include "db/zorPropertyKeys.h"
#include "registry/zorList.h"
#include "results/zorRecorder.h"

recmeas::recmeas(QWidget *parent, zorList *list, zorRecorder *recorder)
    : QDialog(parent), ui(new Ui::recmeas), list(list), recorder(recorder)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->options->setFolderProperty(list->getSql(), zorPropertyKeys::recordDir);
    connect(recorder, &zorRecorder::onRecStateChange, this, [this](int changed) {
        if (changed == index)
            showState();
    });
}

recmeas::~recmeas()
{
    delete ui;
}

void recmeas::setZor(int zorIndex, const QString &proposedName)
{
    index = zorIndex;
    const zorList::_zor *z = list->getZorByIndex(index);
    if (!z)
        return;
    ui->options->setChoices(z->recFile.isEmpty() ? ui->options->inFolder(proposedName) : z->recFile, z->recFieldSep, z->recPointSep,
                            z->recRound, z->recPeriod);
    ui->saveBtn->setChecked(z->recEnabled);
    showState();
}

void recmeas::on_saveBtn_clicked(bool checked)
{
    zorList::_zor *z = list->getZorByIndex(index);
    if (!z) {
        ui->saveBtn->setChecked(false);
        return;
    }
    z->recFile = ui->options->fileName();
    z->recEnabled = checked;
    z->recRound = static_cast<signed char>(ui->options->round());
    z->recFieldSep = ui->options->fieldSep();
    z->recPointSep = ui->options->pointSep();
    z->recPeriod = uchar(ui->options->period());
    if (z->recFile.isEmpty() || !checked) {
        z->recEnabled = false;
        ui->saveBtn->setChecked(false);
        z->recRow = 0;
        recorder->stopped(index);
    } else {
        recorder->started(index);
    }
    showState();
    list->recordEdited();
}

void recmeas::on_closeBtn_clicked()
{
    close();
}

void recmeas::showState()
{
    const zorList::_zor *z = list->getZorByIndex(index);
    QString text = z && z->recEnabled ? tr("Идёт запись...") : tr("Запись остановлена");
    const QString problem = recorder->problemText(index);
    if (!problem.isEmpty())
        text += QLatin1Char('\n') + problem;
    ui->statusLabel->setText(text);
    ui->statusLabel->setStyleSheet(problem.isEmpty() ? QString() : QStringLiteral("color: #c0392b;"));
}
