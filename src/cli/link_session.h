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

// Options every link command takes.
inline const std::vector<std::string> kLinkValueOptions = {"--port", "--address", "--gen",
                                                           "-o",     "--from",    "--speed"};
inline constexpr const char* kLinkOptionsHelp = "--port DEVICE [--address N] [--trace]";

class LinkSession {
public:
    // Reads --port, --address and --trace; `error` is set when they are missing or wrong.
    LinkSession(const Args& args, std::string& error);
    // Opens the port at the speed; prints the failure and returns false.
    bool open(int speed = 9600);
    SerialLink& link() { return link_; }
    const std::string& port() const { return port_; }
    std::uint8_t address() const { return address_; }
    // The generation given with --gen, or the one the probe finds (nullopt, with a message, when
    // the line holds no station).
    std::optional<ControllerGeneration> generation(const Args& args);

private:
    std::unique_ptr<TraceWriter> trace_; // before link_: outlives it
    PosixSerialLink link_;
    std::string port_;
    std::uint8_t address_ = 1;
};

// A progress line on stderr ("read-journal: 120/256"), rewritten in place.
TransferProgress progressLine(const std::string& what);

// Prints a link failure ("vorsan-cli: Ошибка записи в порт (Write_Error)") and returns 1.
int linkFailure(LinkError error, const std::string& message = {});

// The three kinds of answer in words.
std::string describe(const LineProbe& line, std::uint8_t address);

} // namespace vorsan::cli
