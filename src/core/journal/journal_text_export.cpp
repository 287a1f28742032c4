#include "journal/journal_text_export.h"

#include "common/types.h"
#include "text/cp1251.h"

#include <algorithm>

namespace vorsan {
namespace {

constexpr std::string_view kIndent = "      ";
constexpr std::string_view kColumnHeader =
    "         Дата       Время    Uab   Ubc   Uca   Ia    Ib    Ic  Загр.,%  R      P     T  ";
// Centre of the event text: (48 - length) div 2 blanks before it.
constexpr std::size_t kEventWidth = 48;

// Text left-padded with blanks to at least `width` characters.
std::string padLeft(std::string_view text, std::size_t width) {
    const std::size_t len = utf8Length(text);
    return len >= width ? std::string(text) : std::string(width - len, ' ') + std::string(text);
}

// Codes written as event lines: stops, starts, voltage off/on and setting changes.
bool isTextEventCode(std::uint8_t code) {
    return isStopEvent(code) || isStartEvent(code) || code == kCodeSettingChange;
}

} // namespace

std::string journalTextLine(std::size_t position, const JournalRecord& record, const JournalRow& row) {
    std::string line =
        padLeft(std::to_string(position), 4) + padLeft(row.dateText, 12) + padLeft(row.timeText, 10);
    if (isTextEventCode(record.SOBYTIE)) {
        const std::size_t len = utf8Length(row.eventText);
        if (len < kEventWidth) line += std::string((kEventWidth - len) / 2, ' ');
        line += row.eventText;
    } else {
        for (const std::string* t : {&row.uabText, &row.ubcText, &row.ucaText, &row.iaText, &row.ibText,
                                     &row.icText, &row.zagrText, &row.sopText, &row.pText, &row.tText})
            line += padLeft(*t, 6);
    }
    return line;
}

std::vector<std::string> journalTextLines(const Journal& journal, const std::vector<JournalRow>& rows,
                                          std::string_view caption, std::uint16_t padNumber,
                                          std::uint16_t wellNumber) {
    std::vector<std::string> lines;
    lines.reserve(5 + journal.records.size());
    lines.push_back(std::string(kIndent) + std::string(caption));
    // Only the pad number decides whether the numbers are known.
    if (padNumber == kUnknown16)
        lines.push_back(std::string(kIndent) + "куст № ____   скважина № ____");
    else
        lines.push_back(std::string(kIndent) + "куст № " + std::to_string(padNumber) + "   скважина № " +
                        std::to_string(wellNumber));
    lines.emplace_back();
    lines.emplace_back(kColumnHeader);
    lines.emplace_back();
    const std::size_t n = std::min(journal.records.size(), rows.size());
    for (std::size_t i = 0; i < n; ++i)
        lines.push_back(journalTextLine(i + 1, journal.records[i], rows[i]));
    return lines;
}

JournalTextFile journalTextFile(const Journal& journal, const std::vector<JournalRow>& rows,
                                std::string_view caption, std::uint16_t padNumber, std::uint16_t wellNumber) {
    std::string text;
    for (const auto& line : journalTextLines(journal, rows, caption, padNumber, wellNumber)) {
        text += line;
        text += "\r\n";
    }
    const Cp1251Result encoded = utf8ToCp1251(text);
    return {encoded.bytes, encoded.replaced};
}

} // namespace vorsan
