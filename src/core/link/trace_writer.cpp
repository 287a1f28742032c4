#include "link/trace_writer.h"

#include <cstdio>

namespace vorsan {

namespace {

const char* controlText(LinkControl what) {
    switch (what) {
    case LinkControl::Opened:
        return "open";
    case LinkControl::OpenFailed:
        return "open failed";
    case LinkControl::Closed:
        return "close";
    case LinkControl::Purged:
        return "purge";
    case LinkControl::RtsRaised:
        return "rts on";
    case LinkControl::RtsDropped:
        return "rts off";
    }
    return "?";
}

} // namespace

void TraceWriter::stamp(std::int64_t micros) {
    if (!started_) {
        origin_ = micros;
        started_ = true;
    }
    const std::int64_t t = micros - origin_;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%9lld.%03lld ", static_cast<long long>(t / 1000),
                  static_cast<long long>(t % 1000));
    out_ << buf;
}

void TraceWriter::onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                            std::int64_t micros) {
    if (!pending_.empty() && (direction != pendingDirection_ || micros - pendingLast_ > kGapMs * 1000))
        flush();
    for (std::uint8_t b : bytes) {
        if (pending_.size() >= kBytesPerLine) flush();
        if (pending_.empty()) {
            pendingDirection_ = direction;
            pendingStart_ = micros;
        }
        pending_.push_back(b);
    }
    pendingLast_ = micros;
}

void TraceWriter::onControl(LinkControl what, std::int64_t micros) {
    flush();
    stamp(micros);
    out_ << controlText(what) << '\n';
}

void TraceWriter::flush() {
    if (pending_.empty()) return;
    stamp(pendingStart_);
    out_ << (pendingDirection_ == TrafficDirection::Written ? '>' : '<');
    char hex[4];
    for (std::uint8_t b : pending_) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        out_ << hex;
    }
    out_ << '\n';
    pending_.clear();
}

} // namespace vorsan
