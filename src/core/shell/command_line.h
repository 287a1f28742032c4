#pragma once
// The program's command line: options beginning with "--", and at most one file to open at start.
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

// What the file named on the command line is, decided by its extension compared exactly as
// written: ".VR4", ".vr4" and ".pr" are journal files, ".us4" and ".ust" settings files, ".VBD"
// well files of the database (a file manager opens them with the program). Any other extension
// (".Vr4" too) is ignored.
enum class PendingFileKind { None, Journal, Settings, Well };

struct CommandLine {
    std::string portDevice; // --port DEVICE (or --port=DEVICE); empty: the menu's choice
    std::string file;       // the file path as given; empty when none
    PendingFileKind fileKind = PendingFileKind::None;
    std::vector<std::string> unknownOptions; // options this program does not know (ignored)
    std::string error;                       // empty, or what was wrong (e.g. --port without a device)
};

// The extension of a path: from the last '.' of its last component, "" when it has none.
std::string_view fileExtension(std::string_view path);

PendingFileKind pendingFileKind(std::string_view path);

// `args` are the arguments after the program. Everything that does not begin with "--" (and is
// not the value of --port) is part of the file path; several such words are joined by single
// blanks, so that an unquoted path with blanks still names one file. A lone "--" ends the options.
CommandLine parseCommandLine(const std::vector<std::string>& args);

} // namespace vorsan
