#pragma once
// The program's own settings file "vors.set": which serial port to use and the speed of bulk
// transfers from the recorder. 7 bytes, little-endian:
//   0..1  signature 0xE1ED (bytes ED E1)
//   2     port number: 1..4 for "com1".."com4", 0 when the port name is none of them
//   3..6  recorder speed in bit/s
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace vorsan {

inline constexpr std::string_view kSettingsFileName = "vors.set";
inline constexpr std::size_t kProgramSettingsFileSize = 7;
inline constexpr std::uint16_t kSettingsSignature = 0xE1ED;
inline constexpr int kPortCount = 4;

// The recorder speeds the parameters dialog offers, in its order.
inline constexpr std::array<std::uint32_t, 6> kRecorderSpeeds = {115200, 57600, 38400, 19200, 14400, 9600};
inline constexpr std::uint32_t kDefaultRecorderSpeed = 9600;

struct ProgramSettings {
    std::string portName = "com1"; // "com1" .. "com4"
    std::uint8_t portNumber = 0;   // as read from the file; 1..4 runs that port's command at start
    std::uint32_t recorderSpeed = kDefaultRecorderSpeed;
};

enum class SettingsReadStatus {
    Applied,          // signature matched; port number and speed taken from the file
    Missing,          // no such file (defaults stay)
    TooShort,         // 6 bytes or fewer (defaults stay)
    ForeignSignature, // first two bytes are not ED E1 (defaults stay)
    ReadFailed,       // the file exists but could not be read (defaults stay)
};

enum class SettingsWriteStatus { Written, Failed };

// "com1".."com4" -> 1..4; anything else -> 0.
std::uint8_t portNumberOf(std::string_view portName);

// 1..4 -> "com1".."com4"; anything else -> "".
std::string portNameOf(int portNumber);

// Applies the bytes of a settings file to `settings`. Only a file longer than 6 bytes with the
// signature changes anything: the port number is kept whatever it is, the port name follows it
// only for 1..4, and the speed is taken from bytes 3..6 whatever its value.
SettingsReadStatus applySettingsBytes(std::span<const std::uint8_t> bytes, ProgramSettings& settings);

// The 7-byte image of `settings`; the port number is worked out from the port name.
std::array<std::uint8_t, kProgramSettingsFileSize> settingsBytes(const ProgramSettings& settings);

SettingsReadStatus readSettingsFile(const std::filesystem::path& file, ProgramSettings& settings);

// Replaces the file with the image of `settings`. Written to a temporary file beside it and
// renamed over it, so a failed write never leaves a truncated file behind.
SettingsWriteStatus writeSettingsFile(const std::filesystem::path& file, const ProgramSettings& settings);

// Index of `speed` in kRecorderSpeeds, or -1 when it is none of them.
int recorderSpeedIndex(std::uint32_t speed);

} // namespace vorsan
