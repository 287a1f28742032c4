#include "shell/serial_ports.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <fstream>
#include <linux/serial.h>
#include <set>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorsan {

namespace {

// A serial number as udev appends it: at least four characters, a digit among them, no lower-case
// letter ("A50285BI", "0001"). Words of a model name ("Serial", "UART") are not.
bool looksLikeSerialNumber(std::string_view word) {
    if (word.size() < 4) return false;
    bool digit = false;
    for (char c : word) {
        if (std::islower(static_cast<unsigned char>(c))) return false;
        if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
    }
    return digit;
}

// "ttyUSB12" -> ("ttyUSB", 12); the number orders devices of one kind.
struct KernelName {
    std::string kind;
    long number = -1;
};

KernelName splitKernelName(const std::string& name) {
    std::size_t i = name.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1])))
        --i;
    KernelName k{name.substr(0, i), -1};
    if (i < name.size()) k.number = std::stol(name.substr(i));
    return k;
}

bool isCharDeviceOrFile(const fs::path& p) {
    std::error_code ec;
    const auto st = fs::status(p, ec);
    // Tests build the tree of plain files; the real /dev has character devices.
    return !ec && (fs::is_character_file(st) || fs::is_regular_file(st));
}

} // namespace

fs::path byIdDirectory(const fs::path& devRoot) {
    return devRoot / "serial" / "by-id";
}

std::string byIdItemText(std::string_view name) {
    std::string_view rest = name;
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos) return std::string(name);
    const std::string_view bus = rest.substr(0, dash);
    if (bus != "usb" && bus != "pci" && bus != "platform") return std::string(name);
    rest.remove_prefix(dash + 1);
    // The interface suffix: "-if00" or "-if00-port0".
    const std::size_t suffix = rest.rfind("-if");
    if (suffix == std::string_view::npos || suffix == 0) return std::string(name);
    rest = rest.substr(0, suffix);
    if (const std::size_t last = rest.rfind('_');
        last != std::string_view::npos && last > 0 && looksLikeSerialNumber(rest.substr(last + 1)))
        rest = rest.substr(0, last);
    std::string text;
    for (char c : rest) {
        const char out = c == '_' ? ' ' : c;
        if (out == ' ' && (text.empty() || text.back() == ' ')) continue;
        text += out;
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text.empty() ? std::string(name) : text;
}

std::vector<SerialPortEntry> listSerialPorts(const fs::path& devRoot, const UartPresent& uart) {
    std::vector<SerialPortEntry> named;
    std::set<std::string> namedKernels;
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(byIdDirectory(devRoot), ec)) {
        std::error_code lec;
        if (!link.is_symlink(lec)) continue;
        const fs::path target = fs::read_symlink(link.path(), lec);
        if (lec) continue;
        const fs::path device = target.is_absolute() ? target : link.path().parent_path() / target;
        if (!isCharDeviceOrFile(device)) continue; // a link left behind by an adapter just pulled
        const std::string kernel = device.lexically_normal().filename().string();
        namedKernels.insert(kernel);
        named.push_back({link.path().string(), kernel,
                         byIdItemText(link.path().filename().string()) + " (" + kernel + ")"});
    }
    std::sort(named.begin(), named.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.text < b.text; });

    struct Plain {
        int group; // 0 ttyUSB, 1 ttyACM, 2 ttyS
        long number;
        std::string name;
    };
    std::vector<Plain> plain;
    for (const auto& entry : fs::directory_iterator(devRoot, ec)) {
        const std::string name = entry.path().filename().string();
        const KernelName k = splitKernelName(name);
        if (k.number < 0) continue;
        int group = -1;
        if (k.kind == "ttyUSB") group = 0;
        if (k.kind == "ttyACM") group = 1;
        if (k.kind == "ttyS") group = 2;
        if (group < 0 || namedKernels.count(name) || !isCharDeviceOrFile(entry.path())) continue;
        if (group == 2 && !(uart && uart(name))) continue;
        plain.push_back({group, k.number, name});
    }
    std::sort(plain.begin(), plain.end(), [](const Plain& a, const Plain& b) {
        return a.group != b.group ? a.group < b.group : a.number < b.number;
    });
    for (const auto& p : plain)
        named.push_back({(devRoot / p.name).string(), p.name, p.name});
    return named;
}

std::vector<SerialPortEntry> listSerialPorts() {
    return listSerialPorts("/dev", [](const std::string& name) { return uartPresent(name); });
}

bool uartPresent(const std::string& kernelName, const fs::path& sysRoot, const fs::path& devRoot) {
    // The kernel publishes the UART type of every serial-core port to everyone; the device itself
    // may be closed to the user.
    std::ifstream type(sysRoot / "class" / "tty" / kernelName / "type");
    int code = -1;
    if (type >> code) return code != PORT_UNKNOWN;
    const int fd = ::open((devRoot / kernelName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    serial_struct info{};
    const bool present = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

} // namespace vorsan
