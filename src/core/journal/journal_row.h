#pragma once
// The display texts of one journal record, shared by the journal grid, the text export, the
// printed report and the spreadsheet export. Texts are UTF-8; limits are in characters.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorsan {

// Longest text of each field; longer results are cut.
inline constexpr std::size_t kDateTextMax = 10;
inline constexpr std::size_t kTimeTextMax = 8;
inline constexpr std::size_t kValueTextMax = 5;
inline constexpr std::size_t kEventTextMax = 100;
inline constexpr std::size_t kCauseTextMax = 15;

struct JournalRow {
    std::string dateText; // 05.03.2003
    std::string timeText; // 14:07:09
    std::string cosText;  // "---" when COS_ is 255 (generation 4)
    std::string icText;
    std::string ibText;
    std::string iaText;
    std::string ucaText;
    std::string ubcText;
    std::string uabText;
    std::string sopText;   // "---" when SOP is 0xFFFF
    std::string zagrText;  // "---" when ZAGR is 255 (generation 3)
    std::string pText;     // generation 4 only
    std::string tText;     // generation 4 only
    std::string eventText; // event or setting-change text; empty for a measurement row
    std::string causeText; // cause of a generation 4 measurement

    // A row with an event text is an event row; every other row is a measurement row.
    bool isEventRow() const { return !eventText.empty(); }

    bool operator==(const JournalRow&) const = default;
};

// Colours as 24-bit values in blue-green-red order.
inline constexpr std::uint32_t kColourBlack = 0x000000;
inline constexpr std::uint32_t kColourBlue = 0xFF0000;
inline constexpr std::uint32_t kColourGreen = 0x008000;
inline constexpr std::uint32_t kColourRed = 0x0000FF;

} // namespace vorsan
