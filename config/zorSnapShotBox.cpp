#include "config/zorSnapShotBox.h"
#include "ui_devConfUI.h"

#include "config/zorDbNotice.h"
#include "db/zorSql.h"
#include "registry/zorSnapShot.h"

#include <QMessageBox>

zorSnapShotBox::zorSnapShotBox(Ui::devConfUI *ui, zorSql *sql, QWidget *dialog)
    : ui(ui), sql(sql), dialog(dialog), box(ui->dbFindCB, ui->infoText, ui->dbStatusLabel, ui->saveDBBtn, ui->rmDBBtn)
{
}

void zorSnapShotBox::rebuild(zorList::_zor *zor)
{
    if (!zor)
        return;
    zorSql::zorSqlItem current;
    if (zor->snapShotId >= 1 && sql)
        current = sql->getSnapShotItem(zor->snapShotId);
    const QVector<zorSql::zorSqlItem> matches = zorSnapShot::find(sql, *zor->options, zor->dbIndex);
    if (current.id == 0)
        zor->snapShotId = matches.isEmpty() ? 0 : matches.first().id;
    if (current.id == 0 && !matches.isEmpty())
        current = matches.first();

    if (zor->snapShotId < 1) {
        ui->infoText->setPlainText(QString());
        box.showNew();
        return;
    }
    ui->infoText->setPlainText(current.info);
    // Changed since stored: no snapshot holds these settings, or another one first.
    box.showStored(current, matches.isEmpty() || matches.first().id != current.id, current.factory);
}

void zorSnapShotBox::search(zorList::_zor *zor, const QString &text)
{
    if (!zor)
        return;
    if (text.isEmpty()) {
        rebuild(zor);
        return;
    }
    box.search(text, [this, &text](int *total) {
        return sql ? sql->searchSnapShot(text, listLimit, total) : QVector<zorSql::zorSqlItem>();
    });
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
