#pragma once
// The structural compound index (.CDX): 512-byte blocks; a 1024-byte directory header at 0 whose
// B-tree maps tag names to the offsets of 1024-byte tag headers; each tag a B-tree of interior
// nodes (uncompressed keys, big-endian record and child pointers) over leaves (bit-packed
// entries, keys with shared prefixes and trailing pad bytes left out, stored from the node's end).
#include "db/db_status.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorsan::db {

inline constexpr std::size_t kCdxBlock = 512;
inline constexpr std::uint8_t kCdxUnique = 0x01;
inline constexpr std::uint8_t kCdxHasFor = 0x08;
inline constexpr std::uint8_t kCdxCompactCompound = 0x60;

struct CdxTag {
    std::string name;          // as stored, upper case
    std::string expression;    // as written by whoever made the tag
    std::string forExpression; // empty when none
    std::uint8_t options = kCdxCompactCompound;
    bool descending = false;
    int keyLength = 0;
    std::uint32_t headerOffset = 0;
    // Entries in stored order: keys (keyLength bytes each, pad bytes restored) and 1-based
    // record numbers.
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recnos;

    bool unique() const { return options & kCdxUnique; }
    std::size_t size() const { return recnos.size(); }
};

// Pad byte of a tag's keys (blank for character keys, zero for numbers), chosen by the caller,
// who knows the table's fields; the index file itself does not say.
using CdxPadFor = std::function<std::uint8_t(const CdxTag&)>;

// Reads every tag with all its entries. Any inconsistency (pointer out of the file, node that
// does not decode, loop) is an error naming the place; nothing is read outside `file`.
DbStatus readCdx(std::span<const std::uint8_t> file, const CdxPadFor& padFor, std::vector<CdxTag>& tags);

// One tag to write: its entries in order (already sorted; for a unique tag, one entry a key).
struct CdxTagSource {
    std::string name;
    std::string expression;
    bool unique = false;
    int keyLength = 0;
    std::uint8_t pad = 0x20;
    std::size_t count = 0;
    std::function<const std::uint8_t*(std::size_t)> key; // entry i's key
    std::function<std::uint32_t(std::size_t)> recno;     // entry i's 1-based record number
};

DbStatus buildCdx(const std::vector<CdxTagSource>& tags, std::vector<std::uint8_t>& out);

} // namespace vorsan::db
