#pragma once
// What the link commands of vorsan-cli share: the port and address options, the open link, the
// frame trace and the progress line on stderr.
#include "command.h"

#include "common/types.h"
#include "link/line_probe.h"
#include "link/posix_serial_link.h"
#include "link/trace_writer.h"
#include "link/transfer_progress.h"

#include <memory>
#include <optional>
#include <string>

namespace vorsan::cli {

// Options of the commands that talk to a station.
struct LinkOptions {
    std::string port;    // --port DEVICE (required)
    int address = 1;     // --address N, 1..247
    bool trace = false;  // --trace: every frame on stderr
    std::string gen;     // --gen 3|4, where the command takes it; empty: the probe decides
};

// Declares --port, --address and --trace (and --gen when `withGeneration`) on a command.
void addLinkOptions(CLI::App* cmd, LinkOptions& options, bool withGeneration);

class LinkSession {
public:
    explicit LinkSession(const LinkOptions& options);
    // Opens the port at the speed; prints the failure and returns false.
    bool open(int speed = 9600);
    SerialLink& link() { return link_; }
    const std::string& port() const { return port_; }
    std::uint8_t address() const { return address_; }
    // The generation given with --gen, or the one the probe finds (nullopt, with a message, when
    // the line holds no station or --gen is neither 3 nor 4).
    std::optional<ControllerGeneration> generation();

private:
    std::unique_ptr<TraceWriter> trace_; // before link_: outlives it
    PosixSerialLink link_;
    std::string port_;
    std::uint8_t address_ = 1;
    std::string gen_;
};

// A progress line on stderr ("read-journal: 120/256"), rewritten in place.
TransferProgress progressLine(const std::string& what);

// Prints a link failure ("vorsan-cli: Ошибка записи в порт (Write_Error)") and returns 1.
int linkFailure(LinkError error, const std::string& message = {});

// The three kinds of answer in words.
std::string describe(const LineProbe& line, std::uint8_t address);

} // namespace vorsan::cli
