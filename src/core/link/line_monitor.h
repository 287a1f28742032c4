#pragma once
// The line monitor: what went over the serial line, exchange by exchange, with what each request
// meant and how its reply came (intact, damaged, late or not at all), and counters per station.
//
// Two halves. MonitorTap is the link's observer on the link thread: it gathers each request with
// the bytes read after it into a LineExchange and, when the exchange is over (the next request, a
// purge, a close), moves it into a bounded ring under a mutex held only for that move. The window
// takes the ring's contents on a timer (take()), so the link thread never waits for the window and
// a window that falls behind loses the oldest exchanges, not time on the line. A link without a
// tap pays nothing.
//
// decodeExchange() and LineCounters then run on the window's side: the meaning of each request
// ("чтение журнала, блок 17 из 256", "запрос адреса 5"), the state of its reply, and per station
// the requests, good replies, CRC failures, time-outs, retries and the mean reply time.
#include "link/serial_link.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vorsan {

// One request and what was read after it, up to the next request or control event.
struct LineExchange {
    // Frames are shown whole; a generation 3 bulk transfer (32 K) shows its beginning.
    static constexpr std::size_t kKeptBytes = 256;

    std::int64_t wallMs = 0; // when the request was written, ms since the epoch (system clock)
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> reply; // its first kKeptBytes bytes
    std::size_t replyLength = 0;
    std::uint32_t replySum = 0;      // additive sum of the reply's bytes after the first (the echo)
    std::int64_t replyMicros = -1;   // end of the request to the last byte read; -1 without reply
    bool retry = false;              // the same frame was written before in this open session
};

// Something the link did that is not an exchange.
enum class LineNote { Opened, OpenFailed, Closed, LowLatencyOn, LowLatencyRefused, Lost };

struct LineEvent {
    bool isNote = false;
    LineNote note = LineNote::Opened;
    std::int64_t wallMs = 0;
    std::size_t lost = 0; // LineNote::Lost: exchanges dropped because the ring was full
    bool paused = false;  // LineNote::Lost: dropped while the monitor's list was paused
    std::string device;   // Opened, OpenFailed: the device and the line speed asked for
    int speed = 0;
    std::string failure; // OpenFailed: why ("Устройство … не существует", "… отключён")
    LineExchange exchange;
};

class MonitorTap final : public LinkObserver {
public:
    explicit MonitorTap(std::size_t capacity = 4096) : capacity_(capacity) {}

    void onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                   std::int64_t micros) override;
    void onControl(LinkControl what, std::int64_t micros) override;
    void onOpen(const std::string& device, int speed, const std::string& failure) override;

    // Everything gathered since the last call, oldest first (window thread). A full ring drops
    // its oldest events and says how many in a LineNote::Lost event.
    std::vector<LineEvent> take();
    // Ends the exchange in progress, so that take() sees it (link thread, or when the link is idle).
    void flush();

private:
    void push(LineEvent event);

    const std::size_t capacity_;
    // link thread only
    LineExchange current_;
    bool haveRequest_ = false;
    std::int64_t requestMicros_ = 0;
    std::vector<std::uint8_t> lastFrame_;
    std::string openDevice_, openFailure_;
    int openSpeed_ = 0;
    // shared
    std::mutex mutex_;
    std::deque<LineEvent> ring_;
    std::size_t lost_ = 0;
};

// ---- decoding ---------------------------------------------------------------------------------

enum class ReplyState {
    Good,         // a framed reply with its CRC, or the right echo of a byte command
    Refused,      // a framed refusal (function with the high bit set), intact
    CrcFailure,   // a framed reply of full length with a wrong CRC
    Incomplete,   // a framed reply that stopped short: the exchange timed out
    TimeOut,      // nothing came back
    BadEcho,      // a byte command echoed another byte
    SumGood,      // generation 3 checksum (0xE0) equal to the sum of the data before it
    SumBad,       // ... different
};

// Counter keys beside the addresses: the probe's requests for devices that are usually absent, and
// the recorder's entries (kRecorderEntryKey + entry number).
inline constexpr int kProbeKey = -1;
inline constexpr int kRecorderEntryKey = 1000;

struct ExchangeView {
    bool framed = false;  // framed protocol (address, function, CRC) or a generation 3 byte command
    // The address (255 the recorder); 0 for generation 3; kProbeKey for the probe's requests for a
    // generation 3 controller and the recorder; kRecorderEntryKey + n for the recorder's entry n.
    int station = 0;
    // The line probe's request for a device that is usually absent: its silence is expected, is no
    // failure and counts no time-out.
    bool probe = false;
    std::string meaning;  // "чтение журнала, блок 17 из 256"
    ReplyState state = ReplyState::TimeOut;
    std::string stateText; // "CRC верна", "ошибка CRC", "нет ответа", ...
};

// What earlier exchanges tell about later ones (the generation 3 data whose checksum 0xE0 asks for,
// the bytes of a settings write).
struct DecodeContext {
    bool bulkPending = false;
    std::uint32_t bulkSum = 0;
    int settingsWriteByte = -1; // the index of the next byte of a generation 3 settings write, -1 none
    bool settingsReading = false; // a generation 4 settings read has started at register 0
    // The recorder answered and has not failed to answer since: addresses 1..247 are its entries,
    // not stations (a download goes on at the recorder's bulk speed after a reopen).
    bool recorderAnswered = false;
    bool probeByteBefore = false; // the exchange before was the probe's generation 3 echo byte
};

// The port opened or closed: an exchange before it tells nothing of the next one.
void resetOnOpen(DecodeContext& context);

ExchangeView decodeExchange(const LineExchange& exchange, DecodeContext& context);

// Whether a byte run ends with the CRC-16 of the bytes before it, low byte first.
bool endsWithCrc16(std::span<const std::uint8_t> bytes);

// Counters of one station (framed address; 0 for the generation 3 byte commands).
struct StationCounters {
    int station = 0;
    std::uint64_t requests = 0;
    std::uint64_t good = 0;        // Good, Refused, SumGood
    std::uint64_t crcFailures = 0; // CrcFailure, BadEcho, SumBad
    std::uint64_t timeOuts = 0;    // TimeOut, Incomplete (the probe's expected silences: silences)
    std::uint64_t silences = 0;
    std::uint64_t retries = 0;
    double replyMsTotal = 0; // over the good replies
    double meanReplyMs() const { return good ? replyMsTotal / static_cast<double>(good) : 0.0; }
};

class LineCounters {
public:
    void add(const LineExchange& exchange, const ExchangeView& view);
    // In station order.
    const std::vector<StationCounters>& stations() const { return stations_; }
    void clear() { stations_.clear(); }

private:
    std::vector<StationCounters> stations_;
};

// ---- text -------------------------------------------------------------------------------------

// "12:34:56.789" in local time.
std::string monitorClockText(std::int64_t wallMs);
// "01 03 00 EE", and for a run longer than what is kept " … (32768 байт)".
std::string monitorHexText(std::span<const std::uint8_t> kept, std::size_t length);
// "станция 5", "регистратор", "поколение 3", "проба линии", "регистратор, запись 3".
std::string stationText(int station);
// "открыт порт", "порт закрыт", "режим низкой задержки не установлен (драйвер отказал)" ...
std::string lineNoteText(const LineEvent& note);
// "12,4 мс" with the given decimal separator; "" without a reply.
std::string replyTimeText(const LineExchange& exchange, char separator);
// Two lines (request and reply) of a saved monitor text, tab-separated: time, direction,
// bytes, state, meaning or reply time.
std::string exchangeLines(const LineExchange& exchange, const ExchangeView& view, char separator);

} // namespace vorsan
