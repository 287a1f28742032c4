#include "settings/edit_mask.h"

namespace vorsan {
namespace {

// Code points of UTF-8 text; a malformed byte stands for itself.
std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        bool ok = len > 0 && i + static_cast<std::size_t>(len) <= s.size();
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            ok = (c >> 6) == 0x2;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += static_cast<char32_t>(b);
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<std::size_t>(len);
    }
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::vector<MaskSlot> parseEditMask(std::string_view mask) {
    const std::u32string m = decodeUtf8(mask);
    std::vector<MaskSlot> slots;
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (m[i] == U'\\') {
            if (i + 1 < m.size()) slots.push_back({MaskSlot::Kind::literal, m[++i]});
        } else if (m[i] == U'9') {
            slots.push_back({MaskSlot::Kind::digit, 0});
        } else if (m[i] == U'c') {
            slots.push_back({MaskSlot::Kind::anyChar, 0});
        } else {
            slots.push_back({MaskSlot::Kind::literal, m[i]});
        }
    }
    return slots;
}

bool slotAccepts(const MaskSlot& slot, char32_t ch) {
    switch (slot.kind) {
    case MaskSlot::Kind::digit:
        return ch >= U'0' && ch <= U'9';
    case MaskSlot::Kind::anyChar:
        return ch >= U' ';
    case MaskSlot::Kind::literal:
        return false;
    }
    return false;
}

std::string fillEditMask(std::string_view mask, std::string_view typed) {
    const std::vector<MaskSlot> slots = parseEditMask(mask);
    const std::u32string chars = decodeUtf8(typed);
    std::string out;
    std::size_t next = 0; // next typed character
    for (const MaskSlot& slot : slots) {
        if (slot.kind == MaskSlot::Kind::literal) {
            appendUtf8(out, slot.literal);
            continue;
        }
        while (next < chars.size() && !slotAccepts(slot, chars[next]))
            ++next;
        if (next < chars.size()) {
            appendUtf8(out, chars[next++]);
        } else {
            out += ' ';
        }
    }
    return out;
}

std::string emptyMaskText(std::string_view mask) {
    return fillEditMask(mask, {});
}

} // namespace vorsan
