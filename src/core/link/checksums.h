#pragma once
// The two checksums of the line.
#include <cstdint>
#include <span>

namespace vorsan {

// CRC-16 of the framed protocol (Modbus RTU): start 0xFFFF, reflected polynomial 0xA001, no final
// XOR. Sent low byte first: 01 03 00 3F 00 10 goes out as 01 03 00 3F 00 10 74 0A.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

// Additive checksum of the byte-command protocol's bulk data: the sum of the bytes modulo 65536.
std::uint16_t additiveChecksum(std::span<const std::uint8_t> bytes);

} // namespace vorsan
