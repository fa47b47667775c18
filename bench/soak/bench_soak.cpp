// Weeks of unattended recording, shortened: the real main window (offscreen) with
// simulated instruments on pseudo-terminals, every one recorded, under cable pulls,
// line noise, a full disk, a vanishing recording folder and an unrelated device on a
// listed port. Prints "soak <figure>: <value> <unit>" lines.
//
//   bench_soak [--instruments N] [--hours H] [--pulls N] [--disk-full N] [--token-per-write]
//
// The simulators write a whole sweep at once; --token-per-write has them write token by
// token, one every millisecond, as an instrument does.
//
// A full disk is the process's file size limit set, for a while, to the size of the
// smallest results file (every append fails as on a full disk, also when run as root
// and without mounting anything); the folder disappears by being renamed away. It runs
// on a throw-away home directory.
#include "bench/common/benchFigures.h"
#include "bench/soak/zorSoak.h"
#include "log/zorLogFile.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    zorSoak::_options options;
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (value && !std::strcmp(argv[i], "--instruments"))
            options.instruments = qBound(1, std::atoi(argv[++i]), 64);
        else if (value && !std::strcmp(argv[i], "--hours"))
            options.hours = qMax(0.01, std::atof(argv[++i]));
        else if (value && !std::strcmp(argv[i], "--pulls"))
            options.pulls = qMax(0, std::atoi(argv[++i]));
        else if (value && !std::strcmp(argv[i], "--disk-full"))
            options.diskFull = qMax(0, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--token-per-write"))
            options.sweepPerWrite = false;
        else {
            std::fprintf(stderr, "usage: bench_soak [--instruments N] [--hours H] [--pulls N] [--disk-full N] "
                                 "[--token-per-write]\n");
            return 1;
        }
    }

    QTemporaryDir home;
    benchFigures::isolate(home.path());
    QApplication app(argc, argv);
    zorLogFile::install(zorLogFile::defaultPath());

    zorSoak::print(zorSoak(options).run());
    zorLogFile::uninstall();
    return 0;
}
