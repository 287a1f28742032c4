#include "link/station_watch.h"

#include "link/current_state_read.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace vorsan {
namespace {

std::string number(unsigned value) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

// A value in tenths or hundredths as a decimal with a point: 123 -> "12.3", 87 -> "0.87".
std::string fixed(unsigned value, int places) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%u.%0*u", value / (places == 1 ? 10u : 100u), places,
                  value % (places == 1 ? 10u : 100u));
    return buf;
}

std::string twoDigits(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u", v % 100u);
    return buf;
}

std::string optional16(std::uint16_t v) {
    return v == kUnknown16 ? std::string() : number(v);
}

} // namespace

std::int64_t StationRow::ageSeconds(WallTime now) const {
    if (!everAnswered) return 0;
    return std::chrono::duration_cast<std::chrono::seconds>(now - lastAnswer).count();
}

RowChange rowChange(const StationRow& before, const StationRow& after) {
    if (!after.answering) return before.answering ? RowChange::WentSilent : RowChange::None;
    if (!before.everAnswered) return RowChange::FirstAnswer;
    if (before.running() && !after.running()) return RowChange::Stopped;
    if (!before.running() && after.running()) return RowChange::Started;
    if (!before.answering) return RowChange::CameBack;
    return RowChange::None;
}

RowPoll pollStationRow(SerialLink& link, StationRow& row, WallTime now) {
    const StationRow before = row;
    const CurrentStateRead read = readCurrentState4(link, row.address);
    RowPoll poll;
    if (read.error == LinkError::Write_Error) poll.error = read.error;
    if (read.ok()) {
        row.state = read.state;
        row.answering = true;
        row.everAnswered = true;
        row.lastError = LinkError::None;
        row.lastAnswer = now;
    } else {
        row.answering = false;
        row.lastError = read.error;
    }
    poll.answered = row.answering;
    poll.change = rowChange(before, row);
    return poll;
}

std::string isoLocalTime(WallTime time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    return std::string(buf) + (offset < 0 ? "-" : "+") + twoDigits(static_cast<unsigned>(minutes / 60)) +
           ":" + twoDigits(static_cast<unsigned>(minutes % 60));
}

std::string StationCsv::header() {
    return "date_time,address,pad,well,running,stop_cause,"
           "UAB,UBC,UCA,IA,IB,IC,ZAGR,SOP,COS_,P,T,station_clock";
}

std::string StationCsv::line(const StationRow& row) {
    const CurrentState& s = row.state;
    std::string out = isoLocalTime(row.lastAnswer);
    for (const std::string& field : {
             number(row.address),
             optional16(s.padNumber),
             optional16(s.wellNumber),
             std::string(row.running() ? "1" : "0"),
             row.running() ? std::string() : number((s.status >> 6) & 31u),
             number(s.UAB),
             number(s.UBC),
             number(s.UCA),
             fixed(s.IA, 1),
             fixed(s.IB, 1),
             fixed(s.IC, 1),
             number(s.ZAGR),
             number(s.SOP),
             fixed(s.powerFactor, 2),
             number(s.P),
             number(s.T),
             number(2000u + s.year) + "-" + twoDigits(s.month) + "-" + twoDigits(s.day) + "T" +
                 twoDigits(s.hour) + ":" + twoDigits(s.minute) + ":" + twoDigits(s.second),
         })
        out += "," + field;
    return out;
}

std::string StationCsv::open(const std::string& path) {
    std::error_code ec;
    const bool fresh = !std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) == 0;
    out_.open(path, std::ios::binary | std::ios::app);
    if (!out_) return "cannot be written";
    if (fresh) out_ << header() << '\n' << std::flush;
    return out_ ? std::string() : "cannot be written";
}

bool StationCsv::append(const StationRow& row) {
    if (!out_.is_open()) return false;
    out_ << line(row) << '\n' << std::flush;
    return static_cast<bool>(out_);
}

} // namespace vorsan
