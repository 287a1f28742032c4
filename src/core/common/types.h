#pragma once
// Types that several subsystems share.
#include <array>
#include <cstddef>
#include <cstdint>

namespace vorsan {

// The two controller generations. The window keeps two of them: the connected one (what the probe
// found on the line) and the loaded one (of the journal or settings shown).
enum class ControllerGeneration { Gen3, Gen4 };

// The controller's raw journal memory.
inline constexpr std::size_t kJournalImageSize = 32768;
using JournalImage = std::array<std::uint8_t, kJournalImageSize>;

// The controller's settings memory (parameter block).
inline constexpr std::size_t kParameterBlockSize = 512;
using ParameterBlock = std::array<std::uint8_t, kParameterBlockSize>;

// A 16-bit value of 0xFFFF means unknown or not read.
inline constexpr std::uint16_t kUnknown16 = 0xFFFF;

} // namespace vorsan
