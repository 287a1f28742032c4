#pragma once
// What the simulated line holds and how it behaves; parsed from the command line of vorsan-sim.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorsan::sim {

struct SimOptions {
    std::vector<std::uint8_t> gen4Addresses;   // --gen4 1,5,17
    std::map<std::uint8_t, unsigned> replyDelayMs;  // --gen4 1,5,7:120: station 7 answers 120 ms late
    std::map<std::uint8_t, unsigned> stopCycleS;    // --stop-cycle 5:20: runs 20 s, stands 20 s, ...
    std::map<std::uint8_t, unsigned> silenceCycleS; // --silence-cycle 7:15: answers 15 s, silent 15 s
    std::optional<std::uint16_t> gen3TypeCode; // --gen3 11|99
    std::optional<int> recorderEntries;        // --recorder N
    bool switchOff = false;                    // --switch on|off: clearing is refused unless off
    unsigned baud = 9600;                      // --baud: pacing of controller replies
    bool fast = false;                         // --fast: no pacing, no turnaround
    unsigned turnaroundMs = 2;                 // --turnaround-ms: controller's reply delay
    double corrupt = 0.0;                      // --corrupt P: probability of a damaged reply
    double drop = 0.0;                         // --drop P: probability of a missing reply
    unsigned dropEvery = 0;                    // --drop 1/N: every Nth request to a device unanswered
    unsigned slowMs = 0;                       // --slow-ms N: added to every turnaround
    bool silent = false;                       // --silent: never answer
    bool badChecksum = false;                  // --bad-checksum: generation 3 sums are off by one
    std::uint32_t seed = 1;                    // --seed N: content and faults
    std::string journalFile;                   // --journal FILE (.VR4 or .pr)
    std::string linkPath;                      // --link PATH: symbolic link to the device
    bool verbose = false;                      // --verbose: log every request on stderr
};

// Parses the arguments after the program name. Returns an error text, empty on success;
// `help` is set when --help was given.
std::string parseSimOptions(const std::vector<std::string>& args, SimOptions& out, bool& help);

// The text printed by --help.
const char* simHelpText();

} // namespace vorsan::sim
