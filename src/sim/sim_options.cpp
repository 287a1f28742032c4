#include "sim_options.h"

#include <charconv>
#include <cstdlib>

namespace vorsan::sim {
namespace {

bool toUnsigned(const std::string& text, unsigned long lo, unsigned long hi, unsigned long& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty() && out >= lo && out <= hi;
}

bool toProbability(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && out >= 0.0 && out <= 1.0;
}

// "1,5,17" or with a number after some addresses: "1,5,7:120". `numbers` gets those numbers.
std::string parseAddresses(const std::string& option, const std::string& list, std::vector<std::uint8_t>& out,
                           std::map<std::uint8_t, unsigned>* numbers, unsigned long maxNumber) {
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t colon = item.find(':');
        unsigned long a = 0, n = 0;
        if (!toUnsigned(item.substr(0, colon), 1, 247, a))
            return option + ": addresses are numbers from 1 to 247, separated by commas";
        if (colon != std::string::npos) {
            if (!numbers || !toUnsigned(item.substr(colon + 1), 1, maxNumber, n))
                return option + ": after an address's colon comes a number from 1 to " +
                       std::to_string(maxNumber);
            (*numbers)[static_cast<std::uint8_t>(a)] = static_cast<unsigned>(n);
        }
        out.push_back(static_cast<std::uint8_t>(a));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return {};
}

// ADDRESS:SECONDS pairs, separated by commas.
std::string parseCycles(const std::string& option, const std::string& list,
                        std::map<std::uint8_t, unsigned>& out) {
    std::vector<std::uint8_t> addresses;
    if (std::string e = parseAddresses(option, list, addresses, &out, 86400); !e.empty()) return e;
    for (std::uint8_t a : addresses)
        if (!out.count(a)) return option + " takes ADDRESS:SECONDS pairs, e.g. 5:20";
    return {};
}

} // namespace

std::string parseSimOptions(const std::vector<std::string>& args, SimOptions& o, bool& help) {
    help = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto value = [&](std::string& v) {
            if (k + 1 >= args.size()) return false;
            v = args[++k];
            return true;
        };
        std::string v;
        unsigned long n = 0;
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--fast") {
            o.fast = true;
        } else if (a == "--silent") {
            o.silent = true;
        } else if (a == "--bad-checksum") {
            o.badChecksum = true;
        } else if (a == "--verbose" || a == "-v") {
            o.verbose = true;
        } else if (!value(v)) {
            return a.rfind("--", 0) == 0 ? a + " needs a value" : "unexpected argument " + a;
        } else if (a == "--gen4") {
            if (std::string e = parseAddresses(a, v, o.gen4Addresses, &o.replyDelayMs, 60000); !e.empty())
                return e;
        } else if (a == "--stop-cycle" || a == "--silence-cycle") {
            if (std::string e = parseCycles(a, v, a == "--stop-cycle" ? o.stopCycleS : o.silenceCycleS);
                !e.empty())
                return e;
        } else if (a == "--gen3") {
            if (!toUnsigned(v, 0, 0xFFFF, n)) return "--gen3 takes the controller's type code (11 or 99)";
            o.gen3TypeCode = static_cast<std::uint16_t>(n);
        } else if (a == "--recorder") {
            if (!toUnsigned(v, 0, 254, n)) return "--recorder takes the number of stored entries (0 to 254)";
            o.recorderEntries = static_cast<int>(n);
        } else if (a == "--switch") {
            if (v != "on" && v != "off") return "--switch takes on or off";
            o.switchOff = v == "off";
        } else if (a == "--baud") {
            if (!toUnsigned(v, 300, 921600, n)) return "--baud takes a line speed in bit/s";
            o.baud = static_cast<unsigned>(n);
        } else if (a == "--turnaround-ms") {
            if (!toUnsigned(v, 0, 10000, n)) return "--turnaround-ms takes milliseconds";
            o.turnaroundMs = static_cast<unsigned>(n);
        } else if (a == "--slow-ms") {
            if (!toUnsigned(v, 0, 60000, n)) return "--slow-ms takes milliseconds";
            o.slowMs = static_cast<unsigned>(n);
        } else if (a == "--drop" && v.rfind("1/", 0) == 0) {
            if (!toUnsigned(v.substr(2), 1, 1000000, n)) return "--drop 1/N takes a whole N";
            o.dropEvery = static_cast<unsigned>(n);
        } else if (a == "--corrupt" || a == "--drop") {
            double p = 0;
            if (!toProbability(v, p)) return a + " takes a probability from 0 to 1";
            (a == "--corrupt" ? o.corrupt : o.drop) = p;
        } else if (a == "--seed") {
            if (!toUnsigned(v, 0, 0xFFFFFFFFul, n)) return "--seed takes a number";
            o.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--journal") {
            o.journalFile = v;
        } else if (a == "--link") {
            o.linkPath = v;
        } else {
            return "unknown option " + a;
        }
    }
    if (!help && o.gen4Addresses.empty() && !o.gen3TypeCode && !o.recorderEntries)
        o.gen4Addresses.push_back(1);
    return {};
}

const char* simHelpText() {
    return R"(vorsan-sim: a line of simulated pump-station controllers on a pseudo-terminal.

Usage: vorsan-sim [options]

Prints the device path of the line (e.g. /dev/pts/7); point vorsan or vorsan-cli at it.
A short description of the line goes to stderr. Runs until interrupted (Ctrl+C). Without a device option it simulates one generation 4
station at address 1.

Devices on the line (any mix):
  --gen4 LIST          generation 4 stations at these addresses (e.g. 1,5,17); an
                       address may carry its own reply delay in ms: 1,5,7:120 makes
                       station 7 answer 120 ms later than the others
  --gen3 CODE          a generation 3 controller of type code 11 or 99
  --recorder N         the data recorder with N stored chronologies (entries at
                       addresses 1..N; every third entry is copied from generation 3);
                       it answers at its bulk speed once given a speed code
  --switch on|off      the stations' mode switch; clearing the chronology is refused
                       unless it is off (default on)

Content:
  --seed N             seed of the generated content and of the faults (default 1).
                       Each station gets the settings of a typical installation
                       (some without motor and pump numbers), a journal whose stops
                       agree with them, a clock that runs, live values that drift
                       from poll to poll, and a motor that starts and stops on command
  --journal FILE       serve the journal, settings and current state of a .VR4
                       (generation 4) or .pr (generation 3) file instead of
                       generated ones

Line timing:
  --baud N             pace replies at N bit/s (default 9600)
  --fast               no pacing and no turnaround: answer at once
  --turnaround-ms N    the controller's delay before it answers (default 2)

Fault injection (reproducible with --seed):
  --corrupt P          damage one byte of a reply with probability P (0..1)
  --drop P             leave a request unanswered with probability P
  --drop 1/N           leave every Nth request to a device on the line unanswered
  --slow-ms N          answer N ms later than usual
  --silent             answer nothing at all
  --bad-checksum       the generation 3 controller reports wrong block checksums

Stations that change while they are watched:
  --stop-cycle A:S     station A runs S seconds, stops on underload, stands S seconds,
                       starts again, and so on (several pairs separated by commas)
  --silence-cycle A:S  station A answers for S seconds, then is silent for S seconds,
                       and so on

Other:
  --link PATH          make PATH a symbolic link to the device (removed at exit)
  --verbose, -v        log every request on stderr
  --help, -h           this text
)";
}

} // namespace vorsan::sim
