#include "shell/program_settings.h"

#include "common/whole_file.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace vorsan {

namespace {

constexpr std::string_view kPortNames[kPortCount] = {"com1", "com2", "com3", "com4"};

} // namespace

std::uint8_t portNumberOf(std::string_view portName) {
    for (int i = 0; i < kPortCount; ++i)
        if (portName == kPortNames[i]) return static_cast<std::uint8_t>(i + 1);
    return 0;
}

std::string portNameOf(int portNumber) {
    if (portNumber < 1 || portNumber > kPortCount) return {};
    return std::string(kPortNames[portNumber - 1]);
}

SettingsReadStatus applySettingsBytes(std::span<const std::uint8_t> bytes, ProgramSettings& settings) {
    if (bytes.size() < kProgramSettingsFileSize) return SettingsReadStatus::TooShort;
    const auto signature = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    if (signature != kSettingsSignature) return SettingsReadStatus::ForeignSignature;
    settings.portNumber = bytes[2];
    if (const auto name = portNameOf(bytes[2]); !name.empty()) settings.portName = name;
    settings.recorderSpeed =
        static_cast<std::uint32_t>(bytes[3]) | static_cast<std::uint32_t>(bytes[4]) << 8 |
        static_cast<std::uint32_t>(bytes[5]) << 16 | static_cast<std::uint32_t>(bytes[6]) << 24;
    return SettingsReadStatus::Applied;
}

std::array<std::uint8_t, kProgramSettingsFileSize> settingsBytes(const ProgramSettings& settings) {
    const auto speed = settings.recorderSpeed;
    return {static_cast<std::uint8_t>(kSettingsSignature & 0xFF),
            static_cast<std::uint8_t>(kSettingsSignature >> 8),
            portNumberOf(settings.portName),
            static_cast<std::uint8_t>(speed & 0xFF),
            static_cast<std::uint8_t>(speed >> 8 & 0xFF),
            static_cast<std::uint8_t>(speed >> 16 & 0xFF),
            static_cast<std::uint8_t>(speed >> 24 & 0xFF)};
}

SettingsReadStatus readSettingsFile(const std::filesystem::path& file, ProgramSettings& settings) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return SettingsReadStatus::Missing;
    std::ifstream in(file, std::ios::binary);
    if (!in) return SettingsReadStatus::ReadFailed;
    // Only the first 7 bytes matter; a longer file is read like a 7-byte one.
    std::vector<std::uint8_t> bytes(kProgramSettingsFileSize);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return SettingsReadStatus::ReadFailed;
    return applySettingsBytes(bytes, settings);
}

SettingsWriteStatus writeSettingsFile(const std::filesystem::path& file, const ProgramSettings& settings) {
    const auto bytes = settingsBytes(settings);
    return writeWholeFile(file, bytes).empty() ? SettingsWriteStatus::Written : SettingsWriteStatus::Failed;
}

int recorderSpeedIndex(std::uint32_t speed) {
    for (std::size_t i = 0; i < kRecorderSpeeds.size(); ++i)
        if (kRecorderSpeeds[i] == speed) return static_cast<int>(i);
    return -1;
}

} // namespace vorsan
