#include "results/savemeas.h"
#include "ui_savemeas.h"

#include "db/zorPropertyKeys.h"
#include "results/zorSlicedJob.h"

#include <QDir>
#include <QMessageBox>
#include <QSaveFile>

savemeas::savemeas(QWidget *parent, const zorPointStore *store, zorSql *sql)
    : QDialog(parent), ui(new Ui::savemeas), store(store)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->options->setFolderProperty(sql, zorPropertyKeys::saveDir);
    connect(this, &QDialog::finished, ui->statusLabel, &QLabel::clear);
}

savemeas::~savemeas()
{
    delete ui;
}

void savemeas::on_closeBtn_clicked()
{
    close();
}

void savemeas::on_saveBtn_clicked()
{
    ui->statusLabel->setText(tr("Сохраняю..."));
    if (ui->options->fileName().isEmpty()) {
        ui->statusLabel->setText(tr("Выберите файл для сохранения"));
        return;
    }
    const QVector<zorResultExport::_channel> series = zorResultExport::channelsOf(*store, -1);
    if (series.isEmpty()) {
        ui->statusLabel->setText(tr("Нет данных для сохранения"));
        return;
    }
    file = new QSaveFile(ui->options->fileName(), this);
    job = std::make_unique<zorResultExport>(store->getStartDateTime(-1), series, ui->options->layout(),
                                            ui->options->period());
    if (!file->open(QIODevice::WriteOnly) || !job->begin(file)) {
        failed(file->errorString());
        return;
    }
    ui->saveBtn->setEnabled(false);
    auto *run = new zorSlicedJob(
        this, tr("Сохранение результатов в файл..."),
        [this](const QDeadlineTimer &until) { return job->run(until) || job->failed(); },
        [this] { return job->total() > 0 ? int(qint64(job->done()) * 1000 / job->total()) : 0; }, this);
    connect(run, &zorSlicedJob::finished, this, &savemeas::finishSave);
    run->start();
}

void savemeas::finishSave(bool cancelled)
{
    if (cancelled) {
        file->cancelWriting();
        ui->statusLabel->setText(tr("Сохранение отменено"));
    } else if (job->failed() || !file->commit()) {
        failed(file->errorString());
        return;
    } else {
        ui->statusLabel->setText(tr("Сохранено!"));
    }
    endSave();
}

void savemeas::failed(const QString &reason)
{
    const QString path = QDir::toNativeSeparators(file->fileName());
    file->cancelWriting();
    endSave();
    ui->statusLabel->setText(tr("Файл не сохранён"));
    QMessageBox::warning(this, tr("Ошибка сохранения"), tr("Не удалось сохранить файл %1:\n%2").arg(path, reason));
}

void savemeas::endSave()
{
    delete file;
    file = nullptr;
    job.reset();
    ui->saveBtn->setEnabled(true);
}
