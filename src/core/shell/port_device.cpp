#include "shell/port_device.h"

#include "shell/program_settings.h"

#include <filesystem>
#include <system_error>

namespace vorsan {

std::string portDevice(std::string_view portName, std::string_view overrideDevice,
                       const DeviceExists& exists) {
    if (!overrideDevice.empty()) return std::string(overrideDevice);
    if (portName.starts_with('/')) return std::string(portName);
    const int n = portNumberOf(portName);
    if (n == 0) return {};
    const auto index = std::to_string(n - 1);
    if (auto usb = "/dev/ttyUSB" + index; exists && exists(usb)) return usb;
    return "/dev/ttyS" + index;
}

std::string portDevice(std::string_view portName, std::string_view overrideDevice) {
    return portDevice(portName, overrideDevice, [](const std::string& device) {
        std::error_code ec;
        return std::filesystem::exists(device, ec);
    });
}

} // namespace vorsan
