#pragma once
#include <QString>

struct WindowState;

// Finds the program directory (that of the executable) and the data directory: the program
// directory when it is writable, else the user's data directory (a system-wide install). The
// database directory is data directory + "/bd"; "vors.set" lives in the data directory.
// A non-empty `dataDir` is used as the data directory as it is.
void setUpPaths(WindowState& state, const QString& dataDir = {});

// The data directory for a program directory: itself when writable, else `userDataDir`.
QString chooseDataDir(const QString& programDir, const QString& userDataDir);
