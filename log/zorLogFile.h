#pragma once

#include <QString>
#include <QtGlobal>

// The program's log: every message of every logging category ("zor.link", "zor.registry"
// ...) is written with its time, level and category to a file in the data directory.
// The file is capped: when a message would take it past its cap it is renamed to
// "<name>.1" (older ones to ".2" ... up to the number kept) and a new one started, so a
// program that runs for weeks keeps its recent history in bounded space.
// Debug messages are off unless switched on by category.
class zorLogFile
{
public:
    static constexpr qint64 defaultCap = 4 * 1024 * 1024;
    static constexpr int defaultKeep = 3;

    // "zor4_70.log" in the per-user data directory.
    static QString defaultPath();

    // Routes every message to the file at path; false when the file cannot be opened (the
    // messages then go where they went before). Installing again moves to the new file.
    static bool install(const QString &path, qint64 cap = defaultCap, int keep = defaultKeep);
    // Puts the previous message handler back and closes the file.
    static void uninstall();

    // Debug messages off for every "zor.*" category, then on for those listed: a
    // comma-separated list of category names or prefixes ("zor.link,zor.registry", or
    // "zor" for all of them).
    static void enableDebug(const QString &categories);

    static QString path();
};
