#pragma once
// Colours of the system are 24-bit values in blue-green-red order (0xFF0000 is blue).
#include <QColor>

#include <cstdint>

inline QColor colourFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// The colour a selected row's text is drawn in: white minus the cell colour (red becomes cyan).
constexpr std::uint32_t complementaryBgr(std::uint32_t bgr) {
    return 0xFFFFFFu - (bgr & 0xFFFFFFu);
}
