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
// A port name that is a device path (a serial device chosen by name from the port menu, such as
// "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0") is that device. Any other
// port name gives "".
std::string portDevice(std::string_view portName, std::string_view overrideDevice,
                       const DeviceExists& exists);

// The same with the real file system.
std::string portDevice(std::string_view portName, std::string_view overrideDevice);

} // namespace vorsan
