#include "benchFigures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <ctime>

void benchFigures::print(const char *name, double value, const char *unit, const char *format)
{
    // A count has no unit, and its line no trailing blank.
    const QByteArray line = QByteArray("%s: ") + format + (*unit ? " %s\n" : "%s\n");
    std::printf(line.constData(), name, value, unit);
    std::fflush(stdout);
}

double benchFigures::threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void benchFigures::isolate(const QString &home)
{
    qputenv("HOME", home.toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("Kolvex");
    QCoreApplication::setApplicationName("zor4_70");
}
