#pragma once
// Finding the generation 4 stations on a shared line. Takes a link opened at 9600 bit/s.
#include "link/serial_link.h"
#include "link/transfer_progress.h"

#include <cstdint>
#include <optional>

namespace vorsan {

struct StationProbe {
    LinkError error = LinkError::None; // Write_Error
    bool present = false;
};

// n 03 FF FF 00 01 through the fixed exchange: present when a 5-byte reply with a good CRC came
// from address n (a station refuses register 0xFFFF). A reply from another address is absent.
StationProbe stationAnswers(SerialLink& link, std::uint8_t address);

enum class SearchDirection { Up, Down };

struct SearchResult {
    LinkError error = LinkError::None; // Write_Error ends the search
    bool cancelled = false;
    std::optional<std::uint8_t> found;
};

// Tries the addresses from `first` in the direction given, within 1..247, and stops at the first
// station present. Progress: (address, 247) before each address; false cancels.
//   "Поиск устройства в сети":               searchStations(link, 1, Up)
//   "поиск следующего устройства в сети":    searchStations(link, current + 1, Up)
//   "поиск предыдущего устройства в сети":   searchStations(link, current - 1, Down)
// A first address outside 1..247 tries nothing.
SearchResult searchStations(SerialLink& link, int first, SearchDirection direction,
                            const TransferProgress& progress = {});

} // namespace vorsan
