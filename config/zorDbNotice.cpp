#include "config/zorDbNotice.h"

#include <QMessageBox>

zorDbNotice::zorDbNotice(zorSql *sql)
    : QObject(sql)
{
}

zorDbNotice *zorDbNotice::of(zorSql *sql)
{
    if (!sql)
        return nullptr;
    zorDbNotice *notice = sql->findChild<zorDbNotice *>(QString(), Qt::FindDirectChildrenOnly);
    return notice ? notice : new zorDbNotice(sql);
}

void zorDbNotice::tell(QWidget *parent, const QString &what, const zorSql::_error &error)
{
    const QString kind = what + '|' + QString::number(error.code);
    if (error.code == 0 || told.contains(kind))
        return;
    told.insert(kind);
    QMessageBox::warning(parent, tr("Ошибка базы данных"),
                         tr("%1: %2 (код %3).").arg(what, error.text).arg(error.code));
}
