#ifndef SIGNALLOG_H
#define SIGNALLOG_H

#include <QObject>
#include <QStringList>

class optionsZOR70;

// Records every signal of a settings image, in order, as "name" or "name(arg)".
class signalLog : public QObject
{
    Q_OBJECT

public:
    explicit signalLog(optionsZOR70 *options);

    QStringList entries;

private:
    void add(const char *name) { entries << QString::fromLatin1(name); }
    void add(const char *name, quint8 arg) { entries << QString("%1(%2)").arg(name).arg(arg); }
};

#endif // SIGNALLOG_H
