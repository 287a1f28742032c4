#include "charts/series_csv.h"

#include <array>
#include <charconv>

namespace vorsan {
namespace {

void putTwo(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

} // namespace

std::string plainNumber(double value) {
    std::array<char, 32> buf{};
    const auto end = std::to_chars(buf.data(), buf.data() + buf.size(), value).ptr;
    return std::string(buf.data(), end);
}

std::string seriesCsv(std::span<const JournalRecord> records, Channel channel, int firstNumber,
                      std::size_t firstRecord, std::size_t lastRecord) {
    std::string out = kSeriesCsvHeader;
    out += '\n';
    for (const auto& p : plotJournalSeries(records, channel)) {
        if (p.position < firstRecord || p.position > lastRecord) continue;
        const JournalRecord& r = records[p.position];
        out += std::to_string(static_cast<long long>(p.position) + firstNumber);
        out += ',';
        out += std::to_string(r.year);
        out += '-';
        putTwo(out, r.month);
        out += '-';
        putTwo(out, r.day);
        out += ' ';
        putTwo(out, r.hour);
        out += ':';
        putTwo(out, r.minute);
        out += ':';
        putTwo(out, r.second);
        out += ',';
        out += plainNumber(p.y);
        out += p.idle ? ",1\n" : ",0\n";
    }
    return out;
}

} // namespace vorsan
