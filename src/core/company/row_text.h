#pragma once
// The journal rows and snapshots of the well database as the server's COPY text and parameters:
// every number written with std::to_chars, so no locale reaches the wire.
#include "journal/journal_record.h"
#include "wells/well_directory.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::company {

// The moment of a record as the server's timestamp text, "2024-03-05 07:05:09"; nullopt when the
// record's date or time is none of the calendar.
std::optional<std::string> momentText(const JournalRecord& r);

// One line of the staging table sync_rows (oilfield, pad, well, moment, then the values in the
// order of rowColumns), with its newline. False, and nothing appended, for a record whose moment
// is not a moment.
bool appendRowLine(std::string& out, const wells::WellId& well, const JournalRecord& r);
// The value columns of a journal row, in the order of the lines.
inline constexpr const char* kRowColumns =
    "sobytie, ext_zap, num_ust, old_zn, new_zn, uab, ubc, uca, ia, ib, ic, zagr, sop, p, t, cos_";

// A row as the pull reads it: seq, well_id, moment as YYYYMMDDHH24MISS, then the values.
struct PulledRow {
    long long seq = 0;
    long long wellId = 0;
    JournalRecord record;
};
bool parsePulledRow(std::string_view line, PulledRow& out);

// The identity of a row (its "DATt" key: the moment and every value) as a number, for telling
// which rows of a well are already on the server.
std::uint64_t rowHash(const JournalRecord& r);

// Settings values as an SQL array literal "{1,2,...}" and back (nullopt unless 82 numbers).
std::string settingsArray(const std::vector<std::uint16_t>& values);
std::optional<std::vector<std::uint16_t>> parseSettingsArray(std::string_view text);

} // namespace vorsan::company
