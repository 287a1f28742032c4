#include "text/cp1251.h"

#include <array>
#include <cstdint>

namespace vorsan {
namespace {

// Code points of the bytes 0x80..0xFF. The lower half is ASCII.
constexpr std::array<char32_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Reads one code point at s[i]; returns false (and advances one byte) on malformed input.
bool nextCodePoint(std::string_view s, std::size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (b0 < 0x80) {
        c = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        c = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        c = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        c = b0 & 0x07;
        extra = 3;
    } else {
        ++i;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        if (i + k >= s.size()) {
            ++i;
            return false;
        }
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

int cp1251Byte(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    for (std::size_t k = 0; k < kUpperHalf.size(); ++k)
        if (kUpperHalf[k] == c) return static_cast<int>(0x80 + k);
    return -1;
}

// Fast path for the letters А..я (U+0410..U+044F -> 0xC0..0xFF).
int cp1251ByteFast(char32_t c) {
    if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(c - 0x0410 + 0xC0);
    return cp1251Byte(c);
}

} // namespace

std::string cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, b < 0x80 ? char32_t{b} : kUpperHalf[b - 0x80]);
    }
    return out;
}

Cp1251Result utf8ToCp1251(std::string_view utf8) {
    Cp1251Result r;
    r.bytes.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        if (!nextCodePoint(utf8, i, c)) {
            r.invalidUtf8 = true;
            ++r.replaced;
            r.bytes += '?';
            continue;
        }
        const int b = cp1251ByteFast(c);
        if (b < 0) {
            ++r.replaced;
            r.bytes += '?';
        } else {
            r.bytes += static_cast<char>(b);
        }
    }
    return r;
}

std::size_t utf8Length(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    char32_t c = 0;
    while (i < utf8.size()) {
        nextCodePoint(utf8, i, c);
        ++n;
    }
    return n;
}

std::string utf8Left(std::string_view utf8, std::size_t n) {
    std::size_t i = 0;
    char32_t c = 0;
    for (std::size_t k = 0; k < n && i < utf8.size(); ++k) nextCodePoint(utf8, i, c);
    return std::string(utf8.substr(0, i));
}

std::string utf8ToUpper(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        char32_t c = 0;
        if (!nextCodePoint(utf8, i, c)) {
            out.append(utf8.substr(start, i - start));
            continue;
        }
        if (c >= 'a' && c <= 'z') c -= 32;
        else if (c >= 0x0430 && c <= 0x044F) c -= 0x20;     // а..я
        else if (c >= 0x0450 && c <= 0x045F) c -= 0x50;     // ѐ..џ (ё, ў, і, ...)
        else if (c == 0x0491) c = 0x0490;                   // ґ
        appendUtf8(out, c);
    }
    return out;
}

} // namespace vorsan
