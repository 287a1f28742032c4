#pragma once
// Database archives: a ZIP archive holding the directory "BD" with the database's files, and the
// safe unpacking of an archive (ZIP, RAR, 7z, tar) into a private temporary directory.
#include <cstdint>
#include <string>
#include <vector>

namespace vorsan::wells {

struct ArchiveStatus {
    bool ok = true;
    std::string detail; // what went wrong, for the log and the command line
};

// Writes `archivePath` (replacing it only once complete) with "BD/<name>" for every regular file
// of `databaseDir` except the engine's interrupted-write leftovers.
ArchiveStatus writeDatabaseArchive(const std::string& databaseDir, const std::string& archivePath);

// Limits that make an archive refused rather than unpacked, from the size of a database: a well
// of a million rows (some 880 full journals of 1184 records, more than a station writes in its
// life) has a table of 136 bytes a row, about 130 MiB, and an index of about as much. One file
// may have twice that; all files together four such wells. Unpacking stops as soon as a limit
// is passed, so no more than that is ever written to the temporary directory.
struct UnpackLimits {
    std::uint64_t maxEntryBytes = std::uint64_t(256) << 20; // one file
    std::uint64_t maxTotalBytes = std::uint64_t(1) << 30;   // all files
    std::size_t maxEntries = 100000;
};

// A directory made by mkdtemp for this run, removed with everything in it when this ends.
class PrivateDirectory {
public:
    PrivateDirectory();
    ~PrivateDirectory();
    PrivateDirectory(const PrivateDirectory&) = delete;
    PrivateDirectory& operator=(const PrivateDirectory&) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Unpacks the database's tables of an archive (entries "bd/<name>.DBF" and "bd/<name>.CDX" in
// any letter case) into `target`/bd. The whole archive is refused, and nothing is left in
// `target`, when an entry has an absolute path or "..", is a link or a device, is larger than the
// limits or than its recorded size, is the rollback journal of an unfinished change, or the
// archive cannot be read; every other entry is skipped. Names are read as UTF-8 whatever the
// locale.
ArchiveStatus unpackDatabaseArchive(const std::string& archivePath, const std::string& target,
                                    const UnpackLimits& limits = {});

} // namespace vorsan::wells
