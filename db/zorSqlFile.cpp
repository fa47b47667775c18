#include "db/zorSqlFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace {

const char checkConnection[] = "zorSqlFile-check";

// SQLite result codes that mean the bytes themselves are bad. Any other failure
// (a lock held by another program, an I/O error) says nothing about the file,
// which is then left where it is.
const QString notADatabase = QStringLiteral("26");
const QString corrupt = QStringLiteral("11");

} // namespace

const char zorSqlFile::fileName[] = "zor4_70.db";
const char zorSqlFile::templatePath[] = ":/resource/zor4_70.db";

zorSqlFile zorSqlFile::prepare(const QString &dataDir)
{
    return zorSqlFile(dataDir.isEmpty()
                          ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
                          : dataDir);
}

zorSqlFile::zorSqlFile(const QString &dataDir)
    : filePath(dataDir + "/" + fileName)
{
    if (!QFileInfo::exists(filePath))
        createFrom(dataDir);
    else if (isDamaged(filePath))
        replaceDamaged();
}

void zorSqlFile::createFrom(const QString &dataDir)
{
    if (!QDir().mkpath(dataDir)) {
        fileState = Failed;
        error = tr("Не удалось создать папку %1 для базы данных").arg(dataDir);
    } else if (!copyTemplate(filePath)) {
        fileState = Failed;
        error = tr("Не удалось создать файл базы данных %1").arg(filePath);
    } else {
        fileState = Created;
    }
}

void zorSqlFile::replaceDamaged()
{
    const QString to = asideName(filePath);
    if (!QFile::rename(filePath, to)) {
        fileState = Failed;
        error = tr("Файл базы данных %1 повреждён, переименовать его не удалось").arg(filePath);
        return;
    }
    aside = to;
    if (!copyTemplate(filePath)) {
        fileState = Failed;
        error = tr("Файл базы данных был повреждён и перенесён в %1, создать новый файл %2 не удалось")
                    .arg(aside, filePath);
        return;
    }
    fileState = Replaced;
}

// A copy of a resource is read-only like the resource itself: make it the user's.
bool zorSqlFile::copyTemplate(const QString &to)
{
    if (!QFile::copy(templatePath, to))
        return false;
    if (QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                      | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther))
        return true;
    QFile::remove(to);
    return false;
}

// An empty file holds nothing to keep; otherwise SQLite's own quick check decides.
bool zorSqlFile::isDamaged(const QString &path)
{
    if (QFileInfo(path).size() == 0)
        return true;
    bool damaged = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", checkConnection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec("PRAGMA quick_check")) {
                damaged = !query.next() || query.value(0).toString() != "ok" || query.next();
            } else {
                const QString code = query.lastError().nativeErrorCode();
                damaged = code == notADatabase || code == corrupt;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(checkConnection);
    return damaged;
}

QString zorSqlFile::asideName(const QString &path)
{
    const QString base = path + ".damaged-" + QDateTime::currentDateTime().toString("yyyy-MM-dd_HH-mm-ss");
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + "-" + QString::number(n);
    return name;
}

zorSqlFile::State zorSqlFile::state() const
{
    return fileState;
}

QString zorSqlFile::path() const
{
    return filePath;
}

QString zorSqlFile::damagedPath() const
{
    return aside;
}

QString zorSqlFile::errorText() const
{
    return error;
}
