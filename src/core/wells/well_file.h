#pragma once
// Well files (".VBD"): one well's table and index files with its settings snapshot, to move a well
// between installations. Little-endian throughout:
//   0  u32 N1  size of the table (.DBF) file
//   4  u32 N2  size of the index (.CDX) file
//   8  6 x 0xFF
//   14 u16 generation marker: 0xE1ED generation 4, 0xE1EC generation 3
//   16 N1 bytes of the table file, then N2 bytes of the index file
//   then 82 u16 raw setting values (settings 1 ... 82), 30 bytes of oilfield name in
//   Windows-1251 filled with blanks, and one byte with the name's length (0 ... 30).
#include "common/types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorsan::wells {

inline constexpr std::uint16_t kWellFileMarkerGen4 = 0xE1ED;
inline constexpr std::uint16_t kWellFileMarkerGen3 = 0xE1EC;
inline constexpr std::size_t kWellFileValues = 82;
inline constexpr std::size_t kWellFileFixedBytes = 16 + 2 * kWellFileValues + 30 + 1; // 211
inline constexpr const char* kDamagedWellFileMessage = "Файл поврежден, открытие невозможно.";

struct WellFile {
    ControllerGeneration generation = ControllerGeneration::Gen4;
    std::vector<std::uint8_t> table; // the .DBF file as stored
    std::vector<std::uint8_t> index; // the .CDX file as stored
    std::array<std::uint16_t, kWellFileValues> values{};
    std::string oilfield; // UTF-8

    // Pad and well: settings 83/84 (generation 4) or 89/90 (generation 3) among the values.
    std::uint16_t pad() const;
    std::uint16_t well() const;
    void setPadAndWell(std::uint16_t pad, std::uint16_t well);
};

// The file's bytes. The oilfield is cut to 30 bytes of Windows-1251.
std::vector<std::uint8_t> wellFileBytes(const WellFile& file);
// nullopt when the marker is neither of the two or the file is shorter than its sizes claim.
std::optional<WellFile> parseWellFile(std::span<const std::uint8_t> bytes);

} // namespace vorsan::wells
