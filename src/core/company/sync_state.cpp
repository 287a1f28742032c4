#include "company/sync_state.h"

#include "company/pg_session.h"
#include "db/file_io.h"

#include <charconv>
#include <span>
#include <sstream>
#include <vector>

namespace vorsan::company {

namespace {

constexpr std::string_view kHeader = "vorsan-sync-state 1";

template <class T> std::string numberText(T v, int base = 10) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, base);
    return std::string(buf, r.ptr);
}

template <class T> bool readNumber(std::string_view s, T& v, int base = 10) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, base);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// The line's words up to `n`, and what follows the n-th blank as the last (an oilfield name may
// hold blanks; it is written escaped as COPY text, so it holds no newline).
std::vector<std::string_view> words(std::string_view line, std::size_t n) {
    std::vector<std::string_view> out;
    while (out.size() + 1 < n) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) break;
        out.push_back(line.substr(0, blank));
        line.remove_prefix(blank + 1);
    }
    out.push_back(line);
    return out;
}

std::string escaped(const std::string& name) {
    std::string s;
    appendCopyText(s, name);
    return s;
}

bool parseWell(std::string_view line, SyncState& s) {
    const auto w = words(line, 9);
    if (w.size() != 9) return false;
    unsigned pad = 0, well = 0;
    PushedWell p;
    if (!readNumber(w[1], pad) || !readNumber(w[2], well) || pad > 0xFFFF || well > 0xFFFF ||
        !readNumber(w[3], p.rows) || !readNumber(w[4], p.prefixHash, 16) || !readNumber(w[5], p.fileSize) ||
        !readNumber(w[6], p.fileTime) || !readNumber(w[7], p.snapshotHash, 16))
        return false;
    s.wells[{copyFieldText(w[8]), std::uint16_t(pad), std::uint16_t(well)}] = p;
    return true;
}

bool parsePosition(std::string_view line, long long& all, std::map<std::string, long long>& fields) {
    const auto w = words(line, 3);
    long long v = 0;
    if (w.size() < 2 || !readNumber(w[1], v)) return false;
    if (w.size() == 2)
        all = v;
    else
        fields[copyFieldText(w[2])] = v;
    return true;
}

} // namespace

std::string syncStateText(const SyncState& s) {
    std::string t = std::string(kHeader) + "\narchive " + s.archive + "\n";
    t += "rows " + numberText(s.rowsPulled) + "\nsnapshots " + numberText(s.snapshotsPulled) + "\n";
    for (const auto& [name, v] : s.fieldRows)
        t += "rows " + numberText(v) + " " + escaped(name) + "\n";
    for (const auto& [name, v] : s.fieldSnapshots)
        t += "snapshots " + numberText(v) + " " + escaped(name) + "\n";
    for (const auto& [key, p] : s.wells)
        t += "well " + numberText(std::get<1>(key)) + " " + numberText(std::get<2>(key)) + " " +
             numberText(p.rows) + " " + numberText(p.prefixHash, 16) + " " + numberText(p.fileSize) + " " +
             numberText(p.fileTime) + " " + numberText(p.snapshotHash, 16) + " " + escaped(std::get<0>(key)) +
             "\n";
    return t;
}

SyncState parseSyncState(const std::string& text) {
    SyncState s;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return {};
    while (std::getline(in, line)) {
        const std::string_view l = line;
        bool ok = true;
        if (l.starts_with("archive "))
            s.archive = line.substr(8);
        else if (l.starts_with("rows "))
            ok = parsePosition(l, s.rowsPulled, s.fieldRows);
        else if (l.starts_with("snapshots "))
            ok = parsePosition(l, s.snapshotsPulled, s.fieldSnapshots);
        else if (l.starts_with("well "))
            ok = parseWell(l, s);
        if (!ok) return {}; // a damaged file: start afresh
    }
    return s;
}

SyncState loadSyncState(const std::string& dir) {
    std::vector<std::uint8_t> bytes;
    if (!db::readWholeFile(db::joinPath(dir, kSyncStateFile), bytes)) return {};
    return parseSyncState(std::string(bytes.begin(), bytes.end()));
}

db::DbStatus saveSyncState(const std::string& dir, const SyncState& state) {
    const std::string text = syncStateText(state);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    return db::replaceFile(db::joinPath(dir, kSyncStateFile), {bytes});
}

} // namespace vorsan::company
