#ifndef SQLROWS_H
#define SQLROWS_H

#include <QString>
#include <QStringList>

// Runs one statement on the file at path through a connection of its own (so it
// never disturbs the program's default connection) and returns every row as its
// values joined with "|". A failed statement yields the single row "error".
QStringList sqlRows(const QString &path, const QString &statement);

#endif // SQLROWS_H
