#pragma once
// The devices of a simulated line and how each answers a request: generation 4 stations and the
// recorder on the framed protocol, a generation 3 controller on the byte-command protocol.
// Pure logic without time or I/O, so the answers can be checked without a port.
#include "sim_options.h"
#include "station_content.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorsan::sim {

using Bytes = std::vector<std::uint8_t>;

struct Recorder {
    std::vector<RecorderEntry> entries; // entry i answers at address i while i <= count
    std::uint16_t count = 0;            // register 0x20
    std::uint8_t speedCode = 47;        // register 9: bulk speed 460800 / (code + 1)
    unsigned speed() const { return 460800u / (speedCode + 1u); }
};

// Where a generation 3 controller is within a multi-byte exchange.
enum class Gen3Phase { Idle, ValueAwaitE0, Writing, WriteDone };

class LineModel {
  public:
    explicit LineModel(const SimOptions& options);

    // An 8-byte framed request with a good CRC. Returns the reply; empty means silence.
    Bytes onFrame(std::span<const std::uint8_t> frame);
    // One byte for the generation 3 controller. Returns its answer; empty means silence.
    Bytes onCommandByte(std::uint8_t byte);
    // Whether the generation 3 controller takes every byte now (value request or settings write).
    bool gen3Busy() const { return gen3 && gen3Phase_ != Gen3Phase::Idle; }
    // The line went quiet in the middle of a generation 3 exchange: the controller gives up.
    void gen3Abandon() { gen3Phase_ = Gen3Phase::Idle; }
    // Whether anything on the line speaks the framed protocol.
    bool hasFramedDevices() const { return !stations.empty() || recorder.has_value(); }
    // Line speed the device that a frame addresses answers at (the recorder's may be its bulk speed).
    unsigned replySpeed(std::span<const std::uint8_t> frame) const;
    // The extra reply delay of the station a frame addresses (0 for everything else).
    unsigned replyDelayMs(std::span<const std::uint8_t> frame) const;

    std::vector<Gen4Station> stations;
    std::optional<Gen3Controller> gen3;
    std::optional<Recorder> recorder;
    bool switchOff = false;
    bool badChecksum = false;
    unsigned baud = 9600;
    // Simulator time in whole seconds, set before each request: the controllers' clocks follow it.
    std::int64_t nowSeconds = 0;

  private:
    // `live`: the station whose registers these are (none for a recorder entry, which keeps
    // the copy as it was taken).
    Bytes stationFrame(std::uint8_t replyAddress, RegisterFile& holding, JournalImage& journal,
                       std::span<const std::uint8_t> frame, Gen4Station* live = nullptr);
    Bytes recorderFrame(std::span<const std::uint8_t> frame);
    Bytes gen3Idle(std::uint8_t byte);
    Bytes gen3Checksummed(const std::uint8_t* data, std::size_t size, std::uint8_t echo);

    Gen3Phase gen3Phase_ = Gen3Phase::Idle;
    std::uint8_t gen3Value_ = 0;    // command of the value request in progress
    std::uint16_t gen3LastSum_ = 0; // checksum of the last block sent, for 0xE0
    ParameterBlock gen3Incoming_{}; // settings block being written
    std::size_t gen3Written_ = 0;
};

// CRC-16 appended low byte first.
void appendCrc(Bytes& frame);
// Gives the devices of the file's generation the journal, settings and state of a .VR4 / .pr file:
// generation 4 stations and entries, or the generation 3 controller and entries (reversed).
// Returns an error text, empty on success.
std::string loadJournalFileInto(const std::string& path, LineModel& model);

} // namespace vorsan::sim
