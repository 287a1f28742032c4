#pragma once
// The DBF file: 32-byte header, 32-byte field descriptors ended by 0x0D, fixed-length rows each
// starting with a deletion byte (' ' live, '*' deleted), and a closing 0x1A.
#include "db/db_status.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <strings.h>
#include <vector>

namespace vorsan::db {

inline constexpr std::uint8_t kVersionFoxBase = 0x03;    // FoxPro 2.x / dBASE III, no memo
inline constexpr std::uint8_t kFlagStructuralCdx = 0x01; // byte 28
inline constexpr std::uint8_t kCodePageWin1251 = 0xC9;   // byte 29
inline constexpr std::uint8_t kRowLive = ' ';
inline constexpr std::uint8_t kRowDeleted = '*';
inline constexpr std::uint8_t kEndOfFile = 0x1A;
inline constexpr std::size_t kMaxFields = 255;

// Whether two field (or tag) names are the same, ignoring ASCII letter case.
inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

struct FieldDef {
    std::string name; // upper case, at most 10 characters
    char type = 'C';  // C, D, L, N (written); F, I, T, B, Y, M, G also read
    int length = 1;
    int decimals = 0;
};

struct Date {
    int year = 0, month = 0, day = 0;
    bool empty() const { return year == 0 && month == 0 && day == 0; }
    friend bool operator==(const Date&, const Date&) = default;
};

bool isCalendarDate(int year, int month, int day);
// Julian day number (2000-01-01 = 2451545); the value numeric date keys are made of.
long julianDay(const Date& d);

struct DbfHeader {
    std::uint8_t version = kVersionFoxBase;
    std::uint8_t tableFlags = kFlagStructuralCdx;
    std::uint8_t codePage = kCodePageWin1251;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::vector<FieldDef> fields;
    std::vector<std::uint32_t> offsets; // of each field within a row (the deletion byte is 0)
    std::vector<std::uint8_t> raw;      // the header bytes as read, kept when the table is rewritten
};

// Reads and checks the header and field descriptors. fileSize is the size of the whole file, so a
// record count beyond the file is refused here.
DbStatus parseDbfHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize, DbfHeader& out);

// A new FoxPro 2.x header for the given fields (version, flags and code page from h).
DbStatus buildDbfHeader(const std::vector<FieldDef>& fields, std::uint8_t version, std::uint8_t flags,
                        std::uint8_t codePage, DbfHeader& out);

// Patches the row count and the date of last update (year - 1900, month, day) into h.raw.
void stampDbfHeader(DbfHeader& h, const Date& today);

Date todayDate();

// --- field values inside a row ------------------------------------------------------------------
// Character field without its trailing blanks (bytes in the table's code page).
std::string_view trimRight(std::string_view s);
std::optional<double> parseNumericText(std::string_view text); // blanks -> 0, garbage -> nullopt
// Right-aligned decimal text of exactly `length` bytes; fewer decimals when the value needs the
// room; false when even the integer part does not fit.
bool formatNumericText(double value, int length, int decimals, char* out);
// `value` with `decimals` digits after a point, whatever the locale; the length written, or -1
// when it does not fit `capacity`.
int fixedPointText(double value, int decimals, char* out, std::size_t capacity);
std::optional<Date> parseDateText(std::string_view text); // "YYYYMMDD"; blanks -> empty Date
void formatDateText(const Date& d, char* out);            // 8 bytes, blanks for an empty date

// Display text of one field as a reader shows it: character without trailing blanks, numbers as
// stored without blanks, dates YYYYMMDD, logicals T/F, VFP integers and date-times decoded.
std::string fieldDisplayText(const FieldDef& f, const std::uint8_t* field);

} // namespace vorsan::db
