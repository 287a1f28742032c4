#include "link/port_name.h"

#include <cctype>

namespace vorsan {

std::string portDevicePath(std::string_view portName) {
    if (portName.size() == 4) {
        std::string lower;
        for (char c : portName)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.starts_with("com") && lower[3] >= '1' && lower[3] <= '4')
            return "/dev/ttyS" + std::string(1, static_cast<char>(lower[3] - 1));
    }
    return std::string(portName);
}

} // namespace vorsan
