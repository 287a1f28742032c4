#include "common/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

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

// The new contents go to a temporary file beside the old one, reach the disk, and only then take
// the old file's name: whatever moment the process dies or the power fails, the file on disk is
// either the old one or the new one, never a truncated mix.
std::string writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::filesystem::path temp = path;
    temp += ".~tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return std::string(std::strerror(err));
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return std::strerror(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return std::strerror(err);
    }
    // Make the rename itself durable.
    const auto dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

std::string writeWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    return writeWholeFile(path, std::span<const std::uint8_t>(
                                    reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace vorsan
