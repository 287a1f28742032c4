#pragma once
// The edit masks of settings: "9" an optional digit, "c" an optional character of any kind, a
// backslash makes the next character a fixed literal ("99\ч99\мин"). Unfilled positions read back
// as blanks. Characters are Unicode code points; texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

// One position of an edit mask.
struct MaskSlot {
    enum class Kind { digit, anyChar, literal };
    Kind kind = Kind::anyChar;
    char32_t literal = 0; // the fixed character of a literal slot
    bool operator==(const MaskSlot&) const = default;
};

// The positions of a mask ("99\ч99\мин" -> digit, digit, 'ч', digit, digit, 'м', 'и', 'н').
// Any character other than "9", "c" and a backslash is a literal as well; a trailing lone
// backslash is ignored.
std::vector<MaskSlot> parseEditMask(std::string_view mask);

// Whether a typed character may fill a slot (literal slots take no typed character).
bool slotAccepts(const MaskSlot& slot, char32_t ch);

// The text the editor reads back after the user typed `typed` from the first position on: each
// typed character goes into the next slot that is not a literal; a character the slot refuses is
// dropped; characters beyond the last slot are dropped; literals are always present and unfilled
// slots read back as blanks ("1" then "30" typed as "130" in the time mask -> "13ч0 мин").
std::string fillEditMask(std::string_view mask, std::string_view typed);

// The text of an untouched editor: literals in place, blanks elsewhere ("  ч  мин").
std::string emptyMaskText(std::string_view mask);

} // namespace vorsan
