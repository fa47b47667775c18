#ifndef BENCHFIGURES_H
#define BENCHFIGURES_H

#include <QString>

// What every benchmark prints and measures with.
class benchFigures
{
public:
    // One figure on a line of its own, "<name>: <value> <unit>", flushed at once so that a
    // long run shows its figures as they come; format is the value's printf conversion.
    static void print(const char *name, double value, const char *unit, const char *format);
    // The CPU time the calling thread has used, which other processes on a shared machine
    // do not inflate.
    static double threadCpuSeconds();
    // Before the application object: the program's identity, the standard paths in test
    // mode and HOME in home, so that a run never touches the user's own data.
    static void isolate(const QString &home);
};

#endif // BENCHFIGURES_H
