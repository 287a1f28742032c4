#pragma once
// The journal as a plain text table ("Сохранить журнал в текстовый файл"): fixed-width columns
// of the row texts, Windows-1251, CR LF line ends.
#include "journal/journal_record.h"
#include "journal/journal_row.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

// The window caption after a file was opened: "ВОРСАН 4.074 : " and the path.
inline constexpr std::string_view kCaptionPrefix = "ВОРСАН 4.074 : ";

// The lines (UTF-8, without line ends): caption line, pad and well line, an empty line, the column
// header, an empty line and one line per record. `rows` has one entry per record.
std::vector<std::string> journalTextLines(const Journal& journal, const std::vector<JournalRow>& rows,
                                          std::string_view caption, std::uint16_t padNumber,
                                          std::uint16_t wellNumber);

// One record line: position, date, time, then the centred event text or the ten value columns.
std::string journalTextLine(std::size_t position, const JournalRecord& record, const JournalRow& row);

struct JournalTextFile {
    std::string bytes;        // Windows-1251, every line ended by CR LF
    std::size_t replaced = 0; // characters with no Windows-1251 byte, written as '?'
};

// The whole file as written.
JournalTextFile journalTextFile(const Journal& journal, const std::vector<JournalRow>& rows,
                                std::string_view caption, std::uint16_t padNumber, std::uint16_t wellNumber);

} // namespace vorsan
