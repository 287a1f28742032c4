#include "journal/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vorsan {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

FileBytes readWholeFile(const std::filesystem::path& path, std::size_t maxSize) {
    FileBytes out;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        out.error = std::strerror(errno);
        return out;
    }
    std::uint8_t buf[65536];
    for (;;) {
        const std::size_t got = std::fread(buf, 1, sizeof buf, f.get());
        if (out.bytes.size() + got > maxSize) {
            out.bytes.clear();
            out.error = "file too large";
            return out;
        }
        out.bytes.insert(out.bytes.end(), buf, buf + got);
        if (got < sizeof buf) break;
    }
    if (std::ferror(f.get())) {
        out.bytes.clear();
        out.error = std::strerror(errno);
        return out;
    }
    out.ok = true;
    return out;
}

std::string writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return std::strerror(errno);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return std::strerror(errno);
    std::FILE* raw = f.release();
    if (std::fclose(raw) != 0) return std::strerror(errno);
    return {};
}

std::string writeWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    return writeWholeFile(path, std::span<const std::uint8_t>(
                                    reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace vorsan
