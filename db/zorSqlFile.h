#ifndef ZORSQLFILE_H
#define ZORSQLFILE_H

#include <QCoreApplication>
#include <QString>

// Puts the per-user database file in place before zorSql opens it: on first
// start a user-writable copy of the template, later the existing file as it is.
// An existing file that SQLite reports as damaged is never modified: it is moved
// aside (its name + ".damaged-" + date and time) and a fresh copy of the template
// takes its place, so the user can be told where the old data went.
class zorSqlFile
{
    Q_DECLARE_TR_FUNCTIONS(zorSqlFile)

public:
    enum State {
        Existing, // the file was there and is used unchanged
        Created,  // first start: the template was copied
        Replaced, // the damaged file is at damagedPath(), a fresh copy at path()
        Failed    // see errorText(); path() may not hold a usable database
    };

    // dataDir is the directory of the file; empty means the per-user
    // application data directory.
    static zorSqlFile prepare(const QString &dataDir = QString());

    static const char fileName[];
    static const char templatePath[];

    State state() const;
    QString path() const;
    QString damagedPath() const;
    // What went wrong, for the user; empty unless state() is Failed.
    QString errorText() const;

private:
    explicit zorSqlFile(const QString &dataDir);
    void createFrom(const QString &dataDir);
    void replaceDamaged();
    static bool copyTemplate(const QString &to);
    static bool isDamaged(const QString &path);
    static QString asideName(const QString &path);

    State fileState = Existing;
    QString filePath;
    QString aside;
    QString error;
};

#endif // ZORSQLFILE_H
