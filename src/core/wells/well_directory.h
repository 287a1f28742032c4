#pragma once
// The well directory: the wells of "ustavki.DBF" in "KUST_SKV" order as the tree of the database
// tab, the lines of the "open by pad and well" list, and the search by prefixes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::wells {

inline constexpr std::uint16_t kNoNumber = 0xFFFF; // pad or well: no well is current

struct WellId {
    std::string oilfield; // UTF-8, trimmed, at most 30 characters
    std::uint16_t pad = kNoNumber;
    std::uint16_t well = kNoNumber;

    bool none() const { return pad == kNoNumber || well == kNoNumber; }
    bool operator==(const WellId&) const = default;
};

// The tree: oilfields, their pads, their wells. A new oilfield node starts whenever the name
// differs from the previous row's, a new pad node whenever the pad differs (rows come grouped).
struct WellTree {
    struct Pad {
        std::uint16_t pad = 0;
        std::vector<std::uint16_t> wells;
    };
    struct Oilfield {
        std::string name;
        std::vector<Pad> pads;
    };
    std::vector<Oilfield> oilfields;
};
WellTree buildWellTree(const std::vector<WellId>& wellsInOrder);

// Node texts: "База данных", "М. " + name, "Куст " + pad, "Скважина " + well.
inline constexpr const char* kTreeRootText = "База данных";
std::string oilfieldNodeText(std::string_view name);
std::string padNodeText(std::uint16_t pad);
std::string wellNodeText(std::uint16_t well);

// "куст " + pad in 5 characters + " скважина " + well in 5 + "  М: " + oilfield: the pad is in
// characters 6-10, the well in 21-25 and the oilfield starts at character 31.
std::string wellListLine(const WellId& id);
// The well of a list line (leading blanks of the numbers ignored, the oilfield cut to 30
// characters); nullopt when the numbers are not numbers.
std::optional<WellId> parseWellListLine(std::string_view line);

// Search criteria as typed: each empty or a prefix, compared exactly (letter case counts) with the
// oilfield name and with the decimal texts of the pad and well numbers.
struct WellSearch {
    std::string oilfield;
    std::string pad;
    std::string well;
};
bool matchesSearch(const WellId& id, const WellSearch& criteria);
std::vector<WellId> findWells(const std::vector<WellId>& wellsInOrder, const WellSearch& criteria);
inline constexpr const char* kNotFoundText = "Не найдено";

// The oilfield name as the database takes it: blanks around it removed; refused when empty,
// longer than 30 characters, holding a character Windows-1251 lacks (the name is stored in
// that code page and the table's file name is formed from it, so both must agree), a control
// character or a path separator (either would be changed in the file name, so two names would
// share one table).
struct OilfieldName {
    bool ok = false;
    std::string name;    // trimmed
    std::string message; // why it was refused, for the user
};
OilfieldName checkOilfieldName(std::string_view typed);
inline constexpr std::size_t kMaxOilfieldCharacters = 30;

// The two names differ at most in the letter case of Latin and Russian letters.
bool sameOilfieldIgnoringCase(std::string_view a, std::string_view b);

} // namespace vorsan::wells
