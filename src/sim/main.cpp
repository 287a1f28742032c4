// vorsan-sim: simulated pump-station controllers on a pseudo-terminal, for trying and testing
// the program without hardware.
#include "simulator.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

std::string hex(const vorsan::sim::Bytes& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t k = 0; k < bytes.size() && k < 16; ++k) {
        std::snprintf(buf, sizeof buf, "%02X ", bytes[k]);
        out += buf;
    }
    if (bytes.size() > 16) {
        out += "... (";
        out += std::to_string(bytes.size());
        out += " bytes)";
    }
    return out;
}

std::string describeLine(const vorsan::sim::SimOptions& o) {
    std::string text;
    if (!o.gen4Addresses.empty()) {
        text += "generation 4 stations at";
        for (std::size_t k = 0; k < o.gen4Addresses.size(); ++k) {
            const std::uint8_t a = o.gen4Addresses[k];
            text += (k ? ", " : " ") + std::to_string(a);
            if (const auto d = o.replyDelayMs.find(a); d != o.replyDelayMs.end())
                text += " (" + std::to_string(d->second) + " ms late)";
        }
    }
    if (o.gen3TypeCode)
        text += (text.empty() ? "" : "; ") + std::string("generation 3 controller of type ") +
                std::to_string(*o.gen3TypeCode);
    if (o.recorderEntries)
        text += (text.empty() ? "" : "; ") + std::string("recorder with ") +
                std::to_string(*o.recorderEntries) + " chronologies";
    text += o.fast ? "; no pacing" : "; " + std::to_string(o.baud) + " bit/s";
    text += o.switchOff ? "; mode switch off" : "; mode switch on";
    return text;
}

} // namespace

int main(int argc, char** argv) {
    using namespace vorsan::sim;
    SimOptions options;
    bool help = false;
    std::string error = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, help);
    if (help) {
        std::cout << simHelpText();
        return 0;
    }
    if (!error.empty()) {
        std::cerr << "vorsan-sim: " << error << "\n(vorsan-sim --help lists the options)\n";
        return 2;
    }
    // Block the stop signals before the simulator's thread starts, then wait for one here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Simulator sim(options);
    if (options.verbose)
        sim.onRequest = [](const ReceivedRequest& r, const Bytes& reply) {
            std::cerr << "<- " << hex(r.bytes);
            if (r.lineSpeed) std::cerr << '@' << r.lineSpeed;
            std::cerr << "  -> " << (reply.empty() ? "(silence)" : hex(reply)) << '\n';
        };
    if (std::string e = sim.start(); !e.empty()) {
        std::cerr << "vorsan-sim: " << e << "\n";
        return 1;
    }
    std::cout << sim.devicePath() << std::endl;
    std::cerr << "vorsan-sim: " << describeLine(options) << '\n';
    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.stop();
    return 0;
}
