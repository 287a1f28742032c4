#include "db/file_io.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsan::db {

namespace {

DbStatus ioError(const std::string& what, const std::string& path) {
    return DbStatus::fail(DbError::Io, what + " " + path + ": " + std::strerror(errno));
}

bool writeAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

} // namespace

std::string replacementPath(const std::string& path) {
    return path + ".tmp";
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

DbStatus writeReplacement(const std::string& path, const std::vector<std::span<const std::uint8_t>>& parts,
                          int* lockedFd) {
    const std::string tmp = replacementPath(path);
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return ioError("cannot create", tmp);
    // A rewritten file keeps the permission bits the user gave the old one.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    if (lockedFd && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return ioError("cannot lock", tmp);
    }
    bool ok = true;
    for (const auto& part : parts)
        ok = ok && writeAll(fd, part.data(), part.size());
    if (!ok || ::fsync(fd) != 0) {
        const DbStatus st = ioError(ok ? "cannot sync" : "cannot write", tmp);
        ::close(fd);
        ::unlink(tmp.c_str());
        return st;
    }
    if (lockedFd)
        *lockedFd = fd;
    else
        ::close(fd);
    return {};
}

DbStatus commitReplacement(const std::string& path) {
    const std::string tmp = replacementPath(path);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const DbStatus st = ioError("cannot rename into place", path);
        ::unlink(tmp.c_str());
        return st;
    }
    return {};
}

void syncDirectory(const std::string& dir) {
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

DbStatus replaceFile(const std::string& path, const std::vector<std::span<const std::uint8_t>>& parts,
                     int* lockedFd) {
    int fd = -1;
    if (auto st = writeReplacement(path, parts, lockedFd ? &fd : nullptr); !st) return st;
    if (auto st = commitReplacement(path); !st) {
        if (fd >= 0) ::close(fd);
        return st;
    }
    // The rename itself must reach the disk before the caller counts the data as stored.
    syncDirectory(directoryOf(path));
    if (lockedFd) *lockedFd = fd;
    return {};
}

bool readAt(int fd, std::uint8_t* p, std::size_t n, std::int64_t at) {
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, static_cast<off_t>(at));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
        at += r;
    }
    return true;
}

bool writeAt(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(at));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
        at += w;
    }
    return true;
}

DbStatus readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? DbStatus::fail(DbError::NotFound, path + " does not exist")
                               : ioError("cannot open", path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ioError("cannot stat", path);
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t r = ::read(fd, out.data() + got, out.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    out.resize(got);
    return {};
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string findIgnoringCase(const std::string& dir, const std::string& name) {
    if (fileExists(joinPath(dir, name))) return joinPath(dir, name);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0 && fileExists(joinPath(dir, e->d_name))) {
            found = joinPath(dir, e->d_name);
            break;
        }
    }
    ::closedir(d);
    return found;
}

} // namespace vorsan::db
