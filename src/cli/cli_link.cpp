// vorsan-cli commands that talk to a station over the serial line.
#include "command.h"
#include "link_session.h"

#include "journal/journal_file.h"
#include "link/current_state_read.h"
#include "link/device_search.h"
#include "link/journal_transfer.h"
#include "link/line_scan.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"
#include "link/station_watch.h"
#include "settings/catalogue.h"
#include "journal/settings_file.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <csignal>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace vorsan::cli {
namespace {

// What the link commands take besides the link options.
struct Options {
    LinkOptions link;
    std::string out;  // -o FILE
    std::string file; // write-settings FILE
    int from = 0;     // scan --from N (0: from the end of the direction)
    bool down = false;
    bool all = false;
    bool fast = false;          // scan --fast
    std::vector<int> addresses; // watch --addresses 1,5,7
    int count = 0;              // watch --count N (0: until interrupted)
    std::string csv;            // watch --csv OUT
};

using Runner = int (*)(const Options&, LinkSession&);

// Opens the port at 9600 bit/s and runs the command.
int withLink(const Options& o, Runner run) {
    LinkSession session(o.link);
    if (!session.open()) return kFailure;
    const int status = run(o, session);
    session.link().close();
    return status;
}

void printState(const CurrentState& state, char sep) {
    const auto column = currentStateColumn(state, sep);
    for (std::size_t row = 1; row < kCurrentStateRows; ++row)
        if (const std::string label = currentStateLabel(row); !label.empty())
            std::cout << label << ": " << column[row] << '\n';
    if (state.padNumber != kUnknown16 && state.wellNumber != kUnknown16)
        std::cout << "куст № " << state.padNumber << "  скважина № " << state.wellNumber << '\n';
}

int runProbe(const Options&, LinkSession& s) {
    const LineProbe line = probeLine(s.link(), s.address());
    if (line.error != LinkError::None) return linkFailure(line.error);
    std::cout << describe(line, s.address()) << '\n';
    return line.device == LineDevice::Nothing ? 3 : 0;
}

int runState(const Options&, LinkSession& s) {
    const auto gen = s.generation();
    if (!gen) return 3;
    const CurrentStateRead read = *gen == ControllerGeneration::Gen4
                                      ? readCurrentState4(s.link(), s.address())
                                      : readCurrentState3(s.link());
    if (!read.ok()) {
        const std::string message = currentStateReadMessage(*gen, read.error);
        return linkFailure(read.error, message.empty() ? kCurrentStateReadFailed : message);
    }
    printState(read.state, decimalSeparator());
    return 0;
}

int runReadJournal(const Options& o, LinkSession& s) {
    const std::string& path = o.out;
    const auto gen = s.generation();
    if (!gen) return 3;
    const bool g4 = *gen == ControllerGeneration::Gen4;
    const JournalRead journal = g4 ? readJournal4(s.link(), s.address(), progressLine("journal"))
                                   : readJournal3(s.link(), progressLine("journal"));
    if (!journal.ok()) return linkFailure(journal.error, journalReadMessage(*gen, journal.error));
    if (journal.retries > 0) std::cerr << "journal: " << journal.retries << " repeated requests\n";
    SettingsRead settings = g4 ? readSettings4(s.link(), s.address(), progressLine("settings"))
                               : readSettings3(s.link(), progressLine("settings"));
    if (!settings.ok()) {
        if (g4) return linkFailure(settings.error, "Ошибка");
        // Generation 3 keeps the journal; its settings stay unread.
        std::cerr << "vorsan-cli: Ошибка - уставки не считаны (" << errorWord(settings.error) << ")\n";
        settings.catalogue = buildCatalogue(ControllerGeneration::Gen3);
    }
    const CurrentState state = g4 ? settings.state : unreadState();
    if (const std::string e = saveJournalFile(path, *gen, journal.image, settings.catalogue, state);
        !e.empty())
        return fail(path + ": " + e);
    std::cout << "journal of generation " << (g4 ? 4 : 3) << " written to " << path << '\n';
    return 0;
}

int runReadSettings(const Options& o, LinkSession& s) {
    const std::string& path = o.out;
    const auto gen = s.generation();
    if (!gen) return 3;
    const bool g4 = *gen == ControllerGeneration::Gen4;
    const SettingsRead read = g4 ? readSettings4(s.link(), s.address(), progressLine("settings"))
                                 : readSettings3(s.link(), progressLine("settings"));
    if (!read.ok()) return linkFailure(read.error, settingsReadMessage(*gen, read.error));
    const SettingsSave save = saveSettingsFile(path, read.catalogue, g4 ? read.state : unreadState());
    if (save.status == SettingsSaveStatus::noValues) return fail(kNoSettingsValuesMessage);
    if (save.status != SettingsSaveStatus::ok) return fail(path + ": " + save.error);
    std::cout << "settings of generation " << (g4 ? 4 : 3) << " written to " << path << '\n';
    return 0;
}

int runWriteSettings(const Options& o, LinkSession& s) {
    const std::string& path = o.file;
    const SettingsFileLoad load =
        loadSettingsFile(std::filesystem::path(path), ControllerGeneration::Gen4, [] { return false; });
    if (load.status != FileStatus::ok)
        return fail(path + ": " + (load.error.empty() ? "not a settings file" : load.error));
    // The file's generation decides the protocol, as the loaded generation does in the window.
    const SettingsCatalogue& catalogue = load.file.catalogue;
    if (!settingsWritable(catalogue)) return fail(kSettingsNotLoadedMessage);
    if (catalogue.generation == ControllerGeneration::Gen3) {
        const SettingsWrite3 w = writeSettings3(s.link(), catalogue, progressLine("settings"));
        if (!w.ok()) return linkFailure(w.error, w.message);
        std::cout << "82 settings written\n";
        return 0;
    }
    const SettingsWrite4 w = writeSettings4(s.link(), s.address(), catalogue, progressLine("settings"));
    if (!w.ok()) return linkFailure(w.error);
    const auto value = [&](int number) { return catalogue.byNumber(number)->value; };
    std::cout << "77 settings written; Куст: " << value(kGen4PadNumber)
              << " ,Скважина: " << value(kGen4WellNumber)
              << " ,адрес: " << (value(kGen4StationAddress) & 0xFF) << '\n';
    return 0;
}

int runClear(const Options&, LinkSession& s) {
    const auto gen = s.generation();
    if (!gen) return 3;
    const ClearResult r = *gen == ControllerGeneration::Gen4 ? clearChronology4(s.link(), s.address())
                                                             : clearChronology3(s.link());
    if (r.error != LinkError::None) return linkFailure(r.error);
    if (r.outcome == ClearOutcome::Refused) {
        std::string text = kClearRefusedMessage;
        std::replace(text.begin(), text.end(), '\r', '\n');
        std::cerr << text << '\n';
        return 4;
    }
    std::cout << (r.outcome == ClearOutcome::Accepted ? "chronology cleared\n"
                                                      : "no answer to the clear request\n");
    return 0;
}

int startStop(const Options&, LinkSession& s, bool start) {
    const auto gen = s.generation();
    if (!gen) return 3;
    const LinkError e = *gen == ControllerGeneration::Gen4 ? startStop4(s.link(), s.address(), start)
                                                           : startStop3(s.link(), start);
    if (e != LinkError::None) return linkFailure(e);
    std::cout << (start ? "start" : "stop") << " sent\n";
    return 0;
}

// One line per station found: address TAB pad TAB well (empty when unset).
void printStation(std::uint8_t address, const PadWellReply& pw) {
    std::cout << int(address) << '\t';
    if (pw.pad != kUnknown16) std::cout << pw.pad;
    std::cout << '\t';
    if (pw.well != kUnknown16) std::cout << pw.well;
    std::cout << '\n' << std::flush;
}

int runFastScan(const Options&, LinkSession& s) {
    LineScanOptions options;
    options.currentAddress = s.address();
    if (isatty(STDERR_FILENO))
        options.proceed = [](const ScanStep& step) {
            std::cerr << "\rpass " << step.pass << ", address " << int(step.address) << "   " << std::flush;
            return true;
        };
    const auto started = std::chrono::steady_clock::now();
    const LineScanResult r = scanLine(s.link(), options);
    if (options.proceed) std::cerr << '\r';
    if (r.error != LinkError::None) return linkFailure(r.error);
    for (const ScannedStation& st : r.byAddress()) {
        PadWellReply pw;
        pw.pad = st.pad;
        pw.well = st.well;
        printStation(st.address, pw);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::cerr << r.stations.size() << " stations, " << r.requests << " requests, "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms (time-out "
              << r.firstPassTimeoutMicros / 1000 << " ms, second pass " << r.secondPassTimeoutMicros / 1000
              << " ms)\n";
    if (r.stations.empty()) std::cerr << "Больше устройств в сети не обнаружено\n";
    return r.stations.empty() ? kNothingFound : kDone;
}

int runScan(const Options& o, LinkSession& s) {
    if (o.fast) return runFastScan(o, s);
    const bool down = o.down;
    int next = o.from != 0 ? o.from : down ? 247 : 1;
    bool any = false;
    TransferProgress progress;
    if (isatty(STDERR_FILENO))
        progress = [](int n, int) {
            std::cerr << "\raddress " << n << std::flush;
            return true;
        };
    for (;;) {
        const SearchResult r =
            searchStations(s.link(), next, down ? SearchDirection::Down : SearchDirection::Up, progress);
        if (progress) std::cerr << '\r';
        if (r.error != LinkError::None) return linkFailure(r.error);
        if (!r.found) break;
        any = true;
        printStation(*r.found, readPadWell(s.link(), *r.found));
        if (!o.all) return 0;
        next = *r.found + (down ? -1 : 1);
    }
    if (!any)
        std::cerr << (down ? "Устройство с меньшим адресом в сети не обнаружено"
                           : "Больше устройств в сети не обнаружено")
                  << '\n';
    return any ? 0 : 3;
}

volatile std::sig_atomic_t watchInterrupted = 0;

// The answer as the user reads it: time, address, pad, well, the state in words, then the values.
std::string watchLine(const StationRow& row, char sep) {
    const CurrentState& st = row.state;
    const auto unset = [](std::uint16_t v) { return v == kUnknown16 ? std::string() : std::to_string(v); };
    std::string state = row.running() ? modeText(st.status) : stopText(st.status);
    if (state.empty()) state = modeText(st.status);
    std::string out = isoLocalTime(row.lastAnswer);
    for (const std::string& field :
         {std::to_string(row.address), unset(st.padNumber), unset(st.wellNumber), state,
          "U " + std::to_string(st.UAB) + "/" + std::to_string(st.UBC) + "/" + std::to_string(st.UCA),
          "I " + currentText(st.IA, sep, "") + "/" + currentText(st.IB, sep, "") + "/" +
              currentText(st.IC, sep, ""),
          "загрузка " + std::to_string(st.ZAGR), "R " + std::to_string(st.SOP),
          "cos " + powerFactorText(st.powerFactor), "P " + std::to_string(st.P), "T " + std::to_string(st.T),
          dateTimeText(st)})
        out += "\t" + field;
    return out;
}

int runWatch(const Options& o, LinkSession& s) {
    std::vector<StationRow> rows;
    for (int a : o.addresses) {
        StationRow row;
        row.address = static_cast<std::uint8_t>(a);
        rows.push_back(row);
    }
    StationCsv csv;
    if (!o.csv.empty())
        if (const std::string e = csv.open(o.csv); !e.empty()) return fail(o.csv + ": " + e);
    // Ctrl+C ends the watch after the transaction under way; the CSV is complete up to there.
    watchInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = [](int) { watchInterrupted = 1; };
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const char sep = decimalSeparator();
    int answers = 0;
    for (int round = 0; (o.count == 0 || round < o.count) && !watchInterrupted; ++round)
        for (StationRow& row : rows) {
            if (watchInterrupted) break;
            const RowPoll poll = pollStationRow(s.link(), row, std::chrono::system_clock::now());
            if (poll.error != LinkError::None) return linkFailure(poll.error);
            if (!poll.answered) {
                std::cerr << "address " << int(row.address) << ": " << kCurrentStateReadFailed << '\n';
                continue;
            }
            ++answers;
            std::cout << watchLine(row, sep) << '\n' << std::flush;
            if (csv.isOpen() && !csv.append(row)) return fail(o.csv + ": cannot be written");
        }
    return answers > 0 ? kDone : kNothingFound;
}

} // namespace

void addLinkCommands(CLI::App& app) {
    // A command over the line: its options, and what it runs with the port open.
    const auto add = [&app](const char* name, const char* summary, bool withGeneration, Runner run) {
        auto o = std::make_shared<Options>();
        CLI::App* cmd = command(app, name, summary);
        addLinkOptions(cmd, o->link, withGeneration);
        onRun(cmd, [o, run] { return withLink(*o, run); });
        return std::pair{cmd, o};
    };
    add("probe", "finds out what answers on the line", false, runProbe);
    add("state", "reads and prints the station's current state", true, runState);
    {
        auto [cmd, o] = add("read-journal", "reads the event journal and the settings into a .VR4 / .pr file",
                            true, runReadJournal);
        cmd->add_option("-o", o->out, "the journal file to write")->type_name("FILE")->required();
    }
    {
        auto [cmd, o] = add("read-settings", "reads the settings into a .us4 / .ust file", true, runReadSettings);
        cmd->add_option("-o", o->out, "the settings file to write")->type_name("FILE")->required();
    }
    {
        auto [cmd, o] = add("write-settings",
                            "writes the settings of a settings file to the controller (the file's generation)",
                            false, runWriteSettings);
        cmd->add_option("FILE", o->file, "the settings file (.us4, .ust)")->required();
    }
    add("clear", "clears the chronology of events", true, runClear);
    add("start", "starts the motor", true, [](const Options& o, LinkSession& s) { return startStop(o, s, true); });
    add("stop", "stops the motor", true, [](const Options& o, LinkSession& s) { return startStop(o, s, false); });
    {
        auto [cmd, o] = add("scan",
                            "searches the line for generation 4 stations (from address 1 up, or from N, or down)",
                            false, runScan);
        CLI::Option* from = cmd->add_option("--from", o->from, "the first address to try")
                                ->type_name("N")
                                ->check(CLI::Range(1, 247));
        CLI::Option* down = cmd->add_flag("--down", o->down, "searches from the address down");
        CLI::Option* all = cmd->add_flag("--all", o->all, "goes on after the first station found");
        cmd->add_flag("--fast", o->fast,
                      "every address 1..247 with a time-out learned from the stations that answer "
                      "(the one at --address first), then the silent addresses once more at twice "
                      "that time-out")
            ->excludes(from)
            ->excludes(down)
            ->excludes(all);
    }
    {
        auto [cmd, o] =
            add("watch", "polls the current state of several stations in turn, one line per answer", false,
                runWatch);
        cmd->add_option("--addresses", o->addresses, "the stations' addresses, separated by commas")
            ->type_name("LIST")
            ->delimiter(',')
            ->check(CLI::Range(1, 247))
            ->required();
        cmd->add_option("--count", o->count, "rounds over the stations (default: until interrupted)")
            ->type_name("N")
            ->check(CLI::Range(1, 1000000));
        cmd->add_option("--csv", o->csv, "appends every answer to this CSV file (UTF-8, with a header)")
            ->type_name("OUT");
    }
}

} // namespace vorsan::cli
