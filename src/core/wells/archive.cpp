#include "wells/archive.h"

#include "db/file_io.h"
#include "db/rollback_journal.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <locale.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsan::wells {

namespace {

ArchiveStatus failed(std::string detail) {
    return {false, std::move(detail)};
}

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// What the engine leaves beside its tables between and after changes. A table's own name may
// begin with a dot (a well of the oilfield ".abc" is ".abcK1C2.DBF"): that is a table like any.
bool leftover(const std::string& name) {
    return name.ends_with(".tmp") || name.ends_with("-journal") || name.empty();
}

bool endsWithIgnoringCase(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && ::strncasecmp(s.data() + s.size() - tail.size(), tail.data(), tail.size()) == 0;
}

// The database's own files: tables and their indexes, in any letter case.
bool databaseFile(std::string_view name) {
    return name.size() > 4 && (endsWithIgnoringCase(name, ".dbf") || endsWithIgnoringCase(name, ".cdx"));
}

// libarchive converts every name between the archive's character set and the locale's as it
// reads or writes the entry, and in the "C" locale (that of the command line run by a script)
// a name with letters beyond ASCII converts to nothing. While an archive is read or written, this
// thread uses a UTF-8 character type, so names reach us as the UTF-8 they are in the archive.
class Utf8Names {
public:
    Utf8Names() : utf8_(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr))) {
        if (utf8_) before_ = ::uselocale(utf8_);
    }
    ~Utf8Names() {
        if (!utf8_) return;
        ::uselocale(before_);
        ::freelocale(utf8_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    locale_t utf8_;
    locale_t before_ = LC_GLOBAL_LOCALE;
};

// An entry's name as UTF-8; a name stored without a character set comes back as its bytes.
bool entryName(archive_entry* e, std::string& out) {
    if (const char* u = archive_entry_pathname_utf8(e)) return out = u, true;
    if (const char* m = archive_entry_pathname(e)) return out = m, true;
    return false;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string megabytes(std::uint64_t bytes) {
    return bytes >= (std::uint64_t(1) << 20) ? std::to_string(bytes >> 20) + " MiB"
                                              : std::to_string(bytes) + " bytes";
}

// An entry of an archive being unpacked, once its header was checked.
struct UnpackEntry {
    std::string name;               // as stored
    std::vector<std::string> parts; // of its path, without empty and "." parts
    bool directory = false;
    bool sized = false; // the header records the size
    std::uint64_t declared = 0;
};

// Why the entry (the number-th) cannot be unpacked; empty when it can or is a directory.
std::string entryRefusal(archive_entry* e, std::size_t number, const UnpackLimits& limits, UnpackEntry& u) {
    if (!entryName(e, u.name)) return "entry " + std::to_string(number) + " has a name that cannot be read";
    const std::string& name = u.name;
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty()) return "entry " + std::to_string(number) + " has an empty name";
    if (path[0] == '/' || (path.size() > 1 && path[1] == ':'))
        return "entry \"" + name + "\" has an absolute path";
    for (std::size_t p = 0; p <= path.size();) {
        const std::size_t q = std::min(path.find('/', p), path.size());
        const std::string part = path.substr(p, q - p);
        if (part == "..") return "entry \"" + name + "\" leads out of the archive with \"..\"";
        if (!part.empty() && part != ".") u.parts.push_back(part);
        p = q + 1;
    }
    const auto type = archive_entry_filetype(e);
    if (archive_entry_hardlink(e) || archive_entry_symlink(e) || type == AE_IFLNK)
        return "entry \"" + name + "\" is a link";
    u.directory = type == AE_IFDIR;
    if (u.directory) return {};
    if (type != AE_IFREG) return "entry \"" + name + "\" is not a regular file";
    if (archive_entry_size_is_set(e) && archive_entry_size(e) < 0)
        return "entry \"" + name + "\" has a negative size";
    u.sized = archive_entry_size_is_set(e);
    u.declared = u.sized ? std::uint64_t(archive_entry_size(e)) : 0;
    if (u.sized && u.declared > limits.maxEntryBytes)
        return "entry \"" + name + "\" is " + megabytes(u.declared) + ", larger than " +
               megabytes(limits.maxEntryBytes) + " that a table of the database can have";
    return {};
}

// A rollback journal is never unpacked nor applied; one that holds an unfinished change says its
// table was packed in the middle of that change.
std::string journalEntryRefusal(archive* a, const std::string& name) {
    std::uint8_t head[8] = {};
    const la_ssize_t n = archive_read_data(a, head, sizeof head);
    if (db::journalHoldsUnfinishedChange(head, n > 0 ? std::size_t(n) : 0))
        return "entry \"" + name + "\" is the rollback journal of an unfinished change: " +
               "its table was packed while it was being written";
    return {};
}

// Why the data read so far cannot go on: more than the header said, or than the limits allow.
std::string sizeRefusal(const UnpackEntry& u, std::uint64_t written, std::uint64_t total,
                        const UnpackLimits& limits) {
    if (u.sized && written > u.declared)
        return "entry \"" + u.name + "\" holds more than the " + std::to_string(u.declared) +
               " bytes its header records";
    if (written > limits.maxEntryBytes)
        return "entry \"" + u.name + "\" unpacks to more than " + megabytes(limits.maxEntryBytes) +
               " that a table of the database can have";
    if (total > limits.maxTotalBytes)
        return "the archive unpacks to more than " + megabytes(limits.maxTotalBytes) +
               ", more than a database holds (stopped at entry \"" + u.name + "\")";
    return {};
}

// Writes the entry's data to the new file `out`; why it could not, or empty. `total` counts the
// bytes of all entries.
std::string unpackEntry(archive* a, const UnpackEntry& u, const std::string& out, const UnpackLimits& limits,
                        std::uint64_t& total, std::vector<char>& buffer) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot create " + out + ": " + std::strerror(errno);
    std::uint64_t written = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            ::close(fd);
            return "entry \"" + u.name + "\" cannot be read: " + archive_error_string(a);
        }
        written += static_cast<std::uint64_t>(n);
        total += static_cast<std::uint64_t>(n);
        if (std::string why = sizeRefusal(u, written, total, limits); !why.empty()) {
            ::close(fd);
            return why;
        }
        if (::write(fd, buffer.data(), static_cast<std::size_t>(n)) != n) {
            ::close(fd);
            return "cannot write " + out + ": " + std::strerror(errno);
        }
    }
    ::close(fd);
    return {};
}

} // namespace

PrivateDirectory::PrivateDirectory() {
    std::error_code ec;
    std::string tmpl = (std::filesystem::temp_directory_path(ec) / "vorsan-bd-XXXXXX").string();
    if (ec) tmpl = "/tmp/vorsan-bd-XXXXXX";
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
}

PrivateDirectory::~PrivateDirectory() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ArchiveStatus writeDatabaseArchive(const std::string& dir, const std::string& archivePath) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            struct stat st {};
            if (leftover(name) || ::stat(db::joinPath(dir, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            names.push_back(name);
        }
        ::closedir(d);
    } else {
        return failed("cannot read the directory " + dir + ": " + std::strerror(errno));
    }
    std::sort(names.begin(), names.end());
    const Utf8Names utf8;
    const std::string partial = archivePath + ".tmp";
    std::unique_ptr<archive, WriteCloser> a(archive_write_new());
    // Names are written as UTF-8 (and marked so) whatever the locale.
    if (archive_write_set_format_zip(a.get()) != ARCHIVE_OK ||
        archive_write_set_options(a.get(), "zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
        archive_write_open_filename(a.get(), partial.c_str()) != ARCHIVE_OK)
        return failed("cannot create " + archivePath + ": " + archive_error_string(a.get()));
    const auto abandon = [&](const std::string& why) {
        archive_write_close(a.get());
        ::unlink(partial.c_str());
        return failed(why);
    };
    std::unique_ptr<archive_entry, EntryFree> dirEntry(archive_entry_new());
    archive_entry_set_pathname(dirEntry.get(), "BD/");
    archive_entry_set_filetype(dirEntry.get(), AE_IFDIR);
    archive_entry_set_perm(dirEntry.get(), 0755);
    archive_entry_set_mtime(dirEntry.get(), std::time(nullptr), 0);
    if (archive_write_header(a.get(), dirEntry.get()) != ARCHIVE_OK)
        return abandon(std::string("cannot write ") + archivePath + ": " + archive_error_string(a.get()));
    for (const std::string& name : names) {
        std::vector<std::uint8_t> bytes;
        const std::string path = db::joinPath(dir, name);
        if (auto st = db::readWholeFile(path, bytes); !st) return abandon(st.detail);
        struct stat st {};
        ::stat(path.c_str(), &st);
        std::unique_ptr<archive_entry, EntryFree> e(archive_entry_new());
        archive_entry_set_pathname_utf8(e.get(), ("BD/" + name).c_str());
        archive_entry_set_filetype(e.get(), AE_IFREG);
        archive_entry_set_perm(e.get(), 0644);
        archive_entry_set_size(e.get(), static_cast<la_int64_t>(bytes.size()));
        archive_entry_set_mtime(e.get(), st.st_mtime, 0);
        if (archive_write_header(a.get(), e.get()) != ARCHIVE_OK ||
            (!bytes.empty() && archive_write_data(a.get(), bytes.data(), bytes.size()) !=
                                   static_cast<la_ssize_t>(bytes.size())))
            return abandon("cannot write " + archivePath + ": " + archive_error_string(a.get()));
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return abandon("cannot finish " + archivePath + ": " + archive_error_string(a.get()));
    // The archive appears under its name only when it is complete.
    const int fd = ::open(partial.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) ::fsync(fd), ::close(fd);
    if (::rename(partial.c_str(), archivePath.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(partial.c_str());
        return failed("cannot rename into " + archivePath + ": " + why);
    }
    return {};
}

ArchiveStatus unpackDatabaseArchive(const std::string& archivePath, const std::string& target,
                                    const UnpackLimits& limits) {
    const Utf8Names utf8;
    std::unique_ptr<archive, ReadCloser> a(archive_read_new());
    archive_read_support_filter_all(a.get());
    archive_read_support_format_zip(a.get());
    archive_read_support_format_rar(a.get());
    archive_read_support_format_rar5(a.get());
    archive_read_support_format_7zip(a.get());
    archive_read_support_format_tar(a.get());
    if (archive_read_open_filename(a.get(), archivePath.c_str(), 64 * 1024) != ARCHIVE_OK)
        return failed("cannot open the archive " + archivePath + ": " + archive_error_string(a.get()));
    const std::string bd = db::joinPath(target, "bd");
    if (::mkdir(bd.c_str(), 0700) != 0)
        return failed("cannot create " + bd + ": " + std::strerror(errno));
    const auto refuse = [&](const std::string& why) {
        std::error_code ec;
        std::filesystem::remove_all(bd, ec);
        return failed(why);
    };
    std::uint64_t total = 0;
    std::size_t entries = 0;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        archive_entry* e = nullptr;
        const int r = archive_read_next_header(a.get(), &e);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
            return refuse(std::string("the archive cannot be read: ") + archive_error_string(a.get()));
        if (++entries > limits.maxEntries) return refuse("the archive has too many entries");
        UnpackEntry u;
        if (std::string why = entryRefusal(e, entries, limits, u); !why.empty()) return refuse(why);
        // Only the database's own files: "bd/<table>.DBF", "bd/<table>.CDX".
        if (u.directory || u.parts.size() != 2 || !equalsIgnoringCase(u.parts[0], "bd")) continue;
        const std::string& file = u.parts[1];
        if (endsWithIgnoringCase(file, "-journal")) {
            if (std::string why = journalEntryRefusal(a.get(), u.name); !why.empty()) return refuse(why);
            continue;
        }
        if (!databaseFile(file)) continue;
        bool plain = true;
        for (unsigned char c : file)
            plain = plain && c >= 0x20 && c != 0x7F;
        if (!plain) return refuse("entry \"" + u.name + "\" has control characters in its name");
        const std::string out = db::joinPath(bd, file);
        if (std::string why = unpackEntry(a.get(), u, out, limits, total, buffer); !why.empty())
            return refuse(why);
    }
    return {};
}

} // namespace vorsan::wells
