#pragma once
// Reading and writing a file in one piece, with the system's error text on failure.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

// Journal and settings files are a few tens of kilobytes; anything far larger is not one of them
// and is not read into memory.
inline constexpr std::size_t kMaxReadFileSize = 16u << 20;

struct FileBytes {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    std::string error; // the system's text when not ok
};

FileBytes readWholeFile(const std::filesystem::path& path, std::size_t maxSize = kMaxReadFileSize);

// Writes the bytes, replacing an existing file. Returns "" on success, else the system's text.
std::string writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
std::string writeWholeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace vorsan
