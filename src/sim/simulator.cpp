#include "simulator.h"

#include "link/checksums.h"

#include <algorithm>

namespace vorsan::sim {
namespace {

constexpr auto kFrameGap = std::chrono::milliseconds(5);    // silence that ends a frame
constexpr auto kCommandGap = std::chrono::milliseconds(2);  // a lone byte is a command byte
constexpr auto kGen3WriteTimeout = std::chrono::seconds(2); // controller abandons a settings write
constexpr std::size_t kMaxPending = 64;

bool endsWithFrame(const Bytes& pending) {
    if (pending.size() < 8) return false;
    std::span<const std::uint8_t> f(pending.data() + pending.size() - 8, 8);
    std::uint16_t crc = crc16(f.first(6));
    return f[6] == (crc & 0xFF) && f[7] == (crc >> 8);
}

} // namespace

Simulator::Simulator(SimOptions options)
    : options_(std::move(options)), model_(options_), rng_(options_.seed ^ 0x9E3779B9u) {
    if (!options_.journalFile.empty()) loadError_ = loadJournalFileInto(options_.journalFile, model_);
}

Simulator::~Simulator() {
    stop();
}

std::string Simulator::start() {
    if (!loadError_.empty()) return loadError_;
    if (std::string e = port_.open(options_.baud); !e.empty()) return e;
    if (!options_.linkPath.empty())
        if (std::string e = port_.makeLink(options_.linkPath); !e.empty()) {
            port_.close();
            return e;
        }
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return {};
}

void Simulator::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    port_.close();
}

std::vector<ReceivedRequest> Simulator::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void Simulator::clearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

void Simulator::setFaults(double corrupt, double drop, unsigned slowMs, bool silent) {
    std::lock_guard lock(mutex_);
    options_.corrupt = corrupt;
    options_.drop = drop;
    options_.slowMs = slowMs;
    options_.silent = silent;
}

void Simulator::run() {
    Bytes pending;
    auto lastByte = SimClock::now();
    while (!stop_) {
        writeDueReplies();
        std::size_t before = pending.size();
        bool waitingLoneByte = pending.size() == 1;
        int waitMs = waitingLoneByte ? 1 : 20;
        if (!scheduled_.empty()) {
            const auto untilDue =
                std::chrono::ceil<std::chrono::milliseconds>(scheduled_.front().start - SimClock::now());
            waitMs = std::clamp(static_cast<int>(untilDue.count()), 0, waitMs);
        }
        if (!port_.read(pending, waitMs)) break;
        auto now = SimClock::now();
        if (pending.size() > before) {
            lastByte = now;
            serviceInput(pending, now);
            continue;
        }
        port_.releaseExclusive();
        bool busy;
        {
            std::lock_guard lock(mutex_);
            busy = model_.gen3Busy();
            if (busy && now - lastByte > kGen3WriteTimeout) model_.gen3Abandon();
        }
        // A lone byte followed by silence is a command of the byte-command protocol.
        if (pending.size() == 1 && now - lastByte >= kCommandGap) {
            Bytes one = pending;
            pending.clear();
            answer(one, false, lastByte);
        } else if (!pending.empty() && now - lastByte >= kFrameGap) {
            pending.clear();
        }
    }
}

void Simulator::serviceInput(Bytes& pending, SimClock::time_point arrived) {
    bool busy, framedLine;
    {
        std::lock_guard lock(mutex_);
        busy = model_.gen3Busy();
        framedLine = model_.hasFramedDevices();
    }
    // In the middle of a generation 3 exchange every byte is the controller's.
    while (busy && !pending.empty()) {
        Bytes one{pending.front()};
        pending.erase(pending.begin());
        answer(one, false, arrived);
        std::lock_guard lock(mutex_);
        busy = model_.gen3Busy();
    }
    if (endsWithFrame(pending)) {
        Bytes frame(pending.end() - 8, pending.end());
        pending.clear();
        answer(frame, true, arrived);
    } else if (pending.size() == 1 && !framedLine) {
        Bytes one = pending;
        pending.clear();
        answer(one, false, arrived);
    } else if (pending.size() > kMaxPending) {
        pending.erase(pending.begin(), pending.end() - 8);
    }
}

bool Simulator::applyFaults(Bytes& reply) {
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (options_.silent) return false;
    if (options_.dropEvery > 0 && ++answerable_ % options_.dropEvery == 0) return false;
    if (options_.drop > 0 && chance(rng_) < options_.drop) return false;
    if (options_.corrupt > 0 && chance(rng_) < options_.corrupt && !reply.empty()) {
        std::size_t at = rng_() % reply.size();
        reply[at] ^= static_cast<std::uint8_t>(1 + rng_() % 255);
    }
    return true;
}

void Simulator::writeDueReplies() {
    while (!scheduled_.empty() && scheduled_.front().start <= SimClock::now() && !stop_) {
        const Scheduled next = std::move(scheduled_.front());
        scheduled_.pop_front();
        port_.writePaced(next.bytes, next.pace, next.start, stop_);
    }
}

void Simulator::answer(Bytes request, bool framed, SimClock::time_point arrived) {
    ReceivedRequest rec{arrived, request, port_.peerSpeed(), framed, false};
    Bytes reply;
    unsigned speed = 0;
    unsigned delayMs = 0;
    unsigned ownDelayMs = 0;
    {
        std::lock_guard lock(mutex_);
        speed = framed ? model_.replySpeed(request) : model_.baud;
        model_.nowSeconds = std::chrono::duration_cast<std::chrono::seconds>(arrived - started_).count();
        reply = framed ? model_.onFrame(request) : model_.onCommandByte(request[0]);
        rec.answered = !reply.empty() && applyFaults(reply);
        if (!rec.answered) reply.clear();
        received_.push_back(rec);
        ownDelayMs = framed ? model_.replyDelayMs(request) : 0;
        delayMs = options_.slowMs + (options_.fast ? 0 : options_.turnaroundMs) + ownDelayMs;
    }
    if (onRequest) onRequest(rec, reply);
    if (reply.empty()) return;
    unsigned pace = options_.fast ? 0 : speed;
    // The request itself took its line time to arrive; the controller then turns the line round.
    auto start = arrived + std::chrono::milliseconds(delayMs);
    if (pace)
        start += std::chrono::nanoseconds(10'000'000'000LL * static_cast<long long>(request.size()) / pace);
    if (ownDelayMs) {
        const auto at =
            std::upper_bound(scheduled_.begin(), scheduled_.end(), start,
                             [](SimClock::time_point t, const Scheduled& s) { return t < s.start; });
        scheduled_.insert(at, Scheduled{std::move(reply), pace, start});
        return;
    }
    if (pace == 0 && delayMs) std::this_thread::sleep_until(start);
    port_.writePaced(reply, pace, start, stop_);
}

} // namespace vorsan::sim
