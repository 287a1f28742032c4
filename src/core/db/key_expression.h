#pragma once
// Index key expressions of the xBase kind, the subset tables here use and other engines write:
// a field name (optionally "ALIAS->NAME"), DTOS(date), STR(number[, length[, decimals]]),
// UPPER(text), joined by "+". A bare numeric or date field gives an 8-byte numeric key, a bare
// VFP integer a 4-byte key; everything else is a character key.
#include "db/dbf_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsan::db {

enum class KeyType { Character, Numeric, Integer };

class KeyExpression {
public:
    DbStatus compile(const std::string& text, const DbfHeader& layout);

    const std::string& text() const { return text_; }
    KeyType type() const { return type_; }
    int length() const { return length_; }
    // Byte a leaf stores implicitly after a key's end: blank for characters, zero otherwise.
    std::uint8_t padByte() const { return type_ == KeyType::Character ? 0x20 : 0x00; }
    // Writes length() bytes for the row (the row starts with its deletion byte).
    void evaluate(const std::uint8_t* row, std::uint8_t* out) const;
    // Field numbers the key reads (a row edit that touches none of them keeps its key).
    const std::vector<int>& fieldsUsed() const { return fieldsUsed_; }

private:
    enum class Op { Copy, Upper, Str, Number, Date, Int32 };
    struct Term {
        Op op = Op::Copy;
        std::uint32_t offset = 0; // of the field in the row
        int fieldLength = 0;
        int length = 0; // bytes the term produces
        int decimals = 0;
    };
    std::string text_;
    KeyType type_ = KeyType::Character;
    int length_ = 0;
    std::vector<Term> terms_;
    std::vector<int> fieldsUsed_;
};

// 8-byte key of a number: IEEE double big-endian, top bit set for values >= 0, every bit inverted
// for negatives, so that unsigned byte order is numeric order.
void encodeNumericKey(double v, std::uint8_t* out);
double decodeNumericKey(const std::uint8_t* in);

} // namespace vorsan::db
