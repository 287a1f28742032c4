#pragma once
// The serial devices present on this computer, for the port menu: USB adapters under their
// persistent names (/dev/serial/by-id/*, which stay the same whichever USB socket the adapter is
// plugged into), then the /dev/ttyUSB*, /dev/ttyACM* that have no such name, then the /dev/ttyS*
// that have a UART behind them (the kernel makes ttyS0..ttyS31 whether or not the board has them).
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

struct SerialPortEntry {
    std::string path;   // what is opened and remembered: the by-id link when there is one
    std::string kernel; // the kernel's name of the device now ("ttyUSB0")
    std::string text;   // the menu item: "FTDI FT232R USB UART (ttyUSB0)", "ttyS0"
};

// Whether /dev/ttyS<n> (given by its kernel name "ttyS0") has a real UART.
using UartPresent = std::function<bool(const std::string& kernelName)>;

// The devices under `devRoot` (normally /dev) in menu order: by-id links sorted by their text,
// then ttyUSB*, ttyACM* not named by a link, then ttyS* for which `uart` says yes, each group in
// number order (ttyUSB2 before ttyUSB10).
std::vector<SerialPortEntry> listSerialPorts(const std::filesystem::path& devRoot, const UartPresent& uart);

// The same for /dev, asking the kernel about the UARTs (uartPresent).
std::vector<SerialPortEntry> listSerialPorts();

// Maker and model from a by-id name as udev forms it, bus prefix, serial number and interface
// suffix dropped, underscores made blanks:
//   "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART"
//   "usb-1a86_USB_Serial-if00-port0"               -> "1a86 USB Serial"  (no serial number)
// A name that does not have that form is returned as it is.
std::string byIdItemText(std::string_view byIdName);

// The UART type the kernel gives a ttyS port (/sys/class/tty/<name>/type under `sysRoot`, else
// TIOCGSERIAL on the device) is other than PORT_UNKNOWN (0).
bool uartPresent(const std::string& kernelName, const std::filesystem::path& sysRoot = "/sys",
                 const std::filesystem::path& devRoot = "/dev");

// Where the by-id links live under a /dev root.
std::filesystem::path byIdDirectory(const std::filesystem::path& devRoot = "/dev");

} // namespace vorsan
