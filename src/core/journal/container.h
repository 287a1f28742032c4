#pragma once
// The file container of journal and settings files: a 26-byte header, the journal block (the
// journal image, or nothing in a settings file) and the 512-byte parameter block.
//
// Header, little-endian: 0 magic (0xE1ED generation 4, 0xE1EC generation 3), 2 format number (6 or
// 5, not checked), 4 total length, 8 data offset (26), 12 data length (total - offset), 16 journal
// block length, 20 parameter block length, 24 header tail (2; data offset = 24 + tail).
#include "common/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vorsan {

inline constexpr std::size_t kContainerHeaderSize = 26;
inline constexpr std::uint16_t kMagicGen4 = 0xE1ED;
inline constexpr std::uint16_t kMagicGen3 = 0xE1EC;
inline constexpr std::uint16_t kFormatGen4 = 6;
inline constexpr std::uint16_t kFormatGen3 = 5;

// The question for a file of unknown magic (caption "Внимание!", buttons Yes and No) and the
// message for an inconsistent header (caption "Ошибка").
inline constexpr const char* kUnknownMagicQuestion = "Файл неправильный, продолжить?";
inline constexpr const char* kUnknownMagicCaption = "Внимание!";
inline constexpr const char* kDamagedFileMessage = "Файл поврежден, открытие невозможно.";
inline constexpr const char* kDamagedFileCaption = "Ошибка";

// Asked when the magic is unknown: true (Yes) reads on with the caller's generation.
using UnknownMagicQuestion = std::function<bool()>;

// How opening a container ended: read, abandoned by the user (1), abandoned as damaged (2).
enum class ContainerStatus { ok = 0, refused = 1, damaged = 2 };

struct Container {
    ContainerStatus status = ContainerStatus::ok;
    std::optional<ControllerGeneration> generation; // from the magic; none when it was unknown
    std::vector<std::uint8_t> journalBlock;         // empty in a settings file
    std::vector<std::uint8_t> parameterBlock;
};

// Reads a whole file. Damaged: a file shorter than the header, data offset + data length other
// than the total length, or blocks that reach past the end of the file. The question is asked only
// for a file whose header could be read; `ask` may be empty, which answers No.
Container readContainer(std::span<const std::uint8_t> file, const UnknownMagicQuestion& ask);

// The file contents: header for the generation, the journal block (may be empty) and the
// parameter block.
std::vector<std::uint8_t> writeContainer(ControllerGeneration generation,
                                         std::span<const std::uint8_t> journalBlock,
                                         std::span<const std::uint8_t> parameterBlock);

} // namespace vorsan
