#pragma once
// Sizes of the main window and of the all-graphs sheet, in pixels.

namespace vorsan {

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// Five sixths of the screen width, three quarters of its height (integer arithmetic), centred.
WindowRect mainWindowGeometry(int screenWidth, int screenHeight);

// The three stacked charts of the all-graphs sheet: one unit is the client height / 300; the
// first and third charts are round(106 units) high, the second round(88 units).
struct AllGraphsHeights {
    int first = 0;
    int second = 0;
    int third = 0;
    bool operator==(const AllGraphsHeights&) const = default;
};
AllGraphsHeights allGraphsHeights(int clientHeight);

} // namespace vorsan
