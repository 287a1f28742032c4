#pragma once
// Changes of a compound index made in place, so that a change of k keys costs the few blocks
// that hold them instead of a new index: an entry is inserted into (or removed from) the leaf
// that holds its place, a leaf that overflows is split into new blocks, one that empties leaves
// the tree, and the interior entries above follow (each holds the last key of its child). The
// result is an ordinary index any reader walks, by its tree or by its chain of leaves.
#include "db/db_status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorsan::db {

// One entry of a tag: its key (the tag's key length) and 1-based record number.
struct CdxEntry {
    const std::uint8_t* key;
    std::uint32_t recno;
};

class CdxEditor {
public:
    // Called with a block's offset before the block is first changed, so that the caller can keep
    // its old bytes (a block at or beyond the image's size at that moment is new).
    using BeforeChange = std::function<void(std::uint32_t offset)>;

    // Forgets what it knew of an image (after the image was replaced as a whole).
    void reset();

    // The header offset of each tag, by the name stored in the directory (upper case, no blanks).
    DbStatus tagHeaders(const std::vector<std::uint8_t>& image,
                        std::vector<std::pair<std::string, std::uint32_t>>& out) const;

    // Removes `removals`, then inserts `inserts` into the tag whose header is at `header`; both
    // sorted by key, then record number. A removal that finds no such entry is an error: the image
    // does not hold what the caller believes (the caller then writes the index anew).
    DbStatus apply(std::vector<std::uint8_t>& image, std::uint32_t header, std::uint8_t pad,
                   const std::vector<CdxEntry>& removals, const std::vector<CdxEntry>& inserts,
                   const BeforeChange& beforeChange);

    // Record number of the entry with exactly this key (the first one), 0 when none.
    std::uint32_t find(const std::vector<std::uint8_t>& image, std::uint32_t header, std::uint8_t pad,
                       const std::uint8_t* key) const;

private:
    DbStatus collectFree(const std::vector<std::uint8_t>& image);
    bool freeKnown_ = false;
    std::vector<std::uint32_t> free_; // blocks no tree uses, taken before the file grows
};

} // namespace vorsan::db
