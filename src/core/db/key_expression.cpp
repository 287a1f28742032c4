#include "db/key_expression.h"

#include "db/dbf_format.h"
#include "db/little_endian.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vorsan::db {

namespace {

std::string upperAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Windows-1251 upper case: Latin, Cyrillic а..я -> А..Я, ё -> Ё.
std::uint8_t upper1251(std::uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 32);
    if (c >= 0xE0) return static_cast<std::uint8_t>(c - 32);
    if (c == 0xB8) return 0xA8;
    return c;
}

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}
    void skip() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_])))
            ++p_;
    }
    bool eat(char c) {
        skip();
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skip();
        return p_ >= s_.size();
    }
    std::string identifier() {
        skip();
        const std::size_t b = p_;
        while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_'))
            ++p_;
        std::string id = upperAscii(s_.substr(b, p_ - b));
        // "ALIAS->FIELD": the alias names the table itself here.
        skip();
        if (!id.empty() && s_.compare(p_, 2, "->") == 0) {
            p_ += 2;
            return identifier();
        }
        return id;
    }
    bool number(int& v) {
        skip();
        const std::size_t b = p_;
        v = 0;
        while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_])) && p_ - b < 4)
            v = v * 10 + (s_[p_++] - '0');
        return p_ > b;
    }

private:
    const std::string& s_;
    std::size_t p_ = 0;
};

// Formats like xBase STR(): right-aligned, rounded, asterisks when it does not fit.
void strText(double v, int length, int decimals, std::uint8_t* out) {
    char buf[400];
    int n;
    if (decimals == 0 && std::fabs(v) < 1e15) {
        // Fast path for whole numbers, the common case of pad, well and event codes.
        long long i = std::llround(v);
        bool neg = i < 0;
        unsigned long long u = neg ? static_cast<unsigned long long>(-i) : static_cast<unsigned long long>(i);
        char tmp[32];
        int k = 0;
        do {
            tmp[k++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u);
        if (neg) tmp[k++] = '-';
        if (k > length) {
            std::memset(out, '*', static_cast<std::size_t>(length));
            return;
        }
        std::memset(out, ' ', static_cast<std::size_t>(length - k));
        for (int j = 0; j < k; ++j)
            out[length - 1 - j] = static_cast<std::uint8_t>(tmp[j]);
        return;
    }
    n = std::isfinite(v) ? fixedPointText(v, decimals, buf, sizeof buf) : -1;
    if (n < 0 || n > length) {
        std::memset(out, '*', static_cast<std::size_t>(length));
    } else {
        std::memset(out, ' ', static_cast<std::size_t>(length - n));
        std::memcpy(out + (length - n), buf, static_cast<std::size_t>(n));
    }
}

// STR() of a number straight from its text in the row, for the texts tables hold: a plain decimal
// of at most 15 digits asked for with as many decimals as it has (or more), or rounded to none.
// The result is the one strText gives for the number the text reads as; false for anything else.
bool strFromText(const std::uint8_t* f, int fieldLength, int length, int decimals, std::uint8_t* out) {
    const auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    int b = 0, e = fieldLength;
    while (b < e && (f[b] == ' ' || f[b] == 0))
        ++b;
    while (e > b && f[e - 1] == ' ')
        --e;
    if (b == e) return false;
    const bool negative = f[b] == '-';
    b += negative;
    int intFrom = b;
    while (b < e && digit(f[b]))
        ++b;
    const int intTo = b;
    int fracFrom = b, fracTo = b;
    if (b < e && f[b] == '.') {
        fracFrom = ++b;
        while (b < e && digit(f[b]))
            ++b;
        fracTo = b;
    }
    if (b != e || intTo == intFrom) return false;
    while (intTo - intFrom > 1 && f[intFrom] == '0')
        ++intFrom;
    const int intDigits = intTo - intFrom, fracDigits = fracTo - fracFrom;
    if (intDigits + std::max(fracDigits, decimals) > 15 || (fracDigits > decimals && decimals > 0)) return false;
    // Written from the right; a number wider than the result is asterisks, as strText does.
    int o = length;
    bool over = false;
    const auto put = [&](std::uint8_t c) {
        if (o == 0)
            over = true;
        else
            out[--o] = c;
    };
    if (decimals == 0) {
        // Half away from zero, as llround of the value: at this many digits the value is clear
        // of the tie by more than its rounding error.
        int carry = fracDigits > 0 && f[fracFrom] >= '5';
        bool nonzero = false;
        for (int i = intTo - 1; i >= intFrom; --i) {
            int d = f[i] - '0' + carry;
            carry = d == 10;
            d -= 10 * carry;
            nonzero = nonzero || d != 0;
            put(static_cast<std::uint8_t>('0' + d));
        }
        if (carry) put('1'), nonzero = true;
        if (negative && nonzero) put('-');
    } else {
        if (negative) {
            bool zero = true;
            for (int i = intFrom; i < fracTo; ++i)
                zero = zero && (f[i] == '0' || f[i] == '.');
            if (zero) return false; // the text of a negative zero is left to strText
        }
        for (int k = decimals; k > fracDigits; --k)
            put('0');
        for (int i = fracTo - 1; i >= fracFrom; --i)
            put(f[i]);
        put('.');
        for (int i = intTo - 1; i >= intFrom; --i)
            put(f[i]);
        if (negative) put('-');
    }
    if (over) {
        std::memset(out, '*', static_cast<std::size_t>(length));
    } else {
        for (int k = 0; k < o; ++k)
            out[k] = ' ';
    }
    return true;
}

} // namespace

void encodeNumericKey(double v, std::uint8_t* out) {
    if (v == 0) v = 0; // -0 sorts as 0
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    if (v >= 0)
        bits |= 0x8000000000000000ull;
    else
        bits = ~bits;
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
}

double decodeNumericKey(const std::uint8_t* in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = (bits << 8) | in[i];
    if (bits & 0x8000000000000000ull)
        bits &= ~0x8000000000000000ull;
    else
        bits = ~bits;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

DbStatus KeyExpression::compile(const std::string& text, const DbfHeader& layout) {
    text_ = text;
    terms_.clear();
    fieldsUsed_.clear();
    length_ = 0;
    type_ = KeyType::Character;
    const auto bad = [&](const std::string& why) {
        return DbStatus::fail(DbError::BadExpression, "key expression \"" + text + "\": " + why);
    };
    const auto findField = [&](const std::string& name) -> int {
        for (std::size_t i = 0; i < layout.fields.size(); ++i)
            if (upperAscii(layout.fields[i].name) == name) return static_cast<int>(i);
        return -1;
    };
    Parser ps(text);
    do {
        std::string id = ps.identifier();
        if (id.empty()) return bad("name expected");
        Term t;
        int field;
        if (ps.eat('(')) {
            field = findField(ps.identifier());
            if (field < 0) return bad("unknown field in " + id + "()");
            const FieldDef& f = layout.fields[static_cast<std::size_t>(field)];
            t.offset = layout.offsets[static_cast<std::size_t>(field)];
            t.fieldLength = f.length;
            if (id == "DTOS" && f.type == 'D') {
                t.op = Op::Copy;
                t.length = 8;
            } else if (id == "UPPER" && f.type == 'C') {
                t.op = Op::Upper;
                t.length = f.length;
            } else if (id == "STR" && (f.type == 'N' || f.type == 'F')) {
                t.op = Op::Str;
                t.length = 10;
                if (ps.eat(',') && !ps.number(t.length)) return bad("STR length");
                if (ps.eat(',') && !ps.number(t.decimals)) return bad("STR decimals");
                if (t.length < 1 || t.length > 255 || t.decimals > 18) return bad("STR length");
            } else {
                return bad("function " + id + " not supported for field " + f.name);
            }
            if (!ps.eat(')')) return bad("')' expected");
        } else {
            field = findField(id);
            if (field < 0) return bad("unknown field " + id);
            const FieldDef& f = layout.fields[static_cast<std::size_t>(field)];
            t.offset = layout.offsets[static_cast<std::size_t>(field)];
            t.fieldLength = f.length;
            t.length = f.length;
            if (f.type == 'N' || f.type == 'F') t.op = Op::Number, t.length = 8;
            if (f.type == 'D') t.op = Op::Date, t.length = 8;
            if (f.type == 'I') t.op = Op::Int32, t.length = 4;
        }
        fieldsUsed_.push_back(field);
        terms_.push_back(t);
        length_ += t.length;
    } while (ps.eat('+'));
    if (!ps.atEnd()) return bad("unexpected text");
    const Op first = terms_.front().op;
    const bool binary = first == Op::Number || first == Op::Date || first == Op::Int32;
    if (binary && terms_.size() > 1) return bad("numbers and dates cannot be joined with '+'");
    for (const Term& t : terms_)
        if (terms_.size() > 1 && (t.op == Op::Number || t.op == Op::Date || t.op == Op::Int32))
            return bad("numbers and dates cannot be joined with '+'");
    type_ = first == Op::Int32 ? KeyType::Integer : binary ? KeyType::Numeric : KeyType::Character;
    if (length_ < 1 || length_ > 240) return bad("key length " + std::to_string(length_));
    return {};
}

void KeyExpression::evaluate(const std::uint8_t* row, std::uint8_t* out) const {
    for (const Term& t : terms_) {
        const std::uint8_t* f = row + t.offset;
        const std::string_view text(reinterpret_cast<const char*>(f),
                                    static_cast<std::size_t>(t.fieldLength));
        switch (t.op) {
        case Op::Copy:
            std::memcpy(out, f, static_cast<std::size_t>(t.length));
            break;
        case Op::Upper:
            for (int i = 0; i < t.length; ++i)
                out[i] = upper1251(f[i]);
            break;
        case Op::Str:
            if (!strFromText(f, t.fieldLength, t.length, t.decimals, out))
                strText(parseNumericText(text).value_or(0), t.length, t.decimals, out);
            break;
        case Op::Number:
            encodeNumericKey(parseNumericText(text).value_or(0), out);
            break;
        case Op::Date: {
            const auto d = parseDateText(text);
            encodeNumericKey(d && !d->empty() ? static_cast<double>(julianDay(*d)) : 0.0, out);
            break;
        }
        case Op::Int32: {
            const std::uint32_t v = le32(f) ^ 0x80000000u;
            for (int i = 0; i < 4; ++i)
                out[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
            break;
        }
        }
        out += t.length;
    }
}

} // namespace vorsan::db
