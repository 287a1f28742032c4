#include "wells/well_directory.h"

#include "text/cp1251.h"

#include <algorithm>
#include <charconv>

namespace vorsan::wells {

namespace {

std::string rightAligned(std::uint16_t v, std::size_t width) {
    std::string s = std::to_string(v);
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

// Characters [from, from + count) of UTF-8 text, 0-based.
std::string_view characters(std::string_view s, std::size_t from, std::size_t count) {
    std::size_t i = 0, c = 0, start = s.size();
    while (i < s.size() && c < from + count) {
        if (c == from) start = i;
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        i = std::min(s.size(), i + n);
        ++c;
    }
    if (start >= s.size()) return {};
    return s.substr(start, i - start);
}

std::optional<std::uint16_t> number(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    unsigned v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(v);
}

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

WellTree buildWellTree(const std::vector<WellId>& wells) {
    WellTree tree;
    bool havePad = false;
    std::uint16_t lastPad = 0;
    for (const WellId& w : wells) {
        if (tree.oilfields.empty() || w.oilfield != tree.oilfields.back().name) {
            tree.oilfields.push_back({w.oilfield, {}});
            havePad = false;
        }
        auto& field = tree.oilfields.back();
        if (!havePad || w.pad != lastPad) {
            field.pads.push_back({w.pad, {}});
            lastPad = w.pad;
            havePad = true;
        }
        field.pads.back().wells.push_back(w.well);
    }
    return tree;
}

std::string oilfieldNodeText(std::string_view name) {
    return "М. " + std::string(name);
}
std::string padNodeText(std::uint16_t pad) {
    return "Куст " + std::to_string(pad);
}
std::string wellNodeText(std::uint16_t well) {
    return "Скважина " + std::to_string(well);
}

std::string wellListLine(const WellId& id) {
    return "куст " + rightAligned(id.pad, 5) + " скважина " + rightAligned(id.well, 5) + "  М: " + id.oilfield;
}

std::optional<WellId> parseWellListLine(std::string_view line) {
    const auto pad = number(characters(line, 5, 5));
    const auto well = number(characters(line, 20, 5));
    if (!pad || !well) return std::nullopt;
    return WellId{std::string(trimmed(characters(line, 30, kMaxOilfieldCharacters))), *pad, *well};
}

bool matchesSearch(const WellId& id, const WellSearch& c) {
    return std::string_view(id.oilfield).starts_with(c.oilfield) &&
           std::to_string(id.pad).starts_with(c.pad) && std::to_string(id.well).starts_with(c.well);
}

std::vector<WellId> findWells(const std::vector<WellId>& wells, const WellSearch& c) {
    std::vector<WellId> out;
    for (const WellId& w : wells)
        if (matchesSearch(w, c)) out.push_back(w);
    return out;
}

OilfieldName checkOilfieldName(std::string_view typed) {
    OilfieldName r;
    r.name = std::string(trimmed(typed));
    if (r.name.empty()) {
        r.message = "Не указано месторождение.";
    } else if (utf8Length(r.name) > kMaxOilfieldCharacters) {
        r.message = "Название месторождения длиннее 30 символов.";
    } else if (!utf8ToCp1251(r.name).ok()) {
        r.message = "Название месторождения содержит недопустимые символы.";
    } else if (std::any_of(r.name.begin(), r.name.end(), [](char c) {
                   const auto u = static_cast<unsigned char>(c);
                   return u < 0x20 || u == 0x7F || c == '/' || c == '\\';
               })) {
        r.message = "Название месторождения не может содержать управляющие символы и знаки / и \\.";
    } else {
        r.ok = true;
    }
    return r;
}

bool sameOilfieldIgnoringCase(std::string_view a, std::string_view b) {
    // Folded in Windows-1251, where every letter the name may hold has one byte.
    const auto fold = [](std::string_view utf8) {
        std::string s = utf8ToCp1251(utf8).bytes;
        for (char& c : s) {
            const auto u = static_cast<unsigned char>(c);
            if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) c = static_cast<char>(u + 0x20);
            else if (u == 0xA8) c = static_cast<char>(0xB8); // Ё
        }
        return s;
    };
    return fold(a) == fold(b);
}

} // namespace vorsan::wells
