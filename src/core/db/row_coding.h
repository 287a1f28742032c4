#pragma once
// Field values to and from the bytes of a row: the coding every record operation of a table goes
// through, and the carrying of rows between tables whose layouts differ in widths.
#include "db/db_status.h"
#include "db/dbf_format.h"
#include "db/little_endian.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorsan::db {

// A value for one field: text (bytes in the table's code page) for C, number for N, Date for D,
// bool for L.
using FieldValue = std::variant<std::string, double, Date, bool>;

// --- reading the fields of a row (`row` starts with its deletion byte; `field` is in range).
// Inline: readers of many rows call them for every field.
inline std::string_view fieldText(const DbfHeader& h, int field, const std::uint8_t* row) {
    const auto f = static_cast<std::size_t>(field);
    return std::string_view(reinterpret_cast<const char*>(row + h.offsets[f]),
                            static_cast<std::size_t>(h.fields[f].length));
}

// Character field without its trailing blanks.
inline std::string fieldString(const DbfHeader& h, int field, const std::uint8_t* row) {
    return std::string(trimRight(fieldText(h, field, row)));
}

// Blanks or garbage read as 0; a Visual FoxPro integer is its 4 bytes.
inline double fieldNumber(const DbfHeader& h, int field, const std::uint8_t* row) {
    const FieldDef& f = h.fields[static_cast<std::size_t>(field)];
    if (f.type == 'I' && f.length == 4)
        return static_cast<std::int32_t>(le32(row + h.offsets[static_cast<std::size_t>(field)]));
    return parseNumericText(fieldText(h, field, row)).value_or(0);
}

inline Date fieldDate(const DbfHeader& h, int field, const std::uint8_t* row) {
    return parseDateText(fieldText(h, field, row)).value_or(Date{});
}

inline bool fieldLogical(const DbfHeader& h, int field, const std::uint8_t* row) {
    const std::uint8_t c = row[h.offsets[static_cast<std::size_t>(field)]];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// --- writing
// Puts `v` into its field of the row; refuses a field out of range, a value of the wrong kind, a
// number that does not fit and a date that is none.
DbStatus encodeField(const DbfHeader& h, int field, const FieldValue& v, std::uint8_t* row);
// A whole live row: the values of the first fields, the rest empty.
DbStatus encodeRow(const DbfHeader& h, const std::vector<FieldValue>& values, std::vector<std::uint8_t>& out);

// Rows of a table with layout `from` put into layout `to`: fields are matched by name, so a table
// written by another program with other widths carries over too; numbers are carried as values,
// text is cut to the new width.
class RowRecoder {
public:
    // Refuses (LayoutMismatch) when `from` lacks a field of `to` by name and type; `fromPath`
    // names the source in the message, `toPath` the table a number does not fit.
    DbStatus prepare(const DbfHeader& to, const std::string& toPath, const DbfHeader& from,
                     const std::string& fromPath);
    // Fills the fields of `out` (a row of `to`, its deletion byte left alone) from the row `in`.
    DbStatus recode(const std::uint8_t* in, std::uint8_t* out) const;

private:
    const DbfHeader* to_ = nullptr;
    const DbfHeader* from_ = nullptr;
    const std::string* toPath_ = nullptr;
    std::vector<std::size_t> map_; // field of `from` for each of `to`
    bool identical_ = false;       // the same fields in the same places
};

} // namespace vorsan::db
