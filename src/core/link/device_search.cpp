#include "link/device_search.h"

#include "link/frame_exchange.h"

namespace vorsan {

StationProbe stationAnswers(SerialLink& link, std::uint8_t address) {
    const FramedReply reply = framedRequest(link, searchProbeRequest(address));
    StationProbe result;
    result.error = reply.error;
    result.present = reply.valid && reply.bytes[0] == address;
    return result;
}

SearchResult searchStations(SerialLink& link, int first, SearchDirection direction,
                            const TransferProgress& progress) {
    SearchResult result;
    const int step = direction == SearchDirection::Up ? 1 : -1;
    for (int n = first; n >= kFirstStationAddress && n <= kLastStationAddress; n += step) {
        if (!reportProgress(progress, n, kLastStationAddress)) {
            result.cancelled = true;
            return result;
        }
        const StationProbe probe = stationAnswers(link, static_cast<std::uint8_t>(n));
        if (probe.error != LinkError::None) {
            result.error = probe.error;
            return result;
        }
        if (probe.present) {
            result.found = static_cast<std::uint8_t>(n);
            return result;
        }
    }
    return result;
}

} // namespace vorsan
