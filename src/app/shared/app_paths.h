#pragma once
#include <QString>

struct WindowState;

// Finds the program directory (that of the executable) and the data directory: the program
// directory when it is a copy of its own and writable, else the user's data directory (an
// installed program, or a directory that refuses files). The database directory is data
// directory + "/bd"; "vors.set" lives in the data directory.
// A non-empty `dataDir` is used as the data directory as it is.
void setUpPaths(WindowState& state, const QString& dataDir = {});

// Whether the program in `programDir` was installed: it sits in <prefix>/bin beside
// <prefix>/share/applications/ru.vorsan.Vorsan.desktop. Its directory then belongs to the system,
// even when the user (root) could write into it.
bool isInstalledProgramDir(const QString& programDir);

// The data directory for a program directory: itself when not installed and writable, else
// `userDataDir` (created).
QString chooseDataDir(const QString& programDir, const QString& userDataDir);

// The user's guide as an HTML page for a program directory: <prefix>/share/doc/vorsan/guide.ru.html
// beside <prefix>/bin; empty when there is none (a build tree).
QString userGuidePage(const QString& programDir);
