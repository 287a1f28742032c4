#pragma once
// The two node kinds of a compact index, shared by the whole-index writer and the in-place
// editor. Every node is one 512-byte block starting with its attributes (bit 0 root, bit 1 leaf),
// entry count and the left and right siblings of its level.
//
// Interior node: 12-byte header, then entries of the full key, the record number and the child's
// offset (both big-endian); each entry's key and record are the last ones of its child.
//
// Leaf: 24-byte header (free bytes, the masks and bit widths of the entries), then the entries,
// each E bytes little-endian holding the record number (R bits), the count of bytes shared with
// the previous key (D bits) and the count of pad bytes cut from the key's end (T bits); the
// remaining key bytes are stored from the node's end backwards.
#include "db/little_endian.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vorsan::db::cdx {

inline constexpr std::size_t kBlock = 512;
inline constexpr std::size_t kLeafHeader = 24;
inline constexpr std::size_t kInteriorHeader = 12;
inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;
inline constexpr std::uint16_t kAttrRoot = 0x01;
inline constexpr std::uint16_t kAttrLeaf = 0x02;

inline std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (24 - 8 * i));
}

inline int bitLength(std::uint32_t v) {
    return v == 0 ? 1 : 32 - std::countl_zero(v);
}

// Entries per interior node for keys of `keyLength` bytes.
inline std::size_t interiorCapacity(std::size_t keyLength) {
    return (kBlock - kInteriorHeader) / (keyLength + 8);
}

struct LeafWidths {
    int R = 0, D = 0, T = 0, E = 0; // E == 0: record numbers this large do not fit 4 bytes
};

inline LeafWidths leafWidths(std::size_t keyLength, std::uint32_t maxRecno) {
    LeafWidths w;
    w.D = w.T = bitLength(static_cast<std::uint32_t>(keyLength));
    const int e = (bitLength(std::max<std::uint32_t>(maxRecno, 1)) + w.D + w.T + 7) / 8;
    if (e > 4) return {};
    w.E = e;
    w.R = 8 * e - w.D - w.T;
    return w;
}

// Appends a leaf's entries (keys with their pad bytes restored) to keys/recnos. False, with the
// reason, when the leaf does not decode inside its block.
inline bool decodeLeaf(const std::uint8_t* n, std::size_t klen, std::uint8_t pad, std::vector<std::uint8_t>& keys,
                       std::vector<std::uint32_t>& recnos, std::string* why = nullptr) {
    const auto fail = [&](const char* w) {
        if (why) *why = w;
        return false;
    };
    const std::size_t count = le16(n + 2);
    const int R = n[20], D = n[21], T = n[22], E = n[23];
    if (E < 1 || E > 4 || R + D + T > 8 * E || R < 1 || D > 16 || T > 16)
        return fail("leaf with impossible entry widths");
    if (kLeafHeader + count * static_cast<std::size_t>(E) > kBlock) return fail("leaf overfull");
    std::size_t end = kBlock;
    const std::size_t before = keys.size();
    keys.resize(before + count * klen);
    std::uint8_t* prev = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t v = 0;
        for (int b = E - 1; b >= 0; --b)
            v = (v << 8) | n[kLeafHeader + i * static_cast<std::size_t>(E) + static_cast<std::size_t>(b)];
        const std::uint64_t bits = v;
        const auto rec = static_cast<std::uint32_t>(bits & ((1ull << R) - 1));
        const auto dup = static_cast<std::size_t>((bits >> R) & ((1ull << D) - 1));
        const auto trail = static_cast<std::size_t>((bits >> (R + D)) & ((1ull << T) - 1));
        if (dup + trail > klen) return fail("entry longer than the key");
        const std::size_t stored = klen - dup - trail;
        if (end < kLeafHeader + count * static_cast<std::size_t>(E) + stored)
            return fail("key bytes overlap the entries");
        end -= stored;
        std::uint8_t* k = keys.data() + before + i * klen;
        if (dup && prev)
            std::memcpy(k, prev, dup);
        else
            std::memset(k, pad, dup); // a first entry "sharing" bytes shares the pad bytes
        std::memcpy(k + dup, n + end, stored);
        std::memset(k + dup + stored, pad, trail);
        recnos.push_back(rec);
        prev = k;
    }
    return true;
}

// Writes entries first, first + 1, ... (at most `limit` of them) into the leaf `n` while they fit,
// and returns how many it took (at least one when any is given: a single key always fits). The
// node's siblings are left as "none" and its attributes as a leaf that is not the root.
template <class KeyAt, class RecnoAt>
std::size_t encodeLeaf(std::uint8_t* n, const LeafWidths& w, std::size_t klen, std::uint8_t pad, std::size_t first,
                       std::size_t limit, KeyAt keyAt, RecnoAt recnoAt) {
    std::memset(n, 0, kBlock);
    const auto E = static_cast<std::size_t>(w.E);
    std::size_t count = 0, keyBytes = 0, end = kBlock;
    const std::uint8_t* prev = nullptr;
    for (std::size_t i = first; count < limit; ++i, ++count) {
        const std::uint8_t* k = keyAt(i);
        std::size_t trail = 0;
        while (trail < klen && k[klen - 1 - trail] == pad)
            ++trail;
        std::size_t dup = 0;
        if (prev)
            while (dup < klen - trail && k[dup] == prev[dup])
                ++dup;
        const std::size_t stored = klen - dup - trail;
        if (kLeafHeader + (count + 1) * E + keyBytes + stored > kBlock) break;
        const std::uint64_t v =
            recnoAt(i) | (std::uint64_t(dup) << w.R) | (std::uint64_t(trail) << (w.R + w.D));
        for (std::size_t b = 0; b < E; ++b)
            n[kLeafHeader + count * E + b] = std::uint8_t(v >> (8 * b));
        end -= stored;
        std::memcpy(n + end, k + dup, stored);
        keyBytes += stored;
        prev = k;
    }
    put16(n, kAttrLeaf);
    put16(n + 2, static_cast<std::uint16_t>(count));
    put32(n + 4, kNone);
    put32(n + 8, kNone);
    put16(n + 12, static_cast<std::uint16_t>(kBlock - kLeafHeader - count * E - keyBytes));
    put32(n + 14, w.R >= 32 ? kNone : (1u << w.R) - 1);
    n[18] = std::uint8_t((1u << w.D) - 1);
    n[19] = std::uint8_t((1u << w.T) - 1);
    n[20] = std::uint8_t(w.R);
    n[21] = std::uint8_t(w.D);
    n[22] = std::uint8_t(w.T);
    n[23] = std::uint8_t(w.E);
    return count;
}

} // namespace vorsan::db::cdx
