#pragma once
// The main window as a field engineer starts it on a port (here the simulator's pseudo-terminal),
// its link's time-outs on `clock` so that the tests' waits stay short, its data in `dataDir`, shown.
#include "window/main_window.h"

#include "link/link_clock.h"
#include "link/posix_serial_link.h"

#include <QString>

#include <memory>
#include <string>

inline std::unique_ptr<MainWindow> windowOnLine(const std::string& device, const vorsan::LinkClock& clock,
                                                const QString& dataDir) {
    vorsan::CommandLine commandLine;
    commandLine.portDevice = device;
    auto window = std::make_unique<MainWindow>(commandLine, nullptr, [&clock] {
        auto link = std::make_unique<vorsan::PosixSerialLink>();
        link->setClock(clock);
        return link;
    });
    window->setDataDir(dataDir);
    window->show();
    return window;
}
