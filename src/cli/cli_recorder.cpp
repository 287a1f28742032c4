// vorsan-cli commands for the data recorder.
#include "command.h"
#include "link_session.h"

#include "journal/journal_file.h"
#include "link/recorder_transfer.h"

#include <array>
#include <iostream>

namespace vorsan::cli {
namespace {

constexpr std::array<long, 6> kRecorderSpeeds = {115200, 57600, 38400, 19200, 14400, 9600};

// Opens the port and makes sure the recorder answers; its count, or nullopt after a message.
std::optional<int> recorderCount(LinkSession& s) {
    if (!s.open()) return std::nullopt;
    const RecorderPresence r = recorderPresent(s.link());
    if (r.error != LinkError::None) {
        linkFailure(r.error);
        return std::nullopt;
    }
    if (!r.present()) {
        std::cerr << "vorsan-cli: no recorder answers on " << s.port() << '\n';
        return std::nullopt;
    }
    return r.count;
}

int runList(const Args& args) {
    std::string error;
    LinkSession s(args, error);
    if (!error.empty()) return fail(error, 2);
    const auto count = recorderCount(s);
    if (!count) return 3;
    const RecorderDirectory dir = readRecorderDirectory(s.link(), *count);
    s.link().close();
    if (dir.error != LinkError::None) return linkFailure(dir.error);
    std::cout << *count << " chronologies\n";
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const RecorderDirectoryEntry& e = dir.entries[i];
        std::cout << recorderEntryCaption(static_cast<int>(i + 1), e)
                  << (e.loadable() ? "" : "   (Только для версии Ворсан 3)") << '\n';
    }
    return 0;
}

int runDownload(const Args& args) {
    std::string error;
    LinkSession s(args, error);
    if (!error.empty()) return fail(error, 2);
    if (args.positional().size() != 1) return fail("recorder download needs the entry number", 2);
    const std::string& n = args.positional().front();
    const long entry = std::strtol(n.c_str(), nullptr, 10);
    if (entry < 1 || entry > 254 || std::to_string(entry) != n)
        return fail("the entry number is a number from 1 to 254", 2);
    const auto speed = args.number("--speed", 9600, 115200, error);
    if (!error.empty() ||
        (speed && std::find(kRecorderSpeeds.begin(), kRecorderSpeeds.end(), *speed) == kRecorderSpeeds.end()))
        return fail("--speed is one of 115200, 57600, 38400, 19200, 14400, 9600", 2);
    const auto path = args.value("-o");
    if (!path) return fail("-o FILE is required", 2);
    const RecorderDownload got =
        downloadRecorderEntry(s.link(), s.port(), speed ? static_cast<int>(*speed) : 9600,
                              static_cast<std::uint8_t>(entry), progressLine("download"));
    if (!got.open.ok()) {
        std::cerr << "vorsan-cli: " << openFailureMessage(got.open) << '\n';
        return 1;
    }
    if (!got.ok()) return linkFailure(got.error);
    if (const std::string e = saveJournalFile(*path, got.generation, got.image, got.catalogue, got.state);
        !e.empty())
        return fail(*path + ": " + e);
    std::cout << "chronology " << entry << " (generation "
              << (got.generation == ControllerGeneration::Gen4 ? 4 : 3) << ") written to " << *path << '\n';
    return 0;
}

int runClearRecorder(const Args& args) {
    std::string error;
    LinkSession s(args, error);
    if (!error.empty()) return fail(error, 2);
    if (!s.open()) return 1;
    const LinkError e = clearRecorder(s.link());
    s.link().close();
    if (e != LinkError::None) return linkFailure(e);
    std::cout << "recorder cleared\n";
    return 0;
}

int checked(const Args& args, int (*run)(const Args&)) {
    if (const auto bad = args.unknown({"--trace"}); !bad.empty())
        return fail("unknown option " + bad.front(), 2);
    return run(args);
}

VORSAN_CLI_COMMAND({"recorder list", "--port DEVICE [--trace]", "lists the chronologies the recorder holds",
                    kLinkValueOptions, [](const Args& a) { return checked(a, runList); }});
VORSAN_CLI_COMMAND({"recorder download", "N --port DEVICE [--speed BITS] -o FILE [--trace]",
                    "downloads chronology N into a .VR4 / .pr file at the recorder speed (default 9600)",
                    kLinkValueOptions, [](const Args& a) { return checked(a, runDownload); }});
VORSAN_CLI_COMMAND({"recorder clear", "--port DEVICE [--trace]", "empties the recorder", kLinkValueOptions,
                    [](const Args& a) { return checked(a, runClearRecorder); }});

} // namespace
} // namespace vorsan::cli
