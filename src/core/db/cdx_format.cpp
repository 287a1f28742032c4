#include "db/cdx_format.h"
#include "db/cdx_node.h"
#include "db/dbf_format.h"
#include "db/little_endian.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <set>

namespace vorsan::db {

namespace {

using cdx::be32;
using cdx::kInteriorHeader;
using cdx::kLeafHeader;
using cdx::kNone;
using cdx::putBe32;
constexpr int kMaxDepth = 32;

// ---- reading ----------------------------------------------------------------------------------

class TreeReader {
public:
    TreeReader(std::span<const std::uint8_t> f, int keyLength, std::uint8_t pad)
        : f_(f), keyLength_(keyLength), pad_(pad) {}

    DbStatus walk(std::uint32_t offset, int depth, std::vector<std::uint8_t>& keys,
                  std::vector<std::uint32_t>& recnos) {
        if (depth > kMaxDepth) return fail(offset, "tree deeper than " + std::to_string(kMaxDepth));
        if (offset % kCdxBlock != 0 || std::uint64_t(offset) + kCdxBlock > f_.size())
            return fail(offset, "node pointer outside the file");
        if (!visited_.insert(offset).second) return fail(offset, "node reached twice");
        const std::uint8_t* n = &f_[offset];
        const std::uint16_t attr = le16(n);
        const std::uint16_t count = le16(n + 2);
        if (attr & 0x02) return leaf(offset, n, count, keys, recnos);
        const std::size_t entry = static_cast<std::size_t>(keyLength_) + 8;
        if (kInteriorHeader + count * entry > kCdxBlock) return fail(offset, "interior node overfull");
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = n + kInteriorHeader + i * entry;
            const std::size_t before = recnos.size();
            if (auto st = walk(be32(e + keyLength_ + 4), depth + 1, keys, recnos); !st) return st;
            // An entry's key bounds its subtree from above; a search would miss keys above it.
            if (recnos.size() > before &&
                std::memcmp(e, &keys[keys.size() - static_cast<std::size_t>(keyLength_)],
                            static_cast<std::size_t>(keyLength_)) < 0)
                return fail(offset, "entry " + std::to_string(i) + " is lower than the last key below it");
        }
        return {};
    }

    // Leaves must be chained left to right in key order: other engines walk the chain.
    DbStatus checkLeafChain() {
        for (std::size_t i = 0; i < leaves_.size(); ++i) {
            const std::uint8_t* n = &f_[leaves_[i]];
            const std::uint32_t left = i > 0 ? leaves_[i - 1] : kNone;
            const std::uint32_t right = i + 1 < leaves_.size() ? leaves_[i + 1] : kNone;
            if (le32(n + 4) != left || le32(n + 8) != right)
                return fail(leaves_[i], "sibling pointers do not chain the leaves in order");
        }
        return {};
    }

private:
    DbStatus fail(std::uint32_t offset, const std::string& why) {
        return DbStatus::fail(DbError::BadIndex, "node at " + std::to_string(offset) + ": " + why);
    }

    DbStatus leaf(std::uint32_t offset, const std::uint8_t* n, std::size_t,
                  std::vector<std::uint8_t>& keys, std::vector<std::uint32_t>& recnos) {
        leaves_.push_back(offset);
        std::string why;
        if (!cdx::decodeLeaf(n, static_cast<std::size_t>(keyLength_), pad_, keys, recnos, &why))
            return fail(offset, why);
        return {};
    }

    std::span<const std::uint8_t> f_;
    int keyLength_;
    std::uint8_t pad_;
    std::set<std::uint32_t> visited_;
    std::vector<std::uint32_t> leaves_;
};

DbStatus readHeader(std::span<const std::uint8_t> f, std::uint32_t offset, CdxTag& t, std::uint32_t& root) {
    if (offset % kCdxBlock != 0 || std::uint64_t(offset) + 2 * kCdxBlock > f.size())
        return DbStatus::fail(DbError::BadIndex,
                              "tag header pointer " + std::to_string(offset) + " outside the file");
    const std::uint8_t* h = &f[offset];
    root = le32(h);
    t.keyLength = le16(h + 12);
    t.options = h[14];
    t.descending = le16(h + 502) != 0;
    t.headerOffset = offset;
    if (t.keyLength < 1 || t.keyLength > 240)
        return DbStatus::fail(DbError::BadIndex, "tag header at " + std::to_string(offset) + ": key length " +
                                                     std::to_string(t.keyLength));
    const std::size_t forStart = le16(h + 504), forLen = le16(h + 506), keyStart = le16(h + 508),
                      keyLen = le16(h + 510);
    const auto text = [&](std::size_t start, std::size_t len) {
        if (start >= kCdxBlock || len == 0) return std::string();
        len = std::min(len, kCdxBlock - start);
        const char* p = reinterpret_cast<const char*>(h + kCdxBlock + start);
        return std::string(p, strnlen(p, len));
    };
    t.expression = text(keyStart, keyLen);
    t.forExpression = text(forStart, forLen);
    return {};
}

// ---- writing ----------------------------------------------------------------------------------

struct NodeRef {
    const std::uint8_t* lastKey;
    std::uint32_t lastRecno;
    std::uint32_t offset;
};

// Leaf capacity of a tag's region: grows in steps of a quarter, so that a tag that gains or loses
// a few leaves keeps its region and every other tag keeps its place in the file.
std::size_t leafCapacity(std::size_t leaves) {
    std::size_t cap = 4;
    while (cap < leaves)
        cap += std::max<std::size_t>(1, cap / 4);
    return cap;
}

// Writes the tree of one tag (or of the directory) into a region appended to `out`; returns the
// root offset. The region is laid out so that a change writes blocks in proportion to it: the
// leaves from the region's start, packed full in key order, then each interior level in a slot
// sized for the region's full leaf capacity. Keys appended at the end of the order change the last
// leaf and the last node of each level and add new ones; nothing else moves.
DbStatus buildTree(const CdxTagSource& s, std::vector<std::uint8_t>& out, std::uint32_t& root) {
    const std::size_t klen = static_cast<std::size_t>(s.keyLength);
    std::uint32_t maxRec = 1;
    for (std::size_t i = 0; i < s.count; ++i)
        maxRec = std::max(maxRec, s.recno(i));
    const cdx::LeafWidths w = cdx::leafWidths(klen, maxRec);
    if (w.E == 0)
        return DbStatus::fail(DbError::BadIndex, "too many rows for key length " + std::to_string(klen));

    // Leaves, packed full, into a buffer of their own first: their places depend on their number.
    // Kept between builds: a large tag's leaves are megabytes, and fresh memory is slow to touch.
    thread_local std::vector<std::uint8_t> leaves;
    leaves.clear();
    std::vector<NodeRef> level;
    std::size_t i = 0;
    do {
        const std::size_t off = leaves.size();
        leaves.resize(off + kCdxBlock);
        const std::size_t count = cdx::encodeLeaf(
            &leaves[off], w, klen, s.pad, i, s.count - i, [&](std::size_t k) { return s.key(k); },
            [&](std::size_t k) { return s.recno(k); });
        i += count;
        level.push_back({count ? s.key(i - 1) : nullptr, count ? s.recno(i - 1) : 0,
                         static_cast<std::uint32_t>(level.size())});
    } while (i < s.count);

    // The region: leaf slots, then one slot per interior level.
    const std::size_t per = (kCdxBlock - kInteriorHeader) / (klen + 8);
    const std::size_t leafCap = leafCapacity(level.size());
    std::vector<std::size_t> levelStart; // block index of each interior level's slot in the region
    std::size_t blocks = leafCap;
    for (std::size_t c = leafCap; c > 1;) {
        c = (c + per - 1) / per;
        levelStart.push_back(blocks);
        blocks += c;
    }
    const std::size_t base = out.size();
    out.resize(base + blocks * kCdxBlock, 0);
    const auto at = [&](std::size_t block) { return static_cast<std::uint32_t>(base + block * kCdxBlock); };
    for (std::size_t b = 0; b < level.size(); ++b) {
        std::uint8_t* n = &out[at(b)];
        std::memcpy(n, &leaves[b * kCdxBlock], kCdxBlock);
        put32(n + 4, b == 0 ? kNone : at(b - 1));
        put32(n + 8, b + 1 == level.size() ? kNone : at(b + 1));
        level[b].offset = at(b);
    }
    // Interior levels: each entry the last key and record of its child, then the child pointer.
    for (std::size_t depth = 0; level.size() > 1; ++depth) {
        std::vector<NodeRef> up;
        const std::size_t nodes = (level.size() + per - 1) / per;
        for (std::size_t k = 0; k < nodes; ++k) {
            const std::uint32_t off = at(levelStart[depth] + k);
            std::uint8_t* n = &out[off];
            const std::size_t b = k * per, cnt = std::min(per, level.size() - b);
            put16(n, 0);
            put16(n + 2, cnt);
            put32(n + 4, k == 0 ? kNone : at(levelStart[depth] + k - 1));
            put32(n + 8, k + 1 == nodes ? kNone : at(levelStart[depth] + k + 1));
            for (std::size_t c = 0; c < cnt; ++c) {
                std::uint8_t* e = n + kInteriorHeader + c * (klen + 8);
                std::memcpy(e, level[b + c].lastKey, klen);
                putBe32(e + klen, level[b + c].lastRecno);
                putBe32(e + klen + 4, level[b + c].offset);
            }
            up.push_back({level[b + cnt - 1].lastKey, level[b + cnt - 1].lastRecno, off});
        }
        level = std::move(up);
    }
    root = level.front().offset;
    out[root] |= 0x01; // root bit: leaf 2 -> 3, interior 0 -> 1
    return {};
}

void writeHeader(std::uint8_t* h, std::uint32_t root, int keyLength, std::uint8_t options,
                 const std::string& expression) {
    put32(h, root);
    put16(h + 12, static_cast<std::uint16_t>(keyLength));
    h[14] = options;
    h[15] = 1;
    const std::size_t elen = std::min<std::size_t>(expression.size(), kCdxBlock - 2);
    put16(h + 504, static_cast<std::uint16_t>(elen + 1)); // FOR text starts after the key's NUL
    put16(h + 506, 1);                                    // no FOR clause: just its NUL
    put16(h + 508, 0);
    put16(h + 510, static_cast<std::uint16_t>(elen + 1));
    std::memcpy(h + kCdxBlock, expression.data(), elen);
}

} // namespace

DbStatus readCdx(std::span<const std::uint8_t> f, const CdxPadFor& padFor, std::vector<CdxTag>& tags) {
    tags.clear();
    if (f.size() < 2 * kCdxBlock || f.size() % kCdxBlock != 0)
        return DbStatus::fail(DbError::BadIndex, "index file size " + std::to_string(f.size()) +
                                                     " is not a whole number of blocks");
    CdxTag dir;
    std::uint32_t root = 0;
    if (auto st = readHeader(f, 0, dir, root); !st) return st;
    if (dir.keyLength > 240) return DbStatus::fail(DbError::BadIndex, "directory key length");
    std::vector<std::uint8_t> names;
    std::vector<std::uint32_t> offsets;
    TreeReader dirReader(f, dir.keyLength, 0x20);
    DbStatus dst = dirReader.walk(root, 0, names, offsets);
    if (dst) dst = dirReader.checkLeafChain();
    if (!dst) return DbStatus::fail(DbError::BadIndex, "tag directory: " + dst.detail);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        CdxTag t;
        const char* p = reinterpret_cast<const char*>(&names[i * static_cast<std::size_t>(dir.keyLength)]);
        t.name =
            std::string(trimRight(std::string_view(p, strnlen(p, static_cast<std::size_t>(dir.keyLength)))));
        std::uint32_t tagRoot = 0;
        if (auto st = readHeader(f, offsets[i], t, tagRoot); !st) return st;
        const std::uint8_t pad = padFor(t);
        TreeReader reader(f, t.keyLength, pad);
        DbStatus st = reader.walk(tagRoot, 0, t.keys, t.recnos);
        if (st) st = reader.checkLeafChain();
        if (!st) return DbStatus::fail(DbError::BadIndex, "tag " + t.name + ": " + st.detail);
        tags.push_back(std::move(t));
    }
    return {};
}

DbStatus buildCdx(const std::vector<CdxTagSource>& tags, std::vector<std::uint8_t>& out) {
    out.assign(2 * kCdxBlock * (tags.size() + 1), 0);
    // Directory: tag names, upper case, padded to 10, sorted; "record numbers" are header offsets.
    std::vector<std::pair<std::string, std::uint32_t>> dir;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        std::string name = tags[i].name.substr(0, 10);
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        name.resize(10, ' ');
        dir.emplace_back(name, static_cast<std::uint32_t>(2 * kCdxBlock * (i + 1)));
    }
    std::sort(dir.begin(), dir.end());
    CdxTagSource d;
    d.keyLength = 10;
    d.pad = 0x20;
    d.count = dir.size();
    d.key = [&](std::size_t i) { return reinterpret_cast<const std::uint8_t*>(dir[i].first.data()); };
    d.recno = [&](std::size_t i) { return dir[i].second; };
    std::uint32_t root = 0;
    if (auto st = buildTree(d, out, root); !st) return st;
    writeHeader(out.data(), root, 10, 0xE0, "");
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const CdxTagSource& t = tags[i];
        if (t.keyLength < 1 || t.keyLength > 240) return DbStatus::fail(DbError::BadExpression, "key length");
        if (auto st = buildTree(t, out, root); !st) return st;
        const std::uint8_t options = kCdxCompactCompound | (t.unique ? kCdxUnique : 0);
        writeHeader(&out[2 * kCdxBlock * (i + 1)], root, t.keyLength, options, t.expression);
    }
    return {};
}

} // namespace vorsan::db
