#ifndef ZORSOAK_H
#define ZORSOAK_H

#include <QString>
#include <QtGlobal>

// A long unattended run of the real main window, shortened: simulated instruments on
// pseudo-terminals stream as fast as the program takes them, every one recorded to a
// file of its own (period 0), while faults come on a schedule: cable pulls (the
// instrument comes back after a while, sometimes on another device path), bursts of
// line noise, a full disk, a recording folder that disappears and comes back, and an
// unrelated device on a listed port. At the end every cable is pulled, so the last
// sweep of each instrument is written as the link breaks, and the files are checked
// against what the simulators sent.
//
// Needs a QApplication with a throw-away home directory; runs in the GUI thread, the
// bookkeeping in a thread of its own.
class zorSoak
{
public:
    struct _options
    {
        int instruments = 16;
        int channels = 8;
        double hours = 72.0;      // simulated, at one sweep every 1.5 s
        int pulls = 50;
        int diskFull = 5;
        int folderGone = 1;
        int tokenMs = 1;          // between two tokens of a simulator
        bool sweepPerWrite = true; // a simulator writes each sweep at once, when the program has read the last
        int downMinS = 1;         // a pulled instrument is back after this ...
        int downMaxS = 30;        // ... to this many seconds
        int otherPathEvery = 3;   // every n-th pull comes back on another device path
        int episodeS = 10;        // length of a disk-full or folder-gone episode
    };

    struct _figures
    {
        double hours = 0;
        int instruments = 0;
        qint64 sweepsSent = 0;
        qint64 rowsRecorded = 0;
        qint64 rowsLost = 0;
        int pulls = 0;
        int otherPath = 0;          // pulls that came back on another device path
        int reconnected = 0;
        int reconnectedLate = 0;    // more than 5 s from return to the first reading
        int duplicates = 0;
        int diskFull = 0;
        int foreignProbes = 0;
        int foreignAppearances = 0;
        qint64 staleRows = 0;
        double worstReconnectS = 0;
        double stallMs = 0;
        double bytesPerPoint = 0;
        double wallS = 0;
    };

    explicit zorSoak(const _options &options) : options(options) {}

    _figures run();
    // The figure lines, "soak <name>: <value> <unit>".
    static void print(const _figures &figures);

    // Simulated seconds per sweep.
    static constexpr double sweepSeconds = 1.5;

private:
    _options options;
};

#endif // ZORSOAK_H
