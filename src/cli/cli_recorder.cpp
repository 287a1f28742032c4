// vorsan-cli commands for the data recorder.
#include "command.h"
#include "link_session.h"

#include "journal/journal_file.h"
#include "link/recorder_transfer.h"

#include <array>
#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

constexpr std::array<int, 6> kRecorderSpeeds = {115200, 57600, 38400, 19200, 14400, 9600};

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

struct Options {
    LinkOptions link;
    int entry = 0;      // download N
    int speed = 9600;   // --speed
    std::string out;    // -o FILE
};

int runList(const Options& o) {
    LinkSession s(o.link);
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

int runDownload(const Options& o) {
    LinkSession s(o.link);
    const int entry = o.entry;
    const std::string& path = o.out;
    const RecorderDownload got = downloadRecorderEntry(s.link(), s.port(), o.speed,
                                                       static_cast<std::uint8_t>(entry), progressLine("download"));
    if (!got.open.ok()) {
        std::cerr << "vorsan-cli: " << openFailureMessage(got.open) << '\n';
        return 1;
    }
    if (!got.ok()) return linkFailure(got.error);
    if (const std::string e = saveJournalFile(path, got.generation, got.image, got.catalogue, got.state);
        !e.empty())
        return fail(path + ": " + e);
    std::cout << "chronology " << entry << " (generation "
              << (got.generation == ControllerGeneration::Gen4 ? 4 : 3) << ") written to " << path << '\n';
    return 0;
}

int runClearRecorder(const Options& o) {
    LinkSession s(o.link);
    if (!s.open()) return 1;
    const LinkError e = clearRecorder(s.link());
    s.link().close();
    if (e != LinkError::None) return linkFailure(e);
    std::cout << "recorder cleared\n";
    return 0;
}

} // namespace

void addRecorderCommands(CLI::App& app) {
    CLI::App* recorder = group(app, "recorder", "the data recorder");
    const auto add = [recorder](const char* name, const char* summary, int (*run)(const Options&)) {
        auto o = std::make_shared<Options>();
        CLI::App* cmd = command(*recorder, name, summary);
        addLinkOptions(cmd, o->link, false);
        onRun(cmd, [o, run] { return run(*o); });
        return std::pair{cmd, o};
    };
    add("list", "lists the chronologies the recorder holds", runList);
    auto [download, o] = add(
        "download", "downloads chronology N into a .VR4 / .pr file at the recorder speed (default 9600)",
        runDownload);
    download->add_option("N", o->entry, "the chronology's number")->required()->check(CLI::Range(1, 254));
    download->add_option("--speed", o->speed, "the recorder's line speed in bit/s")
        ->type_name("BITS")
        ->check(CLI::IsMember(std::vector<int>(kRecorderSpeeds.begin(), kRecorderSpeeds.end())));
    download->add_option("-o", o->out, "the journal file to write")->type_name("FILE")->required();
    add("clear", "empties the recorder", runClearRecorder);
}

} // namespace vorsan::cli
