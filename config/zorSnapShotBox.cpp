#include "config/zorSnapShotBox.h"
#include "ui_devConfUI.h"

#include "config/zorDbNotice.h"
#include "db/zorSql.h"
#include "registry/zorSnapShot.h"

#include <QMessageBox>
#include <QSignalBlocker>

zorSnapShotBox::zorSnapShotBox(Ui::devConfUI *ui, zorSql *sql, QWidget *dialog)
    : ui(ui), sql(sql), dialog(dialog)
{
}

void zorSnapShotBox::rebuild(zorList::_zor *zor)
{
    if (!zor)
        return;
    const QSignalBlocker quiet(ui->dbFindCB);
    ui->dbFindCB->clear();

    zorSql::zorSqlItem current;
    if (zor->snapShotId >= 1 && sql)
        current = sql->getSnapShotItem(zor->snapShotId);
    const QVector<zorSql::zorSqlItem> matches = zorSnapShot::find(sql, *zor->options, zor->dbIndex);
    if (current.id == 0)
        zor->snapShotId = matches.isEmpty() ? 0 : matches.first().id;
    if (current.id == 0 && !matches.isEmpty())
        current = matches.first();

    if (zor->snapShotId < 1) {
        ui->infoText->setEnabled(false);
        ui->infoText->setPlaceholderText(tr("Настройка НЕ найдена в БД"));
        ui->infoText->setPlainText(QString());
        ui->dbFindCB->insertItem(0, tr("Новая настройка"), 0);
        ui->dbFindCB->setCurrentIndex(0);
        ui->dbStatusLabel->hide();
        ui->saveDBBtn->setEnabled(false);
        ui->rmDBBtn->setEnabled(false);
        return;
    }
    ui->infoText->setEnabled(true);
    ui->infoText->setPlaceholderText(tr("Настройка найдена в БД"));
    ui->infoText->setPlainText(current.info);
    ui->dbFindCB->addItem(current.title, current.id);
    ui->dbFindCB->setCurrentIndex(0);
    // Changed since stored: no snapshot holds these settings, or another one first.
    const bool changed = matches.isEmpty() || matches.first().id != current.id;
    ui->dbStatusLabel->setVisible(changed);
    ui->saveDBBtn->setEnabled(changed && !current.factory);
    ui->rmDBBtn->setEnabled(!current.factory);
}

void zorSnapShotBox::search(zorList::_zor *zor, const QString &text)
{
    if (!zor)
        return;
    if (text.isEmpty()) {
        rebuild(zor);
        return;
    }
    const QSignalBlocker quiet(ui->dbFindCB);
    ui->dbFindCB->clear();
    if (text.size() < searchFrom) {
        ui->dbFindCB->addItem(tr("Введите не менее 3-х символов"));
        return;
    }
    // Shown while the database searches: a search over many snapshots takes a moment.
    ui->dbFindCB->addItem(tr("Идёт поиск..."), 0);
    ui->dbFindCB->repaint();
    int total = 0;
    const QVector<zorSql::zorSqlItem> found = sql ? sql->searchSnapShot(text, listLimit, &total)
                                                  : QVector<zorSql::zorSqlItem>();
    QString count = tr("Найдено: ") + QString::number(total);
    if (total > found.size())
        count += tr(", показаны последние %1").arg(found.size());
    ui->dbFindCB->clear();
    ui->dbFindCB->addItem(count, 0);
    for (const zorSql::zorSqlItem &item : found)
        ui->dbFindCB->addItem(item.title, item.id);
}

void zorSnapShotBox::load(zorList::_zor *zor, int row)
{
    const int id = ui->dbFindCB->itemData(row).toInt();
    if (!zor || id <= 0 || !sql)
        return;
    QString info;
    QByteArray data, refdata;
    const int before = zor->snapShotId;
    zor->snapShotId = id;
    // The image's change signals refresh the pages, and this box, as it loads.
    if (!sql->loadSnapShot(id, &info, &data, &refdata) || !zorSnapShot::load(zor->options, data, refdata)) {
        zor->snapShotId = before;
        rebuild(zor);
        QMessageBox::warning(dialog, dialog->windowTitle(),
                             tr("Не удалось загрузить настройку из БД: запись повреждена или удалена."));
        return;
    }
    ui->infoText->setPlainText(info);
    if (ui->dbSearchEdit->text().isEmpty())
        rebuild(zor);
    else
        ui->dbSearchEdit->clear(); // the emptied search rebuilds the box
}

void zorSnapShotBox::save(zorList::_zor *zor)
{
    if (!zor || zor->snapShotId < 1)
        return;
    store(zor, zor->snapShotId);
}

void zorSnapShotBox::add(zorList::_zor *zor)
{
    if (!zor || zor->dbIndex < 1)
        return;
    // With id 0 the database first looks for a snapshot with the same bytes.
    store(zor, 0);
}

void zorSnapShotBox::store(zorList::_zor *zor, int id)
{
    zor->snapShotId = zorSnapShot::store(sql, *zor->options, zor->dbIndex, ui->infoText->toPlainText(), id);
    const zorSql::_error error = sql ? sql->lastError() : zorSql::_error();
    rebuild(zor);
    if (zor->snapShotId < 1 && sql)
        zorDbNotice::of(sql)->tell(dialog, tr("Настройка не сохранена в базе данных"), error);
}

void zorSnapShotBox::remove(zorList::_zor *zor)
{
    if (!zor || zor->snapShotId < 1)
        return;
    if (sql)
        sql->rmSnapShot(zor->snapShotId);
    zor->snapShotId = 0;
    rebuild(zor);
}
