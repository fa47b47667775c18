#include "ui/zorFileDialog.h"

#include "db/zorSql.h"
#include "ui/zorUiLog.h"

#include <QDir>
#include <QFileInfo>

zorFileDialog::zorFileDialog(QWidget *parent)
    : QFileDialog(parent)
{
    setDirectory(QDir::homePath());
}

void zorFileDialog::rememberIn(zorSql *sql, const zorPropertyKey<QString> &key)
{
    this->sql = sql;
    this->key = &key;
    setDirectory(folder());
}

QString zorFileDialog::folder() const
{
    const QString stored = sql ? sql->getApp(*key) : QString();
    for (const QString &dir : {stored, last}) {
        if (!dir.isEmpty() && QDir(dir).exists())
            return dir;
        if (!dir.isEmpty())
            qCDebug(lcUi) << "the folder remembered is gone:" << dir;
    }
    return QDir::homePath();
}

QString zorFileDialog::choose(AcceptMode mode, const QString &title, const QString &filter, const QString &suffix,
                              const QString &proposed)
{
    setAcceptMode(mode);
    setFileMode(mode == AcceptSave ? AnyFile : ExistingFile);
    setWindowTitle(title);
    setNameFilter(filter);
    setDefaultSuffix(suffix);
    setDirectory(folder());
    selectFile(proposed);
    if (exec() != Accepted || selectedFiles().isEmpty())
        return QString();
    const QString path = selectedFiles().constFirst();
    last = QFileInfo(path).absolutePath();
    if (sql)
        sql->setApp(*key, last);
    return path;
}
