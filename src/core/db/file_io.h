#pragma once
// File primitives of the table engine: whole files written beside the old one and renamed into
// place after fsync, so a file on disk is always either the old or the new one complete.
#include "db/db_status.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorsan::db {

// Name of the temporary file a replacement is written to before it is renamed over `path`.
std::string replacementPath(const std::string& path);

// Writes the parts one after the other to replacementPath(path), fsyncs it, renames it over
// `path` and fsyncs the directory. When lockedFd is given, the new file is locked exclusively
// before it becomes visible and its descriptor handed back (the caller closes the old one).
DbStatus replaceFile(const std::string& path, const std::vector<std::span<const std::uint8_t>>& parts,
                     int* lockedFd = nullptr);

// The same in steps, so that several files can be renamed after one another and the directory
// synced once: writeReplacement writes and syncs replacementPath(path); commitReplacement renames
// it over `path`; syncDirectory makes the renames durable.
DbStatus writeReplacement(const std::string& path, const std::vector<std::span<const std::uint8_t>>& parts,
                          int* lockedFd = nullptr);
DbStatus commitReplacement(const std::string& path);
void syncDirectory(const std::string& dir);

// pread / pwrite of exactly n bytes at `at`, retried when interrupted; false on any error or
// end of file.
bool readAt(int fd, std::uint8_t* p, std::size_t n, std::int64_t at);
bool writeAt(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at);

DbStatus readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
bool fileExists(const std::string& path);

// The entry of `dir` whose name equals `name` ignoring ASCII letter case ("temp.dbf" finds
// "temp.DBF"); the exact name when it exists; empty when there is none.
std::string findIgnoringCase(const std::string& dir, const std::string& name);

std::string directoryOf(const std::string& path);
std::string fileNameOf(const std::string& path);
std::string joinPath(const std::string& dir, const std::string& name);

} // namespace vorsan::db
