#include "link/line_monitor.h"

#include "link/checksums.h"
#include "settings/catalogue.h"
#include "text/number_format.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace vorsan {

namespace {

std::int64_t wallNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The three blocks of the journal-sized reads and the settings memory.
constexpr int kJournalBlocks = 256;
constexpr int kSettingsBlocks = 16;
constexpr int kGen3SettingsBytes = 512;

} // namespace

// ---- tap ----------------------------------------------------------------------------------------

void MonitorTap::onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                           std::int64_t micros) {
    if (direction == TrafficDirection::Written) {
        flush();
        const bool framed = endsWithCrc16(bytes);
        current_ = {};
        current_.wallMs = wallNowMs();
        current_.request.assign(bytes.begin(), bytes.end());
        current_.reply.reserve(LineExchange::kKeptBytes);
        current_.retry = framed && std::equal(bytes.begin(), bytes.end(), lastFrame_.begin(), lastFrame_.end());
        if (framed) lastFrame_.assign(bytes.begin(), bytes.end());
        haveRequest_ = true;
        requestMicros_ = micros;
        return;
    }
    if (!haveRequest_) return; // bytes before any request (line noise after open) belong to none
    for (std::uint8_t b : bytes) {
        if (current_.reply.size() < LineExchange::kKeptBytes) current_.reply.push_back(b);
        if (current_.replyLength > 0) current_.replySum += b;
        ++current_.replyLength;
    }
    current_.replyMicros = micros - requestMicros_;
}

void MonitorTap::onOpen(const std::string& device, int speed, const std::string& failure) {
    openDevice_ = device;
    openSpeed_ = speed;
    openFailure_ = failure;
}

void MonitorTap::onControl(LinkControl what, std::int64_t micros) {
    // The reply time counts from the end of the request on the wire, as the exchange's time-out
    // does: write() returns while the driver still sends (8.3 ms of a request at 9600 bit/s).
    if (what == LinkControl::Drained) {
        if (haveRequest_ && current_.replyLength == 0) requestMicros_ = micros;
        return;
    }
    // A purge starts every request: the exchange before it is over. RTS goes with the request
    // being written and ends nothing.
    if (what == LinkControl::RtsRaised || what == LinkControl::RtsDropped) return;
    flush();
    LineEvent note;
    note.isNote = true;
    note.wallMs = wallNowMs();
    switch (what) {
    case LinkControl::Opened:
        note.note = LineNote::Opened;
        break;
    case LinkControl::OpenFailed:
        note.note = LineNote::OpenFailed;
        break;
    case LinkControl::Closed:
        note.note = LineNote::Closed;
        break;
    case LinkControl::LowLatencyOn:
        note.note = LineNote::LowLatencyOn;
        break;
    case LinkControl::LowLatencyRefused:
        note.note = LineNote::LowLatencyRefused;
        break;
    default:
        return;
    }
    if (what == LinkControl::Opened || what == LinkControl::OpenFailed) {
        note.device = openDevice_;
        note.speed = openSpeed_;
        note.failure = openFailure_;
    }
    if (what == LinkControl::Opened || what == LinkControl::Closed) lastFrame_.clear();
    push(std::move(note));
}

void MonitorTap::flush() {
    if (!haveRequest_) return;
    haveRequest_ = false;
    LineEvent event;
    event.exchange = std::move(current_);
    current_ = {};
    push(std::move(event));
}

void MonitorTap::push(LineEvent event) {
    const std::lock_guard lock(mutex_);
    if (ring_.size() >= capacity_) {
        ring_.pop_front();
        ++lost_;
    }
    ring_.push_back(std::move(event));
}

std::vector<LineEvent> MonitorTap::take() {
    std::deque<LineEvent> taken;
    std::size_t lost = 0;
    {
        const std::lock_guard lock(mutex_);
        taken.swap(ring_);
        std::swap(lost, lost_);
    }
    std::vector<LineEvent> out;
    out.reserve(taken.size() + 1);
    if (lost) {
        LineEvent note;
        note.isNote = true;
        note.note = LineNote::Lost;
        note.lost = lost;
        note.wallMs = taken.empty() ? wallNowMs() : taken.front().wallMs;
        out.push_back(std::move(note));
    }
    for (auto& e : taken)
        out.push_back(std::move(e));
    return out;
}

// ---- decoding -----------------------------------------------------------------------------------

bool endsWithCrc16(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 3) return false;
    const std::uint16_t crc = crc16(bytes.first(bytes.size() - 2));
    return bytes[bytes.size() - 2] == (crc & 0xFF) && bytes.back() == (crc >> 8);
}

namespace {

// A generation 4 setting lives at register 176 + offset / 2 (settings start at byte 352 of the
// block): "запись уставки 23 «Уставка недогрузки» = 115".
std::string settingWriteMeaning(int reg, int value) {
    static const SettingsCatalogue catalogue = buildCatalogue(ControllerGeneration::Gen4);
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const SettingDef& d = catalogue.entries[i];
        if (176 + d.offset / 2 == reg)
            return "запись уставки " + settingNumberText(i) + " «" + d.longName +
                   "» = " + std::to_string(value);
    }
    return "запись регистра " + std::to_string(reg) + " = " + std::to_string(value);
}

std::string ofTotal(int k, int total) {
    return std::to_string(k) + " из " + std::to_string(total);
}

// Meaning and expected reply length of a framed request (address, function, register, count or
// value, CRC).
std::string framedMeaning(const std::vector<std::uint8_t>& q, std::size_t& expected, DecodeContext& ctx) {
    const int a = q[0];
    const int fn = q[1];
    const int reg = q[2] << 8 | q[3];
    const int n = q[4] << 8 | q[5];
    switch (fn) {
    case 0x03:
        expected = 5 + 2 * static_cast<std::size_t>(n);
        if (reg == 0xFFFF && n == 1) return "запрос адреса " + std::to_string(a);
        if (a == 0xFF && reg == 0x20 && n == 1) return "регистратор: число записей";
        if (n == 4 && reg == 0x10) return "регистратор: запись " + std::to_string(a) + ", дата";
        if (n == 4 && reg == 0xEE) return "регистратор: запись " + std::to_string(a) + ", куст и скважина";
        if (reg == 0xEE && n == 2) return "номер куста и скважины";
        if (reg == 0x3F && n == 16) {
            ctx.settingsReading = false;
            return "текущее состояние, блок 1";
        }
        if (n == 16 && reg % 16 == 0 && reg / 16 < kSettingsBlocks) {
            // Registers 16..31 are both the second current-state block and settings block 2: a
            // settings read starts at register 0 and goes on block after block, a current-state
            // read starts at register 63.
            const int k = reg / 16;
            if (k == 0) ctx.settingsReading = true;
            if (k == 1 && !ctx.settingsReading) return "текущее состояние, блок 2";
            return "чтение уставок, блок " + ofTotal(k + 1, kSettingsBlocks);
        }
        return "чтение регистров " + std::to_string(reg) + "-" + std::to_string(reg + n - 1);
    case 0x04:
        expected = 5 + 2 * static_cast<std::size_t>(n);
        if (n == 64 && reg % 64 == 0) return "чтение журнала, блок " + ofTotal(reg / 64 + 1, kJournalBlocks);
        return "чтение входных регистров " + std::to_string(reg) + "-" + std::to_string(reg + n - 1);
    case 0x05:
        expected = 5;
        if (reg == 0 && n == 0x2710) return "обнуление хронологии";
        if (reg == 0x3F && n == 1) return "пуск двигателя";
        if (reg == 0x3F && n == 0) return "останов двигателя";
        return "команда " + std::to_string(reg) + " = " + std::to_string(n);
    case 0x06:
        expected = 8;
        if (a == 0xFF && reg == 0x20 && n == 0) return "обнуление регистратора";
        if (a == 0xFF && reg == 0x09) return "регистратор: код скорости " + std::to_string(n);
        return settingWriteMeaning(reg, n);
    default:
        expected = 0;
        return "функция " + std::to_string(fn);
    }
}

std::string gen3Meaning(std::uint8_t c, DecodeContext& ctx, bool& bulk, bool& sum) {
    if (ctx.settingsWriteByte >= 0) {
        const int k = ctx.settingsWriteByte++;
        if (ctx.settingsWriteByte >= kGen3SettingsBytes) ctx.settingsWriteByte = -1;
        return "запись уставок, байт " + ofTotal(k + 1, kGen3SettingsBytes);
    }
    switch (c) {
    case 0xFF:
        return "проба линии";
    case 0x1E:
        return "чтение часов";
    case 0x27:
        return "пуск двигателя";
    case 0x28:
        return "останов двигателя";
    case 0x45:
        bulk = true;
        return "чтение журнала (32768 байт)";
    case 0xDD:
        bulk = true;
        return "чтение уставок (512 байт)";
    case 0xE0:
        sum = ctx.bulkPending;
        return sum ? "контрольная сумма" : "чтение величины, второй шаг";
    case 0xDE:
        return "начало записи уставок";
    case 0xDF:
        return "конец записи уставок";
    case 0xE1:
        return "обнуление хронологии";
    case 54:
        return "чтение величины 54 (тип контроллера)";
    default:
        if ((c >= 16 && c <= 29) || c == 35 || (c >= 48 && c <= 56) || c == 65)
            return "чтение величины " + std::to_string(c);
        return "команда " + std::to_string(c);
    }
}

// A Modbus RTU request of 8 bytes with its reply.
ExchangeView framedView(const LineExchange& e, DecodeContext& ctx) {
    ExchangeView v;
    const auto& q = e.request;
    const std::span<const std::uint8_t> reply(e.reply);
    v.framed = true;
    v.station = q[0];
    std::size_t expected = 0;
    v.meaning = framedMeaning(q, expected, ctx);
    const int reg = q[2] << 8 | q[3], n = q[4] << 8 | q[5];
    // The probe asks for the recorder right after its generation 3 echo byte.
    v.probe = ctx.probeByteBefore && q[0] == 0xFF && q[1] == 0x03 && reg == 0x20 && n == 1;
    ctx.probeByteBefore = false;
    const bool entryRequest = q[1] == 0x03 && n == 4 && (reg == 0x10 || reg == 0xEE);
    if (v.probe)
        v.station = kProbeKey;
    else if (q[0] >= 1 && q[0] <= 247 && (entryRequest || ctx.recorderAnswered))
        v.station = kRecorderEntryKey + q[0];
    if (e.replyLength == 0) {
        v.state = ReplyState::TimeOut;
        v.stateText = v.probe ? "нет ответа: регистратора нет" : "нет ответа";
        if (q[0] == 0xFF) ctx.recorderAnswered = false; // no recorder on the line (any more)
    } else if (e.replyLength == reply.size() && endsWithCrc16(reply)) {
        const bool refused = reply.size() >= 2 && (reply[1] & 0x80);
        v.state = refused ? ReplyState::Refused : ReplyState::Good;
        v.stateText = refused ? "отказ, код " + std::to_string(reply.size() > 2 ? reply[2] : 0) : "CRC верна";
        if (q[0] == 0xFF && !refused) ctx.recorderAnswered = true;
    } else if (q[1] == 0x05 && e.replyLength == reply.size() && e.replyLength >= 5 &&
               std::equal(reply.begin(), reply.end(), q.begin(), q.begin() + std::min<std::size_t>(reply.size(), 8))) {
        // A station that takes a command echoes the 8-byte request; the program reads its first
        // five bytes (the length of a refusal) and lets the rest go.
        v.state = ReplyState::Good;
        v.stateText = "эхо команды";
    } else if (expected && e.replyLength < expected) {
        v.state = ReplyState::Incomplete;
        v.stateText = "неполный ответ, " + std::to_string(e.replyLength) + " из " + std::to_string(expected) +
                      " байт";
    } else {
        v.state = ReplyState::CrcFailure;
        v.stateText = "ошибка CRC";
    }
    return v;
}

// Generation 3: one command byte, echoed.
ExchangeView gen3View(const LineExchange& e, DecodeContext& ctx) {
    ExchangeView v;
    const auto& q = e.request;
    const std::span<const std::uint8_t> reply(e.reply);
    v.framed = false;
    v.station = 0;
    if (q.size() != 1) {
        v.meaning = std::to_string(q.size()) + " байт";
        v.state = e.replyLength ? ReplyState::Good : ReplyState::TimeOut;
        v.stateText = e.replyLength ? "ответ" : "нет ответа";
        return v;
    }
    bool bulk = false, sum = false;
    v.meaning = gen3Meaning(q[0], ctx, bulk, sum);
    v.probe = q[0] == 0xFF && ctx.settingsWriteByte < 0;
    ctx.probeByteBefore = v.probe;
    if (v.probe) v.station = kProbeKey;
    if (e.replyLength == 0) {
        v.state = ReplyState::TimeOut;
        v.stateText = v.probe ? "нет ответа: контроллера поколения 3 нет" : "нет ответа";
    } else if (q[0] == 0xFF && reply[0] == 0xFE) {
        v.state = ReplyState::Good;
        v.stateText = "ответило устройство (FE)";
    } else if (reply[0] != q[0]) {
        v.state = ReplyState::BadEcho;
        v.stateText = "неверное эхо";
    } else if (sum) {
        if (e.replyLength < 3) {
            v.state = ReplyState::TimeOut;
            v.stateText = "нет контрольной суммы";
        } else {
            const std::uint16_t theirs = static_cast<std::uint16_t>(reply[1] | reply[2] << 8);
            const bool same = theirs == static_cast<std::uint16_t>(ctx.bulkSum);
            v.state = same ? ReplyState::SumGood : ReplyState::SumBad;
            v.stateText = same ? "контрольная сумма совпала" : "контрольная сумма не совпала";
        }
    } else {
        v.state = ReplyState::Good;
        v.stateText = "эхо";
    }
    if (q[0] == 0xDE && v.state == ReplyState::Good) ctx.settingsWriteByte = 0;
    if (bulk) {
        ctx.bulkPending = true;
        ctx.bulkSum = e.replySum;
    } else if (q[0] == 0xE0 || q[0] == 0xFF) {
        // The checksum asks about the transfer just before it only.
        ctx.bulkPending = false;
    }
    return v;
}

} // namespace

ExchangeView decodeExchange(const LineExchange& e, DecodeContext& ctx) {
    if (e.request.size() == 8 && endsWithCrc16(e.request)) return framedView(e, ctx);
    return gen3View(e, ctx);
}

void LineCounters::add(const LineExchange& e, const ExchangeView& v) {
    auto it = std::lower_bound(stations_.begin(), stations_.end(), v.station,
                               [](const StationCounters& s, int station) { return s.station < station; });
    if (it == stations_.end() || it->station != v.station) {
        it = stations_.insert(it, StationCounters{});
        it->station = v.station;
    }
    ++it->requests;
    if (e.retry) ++it->retries;
    switch (v.state) {
    case ReplyState::Good:
    case ReplyState::Refused:
    case ReplyState::SumGood:
        ++it->good;
        if (e.replyMicros >= 0) it->replyMsTotal += static_cast<double>(e.replyMicros) / 1000.0;
        break;
    case ReplyState::CrcFailure:
    case ReplyState::BadEcho:
    case ReplyState::SumBad:
        ++it->crcFailures;
        break;
    case ReplyState::Incomplete:
    case ReplyState::TimeOut:
        ++(v.probe ? it->silences : it->timeOuts);
        break;
    }
}

void resetOnOpen(DecodeContext& context) {
    // The recorder stays what it was: a download reopens the port at its bulk speed.
    context.probeByteBefore = false;
}

// ---- text ---------------------------------------------------------------------------------------

std::string monitorClockText(std::int64_t wallMs) {
    const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(wallMs % 1000));
    return text;
}

std::string monitorHexText(std::span<const std::uint8_t> kept, std::size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kept.size() * 3 + 24);
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (k) text += ' ';
        text += digits[kept[k] >> 4];
        text += digits[kept[k] & 15];
    }
    if (length > kept.size()) text += " … (" + std::to_string(length) + " байт)";
    return text;
}

std::string stationText(int station) {
    if (station == kProbeKey) return "проба линии";
    if (station > kRecorderEntryKey)
        return "регистратор, запись " + std::to_string(station - kRecorderEntryKey);
    if (station == 0) return "поколение 3";
    if (station == 255) return "регистратор";
    return "станция " + std::to_string(station);
}

std::string lineNoteText(const LineEvent& note) {
    switch (note.note) {
    case LineNote::Opened: {
        std::string text = note.device.empty() ? "порт открыт" : "порт " + note.device + " открыт";
        if (note.speed > 0) text += ", " + std::to_string(note.speed) + " бит/с";
        return text;
    }
    case LineNote::OpenFailed: {
        std::string text = note.device.empty() ? "порт не открылся" : "порт " + note.device + " не открылся";
        if (!note.failure.empty()) text += ": " + note.failure;
        return text;
    }
    case LineNote::Closed:
        return "порт закрыт";
    case LineNote::LowLatencyOn:
        return "режим низкой задержки включён";
    case LineNote::LowLatencyRefused:
        return "режим низкой задержки не установлен: драйвер порта его не поддерживает";
    case LineNote::Lost:
        return "пропущено обменов: " + std::to_string(note.lost) +
               (note.paused ? " (пауза: список был полон)" : " (окно не успевало)");
    }
    return {};
}

std::string replyTimeText(const LineExchange& e, char separator) {
    if (e.replyMicros < 0) return {};
    return formatFixed(static_cast<double>(e.replyMicros) / 1000.0, 1, separator) + " мс";
}

std::string exchangeLines(const LineExchange& e, const ExchangeView& v, char separator) {
    std::string text = monitorClockText(e.wallMs) + "\t->\t" + monitorHexText(e.request, e.request.size()) +
                       "\t" + (e.retry ? "повтор" : "") + "\t" + stationText(v.station) + ": " + v.meaning + "\n";
    text += "\t<-\t" + monitorHexText(e.reply, e.replyLength) + "\t" + v.stateText + "\t" +
            replyTimeText(e, separator) + "\n";
    return text;
}

} // namespace vorsan
