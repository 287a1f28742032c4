#pragma once
// Windows-1251 <-> UTF-8. The program works in UTF-8; Windows-1251 appears only where a file or
// a station carries it.
#include <cstddef>
#include <string>
#include <string_view>

namespace vorsan {

// Decodes Windows-1251 bytes to UTF-8. Every byte has a character (0x98, unassigned in the code
// page, maps to U+0098), so decoding never fails and encode(decode(b)) == b for all 256 bytes.
std::string cp1251ToUtf8(std::string_view bytes);

struct Cp1251Result {
    std::string bytes;          // the encoded text
    std::size_t replaced = 0;   // characters with no Windows-1251 byte, written as '?'
    bool invalidUtf8 = false;   // the input had malformed UTF-8 (each bad byte counted in replaced)
    bool ok() const { return replaced == 0 && !invalidUtf8; }
};

// Encodes UTF-8 text to Windows-1251. A character with no byte in the code page is written as
// '?' and counted, so the caller can tell the user instead of losing it silently.
Cp1251Result utf8ToCp1251(std::string_view utf8);

// Number of characters (code points) in UTF-8 text; malformed bytes count one each.
std::size_t utf8Length(std::string_view utf8);

// The first n characters of UTF-8 text (never splits a character).
std::string utf8Left(std::string_view utf8, std::size_t n);

// Upper-cases Latin and Cyrillic letters of UTF-8 text (the letters Windows-1251 has).
std::string utf8ToUpper(std::string_view utf8);

} // namespace vorsan
