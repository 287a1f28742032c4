#pragma once
// The simulator's end of a pseudo-terminal: the master side, with the slave side kept open (in raw
// mode) so the line survives the program under test opening and closing the device.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vorsan::sim {

using SimClock = std::chrono::steady_clock;

class PtyPort {
  public:
    PtyPort() = default;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;
    ~PtyPort();

    // Opens a new pseudo-terminal at the given line speed. Returns an error text, empty on success.
    std::string open(unsigned baud);
    // Makes `path` a symbolic link to the device (replacing an older link there).
    std::string makeLink(const std::string& path);
    void close();
    const std::string& devicePath() const { return device_; }

    // Waits up to timeoutMs for bytes and appends what came. False when the port failed.
    bool read(std::vector<std::uint8_t>& out, int timeoutMs);
    // Writes the bytes so that each leaves no earlier than its line time after `start` (10 bits a
    // byte at `baud`); baud 0 writes at once. Gives up when `stop` is set.
    bool writePaced(const std::vector<std::uint8_t>& bytes, unsigned baud, SimClock::time_point start,
                    const std::atomic<bool>& stop);
    // The line speed the other end has set on the device (0 if unknown).
    unsigned peerSpeed() const;
    // Lets the device be opened again after an exclusive opener closed it.
    void releaseExclusive();

  private:
    bool writeNow(const std::uint8_t* data, std::size_t size, const std::atomic<bool>& stop);

    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
};

} // namespace vorsan::sim
