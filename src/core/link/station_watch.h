#pragma once
// Watching several stations of one line: each poll reads one station's current state (the
// generation 4 current-state read) into its row and says what changed, so a view of the line or
// the command line can mark a station that stopped, went silent or came back. The CSV writer
// appends every answer as one line.
#include "journal/current_state.h"
#include "link/serial_link.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>

namespace vorsan {

using WallTime = std::chrono::system_clock::time_point;

// One station's row: what it answered last and when.
struct StationRow {
    std::uint8_t address = 0;
    CurrentState state = unreadState(); // the last state read (kept while the station is silent)
    bool everAnswered = false;
    bool answering = false;                // the last poll answered
    LinkError lastError = LinkError::None; // of the last poll that did not answer
    WallTime lastAnswer{};                 // wall time of the last answer

    bool running() const { return (state.status & 1u) != 0; }
    // Stopped after an answer: the row is shown red, with its cause (stopText of the status).
    bool stopped() const { return everAnswered && !running(); }
    // Seconds since the last answer (0 when it never answered).
    std::int64_t ageSeconds(WallTime now) const;
};

enum class RowChange {
    None,
    FirstAnswer, // answered for the first time
    Stopped,     // was running, now stands: the cause is stopText(row.state.status)
    Started,     // stood, now runs
    WentSilent,  // answered before, not now
    CameBack,    // silent before, answers again
};

struct RowPoll {
    LinkError error = LinkError::None; // Write_Error only: the line itself failed
    RowChange change = RowChange::None;
    bool answered = false;
};

// Reads the current state of row.address (generation 4: registers 63..78, 16..31, 238..239) on a
// link opened at 9600 bit/s and updates the row; a silent station keeps its last state.
RowPoll pollStationRow(SerialLink& link, StationRow& row, WallTime now);

// What changed between the row before a poll and after it (also usable without the link).
RowChange rowChange(const StationRow& before, const StationRow& after);

// "2026-12-09T16:40:01+03:00": local time with its offset.
std::string isoLocalTime(WallTime time);

// Every answer as one CSV line, UTF-8, comma-separated, a point as decimal separator whatever the
// locale: date_time (of the answer), address, pad, well (empty when unset), running (1/0), the
// stop cause code (empty while running), UAB, UBC, UCA (V), IA, IB, IC (A), ZAGR (%), SOP (kOhm),
// COS_, P, T, and the station's clock as an ISO date-time.
class StationCsv {
public:
    static std::string header();
    static std::string line(const StationRow& row);

    // Opens the file for appending; a new or empty file gets the header first. The reason on
    // failure, empty on success.
    std::string open(const std::string& path);
    bool isOpen() const { return out_.is_open(); }
    // Appends the row's last answer and flushes, so a watch that ends abruptly loses at most the
    // line being written. False when the write failed.
    bool append(const StationRow& row);
    void close() { out_.close(); }

private:
    std::ofstream out_;
};

} // namespace vorsan
