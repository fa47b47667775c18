#include "log/zorLogFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>

namespace {

// The handler runs on whichever thread logs (the GUI thread and every port worker), so
// the file and its bookkeeping are behind one mutex.
struct LogState {
    QMutex mutex;
    QFile file;
    qint64 cap = zorLogFile::defaultCap;
    int keep = zorLogFile::defaultKeep;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

LogState &state()
{
    static LogState s;
    return s;
}

char levelLetter(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return 'D';
    case QtInfoMsg: return 'I';
    case QtWarningMsg: return 'W';
    case QtCriticalMsg: return 'C';
    case QtFatalMsg: return 'F';
    }
    return '?';
}

// Renames name -> name.1 -> name.2 ... dropping the oldest; called with the file closed.
void rotate(LogState &s)
{
    const QString name = s.file.fileName();
    QFile::remove(QString("%1.%2").arg(name).arg(s.keep));
    for (int n = s.keep - 1; n >= 1; --n)
        QFile::rename(QString("%1.%2").arg(name).arg(n), QString("%1.%2").arg(name).arg(n + 1));
    if (s.keep > 0)
        QFile::rename(name, name + ".1");
    else
        QFile::remove(name);
}

void writeMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.installed)
        return;
    const QByteArray line = QString("%1 %2 %3: %4\n")
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
                                .arg(levelLetter(type))
                                .arg(context.category ? context.category : "default")
                                .arg(message)
                                .toUtf8();
    if (s.file.size() > 0 && s.file.size() + line.size() > s.cap) {
        s.file.close();
        rotate(s);
        s.file.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    s.file.write(line);
    s.file.flush();
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    writeMessage(type, context, message);
    // Problems still reach the terminal of whoever started the program.
    QtMessageHandler previous = state().previous;
    if (type != QtDebugMsg && type != QtInfoMsg && previous)
        previous(type, context, message);
}

} // namespace

QString zorLogFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/zor4_70.log";
}

bool zorLogFile::install(const QString &path, qint64 cap, int keep)
{
    LogState &s = state();
    {
        QMutexLocker lock(&s.mutex);
        if (s.file.isOpen())
            s.file.close();
        QDir().mkpath(QFileInfo(path).absolutePath());
        s.file.setFileName(path);
        s.cap = qMax<qint64>(cap, 1024);
        s.keep = qMax(keep, 0);
        if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        if (s.installed)
            return true;
        s.installed = true;
    }
    s.previous = qInstallMessageHandler(handler);
    return true;
}

void zorLogFile::uninstall()
{
    LogState &s = state();
    if (!s.installed)
        return;
    qInstallMessageHandler(s.previous);
    QMutexLocker lock(&s.mutex);
    s.installed = false;
    s.previous = nullptr;
    s.file.close();
}

void zorLogFile::enableDebug(const QString &categories)
{
    QStringList rules{"zor.*.debug=false"};
    for (const QString &name : categories.split(',', Qt::SkipEmptyParts)) {
        const QString category = name.trimmed();
        rules << category + ".debug=true" << category + ".*.debug=true";
    }
    QLoggingCategory::setFilterRules(rules.join('\n'));
}

QString zorLogFile::path()
{
    QMutexLocker lock(&state().mutex);
    return state().file.fileName();
}
