#include "sqlRows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

QStringList run(QSqlDatabase db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        return {"error"};
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        rows << values.join('|');
    }
    return rows;
}

} // namespace

QStringList sqlRows(const QString &path, const QString &statement)
{
    const QString connection = "sqlRows";
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
        db.setDatabaseName(path);
        rows = db.open() ? run(db, statement) : QStringList{"error"};
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}
