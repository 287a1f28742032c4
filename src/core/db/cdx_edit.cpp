#include "db/cdx_edit.h"

#include "db/cdx_node.h"
#include "db/dbf_format.h"

#include <algorithm>
#include <cstring>

namespace vorsan::db {

using namespace cdx;

namespace {

constexpr int kMaxDepth = 32;

int compareEntry(const std::uint8_t* ka, std::uint32_t ra, const std::uint8_t* kb, std::uint32_t rb,
                 std::size_t klen) {
    const int c = std::memcmp(ka, kb, klen);
    if (c != 0) return c;
    return ra < rb ? -1 : ra > rb ? 1 : 0;
}

DbStatus damaged(std::uint32_t at, const std::string& why) {
    return DbStatus::fail(DbError::BadIndex, "index node at " + std::to_string(at) + ": " + why);
}

// An interior entry being placed: the last key and record of a child, and the child.
struct Ref {
    const std::uint8_t* key;
    std::uint32_t recno;
    std::uint32_t child;
};

// One run of apply() over one tag.
class TagEditor {
public:
    TagEditor(std::vector<std::uint8_t>& f, std::uint32_t header, std::uint8_t pad,
              const CdxEditor::BeforeChange& before, std::vector<std::uint32_t>& freeList)
        : f_(f), header_(header), pad_(pad), before_(before), free_(freeList) {}

    DbStatus open() {
        if (!valid(header_) || std::uint64_t(header_) + 2 * kBlock > f_.size())
            return damaged(header_, "tag header outside the file");
        klen_ = le16(&f_[header_ + 12]);
        if (klen_ < 1 || klen_ > 240) return damaged(header_, "key length");
        per_ = interiorCapacity(klen_);
        return {};
    }

    DbStatus run(const std::vector<CdxEntry>& edits, bool insert) {
        std::vector<std::uint8_t> keys;
        std::vector<std::uint32_t> recnos;
        std::vector<const std::uint8_t*> newKeys;
        std::vector<std::uint32_t> newRecnos;
        for (std::size_t i = 0; i < edits.size();) {
            std::vector<Level> path;
            std::uint32_t leaf = 0;
            Bound bound;
            if (auto st = descend(edits[i].key, edits[i].recno, false, path, leaf, bound); !st) return st;
            keys.clear();
            recnos.clear();
            std::string why;
            if (!decodeLeaf(&f_[leaf], klen_, pad_, keys, recnos, &why)) return damaged(leaf, why);
            std::size_t j = i;
            while (j < edits.size() &&
                   (!bound.set || compareEntry(edits[j].key, edits[j].recno, bound.key.data(), bound.recno, klen_) <= 0))
                ++j;
            const std::size_t old = recnos.size();
            newKeys.clear();
            newRecnos.clear();
            std::size_t a = 0, b = i;
            if (insert) {
                while (a < old || b < j) {
                    const int c = a == old   ? 1
                                  : b == j   ? -1
                                             : compareEntry(&keys[a * klen_], recnos[a], edits[b].key, edits[b].recno, klen_);
                    if (c == 0) return damaged(leaf, "entry to insert is there already");
                    if (c < 0) {
                        newKeys.push_back(&keys[a * klen_]);
                        newRecnos.push_back(recnos[a++]);
                    } else {
                        newKeys.push_back(edits[b].key);
                        newRecnos.push_back(edits[b++].recno);
                    }
                }
            } else {
                for (; a < old; ++a) {
                    const int c = b == j ? -1
                                         : compareEntry(&keys[a * klen_], recnos[a], edits[b].key, edits[b].recno, klen_);
                    if (c > 0) return damaged(leaf, "entry to remove is not there");
                    if (c == 0) {
                        ++b;
                        continue;
                    }
                    newKeys.push_back(&keys[a * klen_]);
                    newRecnos.push_back(recnos[a]);
                }
                if (b != j) return damaged(leaf, "entry to remove is not there");
            }
            const bool appending =
                insert && !bound.set &&
                (old == 0 || compareEntry(edits[i].key, edits[i].recno, &keys[(old - 1) * klen_], recnos[old - 1], klen_) > 0);
            if (auto st = writeLeaf(path, leaf, newKeys, newRecnos, appending); !st) return st;
            i = j;
        }
        return {};
    }

    std::uint32_t find(const std::uint8_t* key) {
        std::vector<Level> path;
        std::uint32_t leaf = 0;
        Bound bound;
        if (!descend(key, 0, true, path, leaf, bound)) return 0;
        std::vector<std::uint8_t> keys;
        std::vector<std::uint32_t> recnos;
        if (!decodeLeaf(&f_[leaf], klen_, pad_, keys, recnos)) return 0;
        for (std::size_t i = 0; i < recnos.size(); ++i)
            if (std::memcmp(&keys[i * klen_], key, klen_) == 0) return recnos[i];
        return 0;
    }

private:
    struct Level {
        std::uint32_t node;
        std::size_t index;
    };
    struct Bound { // the highest entry the leaf reached may hold; none for the last leaf
        bool set = false;
        std::vector<std::uint8_t> key;
        std::uint32_t recno = 0;
    };

    bool valid(std::uint32_t off) const { return off % kBlock == 0 && std::uint64_t(off) + kBlock <= f_.size(); }

    std::uint8_t* mut(std::uint32_t off) {
        before_(off);
        return &f_[off];
    }

    std::uint32_t allocate() {
        if (!free_.empty()) {
            const std::uint32_t off = free_.back();
            free_.pop_back();
            return off;
        }
        const auto off = static_cast<std::uint32_t>(f_.size());
        f_.resize(f_.size() + kBlock, 0);
        return off;
    }

    DbStatus descend(const std::uint8_t* key, std::uint32_t recno, bool keyOnly, std::vector<Level>& path,
                     std::uint32_t& leaf, Bound& bound) {
        std::uint32_t node = le32(&f_[header_]);
        const std::size_t es = klen_ + 8;
        for (int depth = 0;; ++depth) {
            if (depth > kMaxDepth) return damaged(node, "tree too deep");
            if (!valid(node)) return damaged(node, "node outside the file");
            const std::uint8_t* n = &f_[node];
            if (le16(n) & kAttrLeaf) {
                leaf = node;
                return {};
            }
            const std::size_t count = le16(n + 2);
            if (count == 0 || kInteriorHeader + count * es > kBlock) return damaged(node, "interior node count");
            std::size_t k = 0;
            for (; k < count; ++k) {
                const std::uint8_t* e = n + kInteriorHeader + k * es;
                const int c = keyOnly ? std::memcmp(e, key, klen_) : compareEntry(e, be32(e + klen_), key, recno, klen_);
                if (c >= 0) break;
            }
            if (k == count) {
                k = count - 1;
            } else {
                const std::uint8_t* e = n + kInteriorHeader + k * es;
                bound.set = true;
                bound.key.assign(e, e + klen_);
                bound.recno = be32(e + klen_);
            }
            path.push_back({node, k});
            node = be32(n + kInteriorHeader + k * es + klen_ + 4);
        }
    }

    // Takes a node out of its level's chain and gives its block back.
    void unlink(std::uint32_t node) {
        const std::uint32_t left = le32(&f_[node + 4]), right = le32(&f_[node + 8]);
        if (left != kNone && valid(left)) put32(mut(left) + 8, right);
        if (right != kNone && valid(right)) put32(mut(right) + 4, left);
        free_.push_back(node);
    }

    // Places a run of nodes built in `blocks` at `first` and new blocks, chained in the old node's
    // place; returns their offsets.
    std::vector<std::uint32_t> place(std::uint32_t first, const std::vector<std::uint8_t>& blocks) {
        const std::size_t m = blocks.size() / kBlock;
        const std::uint32_t left = le32(&f_[first + 4]), right = le32(&f_[first + 8]);
        std::vector<std::uint32_t> at(m);
        at[0] = first;
        for (std::size_t p = 1; p < m; ++p)
            at[p] = allocate();
        for (std::size_t p = 0; p < m; ++p) {
            std::uint8_t* n = mut(at[p]);
            std::memcpy(n, &blocks[p * kBlock], kBlock);
            put32(n + 4, p == 0 ? left : at[p - 1]);
            put32(n + 8, p + 1 == m ? right : at[p + 1]);
        }
        if (m > 1 && right != kNone && valid(right)) put32(mut(right) + 4, at[m - 1]);
        return at;
    }

    void makeEmptyRootLeaf(std::uint32_t node) {
        std::uint8_t* n = mut(node);
        encodeLeaf(n, leafWidths(klen_, 1), klen_, pad_, 0, 0, [](std::size_t) { return nullptr; },
                   [](std::size_t) { return 0u; });
        put16(n, kAttrLeaf | kAttrRoot);
    }

    DbStatus writeLeaf(std::vector<Level>& path, std::uint32_t leaf, const std::vector<const std::uint8_t*>& keys,
                       const std::vector<std::uint32_t>& recnos, bool appending) {
        const bool root = le16(&f_[leaf]) & kAttrRoot;
        const std::size_t n = keys.size();
        if (n == 0) {
            if (root) {
                makeEmptyRootLeaf(leaf);
                return {};
            }
            unlink(leaf);
            return replace(path, path.size() - 1, {});
        }
        const LeafWidths w = leafWidths(klen_, *std::max_element(recnos.begin(), recnos.end()));
        if (w.E == 0) return damaged(leaf, "record numbers too large for the key length");
        const auto keyAt = [&](std::size_t i) { return keys[i]; };
        const auto recAt = [&](std::size_t i) { return recnos[i]; };
        std::vector<std::uint8_t> blocks;
        const auto pack = [&](std::size_t limit) {
            blocks.clear();
            for (std::size_t i = 0; i < n;) {
                blocks.resize(blocks.size() + kBlock);
                i += encodeLeaf(&blocks[blocks.size() - kBlock], w, klen_, pad_, i, std::min(limit, n - i), keyAt, recAt);
            }
        };
        pack(n);
        // Keys appended at the end of the tag fill the leaves, as a new index would; keys put
        // between others leave room in every piece for the next ones.
        const std::size_t m = blocks.size() / kBlock;
        if (m > 1 && !appending) pack((n + m - 1) / m);
        const std::vector<std::uint32_t> at = place(leaf, blocks);
        std::vector<Ref> refs;
        std::size_t last = 0;
        for (std::size_t p = 0; p < at.size(); ++p) {
            last += le16(&f_[at[p] + 2]);
            refs.push_back({keys[last - 1], recnos[last - 1], at[p]});
        }
        if (root) {
            if (refs.size() == 1) {
                put16(mut(leaf), kAttrLeaf | kAttrRoot);
                return {};
            }
            return newRoot(refs);
        }
        return replace(path, path.size() - 1, refs);
    }

    // Replaces the entry path[level].index of the interior node path[level].node by `refs` (none:
    // the child left the tree), splitting or removing the node as needed, and on upwards.
    DbStatus replace(std::vector<Level>& path, std::size_t level, const std::vector<Ref>& refs) {
        const std::uint32_t node = path[level].node;
        const std::size_t k = path[level].index;
        const std::size_t es = klen_ + 8;
        const std::uint8_t* n = &f_[node];
        const std::size_t count = le16(n + 2);
        const bool root = le16(n) & kAttrRoot;
        const std::uint8_t* old = n + kInteriorHeader + k * es;
        if (refs.size() == 1 && std::memcmp(old, refs[0].key, klen_) == 0 && be32(old + klen_) == refs[0].recno &&
            be32(old + klen_ + 4) == refs[0].child)
            return {};
        // The node's entries are copied out: the node itself is about to be rewritten.
        const std::vector<std::uint8_t> saved(n + kInteriorHeader, n + kInteriorHeader + count * es);
        std::vector<Ref> all;
        all.reserve(count - 1 + refs.size());
        for (std::size_t i = 0; i < count; ++i) {
            if (i == k) {
                all.insert(all.end(), refs.begin(), refs.end());
                continue;
            }
            const std::uint8_t* e = &saved[i * es];
            all.push_back({e, be32(e + klen_), be32(e + klen_ + 4)});
        }
        if (all.empty()) {
            if (root) {
                makeEmptyRootLeaf(node);
                return {};
            }
            unlink(node);
            return replace(path, level - 1, {});
        }
        const bool appending = k + 1 == count && le32(n + 8) == kNone;
        const std::vector<std::uint8_t> blocks = interiorBlocks(all, appending);
        const std::vector<std::uint32_t> at = place(node, blocks);
        std::vector<Ref> up;
        std::size_t last = 0;
        for (std::size_t p = 0; p < at.size(); ++p) {
            last += le16(&f_[at[p] + 2]);
            up.push_back({all[last - 1].key, all[last - 1].recno, at[p]});
        }
        if (root) {
            if (up.size() == 1) {
                put16(mut(node), kAttrRoot);
                return {};
            }
            return newRoot(up);
        }
        return replace(path, level - 1, up);
    }

    // Interior nodes holding `all` in order, chained as "none"; full when appending at the end,
    // else evenly filled.
    std::vector<std::uint8_t> interiorBlocks(const std::vector<Ref>& all, bool appending) const {
        const std::size_t es = klen_ + 8, total = all.size();
        const std::size_t m = (total + per_ - 1) / per_;
        std::vector<std::uint8_t> blocks(m * kBlock, 0);
        for (std::size_t p = 0, i = 0; p < m; ++p) {
            const std::size_t take = appending ? std::min(per_, total - i) : total / m + (p < total % m ? 1 : 0);
            std::uint8_t* n = &blocks[p * kBlock];
            put16(n, 0);
            put16(n + 2, static_cast<std::uint16_t>(take));
            put32(n + 4, kNone);
            put32(n + 8, kNone);
            for (std::size_t c = 0; c < take; ++c, ++i) {
                std::uint8_t* e = n + kInteriorHeader + c * es;
                std::memcpy(e, all[i].key, klen_);
                putBe32(e + klen_, all[i].recno);
                putBe32(e + klen_ + 4, all[i].child);
            }
        }
        return blocks;
    }

    // A new root over `refs` (as many levels as they need); the tag header points to it.
    DbStatus newRoot(std::vector<Ref> refs) {
        std::vector<std::vector<std::uint8_t>> keep; // keys of the levels built, alive until done
        while (refs.size() > 1) {
            const std::vector<std::uint8_t> blocks = interiorBlocks(refs, true);
            const std::size_t m = blocks.size() / kBlock;
            std::vector<std::uint32_t> at(m);
            for (std::size_t p = 0; p < m; ++p)
                at[p] = allocate();
            std::vector<Ref> up;
            for (std::size_t p = 0; p < m; ++p) {
                std::uint8_t* n = mut(at[p]);
                std::memcpy(n, &blocks[p * kBlock], kBlock);
                put32(n + 4, p == 0 ? kNone : at[p - 1]);
                put32(n + 8, p + 1 == m ? kNone : at[p + 1]);
                const std::size_t cnt = le16(n + 2);
                const std::uint8_t* e = n + kInteriorHeader + (cnt - 1) * (klen_ + 8);
                keep.emplace_back(e, e + klen_);
                up.push_back({keep.back().data(), be32(e + klen_), at[p]});
            }
            // Keys in `keep` must not move while `up` points at them.
            for (std::size_t p = 0; p < up.size(); ++p)
                up[p].key = keep[keep.size() - up.size() + p].data();
            refs = std::move(up);
        }
        const std::uint32_t root = refs[0].child;
        std::uint8_t* r = mut(root);
        put16(r, static_cast<std::uint16_t>(le16(r) | kAttrRoot));
        put32(mut(header_), root);
        return {};
    }

    std::vector<std::uint8_t>& f_;
    std::uint32_t header_;
    std::uint8_t pad_;
    const CdxEditor::BeforeChange& before_;
    std::vector<std::uint32_t>& free_;
    std::size_t klen_ = 0, per_ = 0;
};

// Marks the blocks of the tree under `node`; `leaves` gets the offsets of its leaves in order.
DbStatus markTree(const std::vector<std::uint8_t>& f, std::uint32_t node, std::size_t klen, int depth,
                  std::vector<bool>& used, std::vector<std::uint32_t>* leaves) {
    if (depth > kMaxDepth) return damaged(node, "tree too deep");
    if (node % kBlock != 0 || std::uint64_t(node) + kBlock > f.size()) return damaged(node, "node outside the file");
    if (used[node / kBlock]) return damaged(node, "node reached twice");
    used[node / kBlock] = true;
    const std::uint8_t* n = &f[node];
    if (le16(n) & kAttrLeaf) {
        if (leaves) leaves->push_back(node);
        return {};
    }
    const std::size_t count = le16(n + 2), es = klen + 8;
    if (kInteriorHeader + count * es > kBlock) return damaged(node, "interior node count");
    for (std::size_t i = 0; i < count; ++i)
        if (auto st = markTree(f, be32(n + kInteriorHeader + i * es + klen + 4), klen, depth + 1, used, leaves); !st)
            return st;
    return {};
}

} // namespace

void CdxEditor::reset() {
    freeKnown_ = false;
    free_.clear();
}

DbStatus CdxEditor::tagHeaders(const std::vector<std::uint8_t>& f,
                               std::vector<std::pair<std::string, std::uint32_t>>& out) const {
    out.clear();
    if (f.size() < 2 * kBlock) return damaged(0, "index shorter than its header");
    const std::size_t klen = le16(&f[12]);
    if (klen < 1 || klen > 240) return damaged(0, "directory key length");
    std::vector<bool> used(f.size() / kBlock, false);
    std::vector<std::uint32_t> leaves;
    if (auto st = markTree(f, le32(&f[0]), klen, 0, used, &leaves); !st) return st;
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recnos;
    for (std::uint32_t leaf : leaves) {
        std::string why;
        if (!decodeLeaf(&f[leaf], klen, 0x20, keys, recnos, &why)) return damaged(leaf, why);
    }
    for (std::size_t i = 0; i < recnos.size(); ++i) {
        const auto* p = reinterpret_cast<const char*>(&keys[i * klen]);
        out.emplace_back(std::string(trimRight(std::string_view(p, strnlen(p, klen)))), recnos[i]);
    }
    return {};
}

DbStatus CdxEditor::collectFree(const std::vector<std::uint8_t>& f) {
    free_.clear();
    std::vector<std::pair<std::string, std::uint32_t>> tags;
    if (auto st = tagHeaders(f, tags); !st) return st;
    std::vector<bool> used(f.size() / kBlock, false);
    used[0] = used[1] = true;
    if (auto st = markTree(f, le32(&f[0]), le16(&f[12]), 0, used, nullptr); !st) return st;
    for (const auto& t : tags) {
        const std::uint32_t h = t.second;
        if (h % kBlock != 0 || std::uint64_t(h) + 2 * kBlock > f.size() || used[h / kBlock])
            return damaged(h, "tag header misplaced");
        used[h / kBlock] = used[h / kBlock + 1] = true;
        if (auto st = markTree(f, le32(&f[h]), le16(&f[h + 12]), 0, used, nullptr); !st) return st;
    }
    // Taken from the back: the lowest free block first.
    for (std::size_t b = used.size(); b-- > 0;)
        if (!used[b]) free_.push_back(static_cast<std::uint32_t>(b * kBlock));
    freeKnown_ = true;
    return {};
}

DbStatus CdxEditor::apply(std::vector<std::uint8_t>& image, std::uint32_t header, std::uint8_t pad,
                          const std::vector<CdxEntry>& removals, const std::vector<CdxEntry>& inserts,
                          const BeforeChange& beforeChange) {
    if (removals.empty() && inserts.empty()) return {};
    if (!freeKnown_)
        if (auto st = collectFree(image); !st) return st;
    TagEditor e(image, header, pad, beforeChange, free_);
    if (auto st = e.open(); !st) return st;
    if (auto st = e.run(removals, false); !st) return st;
    return e.run(inserts, true);
}

std::uint32_t CdxEditor::find(const std::vector<std::uint8_t>& image, std::uint32_t header, std::uint8_t pad,
                              const std::uint8_t* key) const {
    std::vector<std::uint32_t> none;
    const BeforeChange noChange = [](std::uint32_t) {};
    TagEditor e(const_cast<std::vector<std::uint8_t>&>(image), header, pad, noChange, none);
    if (!e.open()) return 0;
    return e.find(key);
}

} // namespace vorsan::db
