#include "link/serial_link.h"

#include <algorithm>

namespace vorsan {

std::string openFailureMessage(const OpenResult& result) {
    if (result.ok()) return {};
    std::string text(errorMessage(result.error));
    if (!result.reason.empty()) text += "\n" + result.reason;
    return text;
}

OpenResult SerialLink::open(const std::string& device, int speed) {
    OpenResult result = doOpen(device, speed);
    if (observer_) {
        std::string failure = result.ok() ? std::string() : result.reason;
        if (!result.ok() && failure.empty()) failure = std::string(errorMessage(result.error));
        observer_->onOpen(device, speed, failure);
    }
    notify(result.ok() ? LinkControl::Opened : LinkControl::OpenFailed);
    if (result.ok() && lowLatency() != LowLatency::NotTried)
        notify(lowLatency() == LowLatency::On ? LinkControl::LowLatencyOn : LinkControl::LowLatencyRefused);
    return result;
}

void SerialLink::close() {
    if (!isOpen()) return;
    doClose();
    notify(LinkControl::Closed);
}

bool SerialLink::purge() {
    const bool ok = doPurge();
    notify(LinkControl::Purged);
    return ok;
}

WriteResult SerialLink::write(std::span<const std::uint8_t> bytes) {
    const WriteResult result = doWrite(bytes);
    if (observer_ && result.written > 0)
        observer_->onTraffic(TrafficDirection::Written, bytes.first(std::min(result.written, bytes.size())),
                             nowMicros());
    return result;
}

bool SerialLink::drain() {
    const bool ok = doDrain();
    notify(LinkControl::Drained);
    return ok;
}

ReadResult SerialLink::readByte() {
    const ReadResult result = doReadByte();
    if (observer_ && result.byte)
        observer_->onTraffic(TrafficDirection::Read, std::span(&*result.byte, 1), nowMicros());
    return result;
}

void SerialLink::setRts() {
    doSetRts(true);
    notify(LinkControl::RtsRaised);
}

void SerialLink::clearRts() {
    doSetRts(false);
    notify(LinkControl::RtsDropped);
}

} // namespace vorsan
