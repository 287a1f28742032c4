// Runs vorsan-cli as a user's shell runs it, capturing its exit status and both streams. The
// caller's locale passes through, so the suite's Russian-locale run checks the tool's output too.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readTextFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a shell command line; `scratch` is a directory for the captured streams.
inline CliRun runCommand(const std::string& command, const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "stdout", err = scratch / "stderr";
    const int raw = std::system((command + " >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readTextFile(out), readTextFile(err)};
}

// Runs the built vorsan-cli with `args` (quoted by the caller as the shell needs). Printing needs
// no display: the tool's Qt part runs on the offscreen platform.
inline CliRun runCli(const std::string& args, const std::filesystem::path& scratch) {
    return runCommand("QT_QPA_PLATFORM=offscreen '" + std::string(VORSAN_BINDIR) + "/vorsan-cli' " + args,
                      scratch);
}
