#pragma once
// Which serial device stands behind the port names "com1".."com4" of the port menu.
#include <functional>
#include <string>
#include <string_view>

namespace vorsan {

// Answers whether a device file exists (injected so that the rule can be tested).
using DeviceExists = std::function<bool(const std::string& device)>;

// "comN" is /dev/ttyUSB(N-1) when that device exists (a USB serial adapter), else /dev/ttyS(N-1).
// A non-empty `overrideDevice` (the command-line option --port) wins for every port name.
// A port name other than "com1".."com4" gives "".
std::string portDevice(std::string_view portName, std::string_view overrideDevice,
                       const DeviceExists& exists);

// The same with the real file system.
std::string portDevice(std::string_view portName, std::string_view overrideDevice);

} // namespace vorsan
