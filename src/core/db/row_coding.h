#pragma once
// Field values to and from the bytes of a row: the coding every record operation of a table goes
// through, and the carrying of rows between tables whose layouts differ in widths.
#include "db/db_status.h"
#include "db/dbf_format.h"

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
