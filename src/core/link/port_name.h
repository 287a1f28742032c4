#pragma once
// The program's port names ("com1" to "com4") and the devices they stand for.
#include <string>
#include <string_view>

namespace vorsan {

// "com1".."com4" (any case) name the first four serial ports /dev/ttyS0../dev/ttyS3; anything else
// (a path such as "/dev/ttyUSB0" or a pseudo-terminal) is used unchanged.
std::string portDevicePath(std::string_view portName);

} // namespace vorsan
